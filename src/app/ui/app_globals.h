#pragma once
// The program's one serial port.
#include "serial/serial.h"

extern CSerial g_Serial;
