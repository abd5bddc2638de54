// The console's mode dialogue against the simulated RTU over a real serial port
// on a pseudo-terminal, with time scaled down. A small receive thread plays the
// main window's part and hands every block to the page.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <atomic>
#include <thread>

#include "support/port_reader.h"
#include "debug_qt_support.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"

namespace {

constexpr double kScale = 0.05;

class DebugDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(kScale);
    UiBridge::Restart();
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(serial.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone));
    page.Init(&host);
    page.SetReceiving(true);
    rx = std::make_unique<PortReader>(serial, [this](const char* d, int n) {
      if (page.IsReceiving()) page.OnSerialData(d, n);
    });
  }
  void TearDown() override {
    rx->Stop();
    page.Shutdown();
    QCoreApplication::processEvents();  // calls refused at shutdown leave the queue unrun
    serial.Close();
    sim.Stop();
    UiBridge::Restart();
    Timing::SetScale(1.0);
  }
  // The longest a whole professional entry may take: every wait of the dialogue
  // (two rounds of a probe and two resets, then the banner wait), scaled, plus a margin.
  static int ProLimitMs() {
    return Timing::Scaled(2 * (DebugModeDialogue::kProbeWaitMs + 2 * DebugModeDialogue::kResetWaitMs) +
                          DebugModeDialogue::kBannerWaitMs) +
           10000;
  }
  void Click(int id) { qobject_cast<QAbstractButton*>(page.Control(id))->click(); }

  RtuSimulator sim;
  CSerial serial;
  TestHost host{serial};
  TestDebugPage page;
  TipCatcher tips;
  std::unique_ptr<PortReader> rx;
};

TEST_F(DebugDeviceTest, ProfessionalModeSucceedsAndSetsTheFlag) {
  Click(CDebug::kProModeButton);
  ASSERT_TRUE(PumpUntil([&] { return tips.Saw(QStringLiteral("进入专业模式成功！")); }, ProLimitMs()))
      << tips.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(tips.Texts(), QStringList{QStringLiteral("进入专业模式成功！")});
  EXPECT_TRUE(page.IsProfessionalMode());
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  EXPECT_EQ(sim.CountReceived("AT+RESET"), 1);
  EXPECT_GE(sim.PowerUpBytesReceived(), 1);
  EXPECT_TRUE(PumpUntil([&] { return page.isEnabled(); }, 10000));
  // The log shows the notice, the echoed reset command and the device's banner.
  page.RefreshDisplay();
  const QString shown = page.DisplayText();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("\n进入专业模式中,请等待...\n")));
  EXPECT_TRUE(shown.contains(QStringLiteral("AT+RESET\n")));
  EXPECT_TRUE(shown.contains(QStringLiteral("CONFIGURE PROGRAM")));

  // Closing the port by hand clears the flag in the main window; a new entry clears it too.
  page.ClearProfessionalMode();
  EXPECT_FALSE(page.IsProfessionalMode());
}


TEST_F(DebugDeviceTest, SimpleModeOnASilentDeviceFailsAfterTwoWaits) {
  sim.SetSilent(true);
  const int64_t t0 = Timing::NowMs();
  Click(CDebug::kSimpleModeButton);
  ASSERT_TRUE(PumpUntil([&] { return tips.Saw(QStringLiteral("进入简易模式失败！")); },
                        Timing::Scaled(2 * DebugModeDialogue::kProbeWaitMs) + 10000));
  EXPECT_GE(Timing::NowMs() - t0, 2 * Timing::Scaled(DebugModeDialogue::kProbeWaitMs) - 5);
  EXPECT_EQ(sim.CountReceived("---"), 2);
  EXPECT_EQ(tips.Texts(), QStringList{QStringLiteral("进入简易模式失败！")});
  EXPECT_FALSE(page.IsProfessionalMode());
  EXPECT_TRUE(PumpUntil([&] { return page.isEnabled(); }, 10000));
}

}  // namespace
