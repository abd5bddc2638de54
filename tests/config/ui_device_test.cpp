// The workspace end to end: a real serial port on the simulated device, a receive
// thread as the main window's, the workspace's own worker and the station pages.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "config/station/camera_timer_dlg.h"
#include "config/station/gprs_dlg.h"
#include "config/station/terminal_dlg.h"
#include "ui_device_support.h"

namespace {

TEST_F(DeviceTest, EnteringLoadsAndEveryControlShowsTheDevicesValue) {
  // The tricky values, and values away from the factory ones on every station page.
  const std::pair<const char*, const char*> values[] = {
      {"Total Servers:", "2"},       {"Server1's transfer mode:", "9"}, {"Protocol text type:", "5"},
      {"Debug com parity:", "8-EVN-1"}, {"camera timer2 open:", "1"},    {"Protocol work type:", "1"},
      {"Szy Water order:", "1"},     {"Yc type:", "48"},                {"Sms set:", "1"},
      {"Transfer com type:", "3"},   {"Modem user name:", "用户甲"}};
  for (const auto& [label, value] : values) sim.SetValue(label, GBK(value));
  BoxCatcher boxes;
  EnterAndLoad(boxes);
  EXPECT_NE(LogFind(GBK("进入配置成功！\r\n")), std::string::npos);
  const size_t show = LogFind(">:AT+SHOW\r\n");
  ASSERT_NE(show, std::string::npos);
  EXPECT_NE(LogFind(GBK("载入RTU设备参数成功 ...\r\n"), show), std::string::npos);
  // The log window shows the whole listing, not only its start.
  QCoreApplication::processEvents();
  const QString shown = ws->LogDlg()->Text();
  for (const char* label : {"Server8's transfer mode:", "Server8's Ip:", "Channel30 type:"})
    EXPECT_TRUE(shown.contains(QString::fromLatin1(label))) << label;
  EXPECT_EQ(host->entriesEnded, 1);
  EXPECT_TRUE(ws->isEnabled());
  EXPECT_TRUE(ws->LogWindow()->isEnabled());

  int checked = 0;
  for (int id = 0; id <= 163; ++id) {
    const ParamEntry* e = FindParam(id);
    for (int k = 0; e && k < e->count; ++k) {
      const std::string label = FormatLabel(*e, k + 1);
      EXPECT_EQ(GetRawValue(*e, k), sim.Value(label)) << label;
      EXPECT_EQ(ws->SaveToTable(id, k), GetParamText(id, k).value()) << label;
      ++checked;
    }
  }
  EXPECT_GT(checked, 500);

  // The pages show them: "9" as TCP, the protocol and its kind, the timers' switches.
  auto* centre = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  auto* terminal = PageOf<CRTUCfgTerminalDlg>(CfgPageId::Terminal);
  ASSERT_TRUE(centre && terminal);
  EXPECT_FALSE(centre->Center(1)->AddressEdit(true)->isHidden());
  EXPECT_TRUE(centre->Center(2)->AddressEdit(false)->isHidden());
  EXPECT_EQ(centre->Center(0)->ChannelList(false)->currentText(), QStringLiteral("TCP"));
  EXPECT_EQ(g_nProtocolKind.load(), 2);
  EXPECT_TRUE(PageOf<CRTUCfgCameraTimer>(CfgPageId::CameraTimer)->Switch(1)->isChecked());

  // Showing the terminal page lays out the report field for 水资源21.
  ws->Tree()->setCurrentItem(Node(QStringLiteral("终端参数")));
  EXPECT_FALSE(terminal->ReportInterval()->isHidden());
  EXPECT_EQ(terminal->ReportLabel()->text(), QStringLiteral("电量上报间隔："));

  // Saving without an edit sends nothing, although "9" is no transfer mode.
  sim.ClearReceived();
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(Setters(), std::vector<std::string>{});
  EXPECT_EQ(sim.Value("Debug com parity:"), "8-EVN-1");
}

// Then the "写入后校验" and "快速写入" boxes: off at start; fast writing ticks and locks
// verification; a verified save logs the value the device did not keep.
TEST_F(DeviceTest, ErrorForOneParameterRecoversRetriesAndTheOthersGoOutThenVerifyFindsAKeptValue) {
  BoxCatcher boxes;
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
  EXPECT_EQ(boxes.Tips().size(), 1);  // only the load's; the write reports in the log

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
  bool scheduled = false, done = false;
  BoxCatcher boxes;
  boxes.keepOpen = [&](const QString& text) {
    if (text != waitText) return false;
    if (!scheduled) {
      scheduled = true;
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
    }
    return true;
  };
  ws->RequestLoad();  // as when entered in professional mode: no probe
  ASSERT_TRUE(PumpUntil([&] { return done; }, kLongWaitMs));
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_FALSE(TipBox::IsOpen());
  EXPECT_EQ(boxes.Tips(), QStringList{waitText});  // closed by the banner, no success box
  EXPECT_NE(LogFind(GBK("设备上电后进入配置状态成功...\r\n")), std::string::npos);
  EXPECT_NE(LogFind(GBK("载入RTU设备参数成功 ...\r\n")), std::string::npos);
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  EXPECT_EQ(ws->SaveToTable(23, 0), sim.Value("Modem Apn:"));
}

}  // namespace
