#pragma once
// The simple / professional mode dialogue of the debug console, run on its own
// thread as (phase, step) turns:
//   phase 1 probes "---" and wants "\r\nCMD OK\r\n" (two tries);
//   phase 2 (professional only) sends "AT+RESET\r\n" and wants "\r\nOK\r\n" (two tries,
//   and the whole probe + reset round twice);
//   phase 3 sends "S" every 50 ms (timer 152, driven by the view) and waits up to
//   60 s for "CONFIGURE PROGRAM".
// Failures of phases 1 and 2 in professional mode go to phase 3 behind the
// power-cycle message, which the receive side closes when the banner arrives.
// Qt-free: widgets, boxes and the timer are reached through IDebugModeView.
// A running dialogue holds the line (LineArbiter); its "S" is a background write.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "base/event.h"
#include "serial/line_arbiter.h"

class ISerialPort;
class ReceiveLog;

class IDebugModeView {
 public:
  virtual ~IDebugModeView() = default;
  // Shows a "提示" box with text (code page 936) and returns when it is closed.
  // When skip is set and returns true just before the box would open, no box is shown.
  // Mode thread.
  virtual void ShowMessage(const std::string& text, const std::function<bool()>& skip) = 0;
  // Enables or disables the console page. Mode thread.
  virtual void EnablePage(bool enabled) = 0;
  // Starts / stops the timer that calls DebugModeDialogue::OnBannerTick every
  // Timing::Scaled(kBannerTickMs). Mode thread; the timer runs on the UI thread.
  virtual void StartBannerTimer() = 0;
  virtual void StopBannerTimer() = 0;
  // Closes the "提示" box that may be waiting for the device. Receive thread.
  virtual void CloseWaitingMessage() = 0;
  // The receive log has new bytes to show. Any thread.
  virtual void LogChanged() = 0;
};

class DebugModeDialogue {
 public:
  enum Target { kSimple = 0, kProfessional = 1 };

  static constexpr int kProbeWaitMs = 5000;
  static constexpr int kResetWaitMs = 5000;
  static constexpr int kBannerWaitMs = 60000;
  static constexpr int kBannerTickMs = 50;
  static constexpr int kTries = 2;   // sends per phase before it fails
  static constexpr int kRounds = 2;  // probe + reset rounds before the power-cycle message
  static constexpr int kReplyBufferSize = 1024;

  DebugModeDialogue(ISerialPort& port, ReceiveLog& log, IDebugModeView& view, LineArbiter& line);
  ~DebugModeDialogue();
  DebugModeDialogue(const DebugModeDialogue&) = delete;
  DebugModeDialogue& operator=(const DebugModeDialogue&) = delete;

  // Starts the mode thread (idle until Begin). Stop ends a running dialogue's
  // waits at once and joins the thread; the view's blocking calls must return
  // (the Qt view's do after UiBridge::Shutdown).
  void Start();
  void Stop();

  // Starts a dialogue: clears the professional flag, puts the notice
  // "\r\n进入简易模式中,请等待...\r\n" (or 专业) into the receive log. The caller has
  // checked the port, asked the user and disabled the page. Ignored while a
  // dialogue runs.
  void Begin(Target target);

  // A received block, after the console logged it (receive thread).
  void OnReceive(const char* data, int count);
  // Timer 152: writes "S" while the banner is awaited and the port is open. False when
  // it was kept back because the line belongs to another owner.
  bool OnBannerTick();

  bool IsProMode() const { return proMode_.load(); }
  void ClearProMode() { proMode_.store(false); }
  bool IsRunning() const;

 private:
  void Run();
  void ProbeTurn(int step);
  void ResetTurn(int step);
  void BannerTurn(int step);
  // Prepares a wait (reply 0, event reset, step 2) and writes text whole.
  bool SendAndAwait(const std::string& text);
  // Waits for the reply of the current step; true when it is the positive one.
  bool AwaitPositive(int ms);
  // Professional failures: "S" every 50 ms, phase 3 step 2, then the power-cycle box.
  void GoWaitForPowerUp();
  void Finish(const std::string& message);
  void SetStep(int phase, int step);

  ISerialPort& port_;
  ReceiveLog& log_;
  IDebugModeView& view_;
  LineArbiter& line_;
  Event event_;
  std::atomic<bool> proMode_{false};

  mutable std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  bool stop_ = false;
  int target_ = kSimple;
  int phase_ = 0;  // 0 idle, 1 probe, 2 reset, 3 banner
  int step_ = 0;   // 1 send, 2 wait, 3 success, 4 failure
  int reply_ = 0;  // 0 none, 1 positive, 2 negative
  int retry_ = 0;
  int rounds_ = 0;
  std::string replyBuffer_;
  // Held from Begin until the dialogue ends (phase 0); taken and let go outside mutex_.
  LineArbiter::Lease lease_;
  std::thread thread_;
};
