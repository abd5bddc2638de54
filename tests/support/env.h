#pragma once
// Sets (or, with nullptr, removes) an environment variable of the test process, on POSIX and
// on Windows. Name and value are UTF-8 (on Windows set through the wide environment, which
// the programs read).
#include <stdlib.h>

#ifdef _WIN32
#include "base/win32_text.h"
#endif

inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  _wputenv_s(Widen(name).c_str(), value ? Widen(value).c_str() : L"");
#else
  if (value) setenv(name, value, 1); else unsetenv(name);
#endif
}
