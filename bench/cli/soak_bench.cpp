// 200 load/write cycles of qx310-cli against the simulator in one process; prints the
// resident memory after cycle 1, 100 and 200, and its growth.
//   bench_cli_soak [cycles, default 200] [time scale, default 0.1]
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "base/timing.h"
#include "support/soak_cycle.h"

namespace {
long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
  return -1;
}
}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : 200;
  Timing::SetScale(argc > 2 ? std::atof(argv[2]) : 0.1);
  RtuSimulator sim;
  if (!sim.Start()) {
    std::fprintf(stderr, "simulator did not start\n");
    return 1;
  }
  const std::string file = "/tmp/qx310-soak-bench-" + std::to_string(getpid()) + ".cfg";
  long first = 0, last = 0;
  int failed = 0;
  for (int cycle = 1; cycle <= cycles; ++cycle) {
    const SoakResult r = SoakCycle(sim, file, cycle);
    if (r.loadStatus != 0 || r.applyStatus != 0 || !r.written) ++failed;
    if (cycle == 1 || cycle % 100 == 0 || cycle == cycles) {
      last = ResidentKiB();
      if (cycle == 1) first = last;
      std::printf("cycle %3d: resident %ld KiB\n", cycle, last);
      std::fflush(stdout);
    }
  }
  std::printf("growth from cycle 1: %.2f %% (target < 5 %%); failed cycles: %d\n",
              first > 0 ? 100.0 * (last - first) / first : 0.0, failed);
  std::remove(file.c_str());
  sim.Stop();
  return failed == 0 ? 0 : 1;
}
