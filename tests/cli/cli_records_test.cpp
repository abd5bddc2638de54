// records, snapshot and the storage maintenance commands (one run as a process) against
// the simulated device: what goes on the wire, the files written byte for byte, and
// no file after a failed read.
#include "cli_fixture.h"

#include <filesystem>

namespace {

using Commands = std::vector<std::string>;
using CliRecordsTest = CliDeviceTest;

TEST_F(CliRecordsTest, RecordsInThreeBatchesSavedByteForByte) {
  std::vector<RtuSimulator::Record> stored;
  const char* fields[] = {"水位;12.50;m;2024/1/5,08:00:00", "雨量;0.5;mm;2024/1/6,09:00:00",
                          "水位;12.75;m;2024/1/9,23:00:00", "流量;3,2;m3/s;2024/1/7,10:00:00",
                          "水位;12.80;m;2024/1/8,11:00:00",
                          "水位;13.00;m;2024/1/10,00:00:00"};  // the last is outside the days
  for (int i = 0; i < 6; ++i) stored.push_back({1 + i % 2, 2024, 1, i == 5 ? 10 : 5 + i, G(fields[i])});
  sim.SetRecords(stored);
  sim.SetRecordBatch(2);
  const std::string csv = Path("r.csv");
  const CliRun run =
      Device("records", {"--from", "2024/1/5", "--to", "2024-01-09", "-o", csv}, {.process = true});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(sim.ReceivedCommands(),
            (Commands{"---", "AT+RDCHNNLRCRD=0;2024/1/5,0:0:0;2024/1/9,23:55:55", "AT+RDCHNNLRCRD=",
                      "OK", "AT+RDCHNNLRCRD=", "OK"}));
  EXPECT_EQ(ReadFile(csv), G("序号,采集要素,采集值,采集单位,采集时间\r\n"
                             "1,水位,12.50,m,2024/1/5 08:00:00\r\n"
                             "2,雨量,0.5,mm,2024/1/6 09:00:00\r\n"
                             "3,水位,12.75,m,2024/1/9 23:00:00\r\n"
                             "4,流量,3 2,m3/s,2024/1/7 10:00:00\r\n"
                             "5,水位,12.80,m,2024/1/8 11:00:00\r\n"));
  EXPECT_NE(run.err.find("5 records"), std::string::npos) << run.err;

  // One channel: only its records.
  const CliRun one = Device("records", {"--channel", "2", "--from", "2024/1/1", "--to", "2024/1/31", "-o", csv});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(LineCount(ReadFile(csv)), 4);
}

TEST_F(CliRecordsTest, FailedReadsWriteNoFile) {
  const std::string csv = Path("r.csv");
  sim.SetRecordBatch(10);
  struct Case {
    const char* name;
    std::function<void()> fault;
    int status;
    long long limitMs;  // the protocol waits of the failure, unscaled
  };
  const std::vector<Case> cases = {
      // Two refused queries with a recovery between them.
      {"refused", [&] { sim.SetErrorFor("AT+RDCHNNLRCRD"); }, 5, 2 * 1000 + 5000},
      // The device stops after its second batch: the acknowledgement's 1 s passes unanswered.
      {"silence mid-read", [&] { sim.SetRecordStall(2); }, 4, 3 * 1000},
  };
  for (const Case& c : cases) {
    sim.ClearErrors();
    c.fault();
    const CliRun run = Device("records", {"--from", "2024/1/1", "--to", "2024/1/31", "-o", csv});
    EXPECT_EQ(run.status, c.status) << c.name << run.err;
    EXPECT_FALSE(std::filesystem::exists(csv)) << c.name;
    EXPECT_LT(run.elapsedMs, Scaled(c.limitMs + 5000) + kRunMarginMs) << c.name;
  }
  EXPECT_EQ(sim.CountReceived("AT+RDCHNNLRCRD=0;"), 3);  // 2 refused, 1 stalled
}

// The picture's block and trailer forms: the picture collector's edge cases.
TEST_F(CliRecordsTest, SnapshotSavesTheCameraPictureAndNothingOnAFault) {
  const std::string jpg = Path("p.jpg");
  RtuSimulator::CameraFaults oversize, cutShort;
  oversize.oversize = true;
  cutShort.cutShort = true;
  const std::pair<RtuSimulator::CameraFaults, int> cases[] = {{{}, 0}, {oversize, 5}, {cutShort, 4}};
  for (const auto& [faults, status] : cases) {
    sim.SetCameraFaults(faults);
    const CliRun run = Device("snapshot", {"--camera", "2", "-o", jpg});
    EXPECT_EQ(run.status, status) << run.err;
    EXPECT_EQ(std::filesystem::exists(jpg), status == 0) << status;
    if (status == 0) { EXPECT_EQ(ReadFile(jpg), RtuSimulator::CameraPicture(2)); }
    std::filesystem::remove(jpg);
  }
  EXPECT_EQ(sim.CountReceived("AT+TESTCAM=2"), 3);
}

TEST_F(CliRecordsTest, StorageMaintenance) {
  const size_t all = sim.RecordCount(0), first = sim.RecordCount(1);
  ASSERT_GT(sim.RecordCount(2), 0u);
  const CliRun unconfirmed = Device("clear-records", {"--channel", "2"});
  EXPECT_EQ(unconfirmed.status, 1) << unconfirmed.err;
  EXPECT_TRUE(sim.ReceivedCommands().empty());

  const CliRun cleared = Device("clear-records", {"--channel", "2", "--yes"});
  EXPECT_EQ(cleared.status, 0) << cleared.err;
  EXPECT_EQ(sim.RecordCount(2), 0u);
  EXPECT_EQ(sim.RecordCount(1), first);
  EXPECT_LT(sim.RecordCount(0), all);

  const CliRun backlog = Device("clear-backlog", {"--yes"});
  EXPECT_EQ(backlog.status, 0) << backlog.err;
  const CliRun initial = Device("set-initial", {"--channel", "5", "12.5"});
  EXPECT_EQ(initial.status, 0) << initial.err;
  EXPECT_EQ(sim.InitialValue(5), "12.5");
  EXPECT_EQ(Setters(), (Commands{"AT+CLRCHNNLRCRD=2", "AT+SETINITDATA05=12.5"}));
  EXPECT_EQ(sim.CountReceived("AT+CLRUPLOSE"), 1);

  sim.SetErrorFor("AT+SETINITDATA05");
  const CliRun refused = Device("set-initial", {"--channel", "5", "7"});
  EXPECT_EQ(refused.status, 5) << refused.err;
  EXPECT_EQ(sim.InitialValue(5), "12.5");
}

}  // namespace
