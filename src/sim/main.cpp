// qx310-sim: plays the RTU on a pseudo-terminal for manual use. Prints the
// port name (one line) and runs until SIGINT or SIGTERM; SIGUSR1 switches the
// device off and on again (a power cycle).
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/utf8_path.h"
#include "base/version.h"
#include "sim/rtu_sim.h"
#include "sim/sim_usage.h"
#include "sim/sim_pty.h"

#ifndef _WIN32
#include <signal.h>

#include <atomic>
#include <thread>
#endif

namespace {

bool ParseInt(const char* s, int& out) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  if (!s[0] || *end || v < 0 || v > 100000000) return false;
  out = static_cast<int>(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = ProgramArguments(argc, argv);
#ifdef _WIN32
  if (args.size() == 1 && args[0] == "--version") {
    std::printf("qx310-sim %s\n", QX310_VERSION);
    return 0;
  }
  std::fprintf(stderr, "qx310-sim needs pseudo-terminals, which this system does not have\n");
  return 1;
#else
  // Block the handled signals before any thread starts, so that only sigwait sees them.
  sigset_t handled;
  sigemptyset(&handled);
  sigaddset(&handled, SIGINT);
  sigaddset(&handled, SIGTERM);
  sigaddset(&handled, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &handled, nullptr);

  RtuSimulator sim;
  int chunk = 0, gap = 0;
  RtuSimulator::CameraFaults camera;
  RtuSimulator::ListingFaults listing;
  char flood = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasArg = i + 1 < args.size();
    int n = 0;
    if (a == "--version") {
      std::printf("qx310-sim %s\n", QX310_VERSION);
      return 0;
    } else if (a == "--help" || a == "-h") {
      std::fputs(kSimUsage, stdout);
      return 0;
    } else if (a == "--silent") {
      sim.SetSilent(true);
    } else if (a == "--error" && hasArg) {
      sim.SetErrorFor(args[++i], -1);
    } else if (a == "--chunk" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      chunk = n;
      ++i;
    } else if (a == "--gap" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      gap = n;
      ++i;
    } else if (a == "--nul") {
      sim.SetNulBytes(true);
    } else if (a == "--baud" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      sim.SetBaudPacing(n);
      ++i;
    } else if (a == "--slow" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      sim.SetSlowDevice(n);
      ++i;
    } else if (a == "--keep-old" && hasArg) {
      sim.SetKeepOldValue(args[++i], -1);
    } else if (a == "--power-cycle") {
      sim.SetPowerCycleNeeded(true);
    } else if (a == "--refuse-block" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      sim.SetBlockFault(n, RtuSimulator::BlockFault::Refuse, 1);
      ++i;
    } else if (a == "--lose-ack" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      sim.SetBlockFault(n, RtuSimulator::BlockFault::LoseAck, 1);
      ++i;
    } else if (a == "--record-batch" && hasArg && ParseInt(args[i + 1].c_str(), n) && n > 0) {
      sim.SetRecordBatch(n);
      ++i;
    } else if (a == "--record-stall" && hasArg && ParseInt(args[i + 1].c_str(), n)) {
      sim.SetRecordStall(n);
      ++i;
    } else if (a == "--flood" && hasArg && args[i + 1].size() == 1) {
      flood = args[++i][0];
    } else if (a == "--picture-one-block") {
      camera.oneBlock = true;
    } else if (a == "--picture-trailer") {
      camera.trailer = true;
    } else if (a == "--picture-short") {
      camera.cutShort = true;
    } else if (a == "--picture-oversize") {
      camera.oversize = true;
    } else if (a == "--long-listing") {
      listing.longValues = true;
    } else if (a == "--omit" && hasArg) {
      listing.omit = argv[++i];
    } else {
      std::fprintf(stderr, "qx310-sim: unknown option or bad value '%s'\n", a.c_str());
      std::fputs(kSimUsage, stderr);
      return 2;
    }
  }
  if (flood) {
    // A line that never stops sending, for tests that close a port under arriving data.
    SimPty pty;
    if (!pty.Open()) {
      std::fprintf(stderr, "qx310-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
      return 1;
    }
    std::printf("%s\n", pty.SlaveName().c_str());
    std::fflush(stdout);
    std::atomic<bool> done{false};
    std::thread sender([&] {
      const std::string block(4096, flood);
      char sink[4096];
      while (!done.load()) {
        while (pty.Read(sink, sizeof sink, 0) > 0) {
        }
        pty.Write(block.data(), block.size(), [&] { return done.load(); }, 100);
      }
    });
    int sig = 0;
    while (sigwait(&handled, &sig) == 0 && sig == SIGUSR1) {
    }
    done.store(true);
    sender.join();
    return 0;
  }
  sim.SetChunking(chunk, gap);
  sim.SetCameraFaults(camera);
  sim.SetListingFaults(listing);

  if (!sim.Start()) {
    std::fprintf(stderr, "qx310-sim: cannot open a pseudo-terminal: %s\n", std::strerror(errno));
    return 1;
  }
  std::printf("%s\n", sim.PortName().c_str());
  std::fflush(stdout);

  for (;;) {
    int sig = 0;
    if (sigwait(&handled, &sig) != 0) break;
    if (sig != SIGUSR1) break;
    sim.PowerOff();
    sim.PowerOn();
  }
  sim.Stop();
  return 0;
#endif
}
