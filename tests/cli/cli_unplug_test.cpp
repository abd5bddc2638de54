// The device's port vanishes in the middle of each long operation: the command ends
// with the port status and one message, and the next command on a port works.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "base/timing.h"
#include "cli/cli_main.h"
#include "cli/cli_options.h"
#include "sim/rtu_sim.h"
#include "support/wait.h"

namespace {

struct CliResult {
  int status = -1;
  std::string err;
};

CliResult RunCli(std::vector<std::string> args) {
  std::ostringstream out, err;
  args.push_back("--quiet");
  const int status = CliMain(args, out, err);
  return {status, err.str()};
}

std::string LastCommand(const RtuSimulator& sim) {
  const auto all = sim.ReceivedCommands();
  return all.empty() ? std::string() : all.back();
}

class CliUnplug : public ::testing::Test {
 protected:
  void SetUp() override { Timing::SetScale(0.1); }
  void TearDown() override {
    Timing::SetScale(1.0);
    for (const char* f : {"in.cfg", "fw.bin", "r.csv", "s.jpg", "again.cfg"}) std::remove(Path(f).c_str());
  }
  std::string Path(const std::string& name) const {
    return "/tmp/qx310-unplug-" + std::to_string(getpid()) + "-" + name;
  }
};

TEST_F(CliUnplug, EveryPhaseEndsWithThePortStatusAndTheNextCommandWorks) {
  {
    std::ofstream fw(Path("fw.bin"), std::ios::binary);
    fw << std::string(8 * 4096, '\x5A');
  }
  const struct Phase {
    const char* name;
    std::vector<std::string> args;                 // after the command word and --port
    std::function<void(RtuSimulator&)> prepare;
    std::function<bool(const RtuSimulator&)> midway;  // when the port is pulled
  } phases[] = {
      {"load", {"load"},
       [](RtuSimulator& sim) { sim.SetBaudPacing(9600); },  // the listing takes a while
       [](const RtuSimulator& sim) { return sim.CountReceived("AT+SHOW") >= 1; }},
      {"write pass", {"apply", Path("in.cfg")},
       [&](RtuSimulator& sim) {
         // The file holds the device's values; the device then changes three of them.
         ASSERT_EQ(RunCli({"load", "--port", sim.PortName(), "-o", Path("in.cfg")}).status, 0);
         sim.SetValue("Server2's port:", "5005");
         sim.SetValue("Protocol text type:", "5");
         sim.SetValue("Channel07 type:", "401");
         sim.ClearReceived();
       },
       [](const RtuSimulator& sim) {
         const std::string last = LastCommand(sim);
         return sim.CountReceived("AT+SHOW") >= 1 && last.rfind("AT+", 0) == 0 && last != "AT+SHOW";
       }},
      {"flash", {"flash", Path("fw.bin")},
       [](RtuSimulator& sim) { sim.SetBlockFault(3, RtuSimulator::BlockFault::LoseAck, -1); },
       [](const RtuSimulator& sim) { return sim.FramesAccepted() >= 2; }},
      {"records read", {"records", "--from", "2024/1/1", "--to", "2024/1/31", "-o", Path("r.csv")},
       [](RtuSimulator& sim) {
         std::vector<RtuSimulator::Record> stored;
         for (int i = 0; i < 200; ++i) stored.push_back({1, 2024, 1, 1 + i % 28, "x;1;m;2024/1/1,00:00:00"});
         sim.SetRecords(stored);
         sim.SetRecordBatch(5);
         sim.SetBaudPacing(9600);
       },
       [](const RtuSimulator& sim) { return sim.CountReceived("AT+RDCHNNLRCRD") >= 1; }},
      {"snapshot", {"snapshot", "-o", Path("s.jpg")},
       [](RtuSimulator& sim) { sim.SetBaudPacing(9600); },
       [](const RtuSimulator& sim) { return sim.CountReceived("AT+TESTCAM") >= 1; }},
  };
  for (const Phase& p : phases) {
    SCOPED_TRACE(p.name);
    RtuSimulator sim;
    ASSERT_TRUE(sim.Start());
    p.prepare(sim);
    std::atomic<bool> done{false}, pulled{false};
    std::thread unplug([&] {
      if (WaitUntil([&] { return done.load() || p.midway(sim); }, 60000) && !done) {
        sim.VanishPort();
        pulled = true;
      }
    });
    std::vector<std::string> args = {p.args[0], "--port", sim.PortName()};
    args.insert(args.end(), p.args.begin() + 1, p.args.end());
    const CliResult r = RunCli(args);
    done = true;
    unplug.join();
    ASSERT_TRUE(pulled) << "the command ended before the port went: " << r.err;
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("went away"), std::string::npos) << r.err;
    sim.Stop();

    RtuSimulator next;
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(RunCli({"load", "--port", next.PortName(), "-o", Path("again.cfg")}).status, 0);
    next.Stop();
  }
}

}  // namespace
