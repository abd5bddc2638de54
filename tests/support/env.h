#pragma once
// Sets (or, with nullptr, removes) an environment variable of the test process, on POSIX and
// on Windows.
#include <stdlib.h>

inline void SetEnv(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value ? value : "");
#else
  if (value) setenv(name, value, 1); else unsetenv(name);
#endif
}
