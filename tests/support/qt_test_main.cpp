// main() for the Qt widget suites: a QApplication on a platform without windows (offscreen;
// on Windows, whose Qt is built without the FreeType that offscreen needs, minimal with the
// system's fonts), unless QT_QPA_PLATFORM names another.
#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifdef _WIN32
  const char* windowless = "minimal:enable_fonts";
#else
  const char* windowless = "offscreen";
#endif
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", windowless);
  QApplication app(argc, argv);
  // Settings a suite writes go to a folder of its own, never to the user's (on Windows the
  // native format is the registry: the suites there name a file, appsettings::UseFile).
  QTemporaryDir settings;
  for (QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
    QSettings::setPath(format, QSettings::UserScope, settings.path());
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
