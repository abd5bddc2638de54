#include "widgets/user_settings.h"

#include <mutex>

namespace usersettings {
namespace {
std::mutex fileMutex;
QString testFile;  // guarded by fileMutex
}  // namespace

void UseFile(const QString& path) {
  std::lock_guard<std::mutex> lock(fileMutex);
  testFile = path;
}

std::unique_ptr<QSettings> Open() {
  std::lock_guard<std::mutex> lock(fileMutex);
  if (!testFile.isEmpty()) return std::make_unique<QSettings>(testFile, QSettings::IniFormat);
  return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                     QString::fromLatin1(kOrganization), QString::fromLatin1(kApplication));
}

}  // namespace usersettings
