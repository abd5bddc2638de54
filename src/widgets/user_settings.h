#pragma once
// Where the program keeps what it remembers between runs, per user (QSettings: on Linux
// ~/.config/qx310-tools/qx310-tools.conf, on Windows HKCU\Software\qx310-tools\qx310-tools).
// Every part of the program that keeps something opens its settings here. UI thread (and
// main before the application object exists).
#include <QSettings>
#include <QString>
#include <memory>

namespace usersettings {

constexpr char kOrganization[] = "qx310-tools";
constexpr char kApplication[] = "qx310-tools";

// Tests: keep the settings in this INI file instead of the user's (empty: the user's again).
void UseFile(const QString& path);
// The settings, written back when the object goes.
std::unique_ptr<QSettings> Open();

}  // namespace usersettings
