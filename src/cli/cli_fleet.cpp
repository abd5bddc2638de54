#include "cli/cli_fleet.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "cli/cli_interrupt.h"
#include "cli/cli_output.h"
#include "cli/cli_ports.h"
#include "protocol/param_table.h"

namespace {

// How often the waiting main thread looks at the stop flag.
constexpr auto kStopCheck = std::chrono::milliseconds(50);

// The run of one port while it runs, for the main thread to cancel.
struct Slot {
  std::mutex mutex;
  FleetRun* run = nullptr;
  bool cancelled = false;
};

}  // namespace

std::string FleetPrefix(const std::string& port) { return "[" + port + "] "; }

int RunFleet(const CliOptions& options, CliOutput& output, const MakeFleetRun& make) {
  const std::vector<std::string>& ports = options.ports;
  const size_t count = ports.size();
  const size_t jobs = std::min<size_t>(count, options.jobs > 0 ? options.jobs : kMaxJobs);
  std::vector<PortRun> runs(count);
  for (size_t i = 0; i < count; ++i) runs[i] = {.port = ports[i], .status = kExitCancelled};
  std::vector<Slot> slots(count);
  std::atomic<size_t> next{0};
  std::mutex doneMutex;
  std::condition_variable done;
  size_t workersDone = 0;  // guarded by doneMutex

  CliInterruptGuard interrupts;
  // Each worker takes the next port until none is left or Ctrl-C came; runs[i] and
  // slots[i] belong to the worker that took port i (slots[i] shared under its lock).
  auto work = [&] {
    for (size_t i; !CliStopRequested() && (i = next.fetch_add(1)) < count;) {
      OwnParamValues values;
      ParamValuesScope scope(values.Get());
      CliOptions one = options;
      one.ports = {ports[i]};
      one.output = OutputForPort(options.output, ports[i]);
      CliOutput lines(output, FleetPrefix(ports[i]));
      const auto start = std::chrono::steady_clock::now();
      std::unique_ptr<FleetRun> run = make(one, lines);
      {
        std::lock_guard<std::mutex> lock(slots[i].mutex);
        slots[i].run = run.get();
        if (slots[i].cancelled) run->Cancel();
      }
      PortRun& r = runs[i];
      r.status = run->Run(r.written);
      bool cancelled = false;
      {
        std::lock_guard<std::mutex> lock(slots[i].mutex);
        slots[i].run = nullptr;
        cancelled = slots[i].cancelled;
      }
      run.reset();
      if (cancelled && r.status != kExitOk) {
        r.status = kExitCancelled;
        lines.Error("cancelled");
      }
      r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    {
      std::lock_guard<std::mutex> lock(doneMutex);
      ++workersDone;
    }
    done.notify_all();
  };
  std::vector<std::thread> workers;
  for (size_t j = 0; j < jobs; ++j) workers.emplace_back(work);

  bool cancelled = false;
  std::unique_lock<std::mutex> lock(doneMutex);
  while (workersDone < jobs) {
    done.wait_for(lock, kStopCheck);
    if (cancelled || !CliStopRequested()) continue;
    cancelled = true;
    lock.unlock();
    for (Slot& slot : slots) {
      std::lock_guard<std::mutex> slotLock(slot.mutex);
      slot.cancelled = true;
      if (slot.run != nullptr) slot.run->Cancel();
    }
    lock.lock();
  }
  lock.unlock();
  for (std::thread& t : workers) t.join();
  output.ResultBytes(PortRunTable(runs));
  return WorstStatus(runs);
}
