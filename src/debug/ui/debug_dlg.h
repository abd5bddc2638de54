#pragma once
// The debug tool page: a terminal on the serial link with text and hex views of
// the receive log (the text view optionally with a time stamp per line), text or
// hex sending (once, on Enter, timed, or from a quick-send entry), byte counters,
// log saving, and the simple / professional mode dialogue.
//
// Received blocks are only appended to the log on the receive thread; the display
// is brought up to date on the UI thread at most once per kRefreshMs, rendering
// only the new bytes unless the whole log must be redrawn.
#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/cp936.h"
#include "debug/debug_sender.h"
#include "debug/line_stamper.h"
#include "debug/mode_dialogue.h"
#include "debug/receive_log.h"
#include "debug/ui/quick_send.h"
#include "serial/line_arbiter.h"
#include "widgets/fraction_layout.h"
#include "widgets/tool.h"

class IToolHost;
class LogView;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class CDebug : public QWidget, public ITool, private IDebugModeView {
  Q_OBJECT
 public:
  // Control ids of the page.
  enum ControlId {
    kHexViewBox = 1006,
    kTimedSendBox = 1008,
    kHexSendBox = 1010,
    kNewlineBox = 1011,
    kInputEdit = 1012,
    kSendButton = 1013,
    kSimpleModeButton = 1014,
    kProModeButton = 1015,
    kSentCount = 1016,
    kRecvCount = 1017,
    kRecvButton = 1019,
    kSaveLogButton = 1020,
    kClearLogButton = 1021,
    kDisplay = 1022,
    kManualGroup = 1023,
    kIntervalEdit = 1024,
    kTimeStampBox = 1025,
    kQuickAddButton = 1026,
    kQuickSendButton = 1030,  // the first entry's; entry i is kQuickSendButton + i
  };
  static constexpr int kTimedSendTimerId = 151;
  static constexpr int kBannerTimerId = 152;
  // The display is refreshed at most this often.
  static constexpr int kRefreshMs = 40;
  // How often a timed send that waits for an open port looks again.
  static constexpr int kTimedSendRecheckMs = 200;
  static constexpr int kDefaultIntervalMs = 100;

  explicit CDebug(QWidget* parent = nullptr);
  ~CDebug() override;

  void Init(IToolHost* host);
  // Receive switch (flag and button text "关闭接收"/"开启接收"). UI thread.
  void SetReceiving(bool on);
  bool IsReceiving() const { return m_bReceiving.load(); }
  // Professional-mode flag.
  bool IsProfessionalMode() const;
  void ClearProfessionalMode();
  // The port was opened or closed by hand: the timed send decides again whether to run.
  void MarkTimedSendForReevaluation();
  // Stops threads and timers before the window goes (called once at exit, UI thread).
  // Shuts the UI bridge down (UiBridge::Shutdown) so that a mode dialogue blocked on
  // the UI thread returns, then joins the mode thread.
  void Shutdown();

  // Receive entry (receive thread).
  void OnSerialData(const char* data, int count);

  // ITool. Receives while its receive switch is on. Hidden, it stops receiving; the port
  // opened with the page shown, it starts; closed, it stops and leaves professional mode.
  // Its log is the receive log: a line goes there as a notice.
  LinkTool Kind() const override { return LinkTool::kDebug; }
  bool WantsData() const override { return IsReceiving(); }
  void OnData(const char* data, int count) override { OnSerialData(data, count); }
  void Choose(bool chosen) override;
  bool OnScreen() const override { return isVisible(); }
  void OnPortOpened() override;
  void OnPortClosed() override;
  void AppendLog(const std::string& text) override;

  // For tests and the benchmark.
  ReceiveLog& Log() { return log_; }
  QWidget* Control(int id) const;
  QString DisplayText() const;
  bool IsTimedSendRunning() const { return timedTimer_.isActive(); }
  int TimedSendInterval() const { return timedTimer_.interval(); }
  bool IsModeDialogueRunning() const { return mode_ && mode_->IsRunning(); }
  // Brings the display up to date now (what the refresh timer does).
  void RefreshDisplay();
  // Writes the raw receive log to path (with the text view's time stamps while they
  // are on), completely or not at all; false with a "提示" box on failure.
  bool SaveLogTo(const QString& path);

  // Quick-send entries, kept in the user's settings (read at Init).
  const std::vector<QuickSendEntry>& QuickSends() const { return quick_; }
  // Asks for a new entry (AskQuickSend, filled with the send box's input) and keeps it;
  // with kMaxEntries entries already it refuses with a box instead.
  void AddQuickSend();
  void EditQuickSend(int index);
  // After the OK/Cancel question.
  void DeleteQuickSend(int index);
  // Sends the entry as the send button sends the send box's input: the same parsing
  // (a bad hex input gets the same box and sends nothing), counter and line rules.
  void SendQuickSend(int index);

 protected:
  // The save-file dialog; returns the chosen path or "" when cancelled.
  virtual QString AskSavePath(const QString& defaultName);
  // The OK/Cancel question before a mode dialogue or deleting a quick-send entry.
  virtual bool Confirm(const QString& question);
  // The quick-send edit dialog; false when cancelled.
  virtual bool AskQuickSend(QuickSendEntry& entry);

  void resizeEvent(QResizeEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void BuildControls();
  void ApplyFonts();
  void OnSend();
  // One send of the send button or a quick-send entry: refused (and said so) while another
  // owner holds the line, "请先打开串口" without a port, else counted.
  void SendOnce(const std::function<DebugSender::Result()>& send);
  void OnTimedSendTick();
  // A timed send or an "S" tick was kept back because another owner holds the line: the
  // console says so once per owner and pause (a pause ends with the next timed send that
  // goes out). UI thread.
  void NotePause();
  void OnRecvButton();
  void OnSaveLog();
  void OnClearLog();
  void OnHexViewToggled();
  void OnTimeStampToggled();
  void UpdateQuickButtons();
  void SaveQuickSends();
  void QuickSendMenu(int index, const QPoint& at);
  void OnHexSendToggled();
  void OnInputChanged();
  void ReevaluateTimedSend();
  void OnModeButton(DebugModeDialogue::Target target);
  void RequestRefresh();
  void ShowTip(const char* utf8Text);
  QWidget* BoxParent();
  void UpdateSentCount();

  // IDebugModeView (mode and receive threads).
  void ShowMessage(const std::string& text, const std::function<bool()>& skip) override;
  void EnablePage(bool enabled) override;
  void StartBannerTimer() override;
  void StopBannerTimer() override;
  void CloseWaitingMessage() override;
  void LogChanged() override;

 protected:
  IToolHost* host_ = nullptr;
  std::atomic<bool> m_bReceiving{false};

 private:
  ReceiveLog log_;
  DebugSender sender_;
  std::unique_ptr<DebugModeDialogue> mode_;
  std::atomic<bool> shutDown_{false};
  std::atomic<bool> refreshPosted_{false};
  LineOwner pauseShown_ = LineOwner::kNone;  // whose pause the console has noted
  bool timedSendPending_ = false;  // checked, but waiting for an open port or an interval
  cp936::StreamDecoder decoder_;  // text view: a character may span two blocks
  LineStamper stamper_;           // text view with time stamps: a line may span two blocks
  std::vector<QuickSendEntry> quick_;

  QTimer refreshTimer_;
  QTimer timedTimer_;    // 151
  QTimer bannerTimer_;   // 152
  QTimer timedRecheck_;
  FractionLayout layout_;

  QPushButton* recvButton_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* clearButton_ = nullptr;
  QCheckBox* hexViewBox_ = nullptr;
  QCheckBox* stampBox_ = nullptr;
  LogView* display_ = nullptr;
  QLabel* quickLabel_ = nullptr;
  std::array<QPushButton*, quicksend::kMaxEntries> quickButtons_{};
  QPushButton* quickAdd_ = nullptr;
  QGroupBox* group_ = nullptr;
  QCheckBox* timedBox_ = nullptr;
  QLineEdit* intervalEdit_ = nullptr;
  QLabel* intervalLabel_ = nullptr;
  QCheckBox* hexSendBox_ = nullptr;
  QCheckBox* newlineBox_ = nullptr;
  QLabel* inputLabel_ = nullptr;
  QLineEdit* inputEdit_ = nullptr;
  QPushButton* sendButton_ = nullptr;
  QPushButton* simpleButton_ = nullptr;
  QPushButton* proButton_ = nullptr;
  QLineEdit* sentCount_ = nullptr;
  QLineEdit* recvCount_ = nullptr;
};
