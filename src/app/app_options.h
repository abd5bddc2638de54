#pragma once
// The program's command line and the port list it leads to. Qt-free.
//   --demo               start the built-in simulator and list its port first
//   --port NAME          list NAME too (may be given several times; also --port=NAME)
//   --screenshot FILE    after the start-up detection, save the main window as PNG and exit
//   --open FILE.cfg      open the configuration workspace on FILE without a device
//   --tool NAME          once the start-up detection has ended, choose the tool NAME
//                        (debug, download or config) as its menu entry does
//   --reset-settings     forget the remembered port and window geometry, then exit
//   --version, --help    print the version or the usage and exit
#include <string>
#include <vector>

struct AppOptions {
  bool demo = false;
  std::vector<std::string> ports;
  std::string screenshot;
  std::string open;  // --open: a .cfg file to edit offline
  std::string tool;  // --tool: "debug", "download", "config" or empty
  bool resetSettings = false;
  bool version = false;
  bool help = false;
  // Arguments that were not understood (reported, then ignored).
  std::vector<std::string> unknown;
};

AppOptions ParseAppOptions(const std::vector<std::string>& args);

// The text of --help.
extern const char kAppUsage[];

// The port combo's entries: the simulator's port first (when there is one), then the port
// on which the last run found the device (remembered; when it is among the others, or
// rememberedPresent says that it is there all the same), then the system's ports, then the
// ports named on the command line; each name once, first place wins.
std::vector<std::string> ComposePortList(const std::string& simulatorPort,
                                         const std::vector<std::string>& systemPorts,
                                         const std::vector<std::string>& namedPorts,
                                         const std::string& remembered = {}, bool rememberedPresent = false);
