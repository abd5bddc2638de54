// The workspace's widgets offscreen, on a scripted device: tree, pages, buttons,
// log window, the .cfg buttons, the timers and shutting down.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTranslator>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTreeWidgetItemIterator>

#include "config/cfg_fakes.h"
#include "config/ui/station/gprs_dlg.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/channels/chn_src_dlg.h"
#include "config/field_tables.h"
#include "ui_support.h"
#include "support/qt_translations.h"
#include "widgets/qt_translation.h"

namespace {

class WorkspaceTest : public WorkspaceFixture {
 protected:
  void SetUp() override {
    device.SetSink([this](const char* d, int n) { ws->OnSerialData(d, n); });
    StartWorkspace(device, kMachineTestScale);
  }
  void StopFeeding() override { device.SetSink(nullptr); }

  std::vector<CfgPageId> VisiblePages() {
    std::vector<CfgPageId> v;
    for (int i = 0; i < kCfgPageCount; ++i) {
      QWidget* w = ws->PageWidget(static_cast<CfgPageId>(i));
      if (w && w->isVisible()) v.push_back(static_cast<CfgPageId>(i));
    }
    return v;
  }
  CRTUCfgChnDlg* ChannelPage() { return dynamic_cast<CRTUCfgChnDlg*>(ws->PageWidget(CfgPageId::Channel)); }

  ScriptedDevice device;
};

TEST_F(WorkspaceTest, TreeHoldsEveryPageNodeAndSelectingOneShowsItsPage) {
  QTreeWidget* tree = ws->Tree();
  QStringList nodes;
  for (QTreeWidgetItemIterator it(tree); *it; ++it) nodes << (*it)->text(0);
  ASSERT_EQ(nodes.size(), 40);
  EXPECT_EQ(nodes.mid(0, 2), (QStringList{QStringLiteral("通道参数设置"), QStringLiteral("通道01")}));
  EXPECT_EQ(nodes.mid(30, 10),
            (QStringList{QStringLiteral("通道30"), QStringLiteral("终端参数"), QStringLiteral("中心地址参数"),
                         QStringLiteral("更多参数"), QStringLiteral("中心其它参数"), QStringLiteral("摄像头参数"),
                         QStringLiteral("摄像头定时报"), QStringLiteral("短信参数"), QStringLiteral("串口传输参数"),
                         QStringLiteral("存储设置和数据查询")}));
  EXPECT_TRUE(tree->topLevelItem(0)->isExpanded());
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0));
  EXPECT_EQ(VisiblePages(), std::vector<CfgPageId>{CfgPageId::Dev});

  tree->setCurrentItem(Node(QStringLiteral("通道12")));
  EXPECT_EQ(VisiblePages(), std::vector<CfgPageId>{CfgPageId::Channel});
  ASSERT_NE(ChannelPage(), nullptr);
  EXPECT_EQ(ChannelPage()->CurrentChannel(), 11);
  const std::pair<const char*, std::vector<CfgPageId>> shown[] = {
      {"更多参数", {}}, {"终端参数", {CfgPageId::Terminal}}, {"存储设置和数据查询", {CfgPageId::Storage}}};
  for (const auto& [node, pages] : shown) {
    tree->setCurrentItem(Node(QString::fromUtf8(node)));
    EXPECT_EQ(VisiblePages(), pages) << node;
  }

  // A serial channel chosen on the centre page jumps to the transmission page.
  TipCatcher boxes;
  auto* centre = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  ASSERT_NE(centre, nullptr);
  centre->LoadFromTable(18, 0, "1");
  QComboBox* channel = centre->Center(0)->ChannelList(false);
  channel->setCurrentIndex(6);
  emit channel->activated(6);
  EXPECT_EQ(boxes.Questions().size(), 1);
  EXPECT_EQ(tree->currentItem(), Node(QStringLiteral("串口传输参数")));
  EXPECT_EQ(VisiblePages(), std::vector<CfgPageId>{CfgPageId::ComTrans});
}

// The workspace at its size in a 1024x720 and an 800x600 main window (0.98 x 0.88 of the
// client): the tree and the buttons have the pages' font, the tree shows at least 25 of its
// 40 nodes at the larger size, and no node's, button's or check box's text is cut.
TEST_F(WorkspaceTest, TreeAndButtonsTakeThePagesFontSoThatNodesAndTextsShowWhole) {
  QTreeWidget* tree = ws->Tree();
  for (const QSize window : {QSize(1024, 720), QSize(800, 600)}) {
    const QSize size(window.width() * 98 / 100, window.height() * 88 / 100);
    ws->resize(size);
    QCoreApplication::processEvents();
    const QString at = QStringLiteral("%1x%2").arg(window.width()).arg(window.height());
    EXPECT_EQ(tree->font().pixelSize(), ws->PageWidget(CfgPageId::Dev)->font().pixelSize()) << at.toStdString();
    int whole = 0;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
      QTreeWidgetItem* item = *it;
      const QRect rect = tree->visualItemRect(item);
      if (!rect.isEmpty() && tree->viewport()->rect().contains(rect)) ++whole;
      // The text fits beside its indentation, within the viewport (no "..." at its end).
      tree->scrollToItem(item);
      const QRect shown = tree->visualItemRect(item);
      EXPECT_LE(shown.x() + tree->fontMetrics().horizontalAdvance(item->text(0)), tree->viewport()->width())
          << item->text(0).toStdString() << " at " << at.toStdString();
    }
    tree->scrollToTop();
    if (window.width() == 1024) {
      EXPECT_GE(whole, 25) << at.toStdString();
    }
    for (QAbstractButton* b : ws->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
      if (!b->isVisible()) continue;
      const int room = b->width() - (qobject_cast<QCheckBox*>(b) ? 24 : 8);
      EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), room) << b->text().toStdString() << " at " << at.toStdString();
    }
  }
}

// On every page (the station pages, and each tab of channel 1 as every kind the list offers)
// at the first window size and at 1024x720 and 800x600, each label's text fits it (a field's
// label also in bold, as when the field is marked edited) and no label's text lies under an input.
TEST_F(WorkspaceTest, NoLabelIsCutOrCoveredOnAnyPageAtEitherWindowSize) {
  QTreeWidget* tree = ws->Tree();
  QStringList problems;
  auto check = [&](const QString& where) {
    QCoreApplication::processEvents();
    // A shown field's label is bold while the field is marked as edited: it fits then too.
    std::set<const QLabel*> fieldLabels;
    for (const CfgField* f : ws->findChildren<CfgField*>())
      if (f->Control() && f->Control()->isVisible())
        if (const QLabel* l = f->Label()) fieldLabels.insert(l);
    for (QLabel* label : ws->findChildren<QLabel*>()) {
      if (!label->isVisible() || label->text().isEmpty() || label->window() != ws->window()) continue;
      const QRect r(label->mapTo(ws.get(), QPoint(0, 0)), label->size());
      QFont bold = label->font();
      bold.setBold(true);
      const QFontMetrics metrics = fieldLabels.count(label) ? QFontMetrics(bold) : label->fontMetrics();
      if (metrics.horizontalAdvance(label->text()) > label->width())
        problems << where + QStringLiteral(": cut ") + label->text();
      for (QWidget* input : ws->findChildren<QWidget*>()) {
        if (!input->isVisible() || !(qobject_cast<QLineEdit*>(input) || qobject_cast<QComboBox*>(input))) continue;
        if (qobject_cast<QComboBox*>(input->parentWidget())) continue;  // a combo's own edit
        const QRect i(input->mapTo(ws.get(), QPoint(0, 0)), input->size());
        const int textEnd = r.x() + std::min(r.width(), metrics.horizontalAdvance(label->text()));
        const QRect text(r.x(), r.y(), textEnd - r.x(), r.height());
        if (text.intersects(i)) problems << where + QStringLiteral(": under an input ") + label->text();
      }
    }
  };
  for (const QSize window : {QSize(1200, 720), QSize(1024, 720), QSize(800, 600)}) {
    ws->resize(window.width() * 98 / 100, window.height() * 88 / 100);
    const QString at = QStringLiteral("%1x%2 ").arg(window.width()).arg(window.height());
    if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // the first page at this size
      tree->setCurrentItem(tree->topLevelItem(0));
      QCoreApplication::processEvents();
      ws->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/workspace_%1.png").arg(at.trimmed()));
    }
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
      const QString node = (*it)->text(0);
      const bool channel = node.startsWith(QStringLiteral("通道")) && node != QStringLiteral("通道参数设置");
      if (channel && node != QStringLiteral("通道01")) continue;
      tree->setCurrentItem(*it);
      QCoreApplication::processEvents();
      // Channel 1 as every kind the list offers, each source page's every tab.
      QComboBox* kinds = channel ? ChannelPage()->KindList() : nullptr;
      for (int k = 0; k < (kinds ? kinds->count() : 1); ++k) {
        QString where = at + node;
        if (kinds) {
          kinds->setCurrentIndex(k);
          emit kinds->activated(k);
          QCoreApplication::processEvents();
          where += QStringLiteral(" ") + kinds->itemText(k);
        }
        bool any = false;
        for (QTabBar* t : ws->findChildren<QTabBar*>()) {
          if (!t->isVisible()) continue;
          any = true;
          for (int i = 0; i < t->count(); ++i) {
            t->setCurrentIndex(i);
            check(where + QStringLiteral(" › ") + t->tabText(i));
          }
        }
        if (!any) check(where);
      }
    }
  }
  problems.removeDuplicates();
  EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
}

// The search above the tree: "APN" lists its fields, Enter shows the first one's page and
// focuses its control with a short highlight; a channel field selects its channel's node; a
// source's field needs a channel bound to that source and then opens the source's tab; a
// centre's backup server opens that centre's tab. Nothing goes to the device.
TEST_F(WorkspaceTest, SearchListsMatchingFieldsAndChoosingOneShowsAndFocusesItsControl) {
  const std::string sentBefore = device.Written();
  QLineEdit* search = ws->SearchEdit();
  QListWidget* results = ws->SearchResults();
  EXPECT_FALSE(results->isVisible());
  search->setText(QStringLiteral("APN"));
  ASSERT_TRUE(results->isVisible());
  ASSERT_GE(results->count(), 4);
  EXPECT_TRUE(results->item(0)->text().contains(QStringLiteral("AT+APN"))) << results->item(0)->text().toStdString();
  if (const char* dir = std::getenv("QX310_SHOTS_DIR"))  // for a look at the list
    ws->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search_results.png"));
  emit search->returnPressed();
  if (const char* dir = std::getenv("QX310_SHOTS_DIR"))  // the field found, highlighted
    ws->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/search_found.png"));
  EXPECT_FALSE(results->isVisible());
  auto* apn = ws->findChild<QLineEdit*>(QStringLiteral("apnEdit"));
  ASSERT_NE(apn, nullptr);
  EXPECT_TRUE(apn->isVisible());
  EXPECT_EQ(ws->focusWidget(), apn);
  EXPECT_TRUE(apn->styleSheet().contains(QStringLiteral("background")));
  EXPECT_TRUE(PumpUntil([&] { return apn->styleSheet().isEmpty(); }, CRTUCfgDlg::kHighlightMs + kTestMarginMs));

  // Nothing matches: one line says so and choosing it does nothing.
  search->setText(QStringLiteral("no such field"));
  ASSERT_EQ(results->count(), 1);
  EXPECT_FALSE(results->item(0)->data(Qt::UserRole).isValid());

  // A channel's own field: its node and the header's control.
  search->setText(QStringLiteral("AT+CHNSVLEN07"));
  ASSERT_EQ(results->count(), 1);
  emit results->itemClicked(results->item(0));
  EXPECT_EQ(ws->Tree()->currentItem(), Node(QStringLiteral("通道07")));
  EXPECT_EQ(ChannelPage()->CurrentChannel(), 6);
  EXPECT_EQ(ws->focusWidget(), ChannelPage()->SaveLengthEdit());

  // ADC1's range (instance 1): no channel is bound to ADC1 yet; then channel 3 is.
  EXPECT_FALSE(ws->ShowField(69, 1));
  ws->LoadFromTable(30, 2, "202");
  ASSERT_TRUE(ws->ShowField(69, 1));
  EXPECT_EQ(ChannelPage()->CurrentChannel(), 2);
  CRTUCfgChnSrcDlg* adc1 = ChannelPage()->ShownSource();
  ASSERT_NE(adc1, nullptr);
  EXPECT_EQ(adc1->TabText(adc1->TabBar()->currentIndex()), QStringLiteral("通信参数"));
  EXPECT_TRUE(ws->focusWidget()->toolTip().contains(QStringLiteral("AT+ADCUPPRNG02\n")));

  // The fourth centre's backup server port (instance 7 of 8): the fourth centre's tab.
  ws->LoadFromTable(18, 0, "4");  // four centres in use
  ASSERT_TRUE(ws->ShowField(21, 7));
  auto* centres = PageOf<CRTUCfgGprsDlg>(CfgPageId::CenterAddress);
  EXPECT_EQ(centres->Tabs()->currentIndex(), 3);
  EXPECT_TRUE(ws->focusWidget()->toolTip().contains(QStringLiteral("AT+MULTIPORT08\n")));

  EXPECT_EQ(device.Written(), sentBefore);
}

// Every instance of every parameter reaches the page whose field table lists it, and
// that page alone gives it back.
TEST_F(WorkspaceTest, EveryParameterReachesThePageWhoseTableListsItAndNoOther) {
  for (int id = 0; id <= kLastParamId; ++id) {
    const PageTable* owner = OwnerOf(PageTables(), id);
    ASSERT_NE(owner, nullptr) << id;
    for (int k = 0; k < FindParam(id)->count; ++k) {
      const std::string text = "v" + std::to_string(id) + "_" + std::to_string(k);
      ws->LoadFromTable(id, k, text);
      EXPECT_EQ(ws->SaveToTable(id, k), text) << id << "/" << k;
      EXPECT_EQ(ws->Page(owner->page)->SaveToTable(id, k), text) << id << "/" << k;
      for (int p = 0; p < kCfgPageCount; ++p) {
        ICfgPage* other = ws->Page(static_cast<CfgPageId>(p));
        if (!other || static_cast<CfgPageId>(p) == owner->page) continue;
        const std::optional<std::string> got = other->SaveToTable(id, k);
        EXPECT_TRUE(!got || got->empty()) << id << "/" << k << " also on page " << p;
      }
    }
  }
}

TEST_F(WorkspaceTest, OperationButtonsNeedAnOpenPortAndAnIdleWorker) {
  TipCatcher boxes;
  device.Close();
  ws->AppendLog("kept\r\n");
  const std::string logBefore = ws->LogText();
  // Each with the port closed: "请先打开串口", also "清除日志".
  for (QPushButton* b : {ws->Button(CRTUCfgDlg::kLoadId), ws->LogDlg()->Button(CLogDlg::kVersionId),
                         ws->LogDlg()->Button(CLogDlg::kClearId)})
    b->click();
  EXPECT_EQ(boxes.Texts(), QStringList(3, QStringLiteral("请先打开串口")));
  // "出厂配置" answered Cancel: nothing, not even the port test.
  boxes.answerOk = false;
  ws->Button(CRTUCfgDlg::kFactoryId)->click();
  EXPECT_EQ(boxes.Questions(), QStringList{QStringLiteral("确定恢复出厂设置吗?")});
  EXPECT_EQ(boxes.Texts().size(), 3);

  // While an operation runs the buttons start nothing.
  device.Open("device", 115200, 8, 0, 0);
  ws->SetWorkMode(kModeOperation);
  for (QPushButton* b : {ws->Button(CRTUCfgDlg::kLoadId), ws->Button(CRTUCfgDlg::kSaveId),
                         ws->LogDlg()->Button(CLogDlg::kClearId)})
    b->click();
  EXPECT_EQ(ws->Machine().WorkOp(), 0);
  EXPECT_EQ(ws->LogText(), logBefore);
  EXPECT_TRUE(device.Writes().empty());
  ws->SetWorkMode(kModeIdle);

  // Disabling covers the tree and the operation buttons, not the log toggle.
  for (bool enable : {false, true}) {
    ws->EnableOperations(enable);
    EXPECT_EQ(ws->Tree()->isEnabled(), enable);
    for (int id : {CRTUCfgDlg::kLoadId, CRTUCfgDlg::kSaveId, CRTUCfgDlg::kFactoryId, CRTUCfgDlg::kRestartId,
                   CRTUCfgDlg::kSaveFileId, CRTUCfgDlg::kLoadFileId})
      EXPECT_EQ(ws->Button(id)->isEnabled(), enable) << id;
    EXPECT_TRUE(ws->Button(CRTUCfgDlg::kLogToggleId)->isEnabled());
  }
}

// Without a device (no port open, or a .cfg edited offline) every button that would talk
// to it is greyed out, the rest stay; an open port or a device entered brings them back.
TEST_F(WorkspaceTest, DeviceOperationsAreGreyedWithoutADevice) {
  TipCatcher boxes;
  auto named = [&](CfgPageId page, const char* name) {
    return ws->PageWidget(page)->findChild<QPushButton*>(QString::fromLatin1(name));
  };
  CLogDlg* log = ws->LogDlg();
  const std::vector<QPushButton*> deviceOps = {
      ws->Button(CRTUCfgDlg::kLoadId), ws->Button(CRTUCfgDlg::kSaveId), ws->Button(CRTUCfgDlg::kFactoryId),
      ws->Button(CRTUCfgDlg::kRestartId), ws->Button(CRTUCfgDlg::kLoadFileId), log->Button(CLogDlg::kVersionId),
      log->Button(CLogDlg::kSignalId), log->Button(CLogDlg::kImeiId), named(CfgPageId::Dev, "clockSetButton"),
      named(CfgPageId::Storage, "clearBacklogButton"), named(CfgPageId::Storage, "clearRecordsButton"),
      named(CfgPageId::Storage, "initValueButton"), named(CfgPageId::Storage, "exportButton"),
      named(CfgPageId::Camera, "snapshotButton")};
  const std::vector<QPushButton*> local = {
      ws->Button(CRTUCfgDlg::kSaveFileId), ws->Button(CRTUCfgDlg::kLogToggleId), log->Button(CLogDlg::kClearId),
      named(CfgPageId::Storage, "openRecordsButton"), named(CfgPageId::Camera, "openPictureButton")};
  auto offered = [&](bool on) {
    bool all = ws->DeviceOperationsOffered() == on;
    for (QPushButton* b : deviceOps) all = all && b && b->isEnabled() == on;
    for (QPushButton* b : local) all = all && b && b->isEnabled();
    return all && ws->Tree()->isEnabled();
  };
  EXPECT_TRUE(offered(true));

  device.Close();
  ws->OnPortClosed();
  EXPECT_TRUE(offered(false));
  // A request that still reaches the machine is refused as before.
  ws->Machine().StartOperation(kOpQueryVersion);
  EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("请先打开串口")});
  device.Open("device", 115200, 8, 0, 0);
  ws->OnPortOpened();
  EXPECT_TRUE(offered(true));

  // Offline editing greys them although the port is open; entering a device ends it.
  QTemporaryDir dir;
  ParseListing("Device address:  12345678\r\nModem Apn:  cmnet\r\n", 44);
  ws->savePath = dir.filePath(QStringLiteral("offline.cfg"));
  ws->SaveConfigToFile();
  ASSERT_TRUE(ws->OpenOffline(ws->savePath));
  EXPECT_TRUE(offered(false));
  if (const QString shots = qEnvironmentVariable("QX310_SHOTS_DIR"); !shots.isEmpty()) {
    ws->grab().save(shots + QStringLiteral("/offline-workspace.png"));
    log->grab().save(shots + QStringLiteral("/offline-log.png"));
  }
  ws->OnEntryOutcome({EntryEnd::kEntered, false, {}});
  EXPECT_FALSE(ws->Offline());
  EXPECT_TRUE(ws->DeviceOperationsOffered());
  EXPECT_TRUE(log->Button(CLogDlg::kVersionId)->isEnabledTo(log));  // the window itself waits for the load
  ws->CancelLoadRequest();
  ASSERT_TRUE(WaitIdle());
  EXPECT_TRUE(offered(true));

  // A port the start-up search opened is not announced: an entry on it, even a failed
  // one that waits for power-up, offers the operations.
  device.Close();
  ws->OnPortClosed();
  device.Open("device", 115200, 8, 0, 0);
  EXPECT_FALSE(ws->DeviceOperationsOffered());
  ws->OnEntryOutcome({EntryEnd::kFailed, true, {}});
  EXPECT_TRUE(ws->DeviceOperationsOffered());
  EXPECT_TRUE(log->Button(CLogDlg::kImeiId)->isEnabled());
  ws->SetWorkMode(kModeIdle);
  ws->EnableOperations(true);
  EXPECT_TRUE(offered(true));
}

TEST_F(WorkspaceTest, LogFromAnyThreadEndsInViewAndClears) {
  CLogDlg* log = ws->LogDlg();
  log->show();
  std::thread t([&] {
    for (int i = 0; i < 300; ++i) ws->AppendLog("line " + std::to_string(i) + "\r\n");
    ws->AppendLog(GBK("设置成功\r\n"));
  });
  t.join();
  const QString banner = QStringLiteral("******配置工具软件版本：V1.2.5******\n");
  ASSERT_TRUE(PumpUntil([&] { return log->Text().endsWith(QStringLiteral(">:设置成功\n")); }, kTestMarginMs));
  EXPECT_TRUE(log->Text().startsWith(banner + QStringLiteral("<Time:")));
  EXPECT_TRUE(log->Text().contains(QRegularExpression(QStringLiteral("\n<Time:\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d>:line 0\n"))));
  EXPECT_EQ(log->Text().count(QStringLiteral("<Time:")), 301);
  QScrollBar* bar = log->LogEdit()->verticalScrollBar();
  EXPECT_TRUE(bar->maximum() > 0 && bar->value() == bar->maximum());  // the last line is in view
  log->Button(CLogDlg::kClearId)->click();
  EXPECT_EQ(log->Text(), banner);
  EXPECT_EQ(ws->LogText(), CfgLog::Banner());
}

TEST_F(WorkspaceTest, LogWindowToggleAndCloseBox) {
  QPushButton* toggle = ws->Button(CRTUCfgDlg::kLogToggleId);
  auto shown = [&](bool on) { return toggle->text() == (on ? "<<" : ">>") && ws->LogWindow()->isVisible() == on; };
  EXPECT_TRUE(shown(false));
  toggle->click();
  EXPECT_TRUE(shown(true));
  ws->LogWindow()->close();  // the close box
  EXPECT_TRUE(shown(false));
  toggle->click();
  // Showing the workspace again shows the log window exactly when the toggle reads "<<".
  ws->hide();
  ws->LogWindow()->hide();
  ws->show();
  EXPECT_TRUE(shown(true));
  ws->ShowLogWindow(false);
  ws->hide();
  ws->show();
  EXPECT_TRUE(shown(false));
}

// Saving offers the station address as the name and writes the table or nothing; bad
// files to apply are refused with their box and nothing is sent.
TEST_F(WorkspaceTest, ConfigFilesAreWrittenWholeOrNotAtAllAndBadOnesRefused) {
  TipCatcher boxes;
  QTemporaryDir dir;
  ParseListing("Device address:  12345678\r\nModem Apn:  cmnet\r\n", 44);
  ws->Page(CfgPageId::Terminal)->LoadFromTable(4, 0, "12345678");
  const QString saved = dir.filePath(QStringLiteral("out.cfg"));
  for (const QString& path : {saved, QString(), dir.filePath(QStringLiteral("missing/out.cfg"))}) {
    ws->savePath = path;  // chosen, cancelled, in a folder that does not exist
    ws->SaveConfigToFile();
  }
  EXPECT_EQ(ws->offeredName, QStringLiteral("RTU_12345678"));
  EXPECT_EQ(boxes.Texts(), (QStringList{QStringLiteral("保存成功"), QStringLiteral("保存失败")}));
  EXPECT_EQ(ReadAll(saved), BuildListing());
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{QStringLiteral("out.cfg")});

  WriteAll(dir.filePath(QStringLiteral("empty.cfg")), "");
  WriteAll(dir.filePath(QStringLiteral("big.cfg")), std::string(40961, 'x'));
  for (const char* name : {"empty.cfg", "big.cfg", "none.cfg"}) {
    ws->openPath = dir.filePath(QString::fromLatin1(name));
    ws->LoadConfigFromFile();
  }
  EXPECT_EQ(boxes.Texts().mid(2), (QStringList{QStringLiteral("请先选择文件"), QStringLiteral("请先选择文件"),
                                              QStringLiteral("读取文件失败")}));
  EXPECT_EQ(ws->WorkMode(), kModeIdle);
  EXPECT_TRUE(ws->Button(CRTUCfgDlg::kLoadFileId)->isEnabled());
  EXPECT_TRUE(device.Writes().empty());
}

// A Chinese user's folders, and a name outside code page 936 (no ANSI call carries it).
TEST_F(WorkspaceTest, OfflineEditingOpensAndSavesFilesInChineseFolders) {
  TipCatcher boxes;
  QTemporaryDir dir;
  const QString desktop = dir.filePath(QStringLiteral("测试用户/桌面"));
  ASSERT_TRUE(QDir().mkpath(desktop));
  ParseListing("Device address:  12345678\r\nModem Apn:  cmnet\r\n", 44);
  const QString first = desktop + QStringLiteral("/站点配置 한.cfg");
  ws->savePath = first;
  ws->SaveConfigToFile();
  EXPECT_EQ(ReadAll(first), BuildListing());

  ASSERT_TRUE(ws->OpenOffline(first));
  const QString second = desktop + QStringLiteral("/另存为-水文站.cfg");
  ws->savePath = second;
  ws->SaveConfigToFile();
  EXPECT_EQ(boxes.Texts(), (QStringList{QStringLiteral("保存成功"), QStringLiteral("保存成功")}));
  EXPECT_EQ(ReadAll(second), ReadAll(first));
  EXPECT_EQ(QDir(desktop).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList{QStringLiteral("另存为-水文站.cfg"), QStringLiteral("站点配置 한.cfg")}));
  EXPECT_TRUE(device.Writes().empty());
}

// "保存配置到文件"'s dialog speaks the system's language once the program has installed Qt's
// translation for it (the wine stage and LANG=zh_CN.UTF-8: Chinese; else English). With
// QX310_TEST_SHOTS=FOLDER the dialog is saved there as save-dialog-<locale>.png.
TEST_F(WorkspaceTest, SaveDialogSpeaksTheSystemsLanguage) {
  const QLocale system = QLocale::system();
  const bool chinese = system.language() == QLocale::Chinese && system.script() != QLocale::TraditionalHanScript;
  QTranslator* translator = InstallQtTranslation(*qApp, system, TestQtTranslationFolders());
  if (chinese) {
    ASSERT_NE(translator, nullptr) << "no qtbase_zh_CN.qm in " << TestQtTranslationFolders().join(';').toStdString();
  }
  QStringList texts;
  QTimer look;
  QObject::connect(&look, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    look.stop();
    for (const QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
    for (const QPushButton* button : dialog->findChildren<QPushButton*>()) texts << button->text();
    if (const QString shots = qEnvironmentVariable("QX310_TEST_SHOTS"); !shots.isEmpty())
      dialog->grab().save(QDir(shots).filePath(QStringLiteral("save-dialog-%1.png").arg(system.name())));
    dialog->reject();
  });
  look.start(10);
  EXPECT_EQ(ws->RealChooseSaveFile(QStringLiteral("RTU_12345678")), QString());  // cancelled
  look.stop();
  if (translator) QCoreApplication::removeTranslator(translator);
  delete translator;
  const std::string all = texts.join('|').toStdString();
  if (chinese) {
    EXPECT_TRUE(texts.contains(QStringLiteral("查找范围："))) << all;  // "Look in:"
    EXPECT_TRUE(texts.contains(QStringLiteral("文件名称(&N)："))) << all;  // "File &name:"
    EXPECT_FALSE(texts.contains(QStringLiteral("Look in:"))) << all;
  } else if (system.language() == QLocale::English || system.language() == QLocale::C) {
    EXPECT_TRUE(texts.contains(QStringLiteral("Look in:"))) << all;
  }
}

TEST_F(WorkspaceTest, ShutdownWhileTheWorkerWaitsOnABox) {
  // A clock request on a closed port fails at once and ends in a box shown for the
  // worker. The program is closed while that box is open (inside its modal loop).
  TipCatcher boxes;
  int64_t shutdownMs = -1;
  boxes.keepOpen = [&](const QString&) {
    QTimer::singleShot(0, [&] {
      const int64_t t0 = Timing::NowMs();
      ws->Shutdown();  // closes the box, returns the worker's wait, joins it
      shutdownMs = Timing::NowMs() - t0;
    });
    return true;
  };
  device.Close();
  ws->Requests().Set(CfgRequest::Clock, "2024/02/29,23:59:59,4");
  ASSERT_TRUE(PumpUntil([&] { return shutdownMs >= 0; }, kTestMarginMs));
  EXPECT_EQ(boxes.Texts(), QStringList{QStringLiteral("设置时间失败")});
  EXPECT_LT(shutdownMs, kTestMarginMs);  // the box does not keep the program from closing
  EXPECT_TRUE(PumpUntil([] { return !TipBox::IsOpen(); }, kTestMarginMs));
  EXPECT_TRUE(UiBridge::IsShutDown());
}

}  // namespace
