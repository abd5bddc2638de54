// Serial ports of a Windows machine: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, in
// the registry's order (port names of any length, COM100 and above too), each with the
// identity of its device in the SetupAPI ports class (MergeSetupApiPorts).
#include <windows.h>
#include <setupapi.h>
#include <devguid.h>

#include <string>
#include <vector>

#include "serial/port_identity.h"
#include "serial/port_list.h"

namespace {

std::vector<std::string> SerialCommPorts() {
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

std::string DeviceProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  char buffer[1024] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyA(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                         sizeof buffer - 2, nullptr))
    return {};
  return buffer;  // the first string of a REG_MULTI_SZ too
}

// The present devices of the ports class.
std::vector<SetupApiPort> PortsClassDevices() {
  std::vector<SetupApiPort> devices;
  HDEVINFO set = SetupDiGetClassDevsA(&GUID_DEVCLASS_PORTS, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return devices;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
    SetupApiPort d;
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
    if (key != INVALID_HANDLE_VALUE) {
      char name[256] = {};
      DWORD size = sizeof name - 1, type = 0;
      if (RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size) ==
              ERROR_SUCCESS &&
          type == REG_SZ)
        d.portName = name;
      RegCloseKey(key);
    }
    if (d.portName.empty()) continue;
    d.friendlyName = DeviceProperty(set, device, SPDRP_FRIENDLYNAME);
    d.hardwareId = DeviceProperty(set, device, SPDRP_HARDWAREID);
    char instance[512] = {};
    if (SetupDiGetDeviceInstanceIdA(set, &device, instance, sizeof instance, nullptr)) d.instanceId = instance;
    devices.push_back(std::move(d));
  }
  SetupDiDestroyDeviceInfoList(set);
  return devices;
}

}  // namespace

std::vector<SerialPortInfo> ListSerialPortInfos() {
  return MergeSetupApiPorts(SerialCommPorts(), PortsClassDevices());
}
