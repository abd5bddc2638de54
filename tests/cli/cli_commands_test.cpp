// qx310-cli's other commands against the simulated device, in-process (one of each
// group as a process): the modem queries and their sequence, version, restart, factory
// reset, the clock, port listing and detection, and the exit statuses of bad ports and files.
#include <sys/stat.h>

#include <ctime>

#include "cli_fixture.h"

namespace {

using Commands = std::vector<std::string>;

class CliCommandsTest : public CliDeviceTest {};

TEST_F(CliCommandsTest, SignalAndImeiPrintTheModemAnswerAfterTheWorkspaceSequence) {
  const CliRun signal = Device("signal", {}, {.process = true});
  EXPECT_EQ(signal.status, 0) << signal.err;
  EXPECT_EQ(signal.out, "+CSQ: 24,99\n");  // the simulator's answer
  // Entry; out of the configuration state; into the modem; the query; back.
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "---", "+++", "AT+CSQ", "AT+QUIT", "---"}));
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);

  sim.ClearReceived();
  const CliRun imei = Device("imei", {"--quiet"});
  EXPECT_EQ(imei.status, 0) << imei.err;
  EXPECT_EQ(imei.out, "866104023456789\n");
  EXPECT_EQ(imei.err, "");
  // Already in the configuration state: the entry's first probe leaves it, the second
  // comes back.
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "---", "---", "+++", "AT+GSN", "AT+QUIT", "---"}));

  // A modem that refuses the query: three tries, then the failure status.
  sim.SetErrorFor("AT+CSQ");
  sim.ClearReceived();
  const CliRun refused = Device("signal");
  EXPECT_EQ(refused.status, 5) << refused.err;
  EXPECT_EQ(sim.CountReceived("AT+CSQ"), 3);
  EXPECT_EQ(refused.out, "");
}

TEST_F(CliCommandsTest, VersionRestartAndFactoryReset) {
  const CliRun version = Device("version");
  EXPECT_EQ(version.status, 0) << version.err;
  EXPECT_EQ(version.out, "QX310-RTU V3.01 Build 2024-03-18\n");

  sim.ClearReceived();
  const CliRun restart = Device("restart");
  EXPECT_EQ(restart.status, 0) << restart.err;
  // Left in the configuration state by the last command: the first probe leaves it.
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "---", "AT+RESET"}));
  ASSERT_TRUE(sim.WaitForState(RtuSimulator::State::Run,
                               static_cast<int>(Scaled(RtuSimulator::kBootWindowMs) + kRunMarginMs)));

  // Not confirmed (no terminal, no --yes): nothing is sent.
  sim.SetValue("Modem Apn:", "CHANGED");
  sim.ClearReceived();
  const CliRun declined = Device("factory-reset");
  EXPECT_EQ(declined.status, 1);
  EXPECT_EQ(LineCount(declined.err), 1) << declined.err;
  EXPECT_TRUE(sim.ReceivedCommands().empty());

  // The reset's 2 s limit is only 200 ms at the suite's scale: too short for a
  // loaded machine under a sanitizer, so this run gets a longer one.
  scale = 0.5;
  const CliRun reset = Device("factory-reset", {"--yes"});
  EXPECT_EQ(reset.status, 0) << reset.err;
  // The listing read for the backup, the reset, the reload.
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "AT+SHOW", "AT+FACTORY", "AT+SHOW"}));
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
}

TEST_F(CliCommandsTest, SetClockSendsTheTimeWithItsWeekday) {
  const CliRun leap = Device("set-clock", {"--time", "2024/02/29,23:59:59"});
  EXPECT_EQ(leap.status, 0) << leap.err;
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "AT+EXCCLK=2024/02/29,23:59:59,4"}));

  // Default: this computer's local time, its weekday as the C library computes it.
  sim.ClearReceived();
  const std::time_t before = std::time(nullptr);
  const CliRun now = Device("set-clock");
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(now.status, 0) << now.err;
  ASSERT_EQ(sim.ReceivedCommands().size(), 3u);  // two probes: the device was in configuration
  const std::string sent = sim.ReceivedCommands()[2];
  bool matched = false;
  for (std::time_t t = before; t <= after && !matched; ++t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char want[64];
    std::strftime(want, sizeof want, "AT+EXCCLK=%Y/%m/%d,%H:%M:%S,", &tm);
    matched = sent == want + std::to_string(tm.tm_wday);
  }
  EXPECT_TRUE(matched) << sent;

  // Refused: one attempt, the recovery, one more attempt, then the failure status.
  sim.SetErrorFor("AT+EXCCLK");
  sim.ClearReceived();
  const CliRun refused = Device("set-clock", {"--time", "2024/01/05,08:03:07"});
  EXPECT_EQ(refused.status, 5) << refused.err;
  EXPECT_EQ(sim.CountReceived("AT+EXCCLK=2024/01/05,08:03:07,5"), 2);
}

TEST_F(CliCommandsTest, PortsListsNamedPortsAndDetectFindsTheDevice) {
  const CliRun ports = Cli({"ports", "--port", "/dev/named-a", "--port", "/dev/named-b"});
  EXPECT_EQ(ports.status, 0);
  const size_t a = ports.out.find("/dev/named-a\n");
  const size_t b = ports.out.find("/dev/named-b\n");
  EXPECT_NE(a, std::string::npos) << ports.out;
  EXPECT_NE(b, std::string::npos) << ports.out;
  EXPECT_LT(a, b);

  const CliRun found =
      Cli({"detect", "--port", "/dev/qx-no-such-port", "--port", sim.PortName()}, {.process = true});
  EXPECT_EQ(found.status, 0) << found.err;
  EXPECT_EQ(found.out, sim.PortName() + "\n");

  sim.SetSilent(true);
  const CliRun none = Cli({"detect", "--port", sim.PortName()});
  EXPECT_EQ(none.status, 4);
  EXPECT_EQ(none.out, "");
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

TEST_F(CliCommandsTest, BadFilesGiveTheFileStatusAndOneLineBeforeTheDeviceIsTouched) {
  WriteFile(Path("empty.cfg"), "");
  WriteFile(Path("big.cfg"), std::string(40961, 'x'));
  WriteFile(Path("junk.cfg"), "no parameter here\r\n");
  WriteFile(Path("empty.bin"), "");
  WriteFile(Path("limit.bin"), std::string(1048576, 'x'));
  std::filesystem::create_directory(Path("folder.bin"));
  std::filesystem::create_directory(Path("folder.cfg"));
  // Files that are not files: opening a FIFO for reading waits for a writer.
  ASSERT_EQ(mkfifo(Path("fifo.cfg").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(Path("fifo.bin").c_str(), 0600), 0);
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"apply", Path("missing.cfg")}, "No such file"},
      {{"apply", Path("empty.cfg")}, ""},
      {{"apply", Path("big.cfg")}, ""},
      {{"apply", Path("junk.cfg")}, ""},
      {{"load", "-o", Path("no-such-folder/f.cfg")}, ""},
      {{"version", "--log", Path("no-such-folder/log.txt")}, ""},
      {{"flash", Path("empty.bin")}, "is empty"},
      {{"flash", Path("limit.bin")}, "too large (1048576 bytes)"},
      {{"flash", Path("missing.bin")}, "No such file"},
      {{"flash", Path("folder.bin")}, "folder"},
      {{"apply", Path("folder.cfg")}, "not a regular file"},
      {{"apply", Path("fifo.cfg")}, "not a regular file"},
      {{"flash", Path("fifo.bin")}, "not a regular file"},
      {{"apply", "/dev/zero"}, "not a regular file"},
      {{"flash", "/dev/zero"}, "not a regular file"},
  };
  for (const auto& [args, says] : cases) {
    const CliRun r = Device(args[0], {args.begin() + 1, args.end()}, {.limitMs = 30000});
    EXPECT_EQ(r.status, 6) << args[1];
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find(says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  // A bad time scale is bad usage (usage errors: cli_options_test.cpp).
  EXPECT_EQ(Device("version", {}, {.timeScaleText = "zero"}).status, 2);
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Run);
}

}  // namespace
