// `qx310-cli detect` with 0, 4 and 16 silent ports listed before the simulator (and one
// name that cannot be opened), at the program's own time scale; prints the time each
// search takes. One port at a time, each silent port would cost two probe waits of 5 s.
//   bench_cli_detect [runs per count, default 3]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "base/timing.h"
#include "cli/cli_main.h"
#include "sim/rtu_sim.h"
#include "support/silent_pty.h"

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  Timing::SetScale(1.0);
  RtuSimulator sim;
  if (!sim.Start()) {
    std::fprintf(stderr, "simulator did not start\n");
    return 1;
  }
  int failed = 0;
  for (const int silentCount : {0, 4, 16}) {
    std::vector<std::unique_ptr<SilentPty>> ptys;
    std::vector<std::string> args{"detect"};
    for (int i = 0; i < silentCount; ++i) {
      ptys.push_back(std::make_unique<SilentPty>());
      args.insert(args.end(), {"--port", ptys.back()->Name()});
    }
    args.insert(args.end(), {"--port", "/dev/qx-no-such-port", "--port", sim.PortName()});
    double best = 1e9, worst = 0, sum = 0;
    for (int r = 0; r < runs; ++r) {
      std::ostringstream out, err;
      const auto start = std::chrono::steady_clock::now();
      const int status = CliMain(args, out, err);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      if (status != 0 || out.str() != sim.PortName() + "\n") {
        ++failed;
        std::fprintf(stderr, "%d silent ports: status %d: %s", silentCount, status, err.str().c_str());
      }
      best = std::min(best, ms);
      worst = std::max(worst, ms);
      sum += ms;
    }
    std::printf("detect with %2d silent ports + 1 missing before the device: mean %7.1f ms, best %7.1f, worst %7.1f"
                " (%d runs; one port at a time: about %d s)\n",
                silentCount, sum / runs, best, worst, runs, silentCount * 10);
  }
  sim.Stop();
  return failed == 0 ? 0 : 1;
}
