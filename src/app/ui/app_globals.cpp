#include "app/ui/app_globals.h"

CSerial g_Serial;
