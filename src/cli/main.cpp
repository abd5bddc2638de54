// qx310-cli: the configuration tool's operations from a shell, on the same Qt-free
// machines as the desktop program. See `qx310-cli --help`.
#include <iostream>
#include <string>
#include <vector>

#include "base/utf8_path.h"
#include "cli/cli_main.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#define isatty _isatty
#else
#include <unistd.h>
#endif

int main(int argc, char** argv) {
  const std::vector<std::string> args = ProgramArguments(argc, argv);
#ifdef _WIN32
  // The listing goes out with its own CR LF line ends.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  return CliMain(args, std::cout, std::cerr, {isatty(0) != 0, isatty(2) != 0});
}
