// The workspace end to end on the simulated device: a write that fails for one parameter,
// verification, a device that is off, the review before a write and offline editing (the
// load: ChannelDeviceTest).
#include <QCheckBox>
#include <QComboBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include "config/ui/write_review_dlg.h"
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
  EXPECT_NE(LogFind(GBK("校验不符 Modem Apn: 写入值：newapn，设备值：CMNET\r\n")), std::string::npos) << ws->LogText();
  fast->setChecked(false);
  EXPECT_TRUE(verify->isChecked() && verify->isEnabled());
}

// A verified save refills the pages from the listing read back: the value the device
// kept shows on its page, the value it does not list stays as sent (reported), and the
// next save has nothing to send.
TEST_F(DeviceTest, VerifiedSaveShowsWhatTheDeviceHoldsAndTheNextSaveSendsNothing) {
  TipCatcher boxes;
  EnterAndLoad(boxes);
  ws->VerifyWritesBox()->setChecked(true);
  sim.SetKeepOldValue("AT+APN", 1);
  sim.SetListingFaults({.longValues = false, .omit = "Modem user name:"});
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(23, 0, "newapn");
  ws->Page(CfgPageId::CenterOther)->LoadFromTable(24, 0, "user2");
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  EXPECT_EQ(ws->SaveToTable(23, 0), "CMNET");
  EXPECT_EQ(ws->SaveToTable(24, 0), "user2");
  EXPECT_EQ(GetParamText(24, 0), "user2");
  EXPECT_NE(LogFind(GBK("未能校验（设备参数中没有此项） Modem user name: 写入值：user2\r\n")), std::string::npos);
  sim.ClearReceived();
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_TRUE(Setters().empty());
  EXPECT_NE(LogFind(GBK("没有需要写入的参数")), std::string::npos);
}

// A listing longer than the receive text: the load fails after its attempts and the
// recovery, and the pages and the table keep what the last good load brought.
TEST_F(DeviceTest, ListingLongerThanTheReceiveTextFailsTheLoadAndChangesNoPage) {
  TipCatcher boxes;
  EnterAndLoad(boxes);
  const std::string table = BuildListing();
  sim.SetListingFaults({.longValues = true, .omit = {}});
  sim.ClearReceived();
  const size_t from = ws->LogText().size();
  Click(CRTUCfgDlg::kLoadId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(sim.CountReceived("AT+SHOW"), 6);
  EXPECT_NE(LogFind(GBK("设备参数列表超过40960字节，本次读取无效\r\n"), from), std::string::npos);
  EXPECT_NE(LogFind(GBK("载入RTU设备参数失败...\r\n"), from), std::string::npos);
  EXPECT_EQ(LogFind(GBK("载入RTU设备参数成功 ...\r\n"), from), std::string::npos);
  EXPECT_EQ(BuildListing(), table);
  EXPECT_EQ(ws->SaveToTable(23, 0), "CMNET");
}

// The first load shows empty device values too: the station type list leaves its
// construction item.
TEST_F(DeviceTest, FirstLoadShowsAnEmptyDeviceValue) {
  sim.SetValue("Yc type:", "");
  auto* stationType = ws->findChild<QComboBox*>(QStringLiteral("stationTypeCombo"));
  ASSERT_NE(stationType, nullptr);
  ASSERT_FALSE(stationType->currentText().isEmpty());
  TipCatcher boxes;
  EnterAndLoad(boxes);
  EXPECT_EQ(stationType->currentText(), QString());
  EXPECT_EQ(ws->SaveToTable(15, 0), "");
}

// A file that is only reviewed, or refused for offline editing, leaves the protocol the
// device's listing set: the pages keep offering its element lists and rows.
TEST_F(DeviceTest, ReviewedOrRefusedFileKeepsTheDevicesProtocol) {
  sim.SetValue("Protocol text type:", "5");
  TipCatcher boxes;
  EnterAndLoad(boxes);
  ASSERT_EQ(ListingProtocolKind().load(), 2);
  const int addressTypeSeen = ListingAddressTypeSeen().load();
  QTemporaryDir dir;
  ws->openPath = dir.filePath(QStringLiteral("other.cfg"));
  WriteAll(ws->openPath, "Protocol text type:  1\r\nModem Apn:  other\r\n");
  ws->review = [](WriteSelection&) { return false; };
  ws->LoadConfigFromFile();
  ASSERT_EQ(ws->reviews.size(), 1u);
  EXPECT_EQ(ListingProtocolKind().load(), 2);
  EXPECT_EQ(ListingAddressTypeSeen().load(), addressTypeSeen);
  WriteAll(dir.filePath(QStringLiteral("junk.cfg")), "no parameter\r\n");
  EXPECT_FALSE(ws->OpenOffline(dir.filePath(QStringLiteral("junk.cfg"))));
  EXPECT_EQ(ListingProtocolKind().load(), 2);
  EXPECT_EQ(ListingAddressTypeSeen().load(), addressTypeSeen);
  EXPECT_EQ(ws->SaveToTable(23, 0), "CMNET");
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


using Strings = std::vector<std::string>;

Strings Rows(const WritePlan& plan) {
  Strings rows;
  for (const WritePlanRow& r : plan) rows.push_back(r.label + "=" + r.newValue);
  return rows;
}

// Two station page values, a channel page value and a camera type outside its list edited.
const struct {
  int id, index;
  const char* label;  // in the listing
  const char* value;
} kEdited[] = {{4, 0, "Device address", "12345679"},
               {23, 0, "Modem Apn", "CMIOT"},
               {31, 6, "Channel07 save length", "9"},
               {149, 2, "camera3 type", "7"}};
void Edit(TestWorkspace& ws) {
  for (const auto& e : kEdited) ws.LoadFromTable(e.id, e.index, e.value);
}
// The review's rows for them.
Strings Edits() {
  Strings out;
  for (const auto& e : kEdited) out.push_back(std::string(e.label) + "=" + e.value);
  return out;
}

TEST_F(DeviceTest, OfflineEditSavesExactlyTheEditedLinesAndTheReviewedFileSendsExactlyTheirSetters) {
  TipCatcher boxes;
  EnterAndLoad(boxes);
  QTemporaryDir dir;
  // Names outside ASCII and outside code page 936.
  const QString loaded = dir.filePath(QStringLiteral("设备参数 载入.cfg"));
  ws->savePath = loaded;
  ws->SaveConfigToFile();
  std::string expected = ReadAll(loaded);
  WriteAll(dir.filePath(QStringLiteral("junk.cfg")), "no parameter\r\n");
  EXPECT_FALSE(ws->OpenOffline(dir.filePath(QStringLiteral("junk.cfg"))));
  EXPECT_EQ(GetParamText(23, 0), "CMNET");  // a refused file leaves the table alone

  ResetParamValues();  // a fresh session: the file alone fills the pages
  ASSERT_TRUE(ws->OpenOffline(loaded));
  QCoreApplication::processEvents();
  for (int id : {CRTUCfgDlg::kLoadId, CRTUCfgDlg::kSaveId, CRTUCfgDlg::kLoadFileId})
    EXPECT_FALSE(ws->Button(id)->isEnabled()) << id;
  EXPECT_TRUE(ws->Button(CRTUCfgDlg::kSaveFileId)->isEnabled());
  sim.ClearReceived();
  Edit(*ws);
  ws->SaveParameters();  // refused, said in the log
  const QString edited = dir.filePath(QStringLiteral("离线编辑-한국.cfg"));
  ws->savePath = edited;
  ws->SaveConfigToFile();
  for (const auto& e : kEdited) {
    const std::string line = std::string(e.label) + ":  ";
    const size_t at = expected.find("\r\n" + line) + 2, end = expected.find("\r\n", at);
    expected.replace(at, end - at, line + e.value);
  }
  EXPECT_EQ(ReadAll(edited), expected);  // the device-loaded file but for the edited lines
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_NE(LogFind(GBK("离线编辑中，设备操作不可用")), std::string::npos);

  ws->RequestLoad();  // a load from the device ends offline editing
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  // The review lists what the file would send; a cancelled or unticked row stays off the
  // wire, and an unticked row leaves the table at the device's value: a save writes it.
  ws->openPath = edited;
  ws->review = [](WriteSelection&) { return false; };  // 取消
  ws->LoadConfigFromFile();
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  ASSERT_EQ(ws->reviews.size(), 1u);
  EXPECT_EQ(Rows(ws->reviews.back()), Edits());
  EXPECT_TRUE(Setters().empty());
  ws->review = [](WriteSelection& s) { return s.erase({31, 6}) == 1; };  // channel 7 unticked
  ws->LoadConfigFromFile();
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(Rows(ws->reviews.back()), Edits());
  EXPECT_EQ(Setters(), (Strings{"AT+YCADDR=12345679", "AT+APN=CMIOT", "AT+CAMTYPE03=7"}));
  ws->review = {};
  Edit(*ws);  // the pages as edited
  Click(CRTUCfgDlg::kSaveId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(Rows(ws->reviews.back()), Strings{"Channel07 save length=9"});
  EXPECT_EQ(Setters().size(), 4u);
  EXPECT_EQ(Setters().back(), "AT+CHNSVLEN07=9");
  Click(CRTUCfgDlg::kSaveId);  // nothing to send: no review, said in the log
  EXPECT_EQ(ws->reviews.size(), 3u);
  EXPECT_NE(LogFind(GBK("没有需要写入的参数")), std::string::npos);
}

TEST(WriteReviewDlg, EveryRowStartsTickedAndAnUntickedRowIsLeftOut) {
  const WritePlan plan = {{.id = 23, .index = 0, .label = "Modem Apn", .deviceValue = "CMNET", .newValue = GBK("专网")},
                          {.id = 31, .index = 6, .label = "Channel07 save length", .deviceValue = "4", .newValue = "9"}};
  CWriteReviewDlg dialog(plan);
  EXPECT_EQ(dialog.Table()->item(0, 2)->text(), QStringLiteral("专网"));
  EXPECT_EQ(dialog.Selection(), SelectAll(plan));
  dialog.Table()->item(1, 0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.Selection(), (WriteSelection{{23, 0}}));
  if (const QString shot = qEnvironmentVariable("QX310_REVIEW_SHOT"); !shot.isEmpty()) dialog.grab().save(shot);
}

}  // namespace

namespace {

// The rows in the pages' words: where the field is, its values as the page shows them
// with the device's text beside, and what the device calls it and receives.
TEST(WriteReviewDlg, RowsSayWhereThePagesShowTheFieldAndWhatTheyShow) {
  const WritePlan plan = {
      {.id = 7, .index = 0, .label = "Protocol text type", .deviceValue = "0", .newValue = "5"},
      {.id = 21, .index = 5, .label = "Server6's port", .deviceValue = "5001", .newValue = "6001"},
      {.id = 31, .index = 6, .label = "Channel07 save length", .deviceValue = "4", .newValue = "9"},
      {.id = 60, .index = 1, .label = "Adc2 if upload", .deviceValue = "0", .newValue = "1"}};
  std::vector<int> kinds(30, 0);
  kinds[6] = 202;  // channel 7 on ADC1
  CWriteReviewDlg dialog(plan, nullptr, kinds);
  QTableWidget* t = dialog.Table();
  auto text = [t](int r, int c) { return t->item(r, c)->text(); };
  EXPECT_EQ(text(0, 0), QStringLiteral("终端参数 › 通信协议"));
  EXPECT_EQ(text(0, 1), QStringLiteral("水文HEX (0)"));
  EXPECT_EQ(text(0, 2), QStringLiteral("水资源21 (5)"));
  EXPECT_EQ(t->item(0, 0)->toolTip(), QStringLiteral("Protocol text type\nAT+PROTTXT=5"));
  EXPECT_EQ(t->item(0, 2)->toolTip(), t->item(0, 0)->toolTip());
  EXPECT_EQ(text(1, 0), QStringLiteral("中心地址参数 › 中心2 › 备中心端口"));
  EXPECT_EQ(text(1, 2), QStringLiteral("6001"));
  EXPECT_EQ(t->item(1, 0)->toolTip(), QStringLiteral("Server6's port\nAT+MULTIPORT06=6001"));
  EXPECT_EQ(text(2, 0), QStringLiteral("通道07 › 通道存储长度"));
  EXPECT_EQ(t->item(2, 0)->toolTip(), QStringLiteral("Channel07 save length\nAT+CHNSVLEN07=9"));
  EXPECT_EQ(text(3, 0), QStringLiteral("通道07|ADC1 › 通道属性 › 上报开启"));
  EXPECT_EQ(text(3, 1) + QLatin1Char('>') + text(3, 2), QStringLiteral("关闭 (0)>开启 (1)"));
  // Selection is by instance, as before.
  t->item(1, 0)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(dialog.Selection(), (WriteSelection{{7, 0}, {31, 6}, {60, 1}}));
  // Without the channels' kinds a source's field names the source.
  CWriteReviewDlg plain(plan);
  EXPECT_EQ(plain.Table()->item(3, 0)->text(), QStringLiteral("ADC1 › 通道属性 › 上报开启"));
  if (const QString dir = qEnvironmentVariable("QX310_SHOTS_DIR"); !dir.isEmpty()) {
    dialog.show();
    dialog.grab().save(dir + QStringLiteral("/review.png"));
  }
}

}  // namespace
