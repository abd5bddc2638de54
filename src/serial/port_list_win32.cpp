// Serial ports of a Windows machine: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM,
// in the registry's order. Port names of any length are read (COM100 and above too).
#include <windows.h>

#include <string>
#include <vector>

#include "serial/port_list.h"

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return ports;
  DWORD count = 0, maxName = 0, maxData = 0;
  if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &maxName,
                       &maxData, nullptr, nullptr) != ERROR_SUCCESS) {
    RegCloseKey(key);
    return ports;
  }
  for (DWORD i = 0; i < count; ++i) {
    std::vector<char> name(maxName + 2, '\0');
    std::vector<BYTE> data(maxData + 2, 0);
    DWORD nameLen = maxName + 1;
    DWORD dataLen = maxData + 1;
    DWORD type = 0;
    if (RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type, data.data(), &dataLen) !=
        ERROR_SUCCESS)
      continue;
    if (type != REG_SZ) continue;
    std::string port(reinterpret_cast<const char*>(data.data()));
    if (!port.empty()) ports.push_back(port);
  }
  RegCloseKey(key);
  return ports;
}
