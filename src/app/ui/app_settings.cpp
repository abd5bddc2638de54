#include "app/ui/app_settings.h"

#include <QSettings>
#include <filesystem>
#include <memory>
#include <system_error>

#include "app/app_options.h"
#include "base/utf8_path.h"
#include "serial/net_port.h"
#include "widgets/user_settings.h"

namespace appsettings {
namespace {

const QString kPortName = QStringLiteral("lastPort/name");
const QString kPortBaud = QStringLiteral("lastPort/baud");
const QString kPortParity = QStringLiteral("lastPort/parity");
const QString kGeometry = QStringLiteral("window/geometry");

std::unique_ptr<QSettings> Open() { return usersettings::Open(); }

}  // namespace

void UseFile(const QString& path) { usersettings::UseFile(path); }

std::optional<LastPort> RememberedPort() {
  const auto s = Open();
  LastPort p{s->value(kPortName).toString(), s->value(kPortBaud).toString(), s->value(kPortParity).toString()};
  if (p.name.isEmpty()) return std::nullopt;
  return p;
}

void RememberPort(const LastPort& port) {
  const auto s = Open();
  s->setValue(kPortName, port.name);
  s->setValue(kPortBaud, port.baud);
  s->setValue(kPortParity, port.parity);
}

QByteArray RememberedGeometry() { return Open()->value(kGeometry).toByteArray(); }

void RememberGeometry(const QByteArray& geometry) { Open()->setValue(kGeometry, geometry); }

bool Reset(QString* error) {
  const auto s = Open();
  s->clear();
  s->sync();
  if (s->status() == QSettings::NoError) return true;
  if (error) *error = QStringLiteral("cannot write %1").arg(s->fileName());
  return false;
}

QString Location() { return Open()->fileName(); }

std::function<std::vector<std::string>()> PortList(std::string simulatorPort, std::vector<std::string> named,
                                                   std::function<std::vector<std::string>()> systemPorts) {
  return [simulatorPort = std::move(simulatorPort), named = std::move(named), systemPorts = std::move(systemPorts)] {
    const std::optional<LastPort> last = RememberedPort();
    const std::string remembered = last ? last->name.toStdString() : std::string();
    std::error_code ec;
    const bool present = !remembered.empty() &&
                         (serial::IsNetPortName(remembered) || std::filesystem::exists(PathFromUtf8(remembered), ec));
    return ComposePortList(simulatorPort, systemPorts(), named, remembered, present);
  };
}

}  // namespace appsettings
