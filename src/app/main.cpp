// qx310-tools: the desktop tool.
#include <cstdio>
#include <string>
#include <vector>

#include "app/app_options.h"
#include "app/ui/quarvel_app.h"
#include "base/version.h"

int main(int argc, char** argv) {
  // Answered before the application object exists, so that they work without a display.
  const AppOptions options = ParseAppOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (options.version) {
    std::printf("qx310-tools %s\n", QX310_VERSION);
    return 0;
  }
  if (options.help) {
    std::fputs(kAppUsage, stdout);
    return 0;
  }
  CQuarvelApp app(argc, argv);
  return app.InitInstance();
}
