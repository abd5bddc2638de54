// The workspace end to end on the simulated device: a write that fails for one parameter,
// verification, and a device that is off (the load: ChannelDeviceTest).
#include <gtest/gtest.h>

#include <QCheckBox>

#include "ui_device_support.h"

namespace {

// Then the "写入后校验" and "快速写入" boxes: off at start; fast writing ticks and locks
// verification; a verified save logs the value the device did not keep.
TEST_F(DeviceTest, ErrorForOneParameterRecoversRetriesAndTheOthersGoOutThenVerifyFindsAKeptValue) {
  TipCatcher boxes;
  EnterAndLoad(boxes);
  QCheckBox* verify = ws->VerifyWritesBox();
  QCheckBox* fast = ws->FastWriteBox();
  ASSERT_FALSE(verify->isChecked() || fast->isChecked());
  sim.ClearReceived();
  sim.SetErrorFor("AT+APN");
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(23, 0, "newapn");  // the user's edits
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(24, 0, "user2");
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  const auto got = sim.ReceivedCommands();
  ASSERT_GE(got.size(), 4u);
  EXPECT_EQ(got.front(), "AT+APN=newapn");
  EXPECT_EQ(got[1], "AT+USERNAME=user2");
  EXPECT_EQ(got.back(), "AT+APN=newapn");
  for (size_t i = 2; i + 1 < got.size(); ++i) EXPECT_EQ(got[i], "---");  // the recovery
  EXPECT_EQ(sim.CountReceived("AT+APN"), 2);
  EXPECT_NE(LogFind(GBK(">:设置失败\r\n")), std::string::npos);
  EXPECT_EQ(sim.Value("Modem user name:"), "user2");
  EXPECT_NE(sim.Value("Modem Apn:"), "newapn");
  EXPECT_EQ(boxes.Texts().size(), 1);  // only the load's; the write reports in the log

  fast->setChecked(true);
  EXPECT_TRUE(verify->isChecked() && !verify->isEnabled());
  sim.ClearErrors();
  sim.SetKeepOldValue("AT+APN", 1);
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(23, 0, "newapn");
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_NE(LogFind(GBK("校验不符 Modem Apn: 写入值：newapn，设备值：CMNET\r\n")), std::string::npos) << Log();
  fast->setChecked(false);
  EXPECT_TRUE(verify->isChecked() && verify->isEnabled());
}

TEST_F(DeviceTest, DeviceThatIsOffIsWaitedForUntilItPowersUp) {
  sim.PowerOff();
  const QString waitText = QStringLiteral("载入参数失败，请将设备重新上电！");
  // While the waiting box is open (inside its modal loop): look at the workspace,
  // count the power-up bytes, then switch the device on.
  bool done = false;
  TipCatcher boxes;
  boxes.keepOpen = [&](const QString& text) {
    if (text != waitText) return false;
    QTimer::singleShot(0, [&] {
      EXPECT_EQ(ws->WorkMode(), kModeWaitPowerUp);
      EXPECT_FALSE(ws->Tree()->isEnabled() || ws->LoadRequested());
      const int s0 = sim.PowerUpBytesReceived();
      const int64_t t0 = Timing::NowMs();
      PumpUntil([&] { return sim.PowerUpBytesReceived() >= s0 + 5; }, kLongWaitMs);
      const int bytes = sim.PowerUpBytesReceived() - s0;
      EXPECT_GE(bytes, 5);  // one "S" per tick of the power-up watch, paced: no flood
      EXPECT_LE(bytes, (Timing::NowMs() - t0) / Timing::Scaled(kPowerUpTickMs) + 10);
      done = true;
      sim.PowerOn();  // its banner closes the box
    });
    return true;
  };
  ws->RequestLoad();  // as when entered in professional mode: no probe
  ASSERT_TRUE(PumpUntil([&] { return done; }, kLongWaitMs));
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_FALSE(TipBox::IsOpen());
  EXPECT_EQ(boxes.Texts(), QStringList{waitText});  // closed by the banner, no success box
  EXPECT_NE(LogFind(GBK("设备上电后进入配置状态成功...\r\n")), std::string::npos);
  EXPECT_NE(LogFind(GBK("载入RTU设备参数成功 ...\r\n")), std::string::npos);
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  EXPECT_EQ(ws->SaveToTable(23, 0), sim.Value("Modem Apn:"));
}

}  // namespace
