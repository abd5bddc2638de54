#pragma once
// What the program keeps between runs, per user (in widgets/user_settings: on Linux
// ~/.config/qx310-tools/qx310-tools.conf, on Windows HKCU\Software\qx310-tools\qx310-tools):
// the port on which it last found a device, with the baud rate and parity it was used with,
// and the main window's geometry; besides these only the debug console's quick-send entries
// (kept by the console itself). UI thread (and main before the application object exists).
#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "widgets/user_settings.h"

namespace appsettings {

using usersettings::kApplication;
using usersettings::kOrganization;

struct LastPort {
  QString name;    // the path that was opened
  QString baud;    // the baud combo's text: "115200"
  QString parity;  // the parity combo's text: "None", "Odd", ...
  bool operator==(const LastPort&) const = default;
};

// Tests: keep the settings in this INI file instead of the user's (empty: the user's again).
void UseFile(const QString& path);

std::optional<LastPort> RememberedPort();
void RememberPort(const LastPort& port);
QByteArray RememberedGeometry();
void RememberGeometry(const QByteArray& geometry);

// Forgets everything kept (the console's quick-send entries too); false (with the reason in error) when it could not be written.
bool Reset(QString* error = nullptr);
// Where the settings are kept (a file, or the registry key on Windows).
QString Location();

// The program's port list (ComposePortList), asked anew at each call: the simulator's port,
// the remembered port, the system's (from systemPorts), the named ones. The remembered port
// is listed when the system lists it, when it is named, when it is a network port, or when
// its device node exists.
std::function<std::vector<std::string>()> PortList(std::string simulatorPort, std::vector<std::string> named,
                                                   std::function<std::vector<std::string>()> systemPorts);

}  // namespace appsettings
