#include "config/ui/cfg_dlg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QShowEvent>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <utility>

#include "base/cp936.h"
#include "base/timing.h"
#include "config/channel_captions.h"
#include "config/field_search.h"
#include "config/field_tables.h"
#include "protocol/param_table.h"
#include "config/ui/cfg_dlg_view.h"
#include "config/ui/log_dlg.h"
#include "config/ui/station/station_widgets.h"
#include "widgets/message_box.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"

namespace {
// Debug builds check the field tables once, before the first workspace builds its pages:
// every parameter on exactly one page, under its own command word.
void CheckFieldTables() {
#ifndef NDEBUG
  static const bool checked = [] {
    std::string all;
    for (const std::string& problem : TableProblems(PageTables())) all += problem + "\n";
    if (!all.empty()) qFatal("field tables:\n%s", all.c_str());
    return true;
  }();
  (void)checked;
#endif
}

QString ChannelLabel(int n) {  // n = 1..30
  return QStringLiteral("通道%1").arg(n, 2, 10, QLatin1Char('0'));
}
}  // namespace

CRTUCfgDlg::CRTUCfgDlg(QWidget* parent)
    : QWidget(parent), view_(std::make_unique<View>(*this)), machine_(*view_) {
  setObjectName(QStringLiteral("configWorkspace"));
  machine_.SetBackup(&backup_);
  tree_ = new QTreeWidget(this);
  tree_->setObjectName(QStringLiteral("pageTree"));
  tree_->setHeaderHidden(true);
  frame_ = new QGroupBox(this);
  frame_->setObjectName(QStringLiteral("pageFrame"));
  BuildButtons();
  BuildSearch();

  layout_.Add(search_, 0, 0.005, 0.22, 0.04);
  layout_.Add(tree_, 0, 0.05, 0.22, 0.84);
  layout_.Add(results_, 0, 0.05, 0.22, 0.84);
  layout_.Add(verifyWrites_, 0.01, 0.90, 0.21, 0.04);
  layout_.Add(fastWrite_, 0.01, 0.95, 0.21, 0.04);
  layout_.Add(frame_, 0.24, 0, 0.76, 0.84);
  layout_.Add(load_, 0.26, 0.86, 0.13, 0.05);
  layout_.Add(save_, 0.405, 0.86, 0.13, 0.05);
  layout_.Add(factory_, 0.55, 0.86, 0.13, 0.05);
  layout_.Add(restart_, 0.695, 0.86, 0.13, 0.05);
  layout_.Add(undo_, 0.84, 0.86, 0.13, 0.05);
  layout_.Add(saveFile_, 0.28, 0.93, 0.25, 0.05);
  layout_.Add(loadFile_, 0.57, 0.93, 0.25, 0.05);
  layout_.Add(logToggle_, 0.86, 0.93, 0.10, 0.05);
}

CRTUCfgDlg::~CRTUCfgDlg() {
  Shutdown();
  if (logDlg_) delete logDlg_.data();
}

void CRTUCfgDlg::BuildButtons() {
  auto makeButton = [this](const QString& text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  load_ = makeButton(QStringLiteral("载入参数"), "loadButton");
  save_ = makeButton(QStringLiteral("保存参数"), "saveButton");
  factory_ = makeButton(QStringLiteral("出厂配置"), "factoryButton");
  restart_ = makeButton(QStringLiteral("重启设备"), "restartButton");
  saveFile_ = makeButton(QStringLiteral("保存配置到文件"), "saveFileButton");
  loadFile_ = makeButton(QStringLiteral("从配置文件配置"), "loadFileButton");
  logToggle_ = makeButton(QStringLiteral(">>"), "logToggleButton");
  connect(load_, &QPushButton::clicked, this, [this] { machine_.StartOperation(kOpLoadAll); });
  connect(save_, &QPushButton::clicked, this, [this] { SaveParameters(); });
  connect(factory_, &QPushButton::clicked, this, [this] { machine_.StartFactoryReset(); });
  connect(restart_, &QPushButton::clicked, this,
          [this] { machine_.StartOperation(kOpRestartDevice); });
  connect(saveFile_, &QPushButton::clicked, this, [this] { SaveConfigToFile(); });
  connect(loadFile_, &QPushButton::clicked, this, [this] { LoadConfigFromFile(); });
  connect(logToggle_, &QPushButton::clicked, this, [this] { OnLogToggle(); });

  // Click: the page shown; the arrow's menu: every page. Enabled whenever the tree is.
  undo_ = new QToolButton(this);
  undo_->setObjectName(QStringLiteral("undoButton"));
  undo_->setText(QStringLiteral("撤销修改"));
  undo_->setPopupMode(QToolButton::MenuButtonPopup);
  undo_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* undoMenu = new QMenu(undo_);
  QAction* undoAll = undoMenu->addAction(QStringLiteral("全部撤销"));
  undoAll->setObjectName(QStringLiteral("undoAllAction"));
  undo_->setMenu(undoMenu);
  connect(undo_, &QToolButton::clicked, this, [this] { UndoPageEdits(); });
  connect(undoAll, &QAction::triggered, this, [this] { UndoAllEdits(); });

  verifyWrites_ = new QCheckBox(QStringLiteral("写入后校验"), this);
  verifyWrites_->setObjectName(QStringLiteral("verifyWritesBox"));
  fastWrite_ = new QCheckBox(QStringLiteral("快速写入"), this);
  fastWrite_->setObjectName(QStringLiteral("fastWriteBox"));
  auto apply = [this] {
    // Fast writing always verifies.
    if (fastWrite_->isChecked()) verifyWrites_->setChecked(true);
    verifyWrites_->setEnabled(!fastWrite_->isChecked());
    machine_.SetWriteOptions(verifyWrites_->isChecked(), fastWrite_->isChecked());
  };
  connect(verifyWrites_, &QCheckBox::toggled, this, apply);
  connect(fastWrite_, &QCheckBox::toggled, this, apply);
}

QPushButton* CRTUCfgDlg::Button(int id) const {
  switch (id) {
    case kLoadId: return load_;
    case kSaveId: return save_;
    case kFactoryId: return factory_;
    case kRestartId: return restart_;
    case kSaveFileId: return saveFile_;
    case kLoadFileId: return loadFile_;
    case kLogToggleId: return logToggle_;
    default: return nullptr;  // kUndoId: UndoButton()
  }
}

void CRTUCfgDlg::InitWorkspace(IToolHost* host) {
  if (initialised_) return;
  initialised_ = true;
  host_ = host;
  BuildTree();

  QWidget* owner = host ? host->MainWindow() : nullptr;
  logDlg_ = new CLogDlg(owner);
  connect(logDlg_, &CLogDlg::versionClicked, this,
          [this] { machine_.StartOperation(kOpQueryVersion); });
  connect(logDlg_, &CLogDlg::signalClicked, this,
          [this] { machine_.StartOperation(kOpQuerySignal); });
  connect(logDlg_, &CLogDlg::imeiClicked, this,
          [this] { machine_.StartOperation(kOpQueryImei); });
  connect(logDlg_, &CLogDlg::clearClicked, this, [this] {
    // The rule of the log window's query buttons: the port open, the workspace idle.
    if (!machine_.PortOpenOrTell()) return;
    if (machine_.WorkMode() == kModeIdle) ClearLog();
  });
  connect(logDlg_, &CLogDlg::closedByUser, this,
          [this] { logToggle_->setText(QStringLiteral(">>")); });

  CheckFieldTables();
  CreatePages();
  ConnectEditMarks();
  for (const Slot& s : pages_) {
    if (s.widget) pageLayout_.Add(s.widget, 0.25, 0.02, 0.74, 0.81);
  }
  layout_.Apply(this);
  pageLayout_.Apply(this);

  RefreshLog();
  logDlg_->hide();
  for (const Slot& s : pages_) {
    if (s.widget) s.widget->hide();
  }
  if (QWidget* dev = PageWidget(CfgPageId::Dev)) dev->show();

  powerUpTimer_ = new QTimer(this);
  connect(powerUpTimer_, &QTimer::timeout, this, [this] {
    if (!machine_.PowerUpTick()) powerUpTimer_->stop();
  });
  // The tree's channel captions follow the channel page: a caption set starts one
  // relabelling pass shortly after (several sets of one load share it).
  captionTimer_ = new QTimer(this);
  captionTimer_->setSingleShot(true);
  captionTimer_->setInterval(kCaptionTimerMs);
  connect(captionTimer_, &QTimer::timeout, this, [this] { OnCaptionTimer(); });
  ChannelCaptions::Instance().SetListener(this, [this] {
    QMetaObject::invokeMethod(
        this, [this] { if (!shutDown_.load() && !captionTimer_->isActive()) captionTimer_->start(); },
        Qt::QueuedConnection);
  });
  captionTimer_->start();  // captions the pages set while they were built

  if (host) machine_.AttachPort(&host->Port(), &host->Line());
  RefreshDeviceOperations();
  machine_.Start();
}

void CRTUCfgDlg::BuildTree() {
  channelRoot_ = new QTreeWidgetItem(tree_, {QString::fromUtf8(CfgPageNode(CfgPageId::Dev))});
  for (int n = 1; n <= channel_codes::kChannels; ++n) new QTreeWidgetItem(channelRoot_, {ChannelLabel(n)});
  channelRoot_->setExpanded(true);
  new QTreeWidgetItem(tree_, {QString::fromUtf8(CfgPageNode(CfgPageId::Terminal))});
  new QTreeWidgetItem(tree_, {QString::fromUtf8(CfgPageNode(CfgPageId::CenterAddress))});
  moreRoot_ = new QTreeWidgetItem(tree_, {QStringLiteral("更多参数")});
  for (CfgPageId id : {CfgPageId::CenterOther, CfgPageId::Camera, CfgPageId::CameraTimer,
                       CfgPageId::Sms, CfgPageId::ComTrans, CfgPageId::Storage}) {
    auto* node = new QTreeWidgetItem(moreRoot_, {QString::fromUtf8(CfgPageNode(id))});
    if (id == CfgPageId::ComTrans) comTransNode_ = node;
  }
  tree_->setCurrentItem(channelRoot_);
  connect(tree_, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item, QTreeWidgetItem*) { OnTreeSelection(item); });
}

void CRTUCfgDlg::SetPage(CfgPageId id, QWidget* widget, ICfgPage* page, CfgPageHooks hooks) {
  if (id == CfgPageId::Count) return;
  Slot& s = pages_[Index(id)];
  s.widget = widget;
  s.page = page;
  s.hooks = std::move(hooks);
  if (widget && widget->parentWidget() != this) widget->setParent(this);
}

void CRTUCfgDlg::OnTreeSelection(QTreeWidgetItem* item) {
  for (const Slot& s : pages_) {
    if (!s.widget) continue;
    s.widget->hide();
    if (s.hooks.afterHide) s.hooks.afterHide();
  }
  if (!item) return;
  const QString text = item->text(0);
  for (int i = 0; i < kCfgPageCount; ++i) {
    const auto id = static_cast<CfgPageId>(i);
    if (id == CfgPageId::Channel || text != QString::fromUtf8(CfgPageNode(id))) continue;
    if (QWidget* w = pages_[Index(id)].widget) w->show();
    return;
  }
  // A channel node reads 通道07 or 通道07|串口03.
  for (int n = 1; n <= channel_codes::kChannels; ++n) {
    if (!text.startsWith(ChannelLabel(n))) continue;
    const Slot& s = pages_[Index(CfgPageId::Channel)];
    if (s.hooks.selectChannel) s.hooks.selectChannel(n - 1);
    if (s.widget) s.widget->show();
    return;
  }
}

void CRTUCfgDlg::ShowComTransPage() {
  if (comTransNode_) tree_->setCurrentItem(comTransNode_);
  for (int i = 0; i < kCfgPageCount; ++i) {
    QWidget* w = pages_[static_cast<size_t>(i)].widget;
    if (w) w->setVisible(static_cast<CfgPageId>(i) == CfgPageId::ComTrans);
  }
}

// Timer 112: the channel page's captions become the channel nodes' texts.
void CRTUCfgDlg::OnCaptionTimer() {
  if (!channelRoot_) return;
  static const std::string none = GBK("无");
  ChannelCaptions& captions = ChannelCaptions::Instance();
  for (int n = 1; n <= channel_codes::kChannels; ++n) {
    const std::string caption = captions.Get(n - 1);
    if (caption.empty()) continue;
    const QString label = ChannelLabel(n);
    for (int i = 0; i < channelRoot_->childCount(); ++i) {
      QTreeWidgetItem* node = channelRoot_->child(i);
      if (!node->text(0).startsWith(label)) continue;
      node->setText(0, caption == none ? label : label + QLatin1Char('|') + FromGbk(caption));
      captions.ClearIf(n - 1, caption);
      break;
    }
  }
}

std::optional<std::string> CRTUCfgDlg::SaveToTable(int id, int index) {
  const CfgPageId p = PageOfParam(id);
  ICfgPage* page = p == CfgPageId::Count ? nullptr : pages_[Index(p)].page;
  // A parameter no page shows reads as the table: it never counts as changed.
  if (!page) return GetParamText(id, index).value_or(std::string());
  return page->SaveToTable(id, index);
}

void CRTUCfgDlg::LoadFromTable(int id, int index, const std::string& text) {
  const CfgPageId p = PageOfParam(id);
  ICfgPage* page = p == CfgPageId::Count ? nullptr : pages_[Index(p)].page;
  if (page) page->LoadFromTable(id, index, text);
}

void CRTUCfgDlg::EnableOperations(bool enable) { machine_.EnableOperations(enable ? 2 : 0); }

void CRTUCfgDlg::CancelOperation() { machine_.CancelOperation(); }

void CRTUCfgDlg::SetOperationsEnabledOnUi(bool enable) {
  operationsEnabled_ = enable;
  tree_->setEnabled(enable);
  search_->setEnabled(enable);
  results_->setEnabled(enable);
  undo_->setEnabled(enable);
  for (QPushButton* b : {load_, save_, factory_, restart_, saveFile_, loadFile_})
    b->setEnabled(enable && (deviceOps_ || b == saveFile_));  // no device: no device operation
}

void CRTUCfgDlg::RefreshDeviceOperations() {
  deviceOps_ = !offline_ && machine_.PortOpen();
  SetOperationsEnabledOnUi(operationsEnabled_);
  if (logDlg_) logDlg_->EnableDeviceOperations(deviceOps_);
  for (const Slot& s : pages_)
    if (s.hooks.enableDeviceOperations) s.hooks.enableDeviceOperations(deviceOps_);
}

void CRTUCfgDlg::OnPortClosed() {
  CancelOperation();
  RefreshDeviceOperations();
}

void CRTUCfgDlg::RequestLoad() {
  if (offline_) {
    offline_ = false;
    machine_.SetOffline(false);
    AppendLog(GBK("结束离线编辑\r\n"));
  }
  RefreshDeviceOperations();
  machine_.RequestLoad();
}

void CRTUCfgDlg::CancelLoadRequest() {
  if (!machine_.LoadRequested()) return;
  machine_.ClearLoadRequest();
  if (logDlg_) logDlg_->setEnabled(true);
  setEnabled(true);
  // A load the worker has already begun is cut short: it ends idle and enabled by itself
  // at once (without the box and without waiting for power-up, the request being gone).
  const int mode = machine_.WorkMode();
  if (mode == kModeOperation || mode == kModeRecovery) {
    machine_.CancelOperation();
    return;
  }
  SetOperationsEnabledOnUi(true);
  machine_.SetWorkMode(kModeIdle);
}

void CRTUCfgDlg::ReleaseHostOnUi() {
  if (endWait_) std::exchange(endWait_, {})();
  if (host_) {
    if (QWidget* main = host_->MainWindow()) main->setEnabled(true);
  }
  if (logDlg_) logDlg_->setEnabled(true);
  setEnabled(true);
}

bool CRTUCfgDlg::WantsData() const {
  const int mode = machine_.WorkMode();
  return mode == kModeWaitPowerUp || mode == kModeOperation || mode == kModeRecovery;
}

void CRTUCfgDlg::Choose(bool chosen) {
  setVisible(chosen);
  ShowLogWindow(chosen);
  if (chosen) setFocus();
}

bool CRTUCfgDlg::OnScreen() const {
  // Until the workspace has its log window, the workspace stands for it.
  return logDlg_ ? logDlg_->isVisible() : isVisible();
}

void CRTUCfgDlg::OnEntryOutcome(const ToolEntryOutcome& outcome) {
  // An entry was made on an open port (one the start-up search opened too): the device
  // operations are offered from now on, also while a failed entry waits for power-up.
  RefreshDeviceOperations();
  switch (outcome.end) {
    case EntryEnd::kEntered:
      if (logDlg_) logDlg_->setEnabled(false);
      setEnabled(false);
      endWait_ = outcome.endWait;
      RequestLoad();
      if (outcome.probed) AppendLog(GBK("进入配置成功！\r\n"));
      return;
    case EntryEnd::kFailed:
      EnableOperations(false);
      SetWorkMode(kModeWaitPowerUp);
      TipBox::Show(DialogParent(), QStringLiteral("载入参数失败，请将设备重新上电！"));
      return;
    case EntryEnd::kCancelled:
      endWait_ = {};
      CancelLoadRequest();
      return;
  }
}

QWidget* CRTUCfgDlg::DialogParent() {
  QWidget* main = host_ ? host_->MainWindow() : nullptr;
  return main ? main : this;
}

// --- marked edits ---

void CRTUCfgDlg::ConnectEditMarks() {
  for (const Slot& s : pages_) {
    if (!s.widget) continue;
    for (CfgField* f : s.widget->findChildren<CfgField*>())
      connect(f, &CfgField::touchedChanged, this, [this] { ScheduleEditMarks(); });
  }
}

// A load sets hundreds of fields: one pass over the tree after them.
void CRTUCfgDlg::ScheduleEditMarks() {
  if (marksPending_ || shutDown_.load()) return;
  marksPending_ = true;
  QMetaObject::invokeMethod(this, [this] { RefreshEditMarks(); }, Qt::QueuedConnection);
}

QTreeWidgetItem* CRTUCfgDlg::ChannelNode(int n) const {
  if (!channelRoot_ || n < 1 || n > channelRoot_->childCount()) return nullptr;
  return channelRoot_->child(n - 1);
}

QList<CfgField*> CRTUCfgDlg::FieldsOfNode(const QTreeWidgetItem* node) const {
  if (!node) return {};
  if (node->parent() == channelRoot_ && channelRoot_) {
    const Slot& s = pages_[Index(CfgPageId::Channel)];
    QWidget* source = s.hooks.channelFields ? s.hooks.channelFields(channelRoot_->indexOfChild(
                                                  const_cast<QTreeWidgetItem*>(node)))
                                            : nullptr;
    return source ? source->findChildren<CfgField*>() : QList<CfgField*>();
  }
  const QString text = node->text(0);
  for (int i = 0; i < kCfgPageCount; ++i) {
    const auto id = static_cast<CfgPageId>(i);
    if (id == CfgPageId::Channel || text != QString::fromUtf8(CfgPageNode(id))) continue;
    QWidget* w = pages_[Index(id)].widget;
    return w ? w->findChildren<CfgField*>() : QList<CfgField*>();
  }
  return {};
}

bool CRTUCfgDlg::NodeMarked(const QTreeWidgetItem* node) {
  return node && node->data(0, Qt::FontRole).isValid();
}

void CRTUCfgDlg::RefreshEditMarks() {
  marksPending_ = false;
  if (!tree_) return;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) RefreshEditMarks(tree_->topLevelItem(i));
}

// A node is marked when its own page holds an edit or a node below it does, so that a
// collapsed branch ("更多参数", the channels under the device page) shows it holds one.
bool CRTUCfgDlg::RefreshEditMarks(QTreeWidgetItem* node) {
  bool touched = false;
  for (int i = 0; i < node->childCount(); ++i) touched = RefreshEditMarks(node->child(i)) || touched;
  const Slot& channels = pages_[Index(CfgPageId::Channel)];
  if (!touched && channelRoot_ && node->parent() == channelRoot_ && channels.hooks.channelHeaderTouched)
    touched = channels.hooks.channelHeaderTouched(channelRoot_->indexOfChild(node));
  if (!touched) {
    const QList<CfgField*> fields = FieldsOfNode(node);
    touched = std::any_of(fields.begin(), fields.end(), [](const CfgField* f) { return f->Touched(); });
  }
  if (touched != NodeMarked(node)) {
    QFont bold;  // only the weight: the tree's font gives the rest
    bold.setBold(true);
    node->setData(0, Qt::FontRole, touched ? QVariant(bold) : QVariant());
    node->setData(0, Qt::ForegroundRole, touched ? QVariant(QBrush(field_ui::EditMarkColour())) : QVariant());
  }
  return touched;
}

namespace {
// Puts the touched fields back to their loaded values; how many went back.
int RevertTouched(const QList<CfgField*>& fields) {
  int undone = 0;
  for (CfgField* f : fields) {
    if (!f->Touched()) continue;
    f->Revert();
    if (!f->Touched()) ++undone;
  }
  return undone;
}
}  // namespace

int CRTUCfgDlg::UndoPageEdits() {
  int undone = 0;
  QTreeWidgetItem* node = tree_ ? tree_->currentItem() : nullptr;
  const Slot& channels = pages_[Index(CfgPageId::Channel)];
  if (node && channelRoot_ && node->parent() == channelRoot_ && channels.hooks.revertChannelHeader)
    undone += channels.hooks.revertChannelHeader(channelRoot_->indexOfChild(node));
  undone += RevertTouched(FieldsOfNode(node));
  RefreshEditMarks();
  return undone;
}

int CRTUCfgDlg::UndoAllEdits() {
  int undone = 0;
  const Slot& channels = pages_[Index(CfgPageId::Channel)];
  if (channels.hooks.revertChannelHeader)
    for (int n = 0; n < channel_codes::kChannels; ++n) undone += channels.hooks.revertChannelHeader(n);
  for (const Slot& s : pages_)
    if (s.widget) undone += RevertTouched(s.widget->findChildren<CfgField*>());
  RefreshEditMarks();
  return undone;
}

// --- log ---

void CRTUCfgDlg::AppendLog(const std::string& text) {
  log_.Append(text);
  ScheduleLogRefresh();
}

void CRTUCfgDlg::ClearLog() {
  log_.Reset();
  RefreshLog();
}

// Coalesces the appends of any thread into one widget update on the UI thread.
void CRTUCfgDlg::ScheduleLogRefresh() {
  if (shutDown_.load() || logRefreshPending_.exchange(true)) return;
  QMetaObject::invokeMethod(this, [this] { RefreshLog(); }, Qt::QueuedConnection);
}

void CRTUCfgDlg::RefreshLog() {
  logRefreshPending_.store(false);
  if (!logDlg_) return;
  CfgLog::Delta d = log_.Since(shownGeneration_, shownLength_);
  if (!d.full && d.text.empty()) return;
  logDlg_->ShowText(d.text, d.full);
  shownGeneration_ = d.generation;
  shownLength_ = d.end;
}

QWidget* CRTUCfgDlg::LogWindow() { return logDlg_.data(); }

void CRTUCfgDlg::ShowLogWindow(bool show) {
  logToggle_->setText(show ? QStringLiteral("<<") : QStringLiteral(">>"));
  if (logDlg_) logDlg_->setVisible(show);
}

void CRTUCfgDlg::OnLogToggle() {
  if (logToggle_->text() == QStringLiteral("<<")) {
    ShowLogWindow(false);
  } else {
    ShowLogWindow(true);
    activateWindow();
    setFocus();
  }
}

// --- receive side and shutdown ---

void CRTUCfgDlg::OnSerialData(const char* data, int count) { machine_.OnSerialData(data, count); }

void CRTUCfgDlg::Shutdown() {
  if (shutDown_.exchange(true)) return;
  ChannelCaptions::Instance().RemoveListener(this);
  if (powerUpTimer_) powerUpTimer_->stop();
  if (captionTimer_) captionTimer_->stop();
  UiBridge::Shutdown();
  machine_.Stop();
}

// --- Qt events ---

void CRTUCfgDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layout_.Apply(this);
  pageLayout_.Apply(this);
  // The tree, the buttons and the check boxes take the pages' font (PageFont of a page's
  // height; the frame's before the pages exist), so that the tree shows most of its nodes
  // and no node's or button's text is cut.
  const QWidget* page = PageWidget(CfgPageId::Dev);
  const QFont font = station_ui::PageFont(page ? page->height() : frame_->height());
  tree_->setFont(font);
  search_->setFont(font);
  results_->setFont(font);
  frame_->setFont(font);
  for (QPushButton* b : {load_, save_, factory_, restart_, saveFile_, loadFile_, logToggle_})
    b->setFont(font);
  undo_->setFont(font);
  verifyWrites_->setFont(font);
  fastWrite_->setFont(font);
}

void CRTUCfgDlg::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (logDlg_ && !event->spontaneous())
    logDlg_->setVisible(logToggle_->text() == QStringLiteral("<<"));
}
