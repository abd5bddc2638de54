// Marked edits: a field the user changed marks its label and its page's tree node; "撤销修改"
// and "全部撤销" put the loaded values back without a word to the device.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

#include "config/cfg_fakes.h"
#include "config/channel_codes.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/channels/chn_sub_dlg.h"
#include "ui_support.h"

namespace {

using channel_codes::Family;
using field_ui::LabelBeside;

class MarksTest : public WorkspaceFixture {
 protected:
  void SetUp() override {
    device.SetSink([this](const char* d, int n) { ws->OnSerialData(d, n); });
    StartWorkspace(device, kMachineTestScale);
  }
  void StopFeeding() override { device.SetSink(nullptr); }

  CfgField* FieldOf(const QWidget* control) const {
    for (CfgField* f : ws->findChildren<CfgField*>())
      if (f->Control() == control) return f;
    return nullptr;
  }
  static bool Marked(const QLabel* label) {
    return label && label->font().bold() && label->palette().color(QPalette::WindowText) == QColor(0xC0, 0x50, 0x00);
  }
  QTreeWidgetItem* PageNode(CfgPageId id) const { return Node(QString::fromUtf8(CfgPageNode(id))); }

  ScriptedDevice device;
};

TEST_F(MarksTest, AnEditMarksItsLabelAndNodeAndUndoPutsTheLoadedValueBackSilently) {
  ws->LoadFromTable(4, 0, "12345");  // "遥测站地址："
  ws->LoadFromTable(5, 0, "01");     // "中心站地址："
  ws->Tree()->setCurrentItem(PageNode(CfgPageId::Terminal));
  QWidget* page = ws->PageWidget(CfgPageId::Terminal);
  auto* address = page->findChild<QLineEdit*>(QStringLiteral("stationAddressEdit"));
  auto* centre = page->findChild<QLineEdit*>(QStringLiteral("centerAddressEdit"));
  ASSERT_TRUE(address && centre);
  CfgField* field = FieldOf(address);
  ASSERT_NE(field, nullptr);
  QLabel* label = field->Label();
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), QStringLiteral("遥测站地址："));
  QLabel* centreLabel = FieldOf(centre)->Label();
  EXPECT_EQ(centreLabel->text(), QStringLiteral("中心站地址："));
  const QFont plain = label->font();
  EXPECT_FALSE(Marked(label));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)));

  PickOrType(address, -1, "999");
  EXPECT_TRUE(PumpUntil([&] { return CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)); }, kTestMarginMs));
  EXPECT_TRUE(Marked(label));
  EXPECT_EQ(label->font().pointSizeF(), plain.pointSizeF());  // still the page's size
  EXPECT_FALSE(Marked(centreLabel));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::CenterOther)));
  if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // for a look at the marks
    QDir().mkpath(QString::fromLocal8Bit(dir));
    ws->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/marked_edit.png"));
  }

  // "撤销修改": the table's value back, the marks gone, nothing written.
  const std::string before = device.Written();
  ws->UndoButton()->click();
  QCoreApplication::processEvents();
  EXPECT_EQ(address->text(), QStringLiteral("12345"));
  EXPECT_EQ(field->Get(), std::optional<std::string>("12345"));
  EXPECT_FALSE(field->Touched());
  EXPECT_FALSE(Marked(label));
  EXPECT_EQ(label->font().bold(), plain.bold());
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)));
  EXPECT_EQ(device.Written(), before);
  EXPECT_EQ(ws->WorkMode(), kModeIdle);

  // A load clears the marks as well.
  PickOrType(address, -1, "42");
  PickOrType(centre, -1, "7");
  ASSERT_TRUE(PumpUntil([&] { return CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)); }, kTestMarginMs));
  ws->LoadFromTable(4, 0, "555");
  EXPECT_FALSE(Marked(label));
  EXPECT_TRUE(Marked(centreLabel));  // the other field is still the user's
  ws->LoadFromTable(5, 0, "02");
  EXPECT_TRUE(PumpUntil([&] { return !CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)); }, kTestMarginMs));
  EXPECT_FALSE(Marked(centreLabel));
  EXPECT_EQ(address->text(), QStringLiteral("555"));

  // A field never loaded keeps what the user typed: there is no table value to go back to.
  auto* sim = page->findChild<QLineEdit*>(QStringLiteral("simNoEdit"));
  ASSERT_NE(sim, nullptr);
  PickOrType(sim, -1, "13800000000");
  EXPECT_EQ(ws->UndoPageEdits(), 0);
  EXPECT_EQ(sim->text(), QStringLiteral("13800000000"));
  EXPECT_EQ(FieldOf(sim)->Get(), std::optional<std::string>("13800000000"));
}

TEST_F(MarksTest, UndoAllPutsBackTheEditsOfEveryPageAndAChannelsNodeShowsItsSource) {
  const int serial6 = channel_codes::KindBase(Family::Serial) + 6;
  ws->LoadFromTable(30, 6, std::to_string(serial6));  // 通道07 on 串口06
  ws->LoadFromTable(4, 0, "12345");
  ASSERT_TRUE(PumpUntil([&] { return Node(QStringLiteral("通道07|串口06")) != nullptr; }, 6 * kTestMarginMs));
  QTreeWidgetItem* channel7 = Node(QStringLiteral("通道07|串口06"));
  ws->Tree()->setCurrentItem(channel7);
  auto* channels = PageOf<CRTUCfgChnDlg>(CfgPageId::Channel);
  CRTUCfgChnSrcDlg* source = channels->ShownSource();
  ASSERT_EQ(source, channels->SourcePage(Family::Serial, 6));
  auto* baud = source->SubPage("通信参数")->findChild<QComboBox*>(QStringLiteral("comSpeedCombo"));
  ASSERT_NE(baud, nullptr);
  CfgField* baudField = FieldOf(baud);
  ASSERT_NE(baudField, nullptr);
  baudField->Set("3");
  const QString loadedText = baud->currentText();
  const int other = baud->currentIndex() == 1 ? 2 : 1;
  PickOrType(baud, other, nullptr);
  ASSERT_TRUE(baudField->Touched());
  EXPECT_EQ(baudField->Label()->text(), QStringLiteral("串口波特率："));
  EXPECT_TRUE(Marked(baudField->Label()));
  if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // a channel source's marked field
    QDir().mkpath(QString::fromLocal8Bit(dir));
    QCoreApplication::processEvents();
    ws->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/marked_channel_edit.png"));
  }

  ws->Tree()->setCurrentItem(PageNode(CfgPageId::Terminal));
  auto* address = ws->PageWidget(CfgPageId::Terminal)->findChild<QLineEdit*>(QStringLiteral("stationAddressEdit"));
  PickOrType(address, -1, "999");
  ASSERT_TRUE(PumpUntil([&] { return CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)); }, kTestMarginMs));
  EXPECT_TRUE(CRTUCfgDlg::NodeMarked(channel7));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(ws->ChannelNode(6)));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(ws->ChannelNode(8)));
  // The channels' parent shows that a channel below it holds an edit, "更多参数" that none does.
  EXPECT_TRUE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Dev)));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(Node(QStringLiteral("更多参数"))));

  // The page's undo leaves the other page's edit.
  const std::string before = device.Written();
  EXPECT_EQ(ws->UndoPageEdits(), 1);
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)));
  EXPECT_TRUE(CRTUCfgDlg::NodeMarked(channel7));
  EXPECT_TRUE(baudField->Touched());

  // "全部撤销" from the button's menu: every page.
  PickOrType(address, -1, "888");
  QAction* all = ws->UndoButton()->menu()->findChild<QAction*>(QStringLiteral("undoAllAction"));
  ASSERT_NE(all, nullptr);
  EXPECT_EQ(all->text(), QStringLiteral("全部撤销"));
  all->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(baud->currentText(), loadedText);
  EXPECT_EQ(baudField->Get(), std::optional<std::string>("3"));
  EXPECT_EQ(address->text(), QStringLiteral("12345"));
  EXPECT_FALSE(Marked(baudField->Label()));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(channel7));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Terminal)));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Dev)));
  EXPECT_EQ(device.Written(), before);

  // An edit on a page under "更多参数" marks its node and, for a collapsed branch, "更多参数".
  QTreeWidgetItem* more = Node(QStringLiteral("更多参数"));
  more->setExpanded(false);
  CfgField* smsField = nullptr;
  for (CfgField* f : ws->PageWidget(CfgPageId::Sms)->findChildren<CfgField*>())
    if (qobject_cast<QLineEdit*>(f->Control())) smsField = f;
  ASSERT_NE(smsField, nullptr);
  smsField->Set("1");
  ws->Tree()->setCurrentItem(PageNode(CfgPageId::Sms));
  PickOrType(qobject_cast<QLineEdit*>(smsField->Control()), -1, "2");
  ASSERT_TRUE(PumpUntil([&] { return CRTUCfgDlg::NodeMarked(more); }, kTestMarginMs));
  EXPECT_TRUE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Sms)));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::CenterOther)));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Dev)));
  EXPECT_EQ(ws->UndoPageEdits(), 1);
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(more));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(PageNode(CfgPageId::Sms)));
  EXPECT_EQ(device.Written(), before);

  // The channel header's save length is the channel's own: its label and the node too.
  ws->LoadFromTable(31, 6, "200");
  ws->Tree()->setCurrentItem(channel7);
  QLineEdit* length = channels->SaveLengthEdit();
  QLabel* lengthLabel = LabelBeside(length);
  ASSERT_NE(lengthLabel, nullptr);
  EXPECT_EQ(lengthLabel->text(), QStringLiteral("通道存储长度："));
  PickOrType(length, -1, "64");
  EXPECT_TRUE(Marked(lengthLabel));
  EXPECT_TRUE(PumpUntil([&] { return CRTUCfgDlg::NodeMarked(channel7); }, kTestMarginMs));
  EXPECT_EQ(channels->GetSaveLengthText(6), "64");
  EXPECT_GE(ws->UndoPageEdits(), 1);
  EXPECT_EQ(length->text(), QStringLiteral("200"));
  EXPECT_EQ(channels->GetSaveLengthText(6), "200");
  EXPECT_FALSE(Marked(lengthLabel));
  EXPECT_FALSE(CRTUCfgDlg::NodeMarked(channel7));
  EXPECT_EQ(device.Written(), before);
}

// Every visible list or edit bound to a field, on every page, has a label of its own row to mark.
TEST_F(MarksTest, EveryShownControlOfEveryPageFindsItsLabel) {
  int checked = 0;
  for (QTreeWidgetItemIterator it(ws->Tree()); *it; ++it) {
    ws->Tree()->setCurrentItem(*it);
    QCoreApplication::processEvents();
    for (CfgField* f : ws->findChildren<CfgField*>()) {
      QWidget* c = f->Control();
      if (!c || !c->isVisible() || (!qobject_cast<QLineEdit*>(c) && !qobject_cast<QComboBox*>(c))) continue;
      ++checked;
      const QLabel* label = f->Label();
      ASSERT_NE(label, nullptr) << c->objectName().toStdString() << " on " << (*it)->text(0).toStdString();
      EXPECT_FALSE(label->text().isEmpty()) << c->objectName().toStdString();
      EXPECT_TRUE(label->isVisible()) << c->objectName().toStdString();
      EXPECT_TRUE(label->geometry().bottom() >= c->geometry().top() && label->geometry().top() <= c->geometry().bottom())
          << c->objectName().toStdString();
    }
  }
  EXPECT_GT(checked, 20);
}

TEST_F(MarksTest, TheUndoButtonShowsWholeBesideTheOthersAtEveryWindowSize) {
  QToolButton* undo = ws->UndoButton();
  EXPECT_EQ(undo->text(), QStringLiteral("撤销修改"));
  for (const QSize window : {QSize(1200, 720), QSize(1024, 720), QSize(800, 600)}) {
    ws->resize(window.width() * 98 / 100, window.height() * 88 / 100);
    QCoreApplication::processEvents();
    const std::string at = std::to_string(window.width()) + "x" + std::to_string(window.height());
    // The text beside the menu arrow.
    const int arrow = undo->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, nullptr, undo);
    EXPECT_LE(undo->fontMetrics().horizontalAdvance(undo->text()) + arrow + 8, undo->width()) << at;
    for (int id : {CRTUCfgDlg::kLoadId, CRTUCfgDlg::kSaveId, CRTUCfgDlg::kFactoryId, CRTUCfgDlg::kRestartId,
                   CRTUCfgDlg::kSaveFileId, CRTUCfgDlg::kLoadFileId, CRTUCfgDlg::kLogToggleId})
      EXPECT_FALSE(undo->geometry().intersects(ws->Button(id)->geometry())) << id << " at " << at;
  }
}

}  // namespace
