// qx310-cli's other commands and its exit statuses against the simulated device,
// in-process (one of each group as a process).
#include <sys/stat.h>

#include <atomic>
#include <ctime>
#include <functional>
#include <thread>

#include "cli_fixture.h"
#include "support/silent_pty.h"
#include "support/wait.h"

namespace {

using CliCommandsTest = CliDeviceTest;

// The modem's and the clock's sequences on the wire: the configuration machine's tests.
TEST_F(CliCommandsTest, QueriesPrintTheAnswerAndRefusalsGiveTheirStatus) {
  const CliRun signal = Device("signal", {}, {.process = true});
  EXPECT_EQ(signal.status, 0) << signal.err;
  EXPECT_EQ(signal.out, "+CSQ: 24,99\n");  // the simulator's answer
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  const CliRun imei = Device("imei", {"--quiet"});
  EXPECT_EQ(imei.status, 0) << imei.err;
  EXPECT_EQ(imei.out + imei.err, "866104023456789\n");
  const CliRun version = Device("version");
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "QX310-RTU V3.01 Build 2024-03-18\n");

  // A refused clock: one attempt, the recovery, one more.
  sim.SetErrorFor("AT+EXCCLK");
  sim.ClearReceived();
  EXPECT_EQ(Device("set-clock", {"--time", "2024/01/05,08:03:07"}).status, 5);
  EXPECT_EQ(sim.CountReceived("AT+EXCCLK=2024/01/05,08:03:07,5"), 2);
  // A modem that refuses the query: three tries, then the failure status.
  sim.SetErrorFor("AT+CSQ");
  sim.ClearReceived();
  const CliRun refused = Device("signal");
  EXPECT_EQ(refused.status, 5) << refused.err;
  EXPECT_EQ(sim.CountReceived("AT+CSQ"), 3);
  EXPECT_EQ(refused.out, "");
}

TEST_F(CliCommandsTest, RestartAnUnconfirmedFactoryResetAndTheLocalClock) {
  const CliRun restart = Device("restart");
  EXPECT_EQ(restart.status, 0) << restart.err;
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "AT+RESET"}));
  ASSERT_TRUE(sim.WaitForState(RtuSimulator::State::Run,
                               static_cast<int>(Scaled(RtuSimulator::kBootWindowMs) + kRunMarginMs)));
  // Not confirmed (no terminal, no --yes): nothing is sent. (Confirmed: cli_apply_test.cpp.)
  sim.ClearReceived();
  const CliRun declined = Device("factory-reset");
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(LineCount(declined.err), 1) << declined.err;
  EXPECT_TRUE(sim.ReceivedCommands().empty());

  // The clock without --time: this computer's local time, its weekday as the C library
  // computes it.
  const std::time_t before = std::time(nullptr);
  const CliRun now = Device("set-clock");
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(now.status, 0) << now.err;
  ASSERT_EQ(sim.ReceivedCommands().size(), 2u);  // the device was back in its run state
  const std::string sent = sim.ReceivedCommands()[1];
  bool matched = false;
  for (std::time_t t = before; t <= after && !matched; ++t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char want[64];
    std::strftime(want, sizeof want, "AT+EXCCLK=%Y/%m/%d,%H:%M:%S,", &tm);
    matched = sent == want + std::to_string(tm.tm_wday);
  }
  EXPECT_TRUE(matched) << sent;
}

TEST_F(CliCommandsTest, PortsListsNamedPortsAndDetectFindsTheDevice) {
  const CliRun ports = Cli({"ports", "--port", "/dev/named-a", "--port", "/dev/named-b"});
  EXPECT_EQ(ports.status, 0);
  // Both, in the order given (npos is larger than any position).
  EXPECT_LT(ports.out.find("/dev/named-a\n"), ports.out.find("/dev/named-b\n")) << ports.out;
  EXPECT_NE(ports.out.find("/dev/named-b\n"), std::string::npos) << ports.out;

  const CliRun found =
      Cli({"detect", "--port", "/dev/qx-no-such-port", "--port", sim.PortName()}, {.process = true});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, sim.PortName() + "\n");

  sim.SetSilent(true);
  const CliRun none = Cli({"detect", "--port", sim.PortName()});
  EXPECT_EQ(none.status, 4);
  EXPECT_EQ(none.out, "");
}

// Every listed port is probed at once: four silent ports and a missing one before the
// device cost no probe wait (one port at a time they would cost eight), and are closed.
TEST_F(CliCommandsTest, DetectProbesEveryPortAtOnce) {
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  std::vector<std::unique_ptr<SilentPty>> ptys(4);
  std::vector<std::string> args{"detect"};
  for (auto& p : ptys) {
    p = std::make_unique<SilentPty>();
    args.insert(args.end(), {"--port", p->Name()});
  }
  args.insert(args.end(), {"--port", "/dev/qx-no-such-port", "--port", sim.PortName()});
  const CliRun found = Cli(args);
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, sim.PortName() + "\n");
  EXPECT_TRUE(AtOnce(found.elapsedMs, linkstate::kProbeWaitMs)) << found.elapsedMs << " ms";
  // The device got exactly its two probes and runs again; the silent ports are closed.
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "---"}));
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Run);
  for (auto& p : ptys) {
    EXPECT_FALSE(p->InUse()) << p->Name();
    EXPECT_LE(p->Received().size(), 3u) << p->Name();
  }
}

TEST_F(CliCommandsTest, MissingPortAndPortWithoutPermissionGiveThePortStatusAndOneLine) {
  const CliRun missing = Cli({"version", "--port", "/dev/qx-no-such-port"});
  EXPECT_EQ(missing.status, 3);
  EXPECT_EQ(LineCount(missing.err), 1) << missing.err;
  EXPECT_NE(missing.err.find("/dev/qx-no-such-port"), std::string::npos);
  EXPECT_NE(missing.err.find("No such file"), std::string::npos) << missing.err;

  // Without permission: as an unprivileged user on a port only its owner may open
  // (root opens anything, so root runs the program as "nobody").
  const bool root = getuid() == 0;
  ASSERT_EQ(chmod(sim.PortName().c_str(), root ? 0600 : 0000), 0);
  const CliRun denied = Cli({"version", "--port", sim.PortName()}, {.uid = root ? 65534 : -1});
  EXPECT_EQ(denied.status, 3);
  EXPECT_EQ(LineCount(denied.err), 1) << denied.err;
  EXPECT_NE(denied.err.find("ermission denied"), std::string::npos) << denied.err;
  ASSERT_EQ(chmod(sim.PortName().c_str(), 0600), 0);
}

// --wait: a port that is not there yet is waited for (it appears under its name, as an
// adapter plugged in does); one that never comes ends with the port status once the time
// is up; detect searches again until a device answers.
TEST_F(CliCommandsTest, WaitLetsACommandWaitForItsPortToAppearAndDetectSearchAgain) {
  const std::string link = Path("rtu");
  ::unlink(link.c_str());
  bool linked = false;
  const CliRun waited = Cli({"version", "--port", link, "--wait", "60"}, {.watch = [&](int, const std::string& err) {
    // Plugged in once the program says it waits.
    if (!linked && err.find("Waiting up to 60 s for " + link) != std::string::npos)
      linked = ::symlink(sim.PortName().c_str(), link.c_str()) == 0;
  }});
  EXPECT_TRUE(linked) << waited.err;
  EXPECT_EQ(waited.status, 0) << waited.err;
  EXPECT_EQ(waited.out, "QX310-RTU V3.01 Build 2024-03-18\n");

  const CliRun gone = Cli({"version", "--port", "/dev/qx-no-such-port", "--wait", "1"});
  EXPECT_EQ(gone.status, 3);
  EXPECT_GE(gone.elapsedMs, 1000);
  EXPECT_NE(gone.err.find("cannot open /dev/qx-no-such-port"), std::string::npos) << gone.err;

  // detect: the first search finds nothing (only the link's name, which is not there yet);
  // the device is found by a later one.
  ::unlink(link.c_str());
  linked = false;
  const CliRun found = Cli({"detect", "--port", link, "--wait", "60"}, {.watch = [&](int, const std::string& err) {
    if (!linked && err.find("Searching") != std::string::npos)
      linked = ::symlink(sim.PortName().c_str(), link.c_str()) == 0;
  }});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, link + "\n");
  ::unlink(link.c_str());
}

TEST_F(CliCommandsTest, BadFilesGiveTheFileStatusAndOneLineBeforeTheDeviceIsTouched) {
  for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"empty.cfg", ""}, {"empty.bin", ""},
                                     {"big.cfg", std::string(40961, 'x')}, {"junk.cfg", "no parameter here\r\n"},
                                     {"limit.bin", std::string(1048576, 'x')}})
    WriteFile(Path(name), bytes);
  std::filesystem::create_directory(Path("folder.bin"));
  std::filesystem::create_directory(Path("folder.cfg"));
  // Files that are not files: opening a FIFO for reading waits for a writer.
  ASSERT_EQ(mkfifo(Path("fifo.cfg").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(Path("fifo.bin").c_str(), 0600), 0);
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"apply", Path("missing.cfg")}, "No such file"}, {{"apply", Path("empty.cfg")}, ""},
      {{"apply", Path("big.cfg")}, ""}, {{"apply", Path("junk.cfg")}, ""},
      {{"load", "-o", Path("no-such-folder/f.cfg")}, ""},
      {{"version", "--log", Path("no-such-folder/log.txt")}, ""}, {{"flash", Path("empty.bin")}, "is empty"},
      {{"flash", Path("limit.bin")}, "too large (1048576 bytes)"},
      {{"flash", Path("missing.bin")}, "No such file"}, {{"flash", Path("folder.bin")}, "folder"},
      {{"apply", Path("folder.cfg")}, "not a regular file"},
      {{"apply", Path("fifo.cfg")}, "not a regular file"},
      {{"flash", Path("fifo.bin")}, "not a regular file"}, {{"apply", "/dev/zero"}, "not a regular file"},
      {{"flash", "/dev/zero"}, "not a regular file"},
  };
  for (const auto& [args, says] : cases) {
    const CliRun r = Device(args[0], {args.begin() + 1, args.end()}, {.limitMs = static_cast<int>(3 * kRunMarginMs)});  // a fifo must not hang it
    EXPECT_EQ(r.status, 6) << args[1];
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // A bad time scale is bad usage (usage errors: cli_options_test.cpp).
  EXPECT_EQ(Device("version", {}, {.timeScale = "zero"}).status, 2);
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Run);
}

// The device's port vanishes in the middle of each long operation: the command ends
// with the port status and one message, and the next command on a port works.
using CliUnplug = CliDeviceTest;

TEST_F(CliUnplug, EveryPhaseEndsWithThePortStatusAndTheNextCommandWorks) {
  WriteFile(Path("fw.bin"), std::string(8 * 4096, '\x5A'));
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
         const Commands got = s.ReceivedCommands();
         return s.CountReceived("AT+SHOW") >= 1 && got.back().rfind("AT+", 0) == 0 && got.back() != "AT+SHOW";
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
      if (WaitUntil([&] { return done.load() || p.midway(device); }, CliRunOptions{}.limitMs) && !done) {
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
