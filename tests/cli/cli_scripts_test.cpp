// qx310-cli in scripts, as a separate process against the simulated device: the UTF-8
// that load prints read back by apply, lines of unknown label, --set, -o -.
#include "cli_fixture.h"

namespace {

using CliScriptTest = CliDeviceTest;

TEST_F(CliScriptTest, Utf8FromLoadAppliesUnchangedAndAnEditedChineseValueGoesOutInCodePage936) {
  sim.SetValue("Modem user name:", GBK("水文站一号"));
  const CliRun loaded = Device("load", {"--quiet"}, {.process = true});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  ASSERT_NE(loaded.out.find("Modem user name:  水文站一号\r\n"), std::string::npos);
  WriteFile(Path("site.cfg"), loaded.out);
  sim.ClearReceived();
  const CliRun same = Device("apply", {Path("site.cfg")}, {.process = true});
  EXPECT_EQ(same.status, 0) << same.err;
  EXPECT_TRUE(Setters().empty()) << Setters().front();
  EXPECT_NE(same.err.find("as UTF-8"), std::string::npos) << same.err;

  std::string edited = loaded.out;
  const std::string from = "Modem user name:  水文站一号", to = "Modem user name:  米";
  edited.replace(edited.find(from), from.size(), to);
  WriteFile(Path("site.cfg"), edited);
  sim.ClearReceived();
  const CliRun changed = Device("apply", {Path("site.cfg"), "-q"}, {.process = true});
  EXPECT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(Setters(), (Commands{"AT+USERNAME=" + GBK("米")}));
  EXPECT_NE(sim.ReceivedBytes().find("AT+USERNAME=\xC3\xD7\r\n"), std::string::npos);  // 米 in code page 936
  EXPECT_EQ(sim.Value("Modem user name:"), GBK("米"));

  // -o - writes the file's own bytes (code page 936), -o - with --encoding utf-8 UTF-8.
  const CliRun bytes = Device("load", {"-q", "-o", "-"}, {.process = true});
  EXPECT_NE(bytes.out.find("Modem user name:  " + GBK("米") + "\r\n"), std::string::npos);
  EXPECT_EQ(Device("load", {"-q", "-o", "-", "--encoding", "utf-8"}, {.process = true}).out,
            cp936::ToUtf8(bytes.out));
}

TEST_F(CliScriptTest, AnUnknownLabelStopsApplyWithItsLineUnlessIgnoredAndSetOverridesOneValue) {
  // A process of its own: the in-process runs share this process's parameter table.
  ASSERT_EQ(Device("load", {"-o", Path("f.cfg")}, {.process = true}).status, 0);
  const std::string file = ReadFile(Path("f.cfg"));
  std::string misspelt = file;
  misspelt.insert(misspelt.find("\r\n") + 2, "Server2s port:  6006\r\n");  // becomes line 2
  WriteFile(Path("bad.cfg"), misspelt);
  sim.ClearReceived();
  const CliRun refused = Device("apply", {Path("bad.cfg")});
  EXPECT_EQ(refused.status, 6) << refused.err;
  EXPECT_NE(refused.err.find("line 2: unknown label \"Server2s port:\""), std::string::npos) << refused.err;
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  const CliRun ignored = Device("apply", {Path("bad.cfg"), "--ignore-unknown"});
  EXPECT_EQ(ignored.status, 0) << ignored.err;
  EXPECT_TRUE(Setters().empty());

  sim.ClearReceived();
  const CliRun set = Device("apply", {Path("f.cfg"), "--set", "Server2's port=6006", "-q"});
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(Setters(), (Commands{"AT+MULTIPORT02=6006"}));
  EXPECT_EQ(ReadFile(Path("f.cfg")), file);  // the file itself is left as it was
  sim.ClearReceived();
  const CliRun unknown = Device("apply", {Path("f.cfg"), "--set", "Server2s port=6006"});
  EXPECT_EQ(unknown.status, 2) << unknown.err;
  EXPECT_TRUE(sim.ReceivedCommands().empty());
}

TEST_F(CliScriptTest, RecordsToStandardOutputAreTheFilesBytes) {
  sim.SetRecords({{1, 2024, 1, 5, GBK("水位;12.50;m;2024/1/5,08:00:00")}});
  const std::vector<std::string> range = {"--from", "2024/1/1", "--to", "2024/1/31"};
  std::vector<std::string> toFile = range, toStdout = range;
  toFile.insert(toFile.end(), {"-o", Path("r.csv")});
  toStdout.insert(toStdout.end(), {"-o", "-"});
  ASSERT_EQ(Device("records", toFile, {.process = true}).status, 0);
  const CliRun piped = Device("records", toStdout, {.process = true});
  ASSERT_EQ(piped.status, 0) << piped.err;
  EXPECT_EQ(piped.out, ReadFile(Path("r.csv")));
  EXPECT_NE(piped.err.find("1 records written to standard output"), std::string::npos) << piped.err;
  EXPECT_FALSE(std::filesystem::exists("-"));
}

TEST_F(CliScriptTest, ASilentDeviceGetsTheHintsOfWhatToCheck) {
  sim.SetSilent(true);
  const CliRun r = Device("version", {}, {.limitMs = 60000});
  EXPECT_EQ(r.status, 4) << r.err;
  EXPECT_EQ(LineCount(r.err), 2) << r.err;  // the progress line and the error
  for (const char* hint : {"qx310-cli detect", "baud rate", "power"})
    EXPECT_NE(r.err.find(hint), std::string::npos) << r.err;
}

}  // namespace
