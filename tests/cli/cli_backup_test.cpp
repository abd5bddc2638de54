// qx310-cli against the simulated device: a backup of the device's values before each
// command that writes to it, a backup folder that cannot be written stops the write, and
// apply/load on several ports in turn with their summary.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <sstream>

#include "cli/cli_fixture.h"

namespace fs = std::filesystem;

namespace {

class CliBackupTest : public CliDeviceTest {
 protected:
  // The factory reset's 2 s limit and the boot loader's windows need room on a busy machine.
  CliBackupTest() { scale = 0.25; }
  void SetUp() override {
    CliDeviceTest::SetUp();
    setenv("QX310_BACKUP_DIR", Path("backups").c_str(), 1);
    WriteFile(Path("new.cfg"), "Modem Apn:  FIELDNET\r\n");
    WriteFile(Path("fw.bin"), std::string(5000, '\x5a'));
  }
};

TEST_F(CliBackupTest, EachWritingCommandFirstSavesTheDevicesValues) {
  const std::vector<std::string> commands[] = {
      {"apply", Path("new.cfg")}, {"factory-reset", "--yes"}, {"flash", Path("fw.bin")}};
  for (const auto& c : commands) {
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
}

TEST_F(CliBackupTest, AnUnwritableFolderStopsTheWriteAndNoBackupSkipsIt) {
  WriteFile(Path("file"), "x");
  setenv("QX310_BACKUP_DIR", Path("file/sub").c_str(), 1);
  const CliRun refused = Device("apply", {Path("new.cfg")});
  EXPECT_EQ(refused.status, 6) << refused.err;
  EXPECT_NE(refused.err.find("backup"), std::string::npos) << refused.err;
  EXPECT_TRUE(Setters().empty());
  EXPECT_EQ(Device("apply", {Path("new.cfg"), "--no-backup"}).status, 0);
  EXPECT_EQ(sim.Value("Modem Apn:"), "FIELDNET");
}

TEST_F(CliBackupTest, ApplyAndLoadRunOnEachPortAndTheWorstStatusWins) {
  RtuSimulator second, silent;
  ASSERT_TRUE(second.Start() && silent.Start());
  silent.SetSilent(true);
  const std::string a = sim.PortName(), b = second.PortName(), c = silent.PortName();

  const CliRun applied = Cli({"apply", Path("new.cfg"), "--port", a, "--port", c, "--port", b});
  EXPECT_EQ(applied.status, 4) << applied.err;
  EXPECT_EQ(sim.Value("Modem Apn:"), "FIELDNET");
  EXPECT_EQ(second.Value("Modem Apn:"), "FIELDNET");
  const std::vector<std::string> rows = SplitLines(applied.out);
  ASSERT_GE(rows.size(), 3u) << applied.out;
  // Port, result, its status, parameters written, seconds.
  const std::vector<std::string> expected[] = {{a, "ok", "(0)", "1"}, {c, "no", "answer", "(4)", "-"}, {b, "ok", "(0)", "1"}};
  for (int i = 0; i < 3; ++i) {
    std::istringstream row(rows[rows.size() - 3 + i]);
    std::vector<std::string> words{std::istream_iterator<std::string>(row), {}};
    ASSERT_FALSE(words.empty());
    words.pop_back();  // the seconds
    EXPECT_EQ(words, expected[i]) << row.str();
  }

  EXPECT_EQ(Cli({"load", "-o", Path("x-{port}.cfg"), "--port", a, "--port", b}).status, 0);
  for (std::string name : {a.substr(5), b.substr(5)}) {  // "pts/3" → "pts_3"
    std::replace(name.begin(), name.end(), '/', '_');
    EXPECT_NE(ReadFile(Path("x-" + name + ".cfg")).find("Modem Apn:  FIELDNET\r\n"), std::string::npos);
  }
  EXPECT_EQ(Cli({"version", "--port", a, "--port", b}).status, 2);  // one port only
}

}  // namespace
