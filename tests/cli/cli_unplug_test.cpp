// The device's port vanishes in the middle of each long operation: the command ends
// with the port status and one message, and the next command on a port works.
#include <atomic>
#include <functional>
#include <thread>

#include "cli_fixture.h"
#include "support/wait.h"

namespace {

using CliUnplug = CliDeviceTest;

TEST_F(CliUnplug, EveryPhaseEndsWithThePortStatusAndTheNextCommandWorks) {
  WriteFile(Path("fw.bin"), std::string(8 * 4096, '\x5A'));
  auto last = [](const RtuSimulator& s) {
    const auto all = s.ReceivedCommands();
    return all.empty() ? std::string() : all.back();
  };
  const struct Phase {
    const char* name;
    std::vector<std::string> args;                    // after the command word and --port
    std::function<void(RtuSimulator&)> prepare;
    std::function<bool(const RtuSimulator&)> midway;  // when the port is pulled
  } phases[] = {
      {"load", {"load"},
       [](RtuSimulator& s) { s.SetBaudPacing(9600); },  // the listing takes a while
       [](const RtuSimulator& s) { return s.CountReceived("AT+SHOW") >= 1; }},
      {"write pass", {"apply", Path("in.cfg")},
       [&](RtuSimulator& s) {
         // The file holds the device's values; the device then changes three of them.
         ASSERT_EQ(Cli({"load", "--port", s.PortName(), "-o", Path("in.cfg")}).status, 0);
         s.SetValue("Server2's port:", "5005");
         s.SetValue("Protocol text type:", "5");
         s.SetValue("Channel07 type:", "401");
         s.ClearReceived();
       },
       [&](const RtuSimulator& s) {
         const std::string l = last(s);
         return s.CountReceived("AT+SHOW") >= 1 && l.rfind("AT+", 0) == 0 && l != "AT+SHOW";
       }},
      // Block 3 is never acknowledged: the transfer cannot end before the port goes.
      {"flash", {"flash", Path("fw.bin")},
       [](RtuSimulator& s) { s.SetBlockFault(3, RtuSimulator::BlockFault::LoseAck, -1); },
       [](const RtuSimulator& s) { return s.FramesAccepted() >= 2; }},
      {"records read", {"records", "--from", "2024/1/1", "--to", "2024/1/31", "-o", Path("r.csv")},
       [](RtuSimulator& s) {
         std::vector<RtuSimulator::Record> stored;
         for (int i = 0; i < 200; ++i) stored.push_back({1, 2024, 1, 1 + i % 28, "x;1;m;2024/1/1,00:00:00"});
         s.SetRecords(stored);
         s.SetRecordBatch(5);
         s.SetBaudPacing(9600);
       },
       [](const RtuSimulator& s) { return s.CountReceived("AT+RDCHNNLRCRD") >= 1; }},
      {"snapshot", {"snapshot", "-o", Path("s.jpg")},
       [](RtuSimulator& s) { s.SetBaudPacing(9600); },
       [](const RtuSimulator& s) { return s.CountReceived("AT+TESTCAM") >= 1; }},
  };
  for (const Phase& p : phases) {
    SCOPED_TRACE(p.name);
    RtuSimulator device;
    ASSERT_TRUE(device.Start());
    p.prepare(device);
    std::atomic<bool> done{false}, pulled{false};
    std::thread unplug([&] {
      if (WaitUntil([&] { return done.load() || p.midway(device); }, 60000) && !done) {
        device.VanishPort();
        pulled = true;
      }
    });
    std::vector<std::string> args = {p.args[0], "--port", device.PortName(), "--quiet"};
    args.insert(args.end(), p.args.begin() + 1, p.args.end());
    const CliRun r = Cli(args);
    done = true;
    unplug.join();
    ASSERT_TRUE(pulled) << "the command ended before the port went: " << r.err;
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("went away"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(Path("r.csv")) || std::filesystem::exists(Path("s.jpg")));
  }
  EXPECT_EQ(Device("load", {"-o", Path("again.cfg")}).status, 0);
}

}  // namespace
