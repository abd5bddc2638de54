// main() for the Qt widget suites: a QApplication on a platform without windows (offscreen;
// on Windows, whose Qt is built without the FreeType that offscreen needs, minimal with the
// system's fonts), unless QT_QPA_PLATFORM names another.
#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
#ifdef _WIN32
  const char* windowless = "minimal:enable_fonts";
#else
  const char* windowless = "offscreen";
#endif
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", windowless);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
