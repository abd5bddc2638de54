#pragma once
// The firmware download page "下载工具": loads a .bin image, restarts the device into its
// boot loader and sends it the image block by block (DownloadWorker), with a
// time-stamped log and a progress bar.
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "download/download_log.h"
#include "download/download_view.h"
#include "protocol/backup.h"
#include "widgets/fraction_layout.h"
#include "widgets/tool.h"

class DownloadWorker;
class IToolHost;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

class CRTUDown : public QWidget, public ITool, private IDownloadView {
  Q_OBJECT
 public:
  // Control ids.
  static constexpr int kIdLoad = 1003;
  static constexpr int kIdDownload = 1004;
  static constexpr int kIdClearLog = 1005;
  static constexpr int kIdPath = 1007;
  static constexpr int kIdLog = 1009;
  static constexpr int kIdProgress = 1018;

  explicit CRTUDown(QWidget* parent = nullptr);
  ~CRTUDown() override;

  // Called once by the main window: starts the download machine on the host's port.
  void Init(IToolHost* host);
  // True from the start of a download until it is stopped (any thread).
  bool IsDownloadActive() const;
  // Starts or stops the download (UI thread): the download button, the main window
  // when it closes the port.
  void ToggleDownload();
  // Time-stamped log line (any thread); text in code page 936 with its own line end.
  void AppendLog(const std::string& text) override;
  // Stops the machine's threads (exit, after UiBridge::Shutdown; UI thread).
  void Shutdown();

  // Receive entry (receive thread).
  void OnSerialData(const char* data, int count);

  // ITool. Receives while a download is active; the port closed stops the download;
  // entered, its log says so.
  LinkTool Kind() const override { return LinkTool::kDownload; }
  bool WantsData() const override { return IsDownloadActive(); }
  void OnData(const char* data, int count) override { OnSerialData(data, count); }
  void Choose(bool chosen) override { setVisible(chosen); }
  bool OnScreen() const override { return isVisible(); }
  void OnPortClosed() override;
  void OnEntryOutcome(const ToolEntryOutcome& outcome) override;

  // For tests: the log text (code page 936) and the machine.
  std::string LogText() const { return log_.Text(); }
  DownloadWorker* Machine() const { return worker_.get(); }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void BuildControls();
  void OnLoad();
  void OnClearLog();
  void RefreshLog();
  void ShowLengthError();
  QWidget* BoxParent();
  // Runs fn on the UI thread: at once there, else queued without waiting, so that the
  // machine's threads never wait for the UI.
  void OnUi(std::function<void()> fn);

  // IDownloadView (AppendLog above)
  void OnDownloadStarted(int blocks) override;
  void EnableCancel() override;
  void SetProgress(int blocks) override;
  void OnDownloadStopped(DownloadEnd end) override;
  void ShowPowerUpMessage() override;
  void ClosePowerUpMessage() override;

  IToolHost* host_ = nullptr;
  std::unique_ptr<DownloadWorker> worker_;
  BackupGuard backup_{true};
  DownloadLog log_;
  // What the log control shows (UI thread).
  uint64_t shownEpoch_ = 0;
  size_t shownChars_ = 0;
  std::atomic<bool> refreshPosted_{false};

  FractionLayout layout_;
  QPushButton* load_ = nullptr;
  QLineEdit* path_ = nullptr;
  QPushButton* download_ = nullptr;
  QPushButton* clearLog_ = nullptr;
  QPlainTextEdit* logEdit_ = nullptr;
  QProgressBar* progress_ = nullptr;
};
