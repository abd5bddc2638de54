// qx310-cli load, apply and diff against the simulated device (one run as a process).
#include <algorithm>
#include <filesystem>
#include <regex>

#include "cli/cli_options.h"
#include "cli_fixture.h"
#include "protocol/listing.h"
#include "support/soak_cycle.h"

namespace fs = std::filesystem;

namespace {

using Values = std::vector<std::pair<std::string, std::string>>;  // label, value

class CliTransferTest : public CliDeviceTest {
 protected:
  // Reads the device into the file `from` with the program, and writes `to` with values changed.
  void LoadAndChange(const std::string& from, const std::string& to, const Values& values) {
    ASSERT_EQ(Device("load", {"-o", Path(from)}).status, 0);
    std::string t = ReadFile(Path(from));
    for (const auto& [label, value] : values) {
      const size_t at = t.find("\r\n" + label + "  ") + label.size() + 4;
      t.replace(at, t.find("\r\n", at) - at, value);
    }
    WriteFile(Path(to), t);
  }
  const Values threeChanges{{"Modem Apn:", "CMNET2"}, {"Server2's Ip:", "10.1.2.3"}, {"Channel07 save length:", "8"}};
};

TEST_F(CliTransferTest, LoadWritesTheDeviceListingAsCfgToAFileAndAsUtf8ToStdout) {
  const std::string stationName = GBK("水文站一号");
  sim.SetValue("Modem user name:", stationName);
  const std::string log = Path("session.log");
  const CliRun r = Device("load", {"-o", Path("f.cfg"), "--log", log});
  ASSERT_EQ(r.status, 0) << r.err;
  // The file is exactly the listing form of the device's values (code page 936 included).
  const std::string file = ReadFile(Path("f.cfg"));
  EXPECT_NE(file.find("Modem user name:  " + stationName + "\r\n"), std::string::npos);
  ResetParamValues();
  const std::string listing = sim.Listing();
  ASSERT_EQ(ParseListing(listing.data(), static_cast<int>(listing.size())), 1);
  EXPECT_EQ(file, BuildListing());
  ResetParamValues();
  // The device got the entry probe and the listing command, nothing else.
  EXPECT_EQ(sim.ReceivedCommands(), (Commands{"---", "AT+SHOW"}));
  // The log holds the workspace's time-stamped entries in device bytes.
  const std::string logText = ReadFile(log);
  for (const std::string& entry : {">:" + GBK("进入配置成功！\r\n"), std::string(">:AT+SHOW\r\n"),
                                   ">:" + GBK("载入RTU设备参数成功 ...\r\n")})
    EXPECT_NE(logText.find(entry), std::string::npos) << entry;

  // Without -o the same listing goes to standard output as UTF-8.
  const CliRun toStdout = Device("load", {"--quiet"}, {.process = true});
  ASSERT_EQ(toStdout.status, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, cp936::ToUtf8(file));
  EXPECT_NE(toStdout.out.find("水文站一号"), std::string::npos);
  EXPECT_EQ(toStdout.err, "");  // --quiet: no progress
}

TEST_F(CliTransferTest, ApplySendsExactlyTheChangedValuesAndNothingForAnUnchangedFile) {
  LoadAndChange("f.cfg", "g.cfg", threeChanges);
  sim.ClearReceived();
  const CliRun same = Device("apply", {Path("f.cfg")});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_TRUE(Setters().empty()) << Setters().front();
  EXPECT_NE(same.out.find("nothing to write"), std::string::npos) << same.out;

  sim.ClearReceived();
  const CliRun changed = Device("apply", {Path("g.cfg")});
  EXPECT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(Setters(), (Commands{"AT+MULTISER02=10.1.2.3", "AT+APN=CMNET2", "AT+CHNSVLEN07=8"}));
  EXPECT_EQ(changed.out,
            "ok      AT+MULTISER02=10.1.2.3\nok      AT+APN=CMNET2\nok      AT+CHNSVLEN07=8\n"
            "apply: 3 written, 0 failed\napply: verified, the device holds every written value\n");
  // Applied once, the file matches the device: a second run sends nothing.
  sim.ClearReceived();
  EXPECT_EQ(Device("apply", {Path("g.cfg")}).status, 0);
  EXPECT_TRUE(Setters().empty());
  EXPECT_EQ(sim.Value("Modem Apn:") + sim.Value("Server2's Ip:") + sim.Value("Channel07 save length:"),
            "CMNET210.1.2.38");
}

TEST_F(CliTransferTest, RefusedParameterFailsAfterRecoveryAndRetryWhileTheOthersAreWritten) {
  LoadAndChange("f.cfg", "g.cfg", threeChanges);
  sim.SetErrorFor("AT+APN");
  sim.ClearReceived();
  const CliRun r = Device("apply", {Path("g.cfg")});
  EXPECT_EQ(r.status, 5) << r.err;
  // First failure: recovery, then the pass sends the refused value once more.
  EXPECT_EQ(Setters(), (Commands{"AT+MULTISER02=10.1.2.3", "AT+APN=CMNET2", "AT+CHNSVLEN07=8", "AT+APN=CMNET2"}));
  const Commands got = sim.ReceivedCommands();
  const auto chn = std::find(got.begin(), got.end(), "AT+CHNSVLEN07=8");
  const auto retry = std::find(chn, got.end(), "AT+APN=CMNET2");
  ASSERT_NE(retry, got.end());
  EXPECT_GE(std::count(chn, retry, "---"), 1) << "no recovery before the retry";
  EXPECT_EQ(sim.Value("Modem Apn:") + sim.Value("Server2's Ip:") + sim.Value("Channel07 save length:"),
            "CMNET10.1.2.38");
  EXPECT_EQ(r.out,
            "ok      AT+MULTISER02=10.1.2.3\nok      AT+CHNSVLEN07=8\nfailed  AT+APN=CMNET2\n"
            "apply: 2 written, 1 failed\napply: verified, the device holds every written value\n");
}

TEST_F(CliTransferTest, SilentDeviceFailsAfterThreeProbesAndLeavesTheOldFile) {
  WriteFile(Path("f.cfg"), "old contents\r\n");
  sim.SetSilent(true);
  const CliRun r = Device("load", {"-o", Path("f.cfg")});
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_EQ(LineCount(r.err), 2) << r.err;  // the progress line and the one-line error
  EXPECT_EQ(sim.ReceivedCommands(), Commands(linkstate::kEntryTries, "---"));
  // Each probe waited its full limit.
  EXPECT_GE(r.elapsedMs, Scaled(static_cast<long long>(linkstate::kEntryTries) * linkstate::kProbeWaitMs));
  EXPECT_EQ(ReadFile(Path("f.cfg")), "old contents\r\n");
}

// A device that answers the probes but not the command: three attempts, a recovery, three
// more, and silence (not a refusal: the answered probes are no answer to a command).
TEST_F(CliTransferTest, DeviceSilentAfterTheEntryGetsThreeAttemptsARecoveryAndThreeMore) {
  sim.SetPowerCycleNeeded(true);  // AT+RESET goes unanswered
  const CliRun r = Device("restart");
  EXPECT_EQ(r.status, 4) << r.err;
  const Commands got = sim.ReceivedCommands();
  ASSERT_GE(got.size(), 8u);
  EXPECT_EQ(Commands(got.begin(), got.begin() + 5), (Commands{"---", "AT+RESET", "AT+RESET", "AT+RESET", "---"}));
  EXPECT_EQ(Commands(got.end() - 3, got.end()), Commands(3, "AT+RESET"));
  EXPECT_EQ(sim.CountReceived("AT+RESET"), 6);
  // Six full limits and the pause after the answered recovery probe.
  EXPECT_GE(r.elapsedMs, Scaled(6LL * FindParam(kCmdReset)->timeoutMs + kReplyPauseMs));
}

TEST_F(CliTransferTest, ListingRefusedTwiceRunsThreeAttemptsARecoveryAndThreeMore) {
  sim.SetErrorFor("AT+SHOW");
  EXPECT_EQ(Device("load", {"-o", Path("f.cfg")}).status, 5);
  EXPECT_EQ(sim.CountReceived("AT+SHOW"), 6);
  // The entry, then the recovery's probes: the first leaves the configuration state
  // ("CMD ERROR"), the second enters it again ("CMD OK").
  EXPECT_EQ(sim.CountReceived("---"), 3);
  EXPECT_FALSE(fs::exists(Path("f.cfg")));
  // Apply reads the device first: nothing is written when it cannot.
  WriteFile(Path("g.cfg"), "Modem Apn:  OTHER\r\n");
  sim.ClearReceived();
  EXPECT_EQ(Device("apply", {Path("g.cfg")}).status, 5);
  EXPECT_TRUE(Setters().empty());
}

// A listing longer than the receive text loses its head: every attempt fails, as for a
// refusal, and no value that did not arrive is written anywhere.
TEST_F(CliTransferTest, ListingLongerThanTheReceiveTextFailsAndWritesNoFile) {
  sim.SetListingFaults({.longValues = true, .omit = {}});
  EXPECT_EQ(Device("load", {"-o", Path("f.cfg")}).status, 5);
  EXPECT_EQ(sim.CountReceived("AT+SHOW"), 6);  // three attempts, a recovery, three more
  EXPECT_FALSE(fs::exists(Path("f.cfg")));
  WriteFile(Path("f.cfg"), "old contents\r\n");
  const CliRun r = Device("load", {"-o", Path("f.cfg")});
  EXPECT_EQ(r.status, 5) << r.err;
  EXPECT_EQ(ReadFile(Path("f.cfg")), "old contents\r\n");
  const CliRun toStdout = Device("load", {"--quiet"});
  EXPECT_EQ(toStdout.status, 5);
  EXPECT_EQ(toStdout.out, "");
}

TEST_F(CliTransferTest, DryRunPrintsWhatApplySendsAndSendsNothingDiffComparesFiles) {
  LoadAndChange("a.cfg", "b.cfg", {{"Modem Apn:", "CMIOT"}, {"Channel07 save length:", "9"}});
  WriteFile(Path("one.cfg"), "Channel07 save length:  5\r\n");
  WriteFile(Path("junk.cfg"), "no parameter here\r\n");
  const std::string rows = "Modem Apn: CMNET -> CMIOT\nChannel07 save length: 4 -> 9\n";
  sim.ClearReceived();
  const struct {
    std::vector<std::string> args;
    int status;
    std::string out;
  } cases[] = {
      {{"diff", Path("a.cfg"), Path("a.cfg")}, kExitOk, ""},
      {{"diff", Path("a.cfg"), Path("b.cfg")}, kExitDiffer, rows},
      {{"diff", Path("b.cfg"), Path("one.cfg")}, kExitDiffer, "Channel07 save length: 9 -> 5\n"},
      {{"diff", Path("a.cfg"), Path("missing.cfg")}, kExitFile, ""},
      {{"diff", Path("junk.cfg"), Path("a.cfg")}, kExitFile, ""},
      {{"apply", "--port", sim.PortName(), "--dry-run", Path("b.cfg")}, kExitOk,
       rows + "apply --dry-run: 2 to write; nothing sent\n"},
  };
  for (const auto& c : cases) {
    const CliRun r = Cli(c.args);
    EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args.back() << ": " << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.back();
  }
  EXPECT_TRUE(Setters().empty());
}

TEST_F(CliTransferTest, VerificationCatchesKeptValuesAndFastWritingSurvivesASlowDevice) {
  WriteFile(Path("in.cfg"), "Modem Apn:  CMIOT\r\nServer2's port:  7002\r\nServer3's port:  7003\r\n");
  const std::string differs = "differs Modem Apn: sent CMIOT, device holds CMNET";
  const std::string verified = "verified, the device holds every written value";
  const struct {
    bool keepOld;  // the device answers OK to AT+APN but keeps CMNET
    int slowMs;    // the slow device's busy time (125 ms at this scale)
    const char* option;
    int status;
    const char* apnHeld;
    bool fellBack, differs, verified;
  } cases[] = {
      {true, 0, "--quiet", 5, "CMNET", false, true, false},
      {true, 0, "--no-verify", 0, "CMNET", false, false, false},
      {false, 0, "--fast", 0, "CMIOT", false, false, true},
      {false, 500, "--fast", 0, "CMIOT", true, false, true},
      {false, 500, "--quiet", 0, "CMIOT", false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.option) + (c.keepOld ? " keep-old" : "") + (c.slowMs ? " slow" : ""));
    RtuSimulator device;
    ASSERT_TRUE(device.Start());
    if (c.keepOld) device.SetKeepOldValue("AT+APN");
    device.SetSlowDevice(c.slowMs);
    const CliRun r = Cli({"apply", "--no-backup", c.option, "--port", device.PortName(), Path("in.cfg")});
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_EQ(device.Value("Modem Apn:"), c.apnHeld);
    EXPECT_EQ(device.Value("Server2's port:") + device.Value("Server3's port:"), "70027003");
    EXPECT_EQ(r.out.find("fell back") != std::string::npos, c.fellBack) << r.out;
    EXPECT_EQ(device.DroppedLines() > 0, c.fellBack);
    EXPECT_EQ(r.out.find(differs) != std::string::npos, c.differs) << r.out;
    EXPECT_EQ(r.out.find(verified) != std::string::npos, c.verified) << r.out;
  }
}

TEST_F(CliTransferTest, EachWritingCommandFirstSavesTheDevicesValuesAndAnUnwritableFolderStopsIt) {
  WriteFile(Path("new.cfg"), "Modem Apn:  FIELDNET\r\n");
  WriteFile(Path("fw.bin"), std::string(5000, '\x5a'));
  for (const std::vector<std::string>& c :
       {Commands{"apply", Path("new.cfg")}, Commands{"factory-reset", "--yes"}, Commands{"flash", Path("fw.bin")}}) {
    sim.SetValue("Modem Apn:", "BEFORE-" + c[0]);
    const CliRun r = Device(c[0], {c[1]});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<fs::path> files(fs::directory_iterator(Path("backups")), {});
    ASSERT_EQ(files.size(), 1u) << r.err;
    EXPECT_NE(ReadFile(files[0]).find("Modem Apn:  BEFORE-" + c[0] + "\r\n"), std::string::npos);
    EXPECT_NE(r.err.find(files[0].string()), std::string::npos) << r.err;  // says where
    fs::remove(files[0]);
  }
  EXPECT_EQ(sim.ImagesCompleted(), 1);

  WriteFile(Path("file"), "x");
  setenv("QX310_BACKUP_DIR", Path("file/sub").c_str(), 1);
  sim.ClearReceived();
  const CliRun refused = Device("apply", {Path("new.cfg")});
  EXPECT_EQ(refused.status, 6) << refused.err;
  EXPECT_NE(refused.err.find("backup"), std::string::npos) << refused.err;
  EXPECT_TRUE(Setters().empty());
  EXPECT_EQ(Device("apply", {Path("new.cfg"), "--no-backup"}).status, 0);
  EXPECT_EQ(sim.Value("Modem Apn:"), "FIELDNET");
}

TEST_F(CliTransferTest, ApplyAndLoadRunOnEachPortAndTheWorstStatusWins) {
  WriteFile(Path("new.cfg"), "Modem Apn:  FIELDNET\r\n");
  RtuSimulator second, silent;
  ASSERT_TRUE(second.Start() && silent.Start());
  silent.SetSilent(true);
  const std::string a = sim.PortName(), b = second.PortName(), c = silent.PortName();
  const CliRun applied = Cli({"apply", Path("new.cfg"), "--port", a, "--port", c, "--port", b});
  EXPECT_EQ(applied.status, 4) << applied.err;
  EXPECT_EQ(sim.Value("Modem Apn:") + second.Value("Modem Apn:"), "FIELDNETFIELDNET");
  // The table's rows after its heading: port, result, its status, parameters written, seconds.
  std::string rows = applied.out.substr(applied.out.rfind("seconds\n") + 8);
  rows = std::regex_replace(std::regex_replace(rows, std::regex(R"(\d+\.\d\n)"), "s\n"), std::regex(" +"), " ");
  EXPECT_EQ(rows, a + " ok (0) 1 s\n" + c + " no answer (4) - s\n" + b + " ok (0) 1 s\n") << applied.out;
  EXPECT_EQ(Cli({"load", "-o", Path("x-{port}.cfg"), "--port", a, "--port", b}).status, 0);
  for (std::string name : {a.substr(5), b.substr(5)}) {  // "pts/3" → "pts_3"
    std::replace(name.begin(), name.end(), '/', '_');
    EXPECT_NE(ReadFile(Path("x-" + name + ".cfg")).find("Modem Apn:  FIELDNET\r\n"), std::string::npos);
  }
  EXPECT_EQ(Cli({"version", "--port", a, "--port", b}).status, 2);  // one port only
}

// Twenty load/write cycles in one process all succeed (under AddressSanitizer the run
// also shows that none leaks).
TEST_F(CliTransferTest, TwentyLoadWriteCyclesAllSucceed) {
  for (int cycle = 1; cycle <= 20; ++cycle) {
    const SoakResult r = SoakCycle(sim, Path("soak.cfg"), cycle);
    ASSERT_EQ(r.loadStatus, 0) << "cycle " << cycle;
    ASSERT_EQ(r.applyStatus, 0) << "cycle " << cycle;
    ASSERT_TRUE(r.written) << "cycle " << cycle;
  }
}

}  // namespace
