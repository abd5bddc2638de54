#include "download/ui/download_dlg.h"

#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>

#include "base/cp936.h"
#include "download/download_worker.h"
#include "download/firmware_image.h"
#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "widgets/message_box.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"

namespace {

bool OnUiThread(const QObject* o) { return QThread::currentThread() == o->thread(); }

}  // namespace

CRTUDown::CRTUDown(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("downloadPage"));
  BuildControls();
  RefreshLog();
}

CRTUDown::~CRTUDown() { Shutdown(); }

void CRTUDown::BuildControls() {
  auto button = [this](const QString& text, const char* name, int id) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QLatin1String(name));
    b->setProperty("controlId", id);
    b->setAutoDefault(false);
    return b;
  };
  load_ = button(QStringLiteral("加载"), "loadButton", kIdLoad);
  download_ = button(QStringLiteral("下载"), "downloadButton", kIdDownload);
  clearLog_ = button(QStringLiteral("清除日志"), "clearLogButton", kIdClearLog);
  path_ = new QLineEdit(this);
  path_->setObjectName(QStringLiteral("pathEdit"));
  path_->setProperty("controlId", kIdPath);
  logEdit_ = new QPlainTextEdit(this);
  logEdit_->setObjectName(QStringLiteral("logEdit"));
  logEdit_->setProperty("controlId", kIdLog);
  logEdit_->setReadOnly(true);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("progressBar"));
  progress_->setProperty("controlId", kIdProgress);
  progress_->setTextVisible(false);
  progress_->setValue(0);
  progress_->hide();

  layout_.Add(path_, 0.02, 0.02, 0.60, 0.05);
  layout_.Add(load_, 0.64, 0.02, 0.10, 0.05);
  layout_.Add(download_, 0.76, 0.02, 0.10, 0.05);
  layout_.Add(clearLog_, 0.88, 0.02, 0.10, 0.05);
  layout_.Add(progress_, 0.02, 0.09, 0.96, 0.04);
  layout_.Add(logEdit_, 0.02, 0.15, 0.96, 0.83);

  connect(load_, &QPushButton::clicked, this, [this] { OnLoad(); });
  connect(download_, &QPushButton::clicked, this, [this] { ToggleDownload(); });
  connect(clearLog_, &QPushButton::clicked, this, [this] { OnClearLog(); });
}

void CRTUDown::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layout_.Apply(this);
  // One point per 50 pixels of client height.
  const QFont font = TahomaFont(height() / 50 * logicalDpiY() / 72);
  for (QWidget* w : {static_cast<QWidget*>(load_), static_cast<QWidget*>(path_),
                     static_cast<QWidget*>(download_), static_cast<QWidget*>(clearLog_),
                     static_cast<QWidget*>(logEdit_), static_cast<QWidget*>(progress_)})
    w->setFont(font);
}

void CRTUDown::Init(IToolHost* host) {
  host_ = host;
  if (!worker_ && host_) {
    worker_ = std::make_unique<DownloadWorker>(host_->Port(), static_cast<IDownloadView&>(*this),
                                               host_->Line());
    worker_->Launch();
  }
  progress_->hide();
}

bool CRTUDown::IsDownloadActive() const { return worker_ && worker_->IsActive(); }

void CRTUDown::Shutdown() {
  if (worker_) worker_->Shutdown();
}

void CRTUDown::OnSerialData(const char* data, int count) {
  if (worker_) worker_->OnSerialData(data, count);
}

void CRTUDown::OnPortClosed() {
  if (IsDownloadActive()) ToggleDownload();
}

void CRTUDown::OnEntryOutcome(const ToolEntryOutcome& outcome) {
  if (outcome.end == EntryEnd::kEntered && outcome.probed) AppendLog(GBK("进入升级成功！\r\n"));
}

QWidget* CRTUDown::BoxParent() {
  QWidget* main = host_ ? host_->MainWindow() : nullptr;
  return main ? main : window();
}

// ---- buttons ----

void CRTUDown::OnLoad() {
  QFileDialog dialog(this);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(QStringLiteral("*.bin (*.bin)"));
  dialog.setDefaultSuffix(QStringLiteral("bin"));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  path_->setText(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}

void CRTUDown::ToggleDownload() {
  if (!worker_) return;
  if (worker_->IsActive()) {
    worker_->StopDownload();
    return;
  }
  const QString path = path_->text();
  // The image is read and checked first, then the device's values (as last loaded by the
  // configuration tool) are backed up; a backup that cannot be written stops the download.
  DownloadWorker::StartResult result = DownloadWorker::StartResult::kPortClosed;
  std::vector<uint8_t> image;
  if (!host_ || !host_->Port().IsOpen()) {
    result = DownloadWorker::StartResult::kPortClosed;
  } else if (path.isEmpty()) {
    result = DownloadWorker::StartResult::kNoFile;
  } else if (const boot::ImageLoad load = boot::LoadFirmwareImage(LocalPath(path), image);
             load != boot::ImageLoad::kOk) {
    result = load == boot::ImageLoad::kBadLength ? DownloadWorker::StartResult::kBadLength
                                                 : DownloadWorker::StartResult::kUnreadable;
  } else {
    std::string why;
    if (!backup_.Before(TableFromDevice(), host_->Port().Name(),
                        [this](const std::string& line) { AppendLog(line); }, &why)) {
      TipBox::Show(BoxParent(), FromGbk(why));
      return;
    }
    result = worker_->StartDownload(std::move(image));
  }
  switch (result) {
    case DownloadWorker::StartResult::kStarted:
    case DownloadWorker::StartResult::kBusy:
      return;
    case DownloadWorker::StartResult::kPortClosed:
      TipBox::Show(BoxParent(), QString::fromUtf8(serial::kOpenPortFirstText));
      return;
    case DownloadWorker::StartResult::kNoFile:
      TipBox::Show(BoxParent(), QStringLiteral("请先选择文件"));
      return;
    case DownloadWorker::StartResult::kBadLength:
      ShowLengthError();
      return;
    case DownloadWorker::StartResult::kUnreadable:
      TipBox::Show(BoxParent(), QStringLiteral("无法读取文件：%1").arg(path));
      return;
  }
}

void CRTUDown::ShowLengthError() {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("文件长度错误"), QStringLiteral("请先选择文件"),
                  QMessageBox::Ok, BoxParent());
  box.setObjectName(QStringLiteral("lengthErrorBox"));
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

void CRTUDown::OnClearLog() {
  log_.Clear();
  RefreshLog();
}

// ---- log ----

void CRTUDown::AppendLog(const std::string& text) {
  log_.Append(text);
  if (OnUiThread(this)) {
    RefreshLog();
  } else if (!refreshPosted_.exchange(true)) {
    QMetaObject::invokeMethod(this, [this] {
      refreshPosted_.store(false);
      RefreshLog();
    }, Qt::QueuedConnection);
  }
}

void CRTUDown::RefreshLog() {
  std::string delta;
  const bool whole = log_.Delta(shownEpoch_, shownChars_, delta);
  QString text = FromGbk(delta);
  text.remove(QLatin1Char('\r'));
  if (whole) {
    logEdit_->setPlainText(text);
  } else if (!text.isEmpty()) {
    logEdit_->moveCursor(QTextCursor::End);
    logEdit_->insertPlainText(text);
  }
  logEdit_->verticalScrollBar()->setValue(logEdit_->verticalScrollBar()->maximum());
}

// ---- IDownloadView ----

void CRTUDown::OnUi(std::function<void()> fn) {
  if (OnUiThread(this)) fn();
  else QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void CRTUDown::OnDownloadStarted(int blocks) {
  OnUi([this, blocks] {
    progress_->setRange(0, blocks);
    progress_->setValue(0);
    progress_->show();
    download_->setText(QStringLiteral("取消"));
    load_->setEnabled(false);
    path_->setEnabled(false);
    // Cancel stays disabled until the device has restarted or the page waits for a power-up.
    download_->setEnabled(false);
  });
}

void CRTUDown::EnableCancel() {
  OnUi([this] {
    if (IsDownloadActive()) download_->setEnabled(true);
  });
}

void CRTUDown::SetProgress(int blocks) {
  OnUi([this, blocks] {
    if (IsDownloadActive()) progress_->setValue(blocks);
  });
}

void CRTUDown::OnDownloadStopped(DownloadEnd) {
  OnUi([this] {
    // A new download may have started before this queued call ran: leave it alone.
    if (IsDownloadActive()) return;
    download_->setText(QStringLiteral("下载"));
    download_->setEnabled(true);
    load_->setEnabled(true);
    path_->setEnabled(true);
    progress_->setValue(0);
    progress_->hide();
  });
}

void CRTUDown::ShowPowerUpMessage() {
  // Blocks the worker while the box is open, as the poll goes on; the receive thread
  // closes it when the boot loader answers. Not opened when it already has.
  UiBridge::Invoke([this] {
    if (worker_ && worker_->WaitingForBootLoader())
      TipBox::Show(BoxParent(), QStringLiteral("升级错误，请将设备重新上电！"));
  });
}

void CRTUDown::ClosePowerUpMessage() { TipBox::CloseOpen(); }
