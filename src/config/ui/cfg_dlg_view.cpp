#include "config/ui/cfg_dlg_view.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include "base/timing.h"

#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

namespace {
bool OnUiThread() {
  auto* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}
}  // namespace

bool CRTUCfgDlg::View::WithPages(const std::function<void(ICfgPageAccess&)>& fn) {
  if (ShuttingDown()) return false;
  return UiBridge::Invoke([&] { fn(pages_); });
}

// Never blocks: the receive thread calls it too. Posted calls keep their order with
// each other and with the worker's blocking calls (the UI thread's one event queue);
// a call still queued when the workspace is destroyed is dropped with it.
void CRTUCfgDlg::View::SetOperationsEnabled(bool enable) {
  if (OnUiThread()) {
    dlg_.SetOperationsEnabledOnUi(enable);
    return;
  }
  if (ShuttingDown()) return;
  CRTUCfgDlg* dlg = &dlg_;
  QMetaObject::invokeMethod(
      dlg, [dlg, enable] { dlg->SetOperationsEnabledOnUi(enable); }, Qt::QueuedConnection);
}

void CRTUCfgDlg::View::SetRequestControlsEnabled(CfgRequest request, bool enable) {
  if (ShuttingDown()) return;
  UiBridge::Invoke([&] {
    for (const Slot& s : dlg_.pages_) {
      if (s.hooks.enableRequestControls) s.hooks.enableRequestControls(request, enable);
    }
  });
}

void CRTUCfgDlg::View::ShowTip(const std::string& text, const std::function<bool()>& stillWanted) {
  if (ShuttingDown()) return;
  const QString shown = FromGbk(text);
  UiBridge::Invoke([&] {
    // Decided on the UI thread: a CloseTip() issued before this point has already run
    // (and found no box), one issued after it closes the box shown here.
    if (stillWanted && !stillWanted()) return;
    TipBox::Show(dlg_.DialogParent(), shown);
  });
}

// An operation's end shows its "提示" box, when it brings one.
void CRTUCfgDlg::View::OnOutcome(const CfgOutcome& outcome, const std::function<bool()>& stillWanted) {
  const std::string tip = TipOf(outcome);
  if (!tip.empty()) ShowTip(tip, stillWanted);
}

void CRTUCfgDlg::View::CloseTip() { TipBox::CloseOpen(); }

bool CRTUCfgDlg::View::AskOkCancel(const std::string& text) {
  bool ok = false;
  UiBridge::Invoke([&] { ok = TipBox::AskOkCancel(dlg_.DialogParent(), FromGbk(text)); });
  return ok;
}

// The power-up timer runs only while the workspace waits for a power-up; its tick
// stops it once the mode has moved on.
void CRTUCfgDlg::View::StartPowerUpWatch() {
  if (ShuttingDown()) return;
  CRTUCfgDlg* dlg = &dlg_;
  auto start = [dlg] {
    if (!dlg->powerUpTimer_->isActive()) dlg->powerUpTimer_->start(Timing::Scaled(kPowerUpTickMs));
  };
  if (OnUiThread()) {
    start();
  } else {
    QMetaObject::invokeMethod(dlg, start, Qt::QueuedConnection);
  }
}

void CRTUCfgDlg::View::ReleaseHost() {
  if (ShuttingDown()) return;
  UiBridge::Invoke([&] { dlg_.ReleaseHostOnUi(); });
}
