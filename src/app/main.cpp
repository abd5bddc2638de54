// qx310-tools: the desktop tool.
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_options.h"
#include "app/ui/app_settings.h"
#include "app/ui/quarvel_app.h"
#include "base/utf8_path.h"
#include "base/version.h"

#ifdef _WIN32
#include <windows.h>

// A window program has no console of its own: when started from a command prompt, its
// --version, --help and messages go to that prompt's console (unless they are redirected).
static void UseParentConsole() {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
  auto unset = [](DWORD which) {
    HANDLE h = GetStdHandle(which);
    return h == nullptr || h == INVALID_HANDLE_VALUE;
  };
  if (unset(STD_OUTPUT_HANDLE)) std::freopen("CONOUT$", "w", stdout);
  if (unset(STD_ERROR_HANDLE)) std::freopen("CONOUT$", "w", stderr);
}
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  UseParentConsole();
#endif
  // Answered before the application object exists, so that they work without a display.
  const AppOptions options = ParseAppOptions(ProgramArguments(argc, argv));
  if (options.version) {
    std::printf("qx310-tools %s\n", QX310_VERSION);
    return 0;
  }
  if (options.help) {
    std::fputs(kAppUsage, stdout);
    return 0;
  }
  if (options.resetSettings) {
    QString error;
    if (!appsettings::Reset(&error)) {
      std::fprintf(stderr, "qx310-tools: cannot forget the settings: %s\n", error.toUtf8().constData());
      return 1;
    }
    std::printf("qx310-tools: forgot the remembered port and window geometry (%s)\n",
                appsettings::Location().toUtf8().constData());
    return 0;
  }
  CQuarvelApp app(argc, argv);
  return app.InitInstance();
}
