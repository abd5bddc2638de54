#include "debug/ui/debug_dlg.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QThread>

#include "base/atomic_file.h"
#include "base/cp936.h"
#include "base/timing.h"
#include "debug/debug_text.h"
#include "debug/ui/log_view.h"
#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "widgets/message_box.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"

namespace {
bool OnUiThread(const QObject* o) { return QThread::currentThread() == o->thread(); }
}  // namespace

CDebug::CDebug(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("debugPage"));
  BuildControls();
  refreshTimer_.setSingleShot(true);
  refreshTimer_.setInterval(kRefreshMs);
  connect(&refreshTimer_, &QTimer::timeout, this, [this] {
    refreshPosted_.store(false);
    RefreshDisplay();
  });
  connect(&timedTimer_, &QTimer::timeout, this, [this] { OnTimedSendTick(); });
  connect(&bannerTimer_, &QTimer::timeout, this, [this] {
    if (mode_ && !mode_->OnBannerTick()) NotePause();
  });
  timedRecheck_.setInterval(kTimedSendRecheckMs);
  connect(&timedRecheck_, &QTimer::timeout, this, [this] { ReevaluateTimedSend(); });
}

CDebug::~CDebug() { Shutdown(); }

void CDebug::BuildControls() {
  auto button = [this](const char* text, const char* name) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
  };
  auto check = [this](const char* text, const char* name) {
    auto* c = new QCheckBox(QString::fromUtf8(text), this);
    c->setObjectName(QLatin1String(name));
    return c;
  };
  auto counter = [this](const char* name) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QLatin1String(name));
    e->setReadOnly(true);
    return e;
  };
  group_ = new QGroupBox(QStringLiteral("手动调试区"), this);
  group_->setObjectName(QStringLiteral("manualGroup"));
  recvButton_ = button("开启接收", "recvButton");
  saveButton_ = button("保存日志", "saveLogButton");
  clearButton_ = button("清除日志", "clearLogButton");
  hexViewBox_ = check("HEX显示", "hexViewBox");
  stampBox_ = check("显示时间", "timeStampBox");
  stampBox_->setToolTip(QStringLiteral("文本显示时每行前加接收时间 [时:分:秒.毫秒]，保存日志时一并写入"));
  sentCount_ = counter("sentCount");
  recvCount_ = counter("recvCount");
  display_ = new LogView(this);
  display_->setObjectName(QStringLiteral("display"));
  quickLabel_ = new QLabel(QStringLiteral("快捷发送："), this);
  for (size_t i = 0; i < quickButtons_.size(); ++i) {
    QPushButton* b = button("", "quickSendButton");
    b->setObjectName(QStringLiteral("quickSendButton%1").arg(i));
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    b->hide();
    const int index = static_cast<int>(i);
    connect(b, &QPushButton::clicked, this, [this, index] { SendQuickSend(index); });
    connect(b, &QWidget::customContextMenuRequested, this,
            [this, b, index](const QPoint& at) { QuickSendMenu(index, b->mapToGlobal(at)); });
    quickButtons_[i] = b;
  }
  quickAdd_ = button("添加快捷发送", "quickAddButton");
  quickAdd_->setToolTip(QStringLiteral("把一行常用的发送内容存为快捷发送（最多8条）"));
  timedBox_ = check("定时发送", "timedSendBox");
  intervalEdit_ = new QLineEdit(QString::number(kDefaultIntervalMs), this);
  intervalEdit_->setObjectName(QStringLiteral("intervalEdit"));
  intervalEdit_->setValidator(new QIntValidator(0, 2147483647, intervalEdit_));
  intervalLabel_ = new QLabel(QStringLiteral("ms/次"), this);
  hexSendBox_ = check("HEX发送", "hexSendBox");
  newlineBox_ = check("发送新行", "newlineBox");
  inputLabel_ = new QLabel(QStringLiteral("字符串输入："), this);
  inputEdit_ = new QLineEdit(this);
  inputEdit_->setObjectName(QStringLiteral("inputEdit"));
  inputEdit_->setMaxLength(1 << 20);
  sendButton_ = button("发送", "sendButton");
  simpleButton_ = button("简易模式", "simpleModeButton");
  proButton_ = button("专业模式", "proModeButton");
  sentCount_->setText(QStringLiteral("S:0"));
  recvCount_->setText(QStringLiteral("R:0"));

  layout_.Add(recvButton_, 0.01, 0.01, 0.12, 0.055);
  layout_.Add(saveButton_, 0.14, 0.01, 0.12, 0.055);
  layout_.Add(clearButton_, 0.27, 0.01, 0.12, 0.055);
  layout_.Add(hexViewBox_, 0.40, 0.01, 0.12, 0.055);
  layout_.Add(stampBox_, 0.53, 0.01, 0.12, 0.055);
  layout_.Add(sentCount_, 0.66, 0.01, 0.16, 0.055);
  layout_.Add(recvCount_, 0.83, 0.01, 0.16, 0.055);
  layout_.Add(display_, 0.01, 0.08, 0.98, 0.565);
  layout_.Add(quickLabel_, 0.01, 0.655, 0.08, 0.055);
  for (size_t i = 0; i < quickButtons_.size(); ++i)
    layout_.Add(quickButtons_[i], 0.09 + 0.0985 * static_cast<double>(i), 0.655, 0.093, 0.055);
  layout_.Add(quickAdd_, 0.88, 0.655, 0.11, 0.055);
  layout_.Add(group_, 0.01, 0.72, 0.98, 0.27);
  layout_.Add(timedBox_, 0.03, 0.77, 0.13, 0.06);
  layout_.Add(intervalEdit_, 0.17, 0.77, 0.10, 0.06);
  layout_.Add(intervalLabel_, 0.28, 0.77, 0.07, 0.06);
  layout_.Add(hexSendBox_, 0.37, 0.77, 0.13, 0.06);
  layout_.Add(newlineBox_, 0.51, 0.77, 0.13, 0.06);
  layout_.Add(inputLabel_, 0.03, 0.87, 0.13, 0.06);
  layout_.Add(inputEdit_, 0.17, 0.87, 0.47, 0.06);
  layout_.Add(sendButton_, 0.66, 0.87, 0.09, 0.06);
  layout_.Add(simpleButton_, 0.765, 0.87, 0.10, 0.06);
  layout_.Add(proButton_, 0.88, 0.87, 0.10, 0.06);

  connect(recvButton_, &QPushButton::clicked, this, [this] { OnRecvButton(); });
  connect(saveButton_, &QPushButton::clicked, this, [this] { OnSaveLog(); });
  connect(clearButton_, &QPushButton::clicked, this, [this] { OnClearLog(); });
  connect(hexViewBox_, &QCheckBox::toggled, this, [this] { OnHexViewToggled(); });
  connect(stampBox_, &QCheckBox::toggled, this, [this] { OnTimeStampToggled(); });
  connect(quickAdd_, &QPushButton::clicked, this, [this] { AddQuickSend(); });
  connect(timedBox_, &QCheckBox::toggled, this, [this] { ReevaluateTimedSend(); });
  connect(intervalEdit_, &QLineEdit::textChanged, this, [this] { ReevaluateTimedSend(); });
  connect(hexSendBox_, &QCheckBox::toggled, this, [this] { OnHexSendToggled(); });
  connect(inputEdit_, &QLineEdit::textChanged, this, [this] { OnInputChanged(); });
  connect(sendButton_, &QPushButton::clicked, this, [this] { OnSend(); });
  connect(simpleButton_, &QPushButton::clicked, this,
          [this] { OnModeButton(DebugModeDialogue::kSimple); });
  connect(proButton_, &QPushButton::clicked, this,
          [this] { OnModeButton(DebugModeDialogue::kProfessional); });

  // The Enter key anywhere on the page sends, and goes no further.
  for (QWidget* w : findChildren<QWidget*>()) w->installEventFilter(this);
  display_->viewport()->installEventFilter(this);
}

void CDebug::Init(IToolHost* host) {
  host_ = host;
  if (!mode_ && host_) {
    IDebugModeView& view = *this;
    mode_ = std::make_unique<DebugModeDialogue>(host_->Port(), log_, view, host_->Line());
    mode_->Start();
  }
  SetReceiving(false);
  quick_ = quicksend::Load();
  layout_.Apply(this);
  ApplyFonts();
  UpdateQuickButtons();
}

QWidget* CDebug::Control(int id) const {
  switch (id) {
    case kHexViewBox: return hexViewBox_;
    case kTimedSendBox: return timedBox_;
    case kHexSendBox: return hexSendBox_;
    case kNewlineBox: return newlineBox_;
    case kInputEdit: return inputEdit_;
    case kSendButton: return sendButton_;
    case kSimpleModeButton: return simpleButton_;
    case kProModeButton: return proButton_;
    case kSentCount: return sentCount_;
    case kRecvCount: return recvCount_;
    case kRecvButton: return recvButton_;
    case kSaveLogButton: return saveButton_;
    case kClearLogButton: return clearButton_;
    case kDisplay: return display_;
    case kManualGroup: return group_;
    case kIntervalEdit: return intervalEdit_;
    case kTimeStampBox: return stampBox_;
    case kQuickAddButton: return quickAdd_;
    default:
      if (id >= kQuickSendButton && id < kQuickSendButton + quicksend::kMaxEntries)
        return quickButtons_[static_cast<size_t>(id - kQuickSendButton)];
      return nullptr;
  }
}

QString CDebug::DisplayText() const { return display_->Text(); }

void CDebug::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  layout_.Apply(this);
  ApplyFonts();
  UpdateQuickButtons();
}

void CDebug::ApplyFonts() {
  const QFont f = TahomaFont(height() / 40);
  for (QWidget* w : findChildren<QWidget*>()) {
    if (w != display_ && w->parent() == this) w->setFont(f);
  }
  QFont mono = display_->font();
  mono.setPixelSize(std::max(10, height() / 45));
  display_->setFont(mono);
}

// ---- receiving and the display

void CDebug::SetReceiving(bool on) {
  m_bReceiving.store(on);
  auto apply = [this, on] {
    recvButton_->setText(on ? QStringLiteral("关闭接收") : QStringLiteral("开启接收"));
  };
  if (OnUiThread(this)) apply();
  else QMetaObject::invokeMethod(this, apply, Qt::QueuedConnection);
}

bool CDebug::IsProfessionalMode() const { return mode_ && mode_->IsProMode(); }

void CDebug::ClearProfessionalMode() {
  if (mode_) mode_->ClearProMode();
}

void CDebug::Choose(bool chosen) {
  if (!chosen) SetReceiving(false);
  setVisible(chosen);
}

void CDebug::OnPortOpened() {
  if (!isVisible()) return;
  SetReceiving(true);
  MarkTimedSendForReevaluation();
}

void CDebug::OnPortClosed() {
  if (!IsReceiving()) return;
  SetReceiving(false);
  ClearProfessionalMode();
  MarkTimedSendForReevaluation();
}

void CDebug::AppendLog(const std::string& text) {
  log_.AppendNotice(text);
  RequestRefresh();
}

void CDebug::OnSerialData(const char* data, int count) {
  if (count <= 0 || shutDown_.load()) return;
  log_.Append(std::string_view(data, static_cast<size_t>(count)));
  RequestRefresh();
  if (mode_) mode_->OnReceive(data, count);
}

void CDebug::RequestRefresh() {
  if (shutDown_.load() || refreshPosted_.exchange(true)) return;
  QMetaObject::invokeMethod(this, [this] {
    if (!refreshTimer_.isActive()) refreshTimer_.start();
  }, Qt::QueuedConnection);
}

void CDebug::RefreshDisplay() {
  ReceiveLog::Update u = log_.TakeUpdate();
  if (!u.changed) return;
  recvCount_->setText(QStringLiteral("R:%1").arg(u.length));
  const bool hex = hexViewBox_->isChecked();
  QString text;
  if (hex) {
    text = QString::fromLatin1(debug_text::RenderHex(u.bytes));
  } else {
    if (u.full) {
      decoder_.Reset();
      stamper_.Reset();
    }
    // A stamp goes in only after a '\n', which is never part of a GBK character.
    std::string stamped;
    std::string_view raw = u.bytes;
    if (stampBox_->isChecked()) {
      stamped = stamper_.Render(u.bytes, u.arrivals);
      raw = stamped;
    }
    text = QString::fromStdString(decoder_.ToUtf8(debug_text::RenderText(raw)));
  }
  if (u.full) display_->SetText(text);
  else display_->AppendText(text);
}

void CDebug::OnRecvButton() {
  if (m_bReceiving.load()) {
    SetReceiving(false);
  } else if (host_ && host_->Port().IsOpen()) {
    SetReceiving(true);
  } else {
    ShowTip(serial::kOpenPortFirstText);
  }
}

void CDebug::OnClearLog() {
  sender_.ResetCount();
  log_.Clear();
  sentCount_->setText(QStringLiteral("S:0"));
  recvCount_->setText(QStringLiteral("R:0"));
  RefreshDisplay();
}

void CDebug::OnHexViewToggled() {
  display_->SetWrapUnit(hexViewBox_->isChecked() ? 3 : 1);
  log_.ForceFullRedraw();
  RefreshDisplay();
}

void CDebug::OnTimeStampToggled() {
  // The hex view shows no stamps; its next switch to text redraws anyway.
  if (hexViewBox_->isChecked()) return;
  log_.ForceFullRedraw();
  RefreshDisplay();
}

// ---- sending

void CDebug::OnInputChanged() {
  const bool hex = hexSendBox_->isChecked();
  switch (sender_.SetInput(ToGbk(inputEdit_->text()), hex)) {
    case debug_text::HexParse::InvalidChar: ShowTip("无效字符"); break;
    case debug_text::HexParse::TooLong: ShowTip("长度太长"); break;
    case debug_text::HexParse::Ok: break;
  }
}

void CDebug::OnHexSendToggled() {
  const bool hex = hexSendBox_->isChecked();
  newlineBox_->setEnabled(!hex);
  const std::string shown = sender_.InputFor(hex);
  {
    const QSignalBlocker block(inputEdit_);
    inputEdit_->setText(hex ? QString::fromLatin1(shown) : FromGbk(shown));
  }
  OnInputChanged();
}

void CDebug::OnSend() {
  SendOnce([this] { return sender_.Send(host_->Port(), hexSendBox_->isChecked(), newlineBox_->isChecked()); });
}

void CDebug::SendOnce(const std::function<DebugSender::Result()>& send) {
  if (!host_) return;
  // Like the timed send: not while an operation owns the line (the console says so).
  DebugSender::Result r = DebugSender::Result::PortClosed;
  const bool refused =
      host_->Port().IsOpen() && !host_->Line().WriteIfFree(LineOwner::kNone, [&] { r = send(); });
  if (refused) {
    pauseShown_ = LineOwner::kNone;  // every press that is not sent is told
    NotePause();
    return;
  }
  if (r == DebugSender::Result::PortClosed) {
    ShowTip(serial::kOpenPortFirstText);
    return;
  }
  UpdateSentCount();
}

void CDebug::UpdateSentCount() { sentCount_->setText(QStringLiteral("S:%1").arg(sender_.SentCount())); }

void CDebug::OnTimedSendTick() {
  // A port that went away stops the timed send until it is open again, instead of
  // raising a "请先打开串口" box on every tick.
  if (!host_ || !host_->Port().IsOpen()) {
    ReevaluateTimedSend();
    return;
  }
  // Asked and written in one step: a lease that begins meanwhile waits for the write.
  DebugSender::Result result = DebugSender::Result::PortClosed;
  const bool sent = host_->Line().WriteIfFree(LineOwner::kNone, [&] {
    result = sender_.Send(host_->Port(), hexSendBox_->isChecked(), newlineBox_->isChecked());
  });
  if (!sent) {
    NotePause();
    return;
  }
  pauseShown_ = LineOwner::kNone;
  if (result != DebugSender::Result::PortClosed) UpdateSentCount();
}

void CDebug::NotePause() {
  const LineOwner owner = host_ ? host_->Line().Owner() : LineOwner::kNone;
  if (owner == pauseShown_ || owner == LineOwner::kNone) return;
  pauseShown_ = owner;
  static const std::string kDownload = GBK("\r\n下载进行中，暂停发送...\r\n");
  static const std::string kMode = GBK("\r\n模式切换进行中，暂停发送...\r\n");
  static const std::string kConfig = GBK("\r\n配置操作进行中，暂停发送...\r\n");
  AppendLog(owner == LineOwner::kDownload ? kDownload : owner == LineOwner::kModeDialogue ? kMode : kConfig);
}

void CDebug::MarkTimedSendForReevaluation() {
  if (OnUiThread(this)) ReevaluateTimedSend();
  else QMetaObject::invokeMethod(this, [this] { ReevaluateTimedSend(); }, Qt::QueuedConnection);
}

void CDebug::ReevaluateTimedSend() {
  timedTimer_.stop();
  timedSendPending_ = false;
  if (timedBox_->isChecked() && !shutDown_.load()) {
    const int interval = intervalEdit_->text().toInt();
    if (host_ && host_->Port().IsOpen() && interval > 0) {
      timedTimer_.start(interval);
    } else {
      timedSendPending_ = true;
    }
  }
  // While it waits for an open port, look again now and then (nothing to do otherwise).
  if (timedSendPending_ && !timedRecheck_.isActive()) timedRecheck_.start();
  if (!timedSendPending_) timedRecheck_.stop();
}

// ---- log file

QString CDebug::AskSavePath(const QString& defaultName) {
  QFileDialog dialog(this, QString(), defaultName);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("txt"));
  dialog.setNameFilters({QStringLiteral("文本文件(*.txt)"), QStringLiteral("Word文件(*.doc)"),
                         QStringLiteral("所有文件(*.*)")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

void CDebug::OnSaveLog() {
  const QString path = AskSavePath(QString::fromStdString(debug_text::DefaultLogFileName()));
  if (!path.isEmpty()) SaveLogTo(path);
}

bool CDebug::SaveLogTo(const QString& path) {
  std::string bytes;
  if (stampBox_->isChecked()) {
    const ReceiveLog::Contents c = log_.Copy();
    LineStamper stamper;
    bytes = stamper.Render(c.bytes, c.arrivals);
  } else {
    bytes = log_.Bytes();
  }
  std::string error;
  if (WriteFileAtomically(LocalPath(path), bytes, &error)) return true;
  TipBox::Show(BoxParent(), QStringLiteral("保存日志失败：") + QString::fromStdString(error));
  return false;
}

// ---- quick-send entries

bool CDebug::AskQuickSend(QuickSendEntry& entry) { return quicksend::EditInDialog(BoxParent(), entry); }

void CDebug::AddQuickSend() {
  if (static_cast<int>(quick_.size()) >= quicksend::kMaxEntries) {
    ShowTip("快捷发送最多8条，请先删除一条");
    return;
  }
  QuickSendEntry entry{QString(), inputEdit_->text(), hexSendBox_->isChecked()};
  if (!AskQuickSend(entry) || entry.text.isEmpty()) return;
  quick_.push_back(entry);
  SaveQuickSends();
}

void CDebug::EditQuickSend(int index) {
  if (index < 0 || index >= static_cast<int>(quick_.size())) return;
  QuickSendEntry entry = quick_[static_cast<size_t>(index)];
  if (!AskQuickSend(entry) || entry.text.isEmpty()) return;
  quick_[static_cast<size_t>(index)] = entry;
  SaveQuickSends();
}

void CDebug::DeleteQuickSend(int index) {
  if (index < 0 || index >= static_cast<int>(quick_.size())) return;
  if (!Confirm(QStringLiteral("是否删除快捷发送“%1”？").arg(quick_[static_cast<size_t>(index)].name))) return;
  quick_.erase(quick_.begin() + index);
  SaveQuickSends();
}

void CDebug::SaveQuickSends() {
  quicksend::Save(quick_);
  UpdateQuickButtons();
}

void CDebug::SendQuickSend(int index) {
  if (index < 0 || index >= static_cast<int>(quick_.size())) return;
  const QuickSendEntry entry = quick_[static_cast<size_t>(index)];
  std::string bytes;
  switch (DebugSender::Parse(ToGbk(entry.text), entry.hex, bytes)) {
    case debug_text::HexParse::InvalidChar: ShowTip("无效字符"); return;
    case debug_text::HexParse::TooLong: ShowTip("长度太长"); return;
    case debug_text::HexParse::Ok: break;
  }
  SendOnce([&] { return sender_.SendBytes(host_->Port(), bytes, entry.hex, newlineBox_->isChecked()); });
}

void CDebug::UpdateQuickButtons() {
  for (size_t i = 0; i < quickButtons_.size(); ++i) {
    QPushButton* b = quickButtons_[i];
    if (i >= quick_.size()) {
      b->hide();
      continue;
    }
    const QuickSendEntry& e = quick_[i];
    const int room = std::max(8, b->width() - 10);
    b->setText(b->fontMetrics().elidedText(e.name, Qt::ElideRight, room));
    b->setToolTip((e.hex ? QStringLiteral("HEX：") : QStringLiteral("文本：")) + e.text +
                  QStringLiteral("\n单击发送，右键编辑或删除"));
    b->show();
  }
}

void CDebug::QuickSendMenu(int index, const QPoint& at) {
  QMenu menu(this);
  menu.addAction(QStringLiteral("发送"), this, [this, index] { SendQuickSend(index); });
  menu.addAction(QStringLiteral("编辑..."), this, [this, index] { EditQuickSend(index); });
  menu.addAction(QStringLiteral("删除"), this, [this, index] { DeleteQuickSend(index); });
  menu.exec(at);
}

// ---- mode dialogue

bool CDebug::Confirm(const QString& question) { return TipBox::AskOkCancel(BoxParent(), question); }

void CDebug::OnModeButton(DebugModeDialogue::Target target) {
  if (!host_ || !mode_ || !host_->Port().IsOpen()) {
    ShowTip(serial::kOpenPortFirstText);
    return;
  }
  const bool simple = target == DebugModeDialogue::kSimple;
  if (!Confirm(simple ? QStringLiteral("是否进入简易模式？") : QStringLiteral("是否进入专业模式？")))
    return;
  if (mode_->IsRunning()) return;
  setEnabled(false);  // enabled again by the dialogue when it ends
  mode_->Begin(target);
}

// The calls below capture by value and check that the page still exists: a call
// refused at shutdown may still sit in the UI thread's queue.
void CDebug::ShowMessage(const std::string& text, const std::function<bool()>& skip) {
  // The skip test and the box's opening happen in one UI-thread call, so a close
  // request posted after the test reaches the open box.
  UiBridge::Invoke([self = QPointer<CDebug>(this), qtext = FromGbk(text), skip] {
    if (!self || (skip && skip())) return;
    TipBox::Show(self->BoxParent(), qtext);
  });
}

void CDebug::EnablePage(bool enabled) {
  UiBridge::Invoke([self = QPointer<CDebug>(this), enabled] {
    if (self) self->setEnabled(enabled);
  });
}

void CDebug::StartBannerTimer() {
  UiBridge::Invoke([self = QPointer<CDebug>(this)] {
    if (self) self->bannerTimer_.start(Timing::Scaled(DebugModeDialogue::kBannerTickMs));
  });
}

void CDebug::StopBannerTimer() {
  UiBridge::Invoke([self = QPointer<CDebug>(this)] {
    if (self) self->bannerTimer_.stop();
  });
}

void CDebug::CloseWaitingMessage() { TipBox::CloseOpen(); }

void CDebug::LogChanged() { RequestRefresh(); }

// ---- helpers, keys, shutdown

QWidget* CDebug::BoxParent() {
  QWidget* main = host_ ? host_->MainWindow() : nullptr;
  return main ? main : this;
}

void CDebug::ShowTip(const char* utf8Text) { TipBox::Show(BoxParent(), QString::fromUtf8(utf8Text)); }

void CDebug::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    OnSend();
    return;
  }
  QWidget::keyPressEvent(e);
}

bool CDebug::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      OnSend();
      return true;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void CDebug::Shutdown() {
  if (shutDown_.exchange(true)) return;
  refreshTimer_.stop();
  timedTimer_.stop();
  timedRecheck_.stop();
  bannerTimer_.stop();
  if (mode_) {
    UiBridge::Shutdown();
    mode_->Stop();
  }
}
