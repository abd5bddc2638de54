// qx310-cli against the simulated device: a backup of the device's values before each
// command that writes to it, a backup folder that cannot be written stops the write, and
// apply/load on several ports in turn with their summary.
#include <stdlib.h>

#include <filesystem>
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
    backups = Path("backups");
    setenv("QX310_BACKUP_DIR", backups.c_str(), 1);  // the program inherits it
    WriteFile(Path("new.cfg"), "Modem Apn:  FIELDNET\r\n");
  }
  std::vector<std::string> Backups() const {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(backups, ec), end; !ec && it != end; it.increment(ec))
      files.push_back(it->path().string());
    return files;
  }
  std::string backups;
};

TEST_F(CliBackupTest, EachWritingCommandFirstSavesTheDevicesValues) {
  const struct {
    std::vector<std::string> args;
  } cases[] = {
      {{"apply", "new.cfg"}},
      {{"factory-reset", "--yes"}},
      {{"flash", "fw.bin"}},
  };
  WriteFile(Path("fw.bin"), std::string(5000, '\x5a'));
  int run = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    const std::string marker = "BEFORE" + std::to_string(++run);
    sim.SetValue("Modem Apn:", marker);
    std::vector<std::string> more(c.args.begin() + 1, c.args.end());
    for (std::string& a : more)
      if (a.find('.') != std::string::npos) a = Path(a);
    const CliRun r = Device(c.args[0], more);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> files = Backups();
    ASSERT_EQ(files.size(), 1u) << r.err;
    EXPECT_NE(ReadFile(files[0]).find("Modem Apn:  " + marker + "\r\n"), std::string::npos);
    EXPECT_NE(r.err.find(files[0]), std::string::npos) << r.err;  // says where
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
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");

  const CliRun skipped = Device("apply", {Path("new.cfg"), "--no-backup"});
  EXPECT_EQ(skipped.status, 0) << skipped.err;
  EXPECT_EQ(sim.Value("Modem Apn:"), "FIELDNET");
}

TEST_F(CliBackupTest, ApplyAndLoadRunOnEachPortAndTheWorstStatusWins) {
  RtuSimulator second, silent;
  ASSERT_TRUE(second.Start());
  ASSERT_TRUE(silent.Start());
  silent.SetSilent(true);
  const std::string a = sim.PortName(), b = second.PortName(), c = silent.PortName();

  const CliRun applied = Cli({"apply", Path("new.cfg"), "--port", a, "--port", c, "--port", b});
  EXPECT_EQ(applied.status, 4) << applied.err;
  EXPECT_EQ(sim.Value("Modem Apn:"), "FIELDNET");
  EXPECT_EQ(second.Value("Modem Apn:"), "FIELDNET");
  const std::vector<std::string> rows = SplitLines(applied.out);
  ASSERT_GE(rows.size(), 4u) << applied.out;
  const std::vector<std::string> table(rows.end() - 4, rows.end());
  EXPECT_EQ(table[0].rfind("port", 0), 0u) << applied.out;
  const struct {
    std::string port, result, written;
  } expected[] = {{a, "ok (0)", "1"}, {c, "no answer (4)", "-"}, {b, "ok (0)", "1"}};
  for (int i = 0; i < 3; ++i) {
    std::istringstream row(table[i + 1]);
    std::string port, word, code, written;
    row >> port >> word;
    std::string result = word;
    while (row >> code && code.front() != '(') result += " " + code;
    row >> written;
    EXPECT_EQ(port, expected[i].port);
    EXPECT_EQ(result + " " + code, expected[i].result);
    EXPECT_EQ(written, expected[i].written) << table[i + 1];
  }
  EXPECT_EQ(Backups().size(), 2u);

  const CliRun loaded = Cli({"load", "-o", Path("x-{port}.cfg"), "--port", a, "--port", b});
  EXPECT_EQ(loaded.status, 0) << loaded.err;
  for (const std::string& p : {a, b}) {
    std::string name = p.substr(5);  // without "/dev/"
    for (char& ch : name)
      if (ch == '/') ch = '_';
    EXPECT_NE(ReadFile(Path("x-" + name + ".cfg")).find("Modem Apn:  FIELDNET\r\n"), std::string::npos)
        << name;
  }
  second.Stop();
  silent.Stop();
}

TEST_F(CliBackupTest, SeveralPortsAndNoBackupOnlyWhereTheyMeanSomething) {
  const std::vector<std::vector<std::string>> bad = {
      {"version", "--port", "p1", "--port", "p2"},
      {"load", "--port", "p1", "--port", "p2", "-o", "x.cfg"},
      {"load", "--port", "p1", "--port", "p2"},
      {"version", "--port", "p1", "--no-backup"},
  };
  for (const auto& args : bad) {
    const CliRun r = Cli(args);
    EXPECT_EQ(r.status, 2) << args[0] << " " << r.err;
  }
}

}  // namespace
