// qx310-cli flash against the simulated device (as a process when a test signals it): the image
// arrives byte for byte, a device that must be powered up again is asked for and waited
// for, and Ctrl-C ends the wait. (Bad files: cli_commands_test.cpp; a vanished port:
// cli_unplug_test.cpp.)
#include <signal.h>

#include <random>

#include "cli_fixture.h"
#include "download/download_log.h"
#include "download/download_worker.h"

namespace {

using W = DownloadWorker;

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

}  // namespace

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
  EXPECT_EQ(CountOf(text, G("进入升级成功！\r\n")), 1);
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
  EXPECT_EQ(sim.CountReceived("AT+RESET"), W::kAttempts * W::kReentryRounds);
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
