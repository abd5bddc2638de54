// A load over ser2net ÷ a direct load, the simulator paced at 115200 baud in both cases.
// Prints the median time of each (5 runs) and the ratios for the rfc2217 and raw accepters.
//   bench_net_load
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli_main.h"
#include "sim/rtu_sim.h"
#include "support/ser2net.h"

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

// Median seconds of kRuns loads from port; -1 when one failed.
double MedianLoadSeconds(const std::string& port) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    std::ostringstream out, err;
    const auto start = Clock::now();
    const int status = CliMain({"load", "-q", "--port", port, "-o", "/tmp/qx-bench-net-load.cfg"}, out, err);
    times.push_back(std::chrono::duration<double>(Clock::now() - start).count());
    if (status != 0) {
      std::fprintf(stderr, "load from %s failed (%d): %s", port.c_str(), status, err.str().c_str());
      return -1;
    }
  }
  std::sort(times.begin(), times.end());
  return times[kRuns / 2];
}
}  // namespace

int main() {
  if (!Ser2net::Installed()) {
    std::fprintf(stderr, "ser2net is not installed (scripts/install-deps)\n");
    return 1;
  }
  RtuSimulator sim;
  if (!sim.Start()) return 1;
  sim.SetBaudPacing(115200);
  const double direct = MedianLoadSeconds(sim.PortName());
  std::printf("direct load at 115200:        %.3f s\n", direct);
  int status = direct > 0 ? 0 : 1;
  for (auto a : {Ser2net::Accepter::kRfc2217, Ser2net::Accepter::kRaw}) {
    Ser2net server;
    if (!server.Start(sim.PortName(), a, 10000)) {
      std::fprintf(stderr, "ser2net did not start\n");
      return 1;
    }
    const double net = MedianLoadSeconds(server.Name(a));
    const char* what = a == Ser2net::Accepter::kRfc2217 ? "rfc2217" : "socket ";
    std::printf("load over ser2net (%s):    %.3f s   ÷ direct = %.3f (target <= 1.1)\n", what, net,
                direct > 0 ? net / direct : 0.0);
    if (net <= 0) status = 1;
  }
  std::remove("/tmp/qx-bench-net-load.cfg");
  return status;
}
