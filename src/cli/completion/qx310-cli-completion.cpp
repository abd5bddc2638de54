// Prints the bash completion script of qx310-cli (the build installs it with the package).
#include <iostream>

#include "cli/cli_options.h"

int main() {
  std::cout << BashCompletionScript();
  return std::cout.good() ? 0 : 1;
}
