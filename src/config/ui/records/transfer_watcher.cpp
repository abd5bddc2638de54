#include "config/ui/records/transfer_watcher.h"

#include <QTimer>
#include <QWidget>

#include "base/timing.h"
#include "widgets/message_box.h"
#include "widgets/time_tip_dlg.h"

TransferWatcher::TransferWatcher(QWidget* page, Spec spec, std::function<int()> state,
                                 std::function<void()> setIdle,
                                 std::function<bool(End)> outcome)
    : QObject(page),
      page_(page),
      spec_(std::move(spec)),
      state_(std::move(state)),
      setIdle_(std::move(setIdle)),
      outcome_(std::move(outcome)),
      tip_(new CTimeTipDlg(page)),
      timer_(new QTimer(this)) {
  tip_->hide();
  connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
}

void TransferWatcher::Start() { timer_->start(kTickMs); }

bool TransferWatcher::Ticking() const { return timer_->isActive(); }

void TransferWatcher::ShowSeconds(int seconds) {
  if (seconds == shownSeconds_) return;
  shownSeconds_ = seconds;
  tip_->SetMessage(spec_.tipFormat.arg(seconds));
}

void TransferWatcher::Begin() {
  dismissed_ = false;
  if (!timer_->isActive()) timer_->start(kTickMs);
  if (!watching_ && !inOutcome_) ShowTip();
}

void TransferWatcher::ShowTip() {
  watching_ = true;
  startMs_ = Timing::NowMs();
  shownSeconds_ = -1;
  ShowSeconds(0);
  tip_->ResetCancel();
  // Centred on the workspace window.
  const QWidget* top = page_->window();
  const QPoint centre = top->mapToGlobal(top->rect().center());
  tip_->move(centre - QPoint(tip_->width() / 2, tip_->height() / 2));
  tip_->show();
}

void TransferWatcher::Tick() {
  if (inOutcome_) return;
  const int state = state_();
  if (!watching_) {
    if (state != 1) {
      dismissed_ = false;
      if (state != 0) setIdle_();
      timer_->stop();  // at rest until the page's next request
      return;
    }
    if (!dismissed_) ShowTip();
    return;
  }
  const qint64 elapsed = Timing::NowMs() - startMs_;
  End end;
  if (state == 2) {
    end = End::Finished;
  } else if (state != 1) {
    end = End::Failed;
  } else if (tip_->CancelRequested()) {
    tip_->ResetCancel();
    end = End::Cancelled;
  } else if (elapsed >= Timing::Scaled(spec_.limitMs)) {
    end = End::TimedOut;
  } else {
    ShowSeconds(static_cast<int>(elapsed / Timing::Scaled(1000)));
    return;
  }
  watching_ = false;
  tip_->hide();
  inOutcome_ = true;
  if (end == End::TimedOut && !spec_.limitText.isEmpty()) TipBox::Show(page_, spec_.limitText);
  dismissed_ = outcome_(end);
  inOutcome_ = false;
}
