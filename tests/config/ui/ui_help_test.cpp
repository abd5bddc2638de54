// Help on every field: each control bound to a parameter instance tells, in its tooltip,
// the listing label, the command word with its instance, the accepted values and the
// value at the last load. The walk goes through every page as the user would.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTabBar>
#include <QTreeWidgetItemIterator>
#include <set>

#include "config/cfg_fakes.h"
#include "config/field_help.h"
#include "config/field_tables.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/channels/chn_src_dlg.h"
#include "config/ui/channels/chn_sub_dlg.h"
#include "config/ui/fields/cfg_field.h"
#include "config/ui/station/gprs_dlg.h"
#include "ui_support.h"

namespace {

using channel_codes::Family;

class HelpTest : public WorkspaceFixture {
 protected:
  void SetUp() override {
    device.SetSink([this](const char* d, int n) { ws->OnSerialData(d, n); });
    StartWorkspace(device, kMachineTestScale);
  }
  void StopFeeding() override { device.SetSink(nullptr); }

  CRTUCfgChnDlg* Channels() { return PageOf<CRTUCfgChnDlg>(CfgPageId::Channel); }
  template <typename T>
  T* Control(CfgPageId page, const char* name) {
    return ws->PageWidget(page)->findChild<T*>(QString::fromLatin1(name));
  }

  // The command words the tooltips of the parameter controls name now.
  void CollectCommands(std::set<std::string>& seen) {
    static const QRegularExpression word(QStringLiteral("命令：(AT\\+[A-Z]+\\d*)"));
    for (QWidget* w : ws->findChildren<QWidget*>()) {
      if (!qobject_cast<QLineEdit*>(w) && !qobject_cast<QComboBox*>(w) && !qobject_cast<QCheckBox*>(w))
        continue;
      const QRegularExpressionMatch m = word.match(w->toolTip());
      if (m.hasMatch()) seen.insert(m.captured(1).toStdString());
    }
  }

  ScriptedDevice device;
};

TEST_F(HelpTest, EveryBoundControlOfEveryPageTellsItsCommandWord) {
  // Channels 1-25 bound to the 25 sources, so that every source page is opened; all
  // four centres open.
  int channel = 0;
  for (Family f : {Family::Serial, Family::Adc, Family::Di, Family::Pi})
    for (int n = 0; n < channel_codes::SourceCount(f); ++n)
      ws->LoadFromTable(30, channel++, std::to_string(channel_codes::KindBase(f) + n));
  ws->LoadFromTable(18, 0, "4");
  ASSERT_TRUE(PumpUntil([&] { return Node(QStringLiteral("通道25|PI1")) != nullptr; }, 6 * kTestMarginMs));

  std::set<std::string> seen;
  for (QTreeWidgetItemIterator it(ws->Tree()); *it; ++it) {
    ws->Tree()->setCurrentItem(*it);
    CollectCommands(seen);
    if (CRTUCfgChnSrcDlg* source = Channels()->ShownSource()) {
      for (int tab = 0; tab < source->TabCount(); ++tab) {
        source->SelectTab(tab);
        CollectCommands(seen);
      }
    }
  }
  QTabBar* centres = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress)->Tabs();
  for (int tab = 0; tab < centres->count(); ++tab) centres->setCurrentIndex(tab);
  auto* cameras = Control<QComboBox>(CfgPageId::Camera, "cameraCombo");
  for (int camera = 0; camera < cameras->count(); ++camera) cameras->setCurrentIndex(camera);
  CollectCommands(seen);

  // Every instance a control shows is named by one; only the rows without a control
  // (the debug port's settings, kept as loaded) are not.
  std::set<std::string> expected;
  for (const field_help::FieldHelp& h : field_help::DescribeAll())
    if (h.command.rfind("AT+DEBUG", 0) != 0 && h.command.rfind("AT+DBGCOM", 0) != 0) expected.insert(h.command);
  EXPECT_EQ(expected.size(), 754u);
  std::vector<std::string> missing;
  for (const std::string& c : expected)
    if (!seen.count(c)) missing.push_back(c);
  EXPECT_TRUE(missing.empty()) << missing.size() << " without help, first " << missing.front();
  for (const std::string& c : seen) EXPECT_TRUE(expected.count(c)) << c;

  // Every field with a control has its help there.
  for (CfgField* f : ws->findChildren<CfgField*>()) {
    if (!f->Control()) continue;
    EXPECT_TRUE(f->Control()->toolTip().contains(QStringLiteral("命令：AT+"))) << f->Control()->objectName().toStdString();
  }

  // The help names the instance the control shows: the header follows the channel, the
  // centre tab's backup server is that centre's.
  ws->Tree()->setCurrentItem(Node(QStringLiteral("通道07|串口06")));
  EXPECT_TRUE(Channels()->SaveLengthEdit()->toolTip().contains(QStringLiteral("AT+CHNSVLEN07\n")));
  EXPECT_TRUE(Channels()->KindList()->toolTip().contains(QStringLiteral("AT+CHNNLTYPE07\n")));
  CRTUCfgChnSrcDlg* serial6 = Channels()->ShownSource();
  ASSERT_EQ(serial6, Channels()->SourcePage(Family::Serial, 6));
  auto* baud = serial6->SubPage("通信参数")->findChild<QComboBox*>(QStringLiteral("comSpeedCombo"));
  ASSERT_NE(baud, nullptr);
  EXPECT_TRUE(baud->toolTip().contains(QStringLiteral("命令：AT+COMSPEED07\n"))) << baud->toolTip().toStdString();
  auto* centre = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  EXPECT_TRUE(centre->Center(1)->PortEdit(true)->toolTip().contains(QStringLiteral("命令：AT+MULTIPORT06\n")));
  EXPECT_TRUE(centre->Center(1)->PortEdit(false)->toolTip().contains(QStringLiteral("命令：AT+MULTIPORT02\n")));
}

TEST_F(HelpTest, TheTooltipTellsTheValueOfTheLastLoad) {
  auto* apn = Control<QLineEdit>(CfgPageId::CenterOther, "apnEdit");
  ASSERT_NE(apn, nullptr);
  const QString before = apn->toolTip();
  EXPECT_EQ(before, QStringLiteral("设备标签：Modem Apn\n命令：AT+APN\n取值：文本，最长199字节\n载入值：—"));
  ws->LoadFromTable(23, 0, "CMNET");
  EXPECT_TRUE(apn->toolTip().endsWith(QStringLiteral("载入值：CMNET")));
  PickOrType(apn, -1, "CMIOT");  // an edit is not a load
  EXPECT_TRUE(apn->toolTip().endsWith(QStringLiteral("载入值：CMNET")));

  auto* protocol = Control<QComboBox>(CfgPageId::Terminal, "protocolCombo");
  ws->LoadFromTable(7, 0, "5");
  EXPECT_TRUE(protocol->toolTip().contains(QStringLiteral("取值：0 水文HEX、1 水文ASCII、2 水资源16、5 水资源21\n")));
  EXPECT_TRUE(protocol->toolTip().endsWith(QStringLiteral("载入值：水资源21 (5)")));

  // The channel header tells the selected channel's load.
  ws->LoadFromTable(31, 6, "4");
  ws->Tree()->setCurrentItem(Node(QStringLiteral("通道07")));
  EXPECT_TRUE(Channels()->SaveLengthEdit()->toolTip().endsWith(QStringLiteral("载入值：4")));
  ws->Tree()->setCurrentItem(Node(QStringLiteral("通道08")));
  EXPECT_TRUE(Channels()->SaveLengthEdit()->toolTip().endsWith(QStringLiteral("载入值：—")));

  if (const QString dir = qEnvironmentVariable("QX310_SHOTS_DIR"); !dir.isEmpty()) {
    // A tooltip is not grabbed offscreen: its text in a label styled like one.
    QLabel tip(protocol->toolTip());
    tip.setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; border: 1px solid #767676; padding: 4px; }"));
    tip.adjustSize();
    tip.grab().save(dir + QStringLiteral("/tooltip.png"));
  }
}

}  // namespace
