// qx310-cli load and apply against the simulated device (one run as a process):
// the .cfg file it writes, the setters it sends, the recovery and retry of a refused
// write, silent devices with their limits, and the file it leaves alone when reading fails.
#include "cli_fixture.h"
#include "probe_only_device.h"
#include "protocol/listing.h"

namespace {

// Replaces the value of the line "label  value" of a .cfg text.
std::string WithValue(std::string text, const std::string& label, const std::string& value) {
  const std::string head = "\r\n" + label + "  ";
  const size_t at = text.find(head);
  EXPECT_NE(at, std::string::npos) << label;
  if (at == std::string::npos) return text;
  const size_t from = at + head.size();
  return text.replace(from, text.find("\r\n", from) - from, value);
}

class CliTransferTest : public CliDeviceTest {
 protected:
  // Reads the device into f.cfg with the program, and writes g.cfg with three changes.
  std::string LoadWithThreeChanges() {
    const CliRun r = Device("load", {"-o", Path("f.cfg")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string cfg = ReadFile(Path("f.cfg"));
    std::string t = WithValue(cfg, "Modem Apn:", "CMNET2");
    t = WithValue(t, "Server2's Ip:", "10.1.2.3");
    WriteFile(Path("g.cfg"), WithValue(t, "Channel07 save length:", "8"));
    return cfg;
  }
};

TEST_F(CliTransferTest, LoadWritesTheDeviceListingAsCfgToAFileAndAsUtf8ToStdout) {
  const std::string stationName = G("水文站一号");
  sim.SetValue("Modem user name:", stationName);
  const std::string log = Path("session.log");

  const CliRun r = Device("load", {"-o", Path("f.cfg"), "--log", log});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string file = ReadFile(Path("f.cfg"));

  // Every value the device lists is in the file, byte for byte (code page 936 included).
  const std::vector<std::string> fileLines = SplitLines(file, "\r\n");
  for (const std::string& line : SplitLines(sim.Listing(), "\r\n")) {
    if (line.size() >= 3 && line.compare(line.size() - 3, 3, "  .") == 0) continue;  // empty value
    EXPECT_NE(std::find(fileLines.begin(), fileLines.end(), line), fileLines.end()) << line;
  }
  EXPECT_NE(file.find("Modem user name:  " + stationName + "\r\n"), std::string::npos);
  // And the file is exactly the listing form of those values.
  ResetParamValues();
  const std::string listing = sim.Listing();
  ASSERT_EQ(ParseListing(listing.data(), static_cast<int>(listing.size())), 1);
  EXPECT_EQ(file, BuildListing());
  ResetParamValues();

  // The device got the entry probe and the listing command, nothing else.
  EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"---", "AT+SHOW"}));
  // The log holds the workspace's time-stamped entries in device bytes.
  const std::string logText = ReadFile(log);
  for (const std::string& entry : {std::string(">:") + G("进入配置成功！\r\n"), std::string(">:AT+SHOW\r\n"),
                                   std::string(">:") + G("载入RTU设备参数成功 ...\r\n")})
    EXPECT_NE(logText.find(entry), std::string::npos) << entry;

  // Without -o the same listing goes to standard output as UTF-8.
  const CliRun toStdout = Device("load", {"--quiet"}, {.process = true});
  ASSERT_EQ(toStdout.status, 0) << toStdout.err;
  EXPECT_EQ(toStdout.out, cp936::ToUtf8(file));
  EXPECT_NE(toStdout.out.find("水文站一号"), std::string::npos);
  EXPECT_EQ(toStdout.err, "");  // --quiet: no progress
}

TEST_F(CliTransferTest, ApplySendsExactlyTheChangedValuesAndNothingForAnUnchangedFile) {
  LoadWithThreeChanges();
  sim.ClearReceived();
  const CliRun same = Device("apply", {Path("f.cfg")});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_TRUE(Setters().empty()) << Setters().front();
  EXPECT_NE(same.out.find("nothing to write"), std::string::npos) << same.out;

  sim.ClearReceived();
  const CliRun changed = Device("apply", {Path("g.cfg")});
  EXPECT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(Setters(), (std::vector<std::string>{"AT+MULTISER02=10.1.2.3", "AT+APN=CMNET2", "AT+CHNSVLEN07=8"}));
  EXPECT_EQ(changed.out,
            "ok      AT+MULTISER02=10.1.2.3\n"
            "ok      AT+APN=CMNET2\n"
            "ok      AT+CHNSVLEN07=8\n"
            "apply: 3 written, 0 failed\n"
            "apply: verified, the device holds every written value\n");
  // Applied once, the file matches the device: a second run sends nothing.
  sim.ClearReceived();
  EXPECT_EQ(Device("apply", {Path("g.cfg")}).status, 0);
  EXPECT_TRUE(Setters().empty());
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET2");
  EXPECT_EQ(sim.Value("Server2's Ip:"), "10.1.2.3");
  EXPECT_EQ(sim.Value("Channel07 save length:"), "8");
}

TEST_F(CliTransferTest, RefusedParameterFailsAfterRecoveryAndRetryWhileTheOthersAreWritten) {
  LoadWithThreeChanges();
  sim.SetErrorFor("AT+APN");
  sim.ClearReceived();

  const CliRun r = Device("apply", {Path("g.cfg")});
  EXPECT_EQ(r.status, 5) << r.err;
  // First failure: recovery, then the pass sends the refused value once more.
  EXPECT_EQ(Setters(), (std::vector<std::string>{"AT+MULTISER02=10.1.2.3", "AT+APN=CMNET2", "AT+CHNSVLEN07=8",
                                                  "AT+APN=CMNET2"}));
  const std::vector<std::string> got = sim.ReceivedCommands();
  const auto chn = std::find(got.begin(), got.end(), "AT+CHNSVLEN07=8");
  const auto retry = std::find(chn, got.end(), "AT+APN=CMNET2");
  ASSERT_NE(retry, got.end());
  EXPECT_GE(std::count(chn, retry, "---"), 1) << "no recovery before the retry";
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  EXPECT_EQ(sim.Value("Server2's Ip:"), "10.1.2.3");
  EXPECT_EQ(sim.Value("Channel07 save length:"), "8");
  EXPECT_EQ(r.out,
            "ok      AT+MULTISER02=10.1.2.3\n"
            "ok      AT+CHNSVLEN07=8\n"
            "failed  AT+APN=CMNET2\n"
            "apply: 2 written, 1 failed\n"
            "apply: verified, the device holds every written value\n");
}

TEST_F(CliTransferTest, SilentDeviceFailsAfterThreeProbesAndLeavesTheOldFile) {
  WriteFile(Path("f.cfg"), "old contents\r\n");
  sim.SetSilent(true);

  const CliRun r = Device("load", {"-o", Path("f.cfg")});
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_EQ(LineCount(r.err), 2) << r.err;  // the progress line and the one-line error
  EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>(linkstate::kEntryTries, "---")));
  // Each probe waited its full limit.
  EXPECT_GE(r.elapsedMs, Scaled(static_cast<long long>(linkstate::kEntryTries) * linkstate::kProbeWaitMs));
  EXPECT_EQ(ReadFile(Path("f.cfg")), "old contents\r\n");

  const CliRun quiet = Device("version", {"--quiet"});
  EXPECT_EQ(quiet.status, 4);
  EXPECT_EQ(LineCount(quiet.err), 1) << quiet.err;
  EXPECT_EQ(quiet.out, "");
}

TEST_F(CliTransferTest, DeviceSilentAfterTheEntryGetsThreeAttemptsARecoveryAndThreeMore) {
  ProbeOnlyDevice device;
  ASSERT_FALSE(device.PortName().empty());
  const CliRun r = Cli({"load", "--port", device.PortName(), "-o", Path("f.cfg")});
  EXPECT_EQ(r.status, 4) << r.err;
  // The entry's probe, three AT+SHOW, the recovery's first probe (answered), three more.
  std::vector<std::string> expected = {"---", "AT+SHOW", "AT+SHOW", "AT+SHOW", "---"};
  expected.resize(8, "AT+SHOW");
  EXPECT_EQ(device.Received(), expected);
  // Six full AT+SHOW limits and the pause after the answered recovery probe.
  EXPECT_GE(r.elapsedMs, Scaled(6LL * FindParam(kCmdShow)->timeoutMs + kReplyPauseMs));
  EXPECT_FALSE(std::filesystem::exists(Path("f.cfg")));
}

TEST_F(CliTransferTest, ListingRefusedTwiceRunsThreeAttemptsARecoveryAndThreeMore) {
  sim.SetErrorFor("AT+SHOW");
  const CliRun r = Device("load", {"-o", Path("f.cfg")});
  EXPECT_EQ(r.status, 5) << r.err;
  EXPECT_EQ(sim.CountReceived("AT+SHOW"), 6);
  // The entry, then the recovery's probes: the first leaves the configuration state
  // ("CMD ERROR"), the second enters it again ("CMD OK").
  EXPECT_EQ(sim.CountReceived("---"), 3);
  EXPECT_FALSE(std::filesystem::exists(Path("f.cfg")));
  // Apply reads the device first: nothing is written when it cannot.
  WriteFile(Path("g.cfg"), "Modem Apn:  OTHER\r\n");
  sim.ClearReceived();
  EXPECT_EQ(Device("apply", {Path("g.cfg")}).status, 5);
  EXPECT_TRUE(Setters().empty());
}

}  // namespace
