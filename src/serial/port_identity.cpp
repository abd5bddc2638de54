// The port list's texts for a port's identity, and the Windows ports class merged into the
// system's list of ports (portable, so that both run in every build's tests).
#include "serial/port_identity.h"

#include <algorithm>
#include <cctype>

#include "serial/port_list.h"

namespace {

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The four hex digits after key ("VID_") in a hardware or instance id, lower case; "" if none.
std::string HexAfter(const std::string& id, const std::string& key) {
  const std::string upper = Upper(id);
  const size_t at = upper.find(key);
  if (at == std::string::npos || at + key.size() + 4 > id.size()) return {};
  const std::string hex = id.substr(at + key.size(), 4);
  if (!std::all_of(hex.begin(), hex.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); }))
    return {};
  return Lower(hex);
}

// "USB-SERIAL CH340 (COM3)" → "USB-SERIAL CH340".
std::string WithoutPortSuffix(const std::string& friendly, const std::string& port) {
  const std::string suffix = " (" + port + ")";
  if (friendly.size() > suffix.size() &&
      Upper(friendly.substr(friendly.size() - suffix.size())) == Upper(suffix))
    return friendly.substr(0, friendly.size() - suffix.size());
  return friendly;
}

// The serial number in a device instance id: USB\VID_0403&PID_6001\A50285BI (the last part,
// unless Windows made it up: USB\VID_1A86&PID_7523\5&2F5B3A1&0&2), or the FTDI driver's
// FTDIBUS\VID_0403+PID_6001+A50285BIA\0000 (after the ids). "" when there is none.
std::string SerialOf(const std::string& instanceId) {
  const std::string upper = Upper(instanceId);
  if (upper.rfind("FTDIBUS\\", 0) == 0) {
    const size_t pid = upper.find("PID_");
    const size_t plus = pid == std::string::npos ? pid : upper.find('+', pid);
    const size_t end = upper.find('\\', sizeof("FTDIBUS"));
    if (plus == std::string::npos || end == std::string::npos || end <= plus + 1) return {};
    return instanceId.substr(plus + 1, end - plus - 1);
  }
  const size_t slash = instanceId.rfind('\\');
  if (upper.rfind("USB\\", 0) != 0 || slash == std::string::npos) return {};
  const std::string last = instanceId.substr(slash + 1);
  return last.find('&') == std::string::npos ? last : std::string();
}

}  // namespace

std::vector<std::string> ListSerialPorts() {
  std::vector<std::string> names;
  for (const SerialPortInfo& info : ListSerialPortInfos()) names.push_back(info.name);
  return names;
}

std::string PortAbout(const SerialPortInfo& info) {
  std::string about = info.description;
  if (!info.vid.empty() && !info.pid.empty()) {
    if (!about.empty()) about += ' ';
    about += "(" + info.vid + ":" + info.pid + ")";
  }
  return about;
}

std::string PortLabel(const SerialPortInfo& info) {
  const std::string about = PortAbout(info);
  return about.empty() ? PortShortName(info.name) : PortShortName(info.name) + " \u2014 " + about;
}

std::string PortDetails(const SerialPortInfo& info) {
  std::string text = info.name;
  if (!info.serial.empty()) text += "\nserial number " + info.serial;
  if (!info.byId.empty()) text += "\n" + info.byId;
  return text;
}

std::string SameAdapterPath(const SerialPortInfo& gone, const std::vector<SerialPortInfo>& ports) {
  const auto find = [&](auto same) {
    const auto it = std::find_if(ports.begin(), ports.end(), same);
    return it == ports.end() ? std::string() : it->name;
  };
  if (!gone.serial.empty())
    return find([&](const SerialPortInfo& p) {
      return p.serial == gone.serial && p.vid == gone.vid && p.pid == gone.pid;
    });
  if (!gone.byId.empty())
    if (std::string path = find([&](const SerialPortInfo& p) { return p.byId == gone.byId; }); !path.empty())
      return path;
  return find([&](const SerialPortInfo& p) { return p.name == gone.name; });
}

std::vector<SerialPortInfo> MergeSetupApiPorts(const std::vector<std::string>& serialComm,
                                               const std::vector<SetupApiPort>& devices) {
  std::vector<SerialPortInfo> ports;
  for (const std::string& name : serialComm) {
    SerialPortInfo info{.name = name};
    const auto device = std::find_if(devices.begin(), devices.end(), [&](const SetupApiPort& d) {
      return Upper(d.portName) == Upper(name);
    });
    if (device != devices.end()) {
      info.description = WithoutPortSuffix(device->friendlyName, name);
      const std::string& ids = device->hardwareId.empty() ? device->instanceId : device->hardwareId;
      info.vid = HexAfter(ids, "VID_");
      info.pid = HexAfter(ids, "PID_");
      info.serial = SerialOf(device->instanceId);
    }
    ports.push_back(std::move(info));
  }
  return ports;
}
