#include "config/ui/cfg_dlg_view.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

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
// each other and with the worker's blocking calls, which go through the same queue.
void CRTUCfgDlg::View::SetOperationsEnabled(bool enable) {
  if (OnUiThread()) {
    dlg_.SetOperationsEnabledOnUi(enable);
    return;
  }
  CRTUCfgDlg* dlg = &dlg_;
  UiBridge::Post([dlg, enable] { dlg->SetOperationsEnabledOnUi(enable); });
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

void CRTUCfgDlg::View::CloseTip() { TipBox::CloseOpen(); }

bool CRTUCfgDlg::View::AskOkCancel(const std::string& text) {
  bool ok = false;
  UiBridge::Invoke([&] {
    QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), FromGbk(text),
                    QMessageBox::Ok | QMessageBox::Cancel, dlg_.DialogParent());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setObjectName(QStringLiteral("okCancelBox"));
    ok = box.exec() == QMessageBox::Ok;
  });
  return ok;
}

void CRTUCfgDlg::View::ReleaseHost() {
  if (ShuttingDown()) return;
  UiBridge::Invoke([&] { dlg_.ReleaseHostOnUi(); });
}
