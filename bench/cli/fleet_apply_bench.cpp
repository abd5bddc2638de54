// apply with one change to 8 devices at once ÷ the same apply to one, every simulator paced
// at 115200 baud; qx310-cli runs as a child process, whose peak memory (maximum resident
// set) gives the memory each extra device costs. Prints the medians of 3 runs.
//   bench_fleet_apply
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/rtu_sim.h"

extern char** environ;

namespace {
using Clock = std::chrono::steady_clock;
constexpr int kRuns = 3;
constexpr int kFleet = 8;
constexpr char kFile[] = "/tmp/qx-bench-fleet-apply.cfg";

struct Figures {
  double seconds = -1;
  long maxRssKb = 0;
};

// One apply of kFile to ports by the program; seconds and peak memory, seconds -1 on failure.
Figures Apply(const std::vector<std::string>& ports) {
  std::vector<std::string> args{QX310_CLI_PATH, "apply", "-q", "--no-backup", kFile};
  for (const std::string& p : ports) args.insert(args.end(), {"--port", p});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = Clock::now();
  pid_t pid = -1;
  Figures f;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) {
      f.seconds = std::chrono::duration<double>(Clock::now() - start).count();
      f.maxRssKb = usage.ru_maxrss;  // kilobytes on Linux
    } else {
      std::fprintf(stderr, "apply to %zu port(s) failed (status %d)\n", ports.size(), status);
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  return f;
}

// The median figures of kRuns applies, each of a value the devices do not hold yet.
Figures Median(const std::vector<std::string>& ports, int& round) {
  std::vector<double> times;
  std::vector<long> rss;
  for (int i = 0; i < kRuns; ++i) {
    std::ofstream(kFile, std::ios::binary) << "Modem Apn:  BENCH" << ++round << "\r\n";
    const Figures f = Apply(ports);
    if (f.seconds < 0) return {};
    times.push_back(f.seconds);
    rss.push_back(f.maxRssKb);
  }
  std::sort(times.begin(), times.end());
  std::sort(rss.begin(), rss.end());
  return {times[kRuns / 2], rss[kRuns / 2]};
}
}  // namespace

int main() {
  std::vector<std::unique_ptr<RtuSimulator>> sims;
  std::vector<std::string> ports;
  for (int i = 0; i < kFleet; ++i) {
    sims.push_back(std::make_unique<RtuSimulator>());
    if (!sims.back()->Start()) return 1;
    sims.back()->SetBaudPacing(115200);
    ports.push_back(sims.back()->PortName());
  }
  int round = 0;
  const Figures one = Median({ports.front()}, round);
  const Figures all = Median(ports, round);
  std::remove(kFile);
  if (one.seconds < 0 || all.seconds < 0) return 1;
  std::printf("apply, one change, 1 device at 115200:  %.3f s  peak memory %ld KiB\n", one.seconds, one.maxRssKb);
  std::printf("apply, one change, %d devices at once:   %.3f s  peak memory %ld KiB\n", kFleet, all.seconds,
              all.maxRssKb);
  std::printf("%d devices ÷ 1 device = %.3f (target <= 1.3)\n", kFleet, all.seconds / one.seconds);
  std::printf("peak memory per extra device: %.0f KiB\n",
              static_cast<double>(all.maxRssKb - one.maxRssKb) / (kFleet - 1));
  return 0;
}
