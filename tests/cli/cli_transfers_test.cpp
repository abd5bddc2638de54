// Records, snapshots, storage maintenance and flash against the simulated device (a
// process where a test signals the program). Bad files, a vanishing port: cli_commands_test.cpp.
#include <signal.h>

#include <filesystem>
#include <random>

#include "cli_fixture.h"
#include "download/download_log.h"
#include "download/download_worker.h"

namespace {

using CliRecordsTest = CliDeviceTest;

TEST_F(CliRecordsTest, RecordsInThreeBatchesSavedByteForByte) {
  std::vector<RtuSimulator::Record> stored;
  const char* fields[] = {"水位;12.50;m;2024/1/5,08:00:00", "雨量;0.5;mm;2024/1/6,09:00:00",
                          "水位;12.75;m;2024/1/9,23:00:00", "流量;3,2;m3/s;2024/1/7,10:00:00",
                          "水位;12.80;m;2024/1/8,11:00:00",
                          "水位;13.00;m;2024/1/10,00:00:00"};  // the last is outside the days
  for (int i = 0; i < 6; ++i) stored.push_back({1 + i % 2, 2024, 1, i == 5 ? 10 : 5 + i, GBK(fields[i])});
  sim.SetRecords(stored);
  sim.SetRecordBatch(2);
  const std::string csv = Path("r.csv");
  const CliRun run =
      Device("records", {"--from", "2024/1/5", "--to", "2024-01-09", "-o", csv}, {.process = true});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(sim.ReceivedCommands(),
            (Commands{"---", "AT+RDCHNNLRCRD=0;2024/1/5,0:0:0;2024/1/9,23:55:55", "AT+RDCHNNLRCRD=",
                      "OK", "AT+RDCHNNLRCRD=", "OK"}));
  EXPECT_EQ(ReadFile(csv), GBK("序号,采集要素,采集值,采集单位,采集时间\r\n"
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
  const struct {
    const char* name;
    std::function<void()> fault;
    int status;
    long long limitMs;  // the protocol waits of the failure, unscaled
  } cases[] = {
      // Two refused queries with a recovery between them.
      {"refused", [&] { sim.SetErrorFor("AT+RDCHNNLRCRD"); }, 5, 2 * 1000 + 5000},
      // The device stops after its second batch: the acknowledgement's 1 s passes unanswered.
      {"silence mid-read", [&] { sim.SetRecordStall(2); }, 4, 3 * 1000},
  };
  for (const auto& c : cases) {
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
  const std::pair<RtuSimulator::CameraFaults, int> cases[] = {{{}, 0}, {{.oversize = true}, 5},
                                                                {{.cutShort = true}, 4}};
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
  EXPECT_EQ(Device("clear-records", {"--channel", "2"}).status, 1);  // not confirmed
  EXPECT_TRUE(sim.ReceivedCommands().empty());

  const CliRun cleared = Device("clear-records", {"--channel", "2", "--yes"});
  EXPECT_EQ(cleared.status, 0) << cleared.err;
  EXPECT_EQ(sim.RecordCount(2), 0u);
  EXPECT_EQ(sim.RecordCount(1), first);
  EXPECT_LT(sim.RecordCount(0), all);

  EXPECT_EQ(Device("clear-backlog", {"--yes"}).status, 0);
  EXPECT_EQ(Device("set-initial", {"--channel", "5", "12.5"}).status, 0);
  EXPECT_EQ(sim.InitialValue(5), "12.5");
  EXPECT_EQ(Setters(), (Commands{"AT+CLRCHNNLRCRD=2", "AT+SETINITDATA05=12.5"}));
  EXPECT_EQ(sim.CountReceived("AT+CLRUPLOSE"), 1);

  sim.SetErrorFor("AT+SETINITDATA05");
  EXPECT_EQ(Device("set-initial", {"--channel", "5", "7"}).status, 5);
  EXPECT_EQ(sim.InitialValue(5), "12.5");
}

constexpr char kPowerUpMessage[] = "升级错误，请将设备重新上电！";

std::string Image(size_t bytes, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(bytes, '\0');
  for (char& c : s) c = static_cast<char>(rng() & 0xFF);
  return s;
}

class CliFlashTest : public CliDeviceTest {
 protected:
  // The boot loader's poll goes every 100 ms and the device's boot window lasts 600 ms:
  // a poll reaches the restarted device in time even on a busy machine.
  CliFlashTest() { scale = 0.2; }

  // Writes image to fw.bin and flashes it.
  CliRun Flash(const std::string& image, std::vector<std::string> more = {},
               std::function<void(int, const std::string&)> watch = {}) {
    WriteFile(Path("fw.bin"), image);
    more.insert(more.begin(), Path("fw.bin"));
    return Device("flash", more, {.watch = std::move(watch)});
  }
};


TEST_F(CliFlashTest, FullTransferArrivesByteForByteWithProgressAndLog) {
  const std::string image = Image(1048575, 21);  // the largest image: 256 blocks, the last 4095 bytes
  const std::string log = Path("flash.log");

  const CliRun r = Flash(image, {"--log", log});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(sim.ImagesCompleted(), 1);
  EXPECT_TRUE(sim.ReceivedImage() == image) << sim.ReceivedImage().size() << " bytes arrived";
  EXPECT_EQ(sim.FramesAccepted(), 256);
  EXPECT_EQ(sim.FramesRejected(), 0);
  // The download tool's entry, the listing read for the backup, then the restart into
  // the boot loader.
  EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"---", "AT+SHOW", "AT+RESET"}));
  EXPECT_EQ(r.out, "flash: 1048575 bytes in 256 blocks went through\n");

  // Not a terminal: one progress line per tenth of the image, instead of per-block lines.
  EXPECT_EQ(CountOf(r.err, "\nblock "), 10) << r.err;
  EXPECT_EQ(CountOf(r.err, "\nblock  26/256  10%\n") + CountOf(r.err, "\nblock 256/256 100%\n"), 2) << r.err;
  EXPECT_EQ(CountOf(r.err, "block ok"), 0);

  // The log: the download tool's banner, the entry, every block, the success.
  const std::string text = ReadFile(log);
  EXPECT_EQ(text.rfind(DownloadLog::Banner(), 0), 0u);
  EXPECT_EQ(CountOf(text, GBK("进入升级成功！\r\n")), 1);
  EXPECT_EQ(CountOf(text, " block ok\r\n"), 256);
  EXPECT_EQ(CountOf(text, ">:Download 256 block ok\r\n"), 1);
  EXPECT_EQ(CountOf(text, ">:Download success ok\r\n"), 1);

  // --quiet: the result alone.
  const CliRun quiet = Flash(Image(10000, 22), {"-q"});
  EXPECT_EQ(quiet.status, 0) << quiet.err;
  EXPECT_EQ(quiet.out, "flash: 10000 bytes in 3 blocks went through\n");
  EXPECT_EQ(quiet.err, "");
  EXPECT_TRUE(sim.ReceivedImage() == Image(10000, 22));
}

TEST_F(CliFlashTest, DeviceNeedingAPowerCycleIsAskedForOnceThenTakesTheImage) {
  const std::string image = Image(20000, 24);
  sim.SetPowerCycleNeeded(true);

  // The user powers the device off and on when asked to.
  int cycles = 0;
  const CliRun r = Flash(image, {}, [&](int, const std::string& err) {
    if (cycles == 0 && err.find(kPowerUpMessage) != std::string::npos) {
      sim.PowerOff();
      sim.PowerOn();
      ++cycles;
    }
  });
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(cycles, 1) << r.err;
  EXPECT_EQ(CountOf(r.err, kPowerUpMessage), 1) << r.err;
  EXPECT_TRUE(sim.ReceivedImage() == image);
  EXPECT_EQ(sim.ImagesCompleted(), 1);
  // Two cycles of two AT+RESET each before the request, the re-entry between them.
  EXPECT_EQ(sim.CountReceived("AT+RESET"), DownloadWorker::kAttempts * DownloadWorker::kReentryRounds);
  // The message comes after the restart phases, not before.
  const std::string before = r.err.substr(0, r.err.find(kPowerUpMessage));
  EXPECT_NE(before.find("The device fails to restart\n"), std::string::npos) << r.err;
  EXPECT_EQ(before.find("block "), std::string::npos);
}

TEST_F(CliFlashTest, CtrlCEndsTheWaitForThePowerUpCleanly) {
  sim.SetPowerCycleNeeded(true);
  long long sentAt = 0;
  const CliRun r = Flash(Image(20000, 25), {"--quiet"}, [&](int pid, const std::string& err) {
    if (sentAt == 0 && err.find(kPowerUpMessage) != std::string::npos) {
      sentAt = Timing::NowMs();
      kill(pid, SIGINT);
    }
  });
  ASSERT_GT(sentAt, 0) << r.err;
  EXPECT_EQ(r.status, 1) << r.err;
  // --quiet: the power-up request (the user must act on it) and the one-line error.
  EXPECT_EQ(r.err, std::string(kPowerUpMessage) + "\nqx310-cli: flash interrupted; the image did not go through\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(sim.ImagesCompleted(), 0);
  EXPECT_EQ(sim.FramesAccepted() + sim.FramesRejected(), 0);
}

}  // namespace
