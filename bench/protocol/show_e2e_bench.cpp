// End-to-end AT+SHOW: the simulator paces its listing at 115200 baud on a
// pseudo-terminal, a real CSerial and a receive thread feed the exchange, and
// RunCommand returns after the fixed pause. Prints measured time ÷ (wire time of
// the reply + the pause). Target: at most 1.05.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "base/timing.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/port_reader.h"

namespace {

constexpr int kBaud = 115200;
constexpr int kRuns = 5;

// 10 bit times per byte (start, 8 data, stop).
double WireMs(size_t bytes) { return bytes * 10.0 * 1000.0 / kBaud; }

}  // namespace

int main() {
  Timing::SetScale(1.0);
  RtuSimulator sim;
  if (!sim.Start()) {
    std::fprintf(stderr, "simulator did not start\n");
    return 1;
  }
  CSerial serial;
  if (!serial.Open(sim.PortName(), kBaud, 8, serial::kOneStopBit, serial::kParityNone)) {
    std::fprintf(stderr, "cannot open %s: %s\n", sim.PortName().c_str(),
                 serial.LastOpenError().c_str());
    return 1;
  }
  CommandExchange exchange(serial);
  // Every received block goes to the exchange, as the workspace's receive entry hands it on.
  PortReader loop(serial, [&exchange](const char* d, int n) { exchange.MatchReply(d, n); });
  std::string line;
  if (exchange.RunCommand(kCmdProbe, 0, line) != 1) {
    std::fprintf(stderr, "the device did not enter its configuration state\n");
    return 1;
  }
  sim.SetBaudPacing(kBaud);

  std::printf("AT+SHOW end to end at %d baud (pause %d ms)\n", kBaud, kReplyPauseMs);
  std::printf("%4s %10s %10s %12s %8s\n", "run", "bytes", "wire ms", "measured ms", "ratio");
  std::vector<double> ratios;
  for (int run = 1; run <= kRuns; ++run) {
    const int64_t start = Timing::NowMs();
    const int ok = exchange.RunCommand(kCmdShow, 0, line);
    const int64_t took = Timing::NowMs() - start;
    const size_t bytes = exchange.TakeReceivedText().size();
    if (ok != 1) {
      std::fprintf(stderr, "run %d: AT+SHOW failed\n", run);
      return 1;
    }
    const double expected = WireMs(bytes) + kReplyPauseMs;
    const double ratio = took / expected;
    ratios.push_back(ratio);
    std::printf("%4d %10zu %10.1f %12lld %8.3f\n", run, bytes, WireMs(bytes),
                static_cast<long long>(took), ratio);
  }
  std::sort(ratios.begin(), ratios.end());
  std::printf("median ratio %.3f (best %.3f, worst %.3f; target <= 1.05)\n",
              ratios[ratios.size() / 2], ratios.front(), ratios.back());
  loop.Stop();
  serial.Close();
  sim.Stop();
  return 0;
}
