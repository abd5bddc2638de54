// qx310-tools: the desktop tool.
#include "app/ui/quarvel_app.h"

int main(int argc, char** argv) {
  CQuarvelApp app(argc, argv);
  return app.InitInstance();
}
