// The parameter field: only user interaction makes the encoding apply; a typed text that
// is no item has no value; the next load forgets the edits. A channel source's sub-pages
// ("通道属性", "通信参数", "报警参数") offscreen: a loaded text is kept before the window
// exists and shown through the field's encoding after; an untouched control gives it back,
// also outside its list or not code page 936; the linkage and camera rows follow
// ShowAlarmLinkage. The channel page: kinds and save lengths, "更多参数", the element list,
// and the channel parameters through the workspace against the simulated device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <memory>

#include "base/cp936.h"
#include "config/channel_codes.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/channels/chn_proper_dlg.h"
#include "config/ui/channels/chn_warning_dlg.h"
#include "config/ui/fields/cfg_field.h"
#include "config/ui/station/camera_timer_dlg.h"
#include "config/ui/station/gprs_dlg.h"
#include "config/ui/station/terminal_dlg.h"
#include "ui_device_support.h"

namespace {
using channel_codes::Family;

// What the user does to a control: picks an item of a list, presses a key, types, or
// types over an edit's whole text.
void UserPick(QComboBox* list, const QString& item) {
  const int i = list->findText(item);
  ASSERT_GE(i, 0) << item.toStdString();
  list->setCurrentIndex(i);
  emit list->activated(i);
}
void Key(QWidget* w, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(w, &press);
}
void Type(QWidget* w, const QString& text) {
  for (QChar ch : text) Key(w, 0, QString(ch));
}
void UserType(QLineEdit* edit, const QString& text) {
  edit->selectAll();
  Type(edit, text);
}
QWidget* ControlOf(const CRTUCfgChnSrcDlg* page, int id) {
  const CRTUCfgChnSubDlg* sub = page->SubPageOf(id);
  return sub && sub->Field(id) ? sub->Field(id)->Control() : nullptr;
}

class ChannelPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ListingProtocolKind().store(0);
    ChannelCaptions::Instance().ClearAll();
    page.resize(800, 600);
    page.show();
  }
  CRTUCfgChnDlg page;
};

TEST_F(ChannelPageTest, KindChoicesAndSelections) {
  QStringList kinds;
  for (const std::string& k : channel_codes::KindList()) kinds << QString::fromStdString(k);
  for (int i = 0; i < page.KindList()->count(); ++i) kinds.removeOne(page.KindList()->itemText(i));
  EXPECT_TRUE(kinds.isEmpty() && page.KindList()->count() == 26);

  // 串口03 on a channel of length 0: kind 404, length 120, the serial page of port 3.
  page.LoadFromTable(31, 6, "0");
  page.SelectChannel(6);
  const struct {
    const char* pick;  // UTF-8, or nullptr: the length typed
    const char* kind;
    const char* length;
    CRTUCfgChnSrcDlg* shown;
  } steps[] = {{"串口03", "404", "120", page.SourcePage(Family::Serial, 3)},
               {"ADC1", "202", "120", page.SourcePage(Family::Adc, 1)},  // the length stays
               {"无", "0", "0", nullptr},
               {nullptr, "0", "64", nullptr}};
  for (const auto& s : steps) {
    if (s.pick) {
      UserPick(page.KindList(), QString::fromUtf8(s.pick));
      EXPECT_EQ(page.SaveLengthEdit()->text().toStdString(), s.length);
    } else {
      UserType(page.SaveLengthEdit(), QStringLiteral("64x"));
    }
    EXPECT_EQ(page.SaveToTable(30, 6), s.kind);
    EXPECT_EQ(page.SaveToTable(31, 6), s.length);
    EXPECT_EQ(page.ShownSource(), s.shown);
  }

  // Loading another channel's kind notes its caption and leaves the header with the
  // selected channel; loading the selected one's kind and length shows them and its source.
  page.SelectChannel(0);
  page.LoadFromTable(30, 4, "202");
  page.LoadFromTable(31, 4, "16");
  EXPECT_EQ(page.KindList()->currentText(), QStringLiteral("无"));
  EXPECT_EQ(page.CurrentChannel(), 0);
  EXPECT_EQ(ChannelCaptions::Instance().Get(4), "ADC1");
  EXPECT_EQ(page.ShownSource(), nullptr);
  page.LoadFromTable(30, 0, "103");
  page.LoadFromTable(31, 0, "24");
  EXPECT_EQ(page.KindList()->currentText(), QStringLiteral("DI2"));
  EXPECT_EQ(page.SaveLengthEdit()->text(), QStringLiteral("24"));
  EXPECT_EQ(page.ShownSource(), page.SourcePage(Family::Di, 2));
  EXPECT_EQ(page.CurrentChannel(), 0);

  // Selecting a channel changes none of its values, whatever they are.
  const struct {
    const char* kind;
    const char* length;
    const char* shown;  // kind list
    Family family;
    int n;
  } kept[] = {{"501", "30", "无", Family::None, 0},  {"999", "4", "无", Family::None, 0},
              {"0", "30", "无", Family::None, 0},    {"201", "0", "ADC0", Family::Adc, 0},
              {"0404", "abc", "串口03", Family::Serial, 3}, {"103", "8", "DI2", Family::Di, 2}};
  for (const auto& c : kept) {
    page.LoadFromTable(30, 9, c.kind);
    page.LoadFromTable(31, 9, c.length);
    page.SelectChannel(9);
    EXPECT_EQ(page.KindList()->currentText(), QString::fromUtf8(c.shown)) << c.kind;
    EXPECT_EQ(page.SaveLengthEdit()->text(), QString::fromLatin1(c.length)) << c.kind;
    EXPECT_EQ(page.ShownSource(), page.SourcePage(c.family, c.n)) << c.kind;
    EXPECT_EQ(page.SaveToTable(30, 9), c.kind);
    EXPECT_EQ(page.SaveToTable(31, 9), c.length);
  }
}

TEST_F(ChannelPageTest, ProtocolSwitchRefillsTheElementListAndMoreParametersShowTheLinkage) {
  // ADC1 on channel 2: a protocol switch refills its open element list, keeping the text.
  page.LoadFromTable(64, 1, GBK("水位5"));
  page.LoadFromTable(30, 1, "202");
  page.SelectChannel(1);
  auto* adc = dynamic_cast<CRTUCfgChnRowsDlg*>(page.SourcePage(Family::Adc, 1)->SubPage("通道属性"));
  ASSERT_TRUE(adc);
  EXPECT_EQ(adc->ElementList()->count(), 50);
  ListingProtocolKind().store(2);
  page.SelectChannel(1);
  EXPECT_EQ(adc->ElementList()->count(), 82);
  EXPECT_EQ(adc->ElementList()->currentText(), QStringLiteral("水位5"));
  EXPECT_EQ(page.SaveToTable(64, 1), GBK("水位5"));

  for (const auto& [kind, family, n] : {std::tuple{"401", Family::Serial, 0}, std::tuple{"301", Family::Pi, 0}}) {
    page.LoadFromTable(30, 0, kind);
    page.SelectChannel(0);
    CRTUCfgChnSrcDlg* src = page.SourcePage(family, n);
    auto* props = dynamic_cast<CRTUCfgChnRowsDlg*>(src->SubPage("通道属性"));
    ASSERT_TRUE(props);
    const bool pi = family == Family::Pi;
    const int reportId = pi ? 43 : 86, linkageId = pi ? 55 : 106;
    EXPECT_TRUE(props->ControlOf(reportId)->isHidden());
    EXPECT_FALSE(props->ControlOf(pi ? 47 : 89)->isHidden());  // element and accuracy
    EXPECT_FALSE(props->ControlOf(pi ? 46 : 88)->isHidden());
    src->SelectTab(src->TabCount() - 1);  // 报警参数, "更多参数" unticked
    EXPECT_TRUE(ControlOf(src, linkageId)->isHidden());
    src->SelectTab(0);
    props->MoreCheck()->click();
    EXPECT_FALSE(props->ControlOf(reportId)->isHidden());
    EXPECT_FALSE(props->ControlOf(reportId)->isEnabled());  // not used by 水资源21
    src->SelectTab(src->TabCount() - 1);
    EXPECT_FALSE(ControlOf(src, linkageId)->isHidden());
    // Choosing the channel's kind again hides the linkage until the tab is opened again.
    UserPick(page.KindList(), page.KindList()->currentText());
    EXPECT_TRUE(ControlOf(src, linkageId)->isHidden());
  }
}

TEST(CfgFieldTest, UserChangesApplyTheEncoding) {
  QComboBox onOff, element;
  QLineEdit edit;
  QCheckBox check;
  onOff.setEditable(true);
  element.setEditable(true);
  CfgField f1(channel_codes::kOnOff), f2(TextField()), f3, f4(FieldCode{
      {}, [](std::string_view v, int) { return v == "0" ? 0 : 1; },
      [](std::string_view, int item) -> std::optional<std::string> { return item ? "1" : "0"; }});
  f1.Attach(&onOff);
  f2.Attach(&element);
  f3.Attach(&edit);
  f4.Attach(&check);
  // Never loaded: no device value, whatever the control shows, so that a first load
  // fills it even with an empty text.
  for (CfgField* f : {&f1, &f2, &f3, &f4}) EXPECT_EQ(f->Get(), std::nullopt);
  f3.Set("");
  EXPECT_EQ(f3.Get(), "");
  f1.Set("7");
  f2.Set("\xCB\xAE\xCE\xBB" "5");  // 水位5
  f3.Set("\x81");
  f4.Set("");
  EXPECT_TRUE(check.isChecked());  // every value but "0" is on
  onOff.setCurrentIndex(1);  // the program's changes touch nothing
  edit.setText(QStringLiteral("program"));
  EXPECT_EQ(f1.Get(), "7");
  EXPECT_EQ(f3.Get(), "\x81");
  onOff.setCurrentIndex(0);

  int edits = 0;
  QObject::connect(&f1, &CfgField::edited, [&edits] { ++edits; });
  Key(&onOff, Qt::Key_Down);  // picks the next item: "开启"
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(f1.Get(), "1");
  onOff.lineEdit()->selectAll();
  Type(onOff.lineEdit(), QStringLiteral("开"));  // no item has this text
  EXPECT_EQ(f1.Get(), std::nullopt);

  Type(element.lineEdit(), QStringLiteral("X"));
  EXPECT_EQ(f2.Get(), "\xCB\xAE\xCE\xBB" "5X");  // 水位5X in code page 936
  edit.selectAll();
  Type(&edit, QStringLiteral("12"));
  EXPECT_EQ(f3.Get(), "12");
  check.click();
  EXPECT_EQ(f4.Get(), "0");
  // The next load forgets the edits.
  for (CfgField* f : {&f1, &f2, &f3, &f4}) {
    f->Set("9");
    EXPECT_FALSE(f->Touched());
    EXPECT_EQ(f->Get(), "9");
  }
}

using Make = std::function<std::unique_ptr<CRTUCfgChnSubDlg>()>;
const Make kComProper = [] { return std::make_unique<CRTUCfgChnProperDlg>(field_tables::kComProper); };
const Make kAdcProper = [] { return std::make_unique<CRTUCfgChnProperDlg>(field_tables::kAdcProper); };
const Make kAdcComm = [] { return std::make_unique<CRTUCfgChnCommAdcDlg>(); };
const Make kComm = [] { return std::make_unique<CRTUCfgChnCommComDlg>(); };
const Make kComAlarm = [] { return std::make_unique<CRTUCfgChnWarningDlg>(field_tables::kComAlarm); };
const Make kAdcAlarm = [] { return std::make_unique<CRTUCfgChnWarningDlg>(field_tables::kAdcAlarm); };
const Make kDiAlarm = [] { return std::make_unique<CRTUCfgChnWarningDiDlg>(); };
const Make kPiAlarm = [] { return std::make_unique<CRTUCfgChnWarningRainDlg>(); };

TEST(ChnSensorAlarmPages, LoadedTextIsKeptUntilTheUserChangesTheControl) {
  const struct {
    const Make* page;
    int id;
    std::string loaded;
    const char* shown;  // UTF-8; nullptr: not compared
    int pick;           // item the user picks, or -1 to type `typed`
    const char* typed;
    std::optional<std::string> saved;  // after the user's change
  } cases[] = {
      {&kComProper, 81, "2", "关闭", 1, nullptr, "1"},       {&kComProper, 83, "\xFF\x81", nullptr, -1, "5", "5"},
      {&kComProper, 85, "2", "关闭", -1, "开", std::nullopt}, {&kComProper, 89, GBK("水位5"), "水位5", 0, nullptr, GBK("雨量")},
      {&kAdcProper, 57, "", "关闭", 1, nullptr, "1"},         {&kAdcProper, 64, "", "", -1, "X", "X"},
      {&kAdcComm, 68, "", "电流", 0, nullptr, "1"},           {&kComm, 82, "9", "不使用", -1, "RS422", std::nullopt},
      {&kComm, 95, "\x81\x7f\xff", nullptr, -1, "17", "17"},  // not code page 936
      {&kComm, 99, "16", "", 12, nullptr, "12"},              {&kComAlarm, 106, "103", "无关联", -1, "K7", "208"},
      {&kComAlarm, 107, "5", "无关联", 1, nullptr, "1"},      {&kAdcAlarm, 79, "201", "K0", 4, nullptr, "202"},
      {&kDiAlarm, 32, "2", "", 1, nullptr, "1"},              {&kDiAlarm, 33, "6", "", 4, nullptr, "4"},
      {&kPiAlarm, 55, "202", "K1", -1, "abc", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.id) + " = \"" + c.loaded + "\"";
    std::unique_ptr<CRTUCfgChnSubDlg> page = (*c.page)();
    ASSERT_TRUE(page->SetField(c.id, c.loaded)) << what;
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": before the window exists";
    page->Create();
    page->show();
    page->ShowAlarmLinkage(true);
    page->ShowAlarmLinkage(false);
    QWidget* control = page->Field(c.id)->Control();
    auto* list = qobject_cast<QComboBox*>(control);
    QLineEdit* edit = list ? list->lineEdit() : qobject_cast<QLineEdit*>(control);
    ASSERT_TRUE(edit) << what;
    if (c.shown) {
      EXPECT_EQ(edit->text().toStdString(), c.shown) << what;
    }
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": shown, untouched";
    PickOrType(control, c.pick, c.typed);
    EXPECT_EQ(page->GetField(c.id), c.saved) << what << ": changed by the user";
  }
}

TEST(ChnSensorAlarmPages, LinkageAndCameraRowsFollowShowAlarmLinkageExceptOnADigitalInput) {
  const struct {
    const Make* page;
    std::vector<int> always;  // fields always shown
    bool follows;             // the linkage and camera rows follow ShowAlarmLinkage
  } pages[] = {{&kComAlarm, {100, 101, 102}, true}, {&kPiAlarm, {51}, true}, {&kDiAlarm, {32, 33}, false}};
  for (const auto& p : pages) {
    std::unique_ptr<CRTUCfgChnSubDlg> page = (*p.page)();
    page->Create();
    page->show();
    const int first = static_cast<CRTUCfgChnWarningBase*>(page.get())->CameraIntervalId();
    std::vector<QWidget*> shared;  // the five rows' controls (labels and hints go with them)
    for (int id = first; id < first + 5; ++id) shared.push_back(page->Field(id)->Control());
    for (QLabel* label : page->findChildren<QLabel*>())
      if (label->text().startsWith(QStringLiteral("(0~255s)"))) shared.push_back(label);
    ASSERT_EQ(shared.size(), 6u) << first;
    // As created (hidden until "更多参数" asks for them), then shown, then hidden again.
    for (int step = 0; step < 3; ++step) {
      if (step > 0) page->ShowAlarmLinkage(step == 1);
      for (QWidget* w : shared) EXPECT_EQ(w->isHidden(), p.follows && step != 1) << first << " step " << step;
      for (int id : p.always) EXPECT_FALSE(page->Field(id)->Control()->isHidden()) << id;
    }
  }
}

// --- against the simulated device ---

class ChannelDeviceTest : public DeviceTest {
 protected:
  std::string Label(int id, int k) const { return FormatLabel(*FindParam(id), k + 1); }
  void SetDevice(int id, int k, const std::string& value) { sim.SetValue(Label(id, k), value); }
  CRTUCfgChnDlg* Channels() const { return PageOf<CRTUCfgChnDlg>(CfgPageId::Channel); }
  void SelectNode(int channel) {  // 0-based
    ws->Tree()->setCurrentItem(ws->Tree()->topLevelItem(0)->child(channel));
  }
  std::vector<std::string> Save() {
    sim.ClearReceived();
    Click(CRTUCfgDlg::kSaveId);
    EXPECT_TRUE(WaitIdle(kLongWaitMs));
    return Setters();
  }
};

// A load fills every channel and the tree; a kind choice, a source shown by two channels
// and a serial source's settings and alarm edits send exactly their lines, each once.
TEST_F(ChannelDeviceTest, LoadFillsEveryChannelAndTheTreeAndEditsSendExactlyTheirLines) {
  SetDevice(30, 25, "999");  // of no kind: captioned as none, kept
  SetDevice(31, 25, "0");
  SetDevice(30, 29, "103");  // channels 9 and 30 on DI2
  SetDevice(107, 0, "5");    // no linkage state of the list: kept while untouched
  TipCatcher boxes;
  EnterAndLoad(boxes);
  CRTUCfgChnDlg* chn = Channels();
  ASSERT_TRUE(chn);
  const QString nodes[] = {QStringLiteral("通道01|ADC0"), QStringLiteral("通道05|PI0"), QStringLiteral("通道07|DI0"),
                           QStringLiteral("通道25|串口14"), QStringLiteral("通道26")};
  for (const QString& node : nodes)
    EXPECT_TRUE(PumpUntil([&] { return Node(node) != nullptr; }, kLongWaitMs)) << node.toStdString();
  SelectNode(25);
  EXPECT_EQ(chn->KindList()->currentText(), QStringLiteral("无"));
  UserPick(chn->KindList(), QStringLiteral("串口03"));
  CRTUCfgChnSrcDlg* di2 = chn->SourcePage(Family::Di, 2);
  SelectNode(8);
  EXPECT_EQ(chn->ShownSource(), di2);
  SelectNode(29);
  EXPECT_EQ(chn->ShownSource(), di2);
  UserPick(qobject_cast<QComboBox*>(ControlOf(di2, 33)), QStringLiteral("下降沿"));
  SelectNode(10);  // channel 11: 串口00
  CRTUCfgChnSrcDlg* com = chn->SourcePage(Family::Serial, 0);
  ASSERT_EQ(chn->ShownSource(), com);
  auto list = [com](int id) { return qobject_cast<QComboBox*>(ControlOf(com, id)); };
  com->SelectTab(1);  // 通信参数
  UserPick(list(82), QStringLiteral("RS485-1"));
  UserType(list(93)->lineEdit(), QStringLiteral("19200"));
  UserType(qobject_cast<QLineEdit*>(ControlOf(com, 95)), QStringLiteral("17"));
  UserType(list(99)->lineEdit(), QStringLiteral("Float"));  // no layout: kept, and said so
  com->SelectTab(2);  // 报警参数
  UserType(qobject_cast<QLineEdit*>(ControlOf(com, 100)), QStringLiteral("88.5"));
  UserPick(list(106), QStringLiteral("K1"));
  EXPECT_EQ(Save(), (std::vector<std::string>{"AT+CHNNLTYPE26=404", "AT+CHNSVLEN26=120", "AT+IIOLRMOP03=4",
                                               "AT+COMTYPE01=4", "AT+COMSPEED01=19200", "AT+COMMBADDR01=17",
                                               "AT+COMLRMUPP01=88.5", "AT+COMRLTNTYPE01=202"}));
  EXPECT_EQ(sim.Value("Channel26 type:"), "404");
  EXPECT_EQ(sim.Value("Com1 related value:"), "5");
  EXPECT_NE(LogFind("Com1 modbus data type" + GBK(": 无效的值，未写入")), std::string::npos);
  EXPECT_EQ(sim.Value("Com1 modbus data type:"), "0");
  EXPECT_TRUE(PumpUntil([&] { return Node(QStringLiteral("通道26|串口03")) != nullptr; }, kLongWaitMs));
}

// A load that changes the selected channel and another one: the header, the edit and the
// source page stay with the selected node, so a typed length goes to that channel.
TEST_F(ChannelDeviceTest, ReloadKeepsTheHeaderOnTheSelectedChannel) {
  TipCatcher boxes;
  EnterAndLoad(boxes);
  CRTUCfgChnDlg* chn = Channels();
  ASSERT_TRUE(chn);
  SelectNode(2);
  SetDevice(30, 2, "202");  // channel 3 becomes ADC1
  SetDevice(31, 2, "77");
  SetDevice(30, 7, "404");  // channel 8, reloaded after it
  Click(CRTUCfgDlg::kLoadId);
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(chn->CurrentChannel(), 2);
  EXPECT_EQ(chn->KindList()->currentText(), QStringLiteral("ADC1"));
  EXPECT_EQ(chn->SaveLengthEdit()->text(), QStringLiteral("77"));
  EXPECT_EQ(chn->ShownSource(), chn->SourcePage(Family::Adc, 1));
  UserType(chn->SaveLengthEdit(), QStringLiteral("66"));
  EXPECT_EQ(Save(), std::vector<std::string>{"AT+CHNSVLEN03=66"});
}

// Entering loads, and every control shows the device's value: the tricky ones and values
// outside every coded field's list. Saving without an edit sends nothing, also after every
// channel node and every tab of every source page was shown.
TEST_F(ChannelDeviceTest, EnteringLoadsEveryValueAndNoneIsWrittenWithoutAnEdit) {
  const std::vector<std::pair<int, const char*>> codes = {
      // station pages ("9" is no transfer mode)
      {0, "9"}, {8, "2"}, {13, "01"}, {19, "9"}, {146, "on"}, {155, "7"},
      {158, "9"}, {162, "2"}, {163, "3"}, {159, "9601"}, {23, "\xFF\xFE"},
      // channel kinds and lengths
      {30, "501"}, {31, "abc"},
      // sources: on/off, counting, input type, interface, layout, sensor protocol, input
      // switch, trigger, linkage target and state, text lists
      {57, "2"}, {60, "2"}, {81, "2"}, {85, "2"}, {39, "2"}, {42, "2"}, {40, "7"}, {68, "5"},
      {82, "9"}, {99, "16"}, {161, "2"}, {32, "2"}, {33, "6"}, {37, "103"}, {38, "5"},
      {55, "103"}, {56, "5"}, {79, "103"}, {80, "5"}, {106, "103"}, {107, "5"},
      {84, "7"}, {89, "\xFF"}, {93, "9601"}, {94, "9X9"}};
  for (const auto& [id, value] : codes) {
    for (int k = 0; k < FindParam(id)->count; ++k) SetDevice(id, k, value);
  }
  SetDevice(30, 1, "999");
  for (const auto& [label, value] : {std::pair{"Total Servers:", "2"}, {"Protocol text type:", "5"},
                                     {"Debug com parity:", "8-EVN-1"}, {"Yc type:", "48"},
                                     {"Modem user name:", "用户甲"}})
    sim.SetValue(label, GBK(value));
  TipCatcher boxes;
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
  EXPECT_EQ(entriesEnded, 1);
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

  // The pages show them: "9" as TCP, two centres open, the protocol and its kind, the
  // timers' switches on for "7".
  auto* centre = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  auto* terminal = PageOf<CRTUCfgTerminalDlg>(CfgPageId::Terminal);
  ASSERT_TRUE(centre && terminal);
  EXPECT_FALSE(centre->Center(1)->AddressEdit(true)->isHidden());
  EXPECT_TRUE(centre->Center(2)->AddressEdit(false)->isHidden());
  EXPECT_EQ(centre->Center(0)->ChannelList(false)->currentText(), QStringLiteral("TCP"));
  EXPECT_EQ(ListingProtocolKind().load(), 2);
  EXPECT_TRUE(PageOf<CRTUCfgCameraTimer>(CfgPageId::CameraTimer)->Switch(1)->isChecked());
  // Showing the terminal page lays out the report field for 水资源21.
  ws->Tree()->setCurrentItem(Node(QStringLiteral("终端参数")));
  EXPECT_FALSE(terminal->ReportInterval()->isHidden());
  EXPECT_EQ(terminal->ReportLabel()->text(), QStringLiteral("电量上报间隔："));
  EXPECT_EQ(Save(), std::vector<std::string>{});

  CRTUCfgChnDlg* chn = Channels();
  const struct {
    Family family;
    int count;
    int kind;
  } families[] = {{Family::Serial, 15, 401}, {Family::Adc, 4, 201}, {Family::Di, 4, 101}, {Family::Pi, 2, 301}};
  for (int n = 0; n < 30; ++n) SelectNode(n);
  for (const auto& f : families) {
    for (int n = 0; n < f.count; ++n) {
      // Bind channel 30 to the source through a load, as the device would list it.
      chn->LoadFromTable(30, 29, std::to_string(f.kind + n));
      SelectNode(0);
      SelectNode(29);
      CRTUCfgChnSrcDlg* src = chn->SourcePage(f.family, n);
      ASSERT_EQ(chn->ShownSource(), src);
      for (int tab = 0; tab < src->TabCount(); ++tab) src->SelectTab(tab);
    }
  }
  chn->LoadFromTable(30, 29, sim.Value(Label(30, 29)));
  for (const char* node : {"终端参数", "中心地址参数", "中心其它参数", "摄像头定时报", "短信参数", "串口传输参数"})
    ws->Tree()->setCurrentItem(Node(QString::fromUtf8(node)));
  EXPECT_EQ(Save(), std::vector<std::string>{});
  EXPECT_EQ(sim.Value(Label(30, 0)), "501");
  EXPECT_EQ(sim.Value(Label(31, 0)), "abc");
  EXPECT_EQ(sim.Value("Debug com parity:"), "8-EVN-1");
}

}  // namespace
