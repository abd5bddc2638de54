#include "cli/cli_fleet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "cli/cli_interrupt.h"
#include "cli/cli_output.h"
#include "cli/cli_ports.h"
#include "protocol/param_table.h"

std::string FleetPrefix(const std::string& port) { return "[" + port + "] "; }

int RunFleet(const CliOptions& options, CliOutput& output, const FleetRun& runOne) {
  const std::vector<std::string>& ports = options.ports;
  const size_t count = ports.size();
  const size_t jobs = std::min<size_t>(count, options.jobs > 0 ? options.jobs : kMaxJobs);
  std::vector<PortRun> runs(count);
  for (size_t i = 0; i < count; ++i) runs[i] = {.port = ports[i], .status = kExitCancelled};
  std::atomic<size_t> next{0};

  CliInterruptGuard interrupts;
  // Each worker takes the next port until none is left or Ctrl-C came; runs[i] belongs
  // to the worker that took port i until the workers are joined.
  auto work = [&] {
    for (size_t i; !CliInterrupted() && (i = next.fetch_add(1)) < count;) {
      OwnParamValues values;
      ParamValuesScope scope(values.Get());
      CliOptions one = options;
      one.ports = {ports[i]};
      one.output = OutputForPort(options.output, ports[i]);
      CliOutput lines(output, FleetPrefix(ports[i]));
      const auto start = std::chrono::steady_clock::now();
      PortRun& r = runs[i];
      r.status = runOne(one, lines, r.written);
      r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
  };
  std::vector<std::thread> workers;
  for (size_t j = 0; j < jobs; ++j) workers.emplace_back(work);
  for (std::thread& t : workers) t.join();
  output.ResultBytes(PortRunTable(runs));
  return WorstStatus(runs);
}
