#include "app/app_options.h"

#include <algorithm>

const char kAppUsage[] =
    "usage: qx310-tools [--demo] [--port NAME]... [--tool NAME] [--screenshot FILE] [--open FILE.cfg]\n"
    "       qx310-tools --reset-settings | --version | --help\n"
    "  --demo             start the built-in RTU simulator and list its port first\n"
    "                     (not on Windows: the simulator needs a pseudo-terminal)\n"
    "  --port NAME        list the serial port NAME too (repeatable)\n"
    "  --tool NAME        once detection has ended, choose the tool NAME: debug, download\n"
    "                     or config (which loads the device's parameters)\n"
    "  --screenshot FILE  save the main window as PNG once detection (and the --tool entry)\n"
    "                     has ended, then quit; \"提示\" boxes are answered and printed on stderr\n"
    "  --open FILE.cfg    edit FILE.cfg on the configuration pages without a device\n"
    "  --reset-settings   forget the remembered port (with its baud rate and parity) and\n"
    "                     the window's size and place, then exit\n"
    "  --version          print the version and exit\n"
    "  --help, -h         this text\n";

AppOptions ParseAppOptions(const std::vector<std::string>& args) {
  AppOptions o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const std::string& flag, std::string& out) {
      if (a == flag && i + 1 < args.size()) {
        out = args[++i];
        return true;
      }
      if (a.rfind(flag + "=", 0) == 0) {
        out = a.substr(flag.size() + 1);
        return true;
      }
      return false;
    };
    std::string v;
    if (a == "--demo") {
      o.demo = true;
    } else if (a == "--reset-settings") {
      o.resetSettings = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (value("--port", v)) {
      if (!v.empty()) o.ports.push_back(v);
    } else if (value("--screenshot", v)) {
      o.screenshot = v;
    } else if (value("--open", v)) {
      o.open = v;
    } else if (value("--tool", v)) {
      if (v == "debug" || v == "download" || v == "config") o.tool = v;
      else o.unknown.push_back("--tool " + v);
    } else {
      o.unknown.push_back(a);
    }
  }
  return o;
}

std::vector<std::string> ComposePortList(const std::string& simulatorPort,
                                         const std::vector<std::string>& systemPorts,
                                         const std::vector<std::string>& namedPorts,
                                         const std::string& remembered, bool rememberedPresent) {
  std::vector<std::string> list;
  auto add = [&](const std::string& name) {
    if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end())
      list.push_back(name);
  };
  auto among = [&](const std::vector<std::string>& ports) {
    return std::find(ports.begin(), ports.end(), remembered) != ports.end();
  };
  add(simulatorPort);
  if (rememberedPresent || among(systemPorts) || among(namedPorts)) add(remembered);
  for (const auto& p : systemPorts) add(p);
  for (const auto& p : namedPorts) add(p);
  return list;
}
