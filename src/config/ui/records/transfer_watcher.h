#pragma once
// Watches a device transfer that a page asked for (records read, snapshot): while the
// transfer state is 1 it shows a countdown tip with the seconds so far and a cancel
// button, and leaves the wait at the end of the transfer, at the time limit or on
// cancel; then it hands the outcome to the page. Runs on the UI thread on a 100 ms
// timer while a transfer is under way or unreported (only the page's request starts
// one); the state itself is written by the operation worker.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class CTimeTipDlg;
class QTimer;
class QWidget;

class TransferWatcher : public QObject {
  Q_OBJECT
 public:
  static constexpr int kTickMs = 100;

  enum class End { Finished, Failed, TimedOut, Cancelled };

  struct Spec {
    QString tipFormat;  // "%1" stands for the whole seconds
    int limitMs = 0;    // scaled with Timing
    QString limitText;  // shown when the limit ends the wait ("" for none)
  };
  // state: reads the transfer state (0 idle, 1 running, 2 finished, 3 failed);
  // setIdle: returns it to 0 (a finished or failed transfer nobody watched); outcome:
  // called after the tip is hidden (End::Finished when the state became 2, End::Failed
  // when it became 3 or 0); it returns whether the user is done with the transfer. A
  // transfer that is still running is watched again unless the user is done with it.
  TransferWatcher(QWidget* page, Spec spec, std::function<int()> state,
                  std::function<void()> setIdle, std::function<bool(End)> outcome);

  // Starts the 100 ms watch; once, from the page's initialisation. The watch stops
  // itself once nothing is under way.
  void Start();
  // The page has just asked for a transfer: it is watched from now on (the watch runs
  // again), so that one that ends before the next tick is not missed.
  void Begin();
  bool Ticking() const;
  CTimeTipDlg* Tip() const { return tip_; }
  bool Watching() const { return watching_; }

 private:
  void Tick();
  void ShowTip();
  void ShowSeconds(int seconds);

  QWidget* page_;
  Spec spec_;
  std::function<int()> state_;
  std::function<void()> setIdle_;
  std::function<bool(End)> outcome_;
  CTimeTipDlg* tip_ = nullptr;
  QTimer* timer_ = nullptr;
  bool watching_ = false;
  bool inOutcome_ = false;  // the outcome's dialogs run nested event loops
  bool dismissed_ = false;  // the user is done with the running transfer
  qint64 startMs_ = 0;
  int shownSeconds_ = -1;
};
