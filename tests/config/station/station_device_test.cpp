// The station pages inside the workspace, against the simulated device: what a load
// shows, what a save sends, the clock request and the jump to the transmission page.
#include <QComboBox>
#include <QEvent>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "../ui_support.h"
#include "base/cp936.h"
#include "config/station/camera_timer_dlg.h"
#include "config/station/com_trans_dlg.h"
#include "config/station/dev_dlg.h"
#include "config/station/gprs_dlg.h"
#include "config/station/station_widgets.h"
#include "config/station/terminal_dlg.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"

namespace {

constexpr double kScale = 0.05;
constexpr int kLongWaitMs = 30000;  // bound (unscaled) for an operation to finish

// Records a widget's enabled state each time it changes.
class EnabledRecorder : public QObject {
 public:
  explicit EnabledRecorder(QWidget* w) : w_(w) { w->installEventFilter(this); }
  std::vector<bool> states;

 protected:
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == w_ && e->type() == QEvent::EnabledChange) states.push_back(w_->isEnabled());
    return false;
  }

 private:
  QWidget* w_;
};

class StationDevice : public ::testing::Test {
 protected:
  void SetUp() override {
    UiBridge::Restart();
    Timing::SetScale(kScale);
    ResetParamValues();
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(port.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone));
    host = std::make_unique<TestHost>(port);
    ws = std::make_unique<TestWorkspace>();
    ws->InitWorkspace(host.get());
    receive = std::make_unique<ReceiveHelper>(port, *ws);
    ws->resize(1000, 600);
    ws->show();
  }
  void TearDown() override {
    ws->Shutdown();
    receive->Stop();
    ws.reset();
    host.reset();
    port.Close();
    sim.Stop();
    UiBridge::Restart();
    Timing::SetScale(1.0);
    ResetParamValues();
  }

  // The device in its configuration state, then the load button.
  void Load(BoxCatcher& boxes) {
    receive->Capture(true);
    ASSERT_EQ(port.Write("---", 3), 3);
    ASSERT_TRUE(PumpUntil([&] { return receive->Captured().find("\r\nCMD OK\r\n") != std::string::npos; }, 5000));
    receive->Capture(false);
    ws->Button(CRTUCfgDlg::kLoadId)->click();
    ASSERT_TRUE(PumpUntil([&] { return ws->WorkMode() != kModeIdle; }, 2000));
    ASSERT_TRUE(WaitReady());
  }
  // Idle with the operation buttons enabled again.
  bool WaitReady() {
    return PumpUntil([&] {
      return ws->WorkMode() == kModeIdle && ws->Button(CRTUCfgDlg::kSaveId)->isEnabled();
    }, kLongWaitMs);
  }
  void SelectNode(const QString& text) {
    const auto items = ws->Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(items.size(), 1) << text.toStdString();
    ws->Tree()->setCurrentItem(items[0]);
  }
  std::vector<std::string> Setters() const {
    std::vector<std::string> out;
    for (const auto& c : sim.ReceivedCommands())
      if (c.rfind("AT+", 0) == 0 && c != "AT+SHOW") out.push_back(c);
    return out;
  }
  template <typename T>
  T* PageOf(CfgPageId id) {
    return qobject_cast<T*>(ws->PageWidget(id));
  }

  RtuSimulator sim;
  CSerial port;
  std::unique_ptr<TestHost> host;
  std::unique_ptr<TestWorkspace> ws;
  std::unique_ptr<ReceiveHelper> receive;
};

TEST_F(StationDevice, LoadShowsTheTrickyValuesAndSaveSendsOnlyTheirCodes) {
  sim.SetValue("Total Servers:", "2");
  sim.SetValue("Server1's transfer mode:", "9");
  sim.SetValue("Protocol text type:", "5");
  sim.SetValue("Debug com parity:", "8-EVN-1");
  sim.SetValue("camera timer2 hour:", "13");
  sim.SetValue("camera timer3 hour:", "14");
  BoxCatcher boxes;
  Load(boxes);

  auto* centre = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  auto* terminal = PageOf<CRTUCfgTerminalDlg>(CfgPageId::Terminal);
  auto* timer = PageOf<CRTUCfgCameraTimer>(CfgPageId::CameraTimer);
  ASSERT_TRUE(centre && terminal && timer);
  EXPECT_EQ(centre->ServerCountList()->currentText(), QStringLiteral("2"));
  EXPECT_FALSE(centre->Center(1)->AddressEdit(true)->isHidden());
  EXPECT_TRUE(centre->Center(2)->AddressEdit(false)->isHidden());
  EXPECT_EQ(centre->Center(0)->ChannelList(false)->currentText(), QStringLiteral("TCP"));
  EXPECT_EQ(terminal->ProtocolList()->currentText(), QStringLiteral("水资源21"));
  EXPECT_EQ(g_nProtocolKind.load(), 2);
  EXPECT_EQ(terminal->SaveToTable(3, 0), "8E1");
  EXPECT_EQ(timer->Hour(1)->text(), QStringLiteral("13"));
  EXPECT_EQ(timer->Hour(2)->text(), QStringLiteral("14"));

  // Showing the terminal page lays out the report field for 水资源21.
  SelectNode(QStringLiteral("终端参数"));
  EXPECT_FALSE(terminal->isHidden());
  EXPECT_FALSE(terminal->ReportInterval()->isHidden());
  EXPECT_EQ(terminal->ReportLabel()->text(), QStringLiteral("电量上报间隔："));

  // Only the transfer mode the page could not show as it was differs.
  sim.ClearReceived();
  ws->Button(CRTUCfgDlg::kSaveId)->click();
  ASSERT_TRUE(PumpUntil([&] { return ws->WorkMode() != kModeIdle; }, 2000) || !Setters().empty());
  ASSERT_TRUE(WaitReady());
  EXPECT_EQ(Setters(), std::vector<std::string>{"AT+TRANMODE01=1"});
  EXPECT_EQ(sim.Value("Debug com parity:"), "8-EVN-1");
}

TEST_F(StationDevice, ManualClockIsSentWithItsWeekday) {
  BoxCatcher boxes;
  Load(boxes);
  auto* clock = PageOf<CRTUCfgDevDlg>(CfgPageId::Dev);
  ASSERT_NE(clock, nullptr);
  sim.ClearReceived();
  clock->DatePicker()->setDate(QDate(2024, 2, 29));
  clock->TimePicker()->setTime(QTime(23, 59, 59));
  clock->ModeList()->setCurrentIndex(1);
  emit clock->ModeList()->activated(1);
  EnabledRecorder modeList(clock->ModeList());
  EnabledRecorder setButton(clock->SetButton());
  clock->SetButton()->click();
  ASSERT_TRUE(PumpUntil([&] { return boxes.Saw(QStringLiteral("设置时间成功")); }, kLongWaitMs));
  ASSERT_TRUE(WaitReady());
  EXPECT_EQ(sim.ReceivedCommands(), std::vector<std::string>{"AT+EXCCLK=2024/02/29,23:59:59,4"});
  // The clock controls were disabled while the clock was set, the button never.
  EXPECT_EQ(modeList.states, (std::vector<bool>{false, true}));
  EXPECT_TRUE(setButton.states.empty());
  EXPECT_TRUE(clock->DatePicker()->isEnabled());
  EXPECT_FALSE(ws->Requests().Pending(CfgRequest::Clock));
}

TEST_F(StationDevice, SerialChannelJumpsToTheTransmissionPage) {
  QStringList questions;
  station_ui::SetAskHook([&](const QString& q) {
    questions << q;
    return true;
  });
  SelectNode(QStringLiteral("中心地址参数"));
  auto* centre = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  ASSERT_NE(centre, nullptr);
  EXPECT_FALSE(centre->isHidden());
  centre->LoadFromTable(18, 0, "1");
  QComboBox* channel = centre->Center(0)->ChannelList(false);
  channel->setCurrentIndex(6);
  emit channel->activated(6);
  station_ui::SetAskHook({});
  EXPECT_EQ(questions, QStringList{QStringLiteral("是否跳转配置串口参数？")});
  EXPECT_TRUE(centre->isHidden());
  EXPECT_FALSE(ws->PageWidget(CfgPageId::ComTrans)->isHidden());
  ASSERT_NE(ws->Tree()->currentItem(), nullptr);
  EXPECT_EQ(ws->Tree()->currentItem()->text(0), QStringLiteral("串口传输参数"));
}

}  // namespace
