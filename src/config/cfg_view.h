#pragma once
// What the configuration machine needs from its front end (the Qt workspace, the
// command line, or a test). Texts are device bytes (code page 936).
#include <functional>
#include <optional>
#include <string>

#include "config/cfg_outcome.h"
#include "config/cfg_requests.h"

// The pages' per-parameter operations, valid only inside ICfgView::WithPages.
class ICfgPageAccess {
 public:
  virtual ~ICfgPageAccess() = default;
  // The text the control of instance index of parameter id shows (page rule applied);
  // std::nullopt when the control holds no value.
  virtual std::optional<std::string> SaveToTable(int id, int index) = 0;
  // Shows text in that control.
  virtual void LoadFromTable(int id, int index, const std::string& text) = 0;
};

class ICfgView {
 public:
  virtual ~ICfgView() = default;

  // Runs fn with the pages on the thread that owns them and waits for it. Returns
  // false when fn did not run because the front end is shutting down.
  virtual bool WithPages(const std::function<void(ICfgPageAccess&)>& fn) = 0;

  // One time-stamped log entry. Any thread.
  virtual void AppendLog(const std::string& text) = 0;

  // Enables or disables the page tree and the operation buttons. Any thread; calls
  // keep their order.
  virtual void SetOperationsEnabled(bool enable) = 0;

  // Enables or disables the controls a page request came from while it runs (the
  // clock page's setting controls, the storage page's channel selector and value edit).
  virtual void SetRequestControlsEnabled(CfgRequest request, bool enable) = 0;

  // Shows a modal "提示" box with text and returns when it is closed. stillWanted (may be
  // empty) is asked right before the box opens, where CloseTip() is ordered with it: when
  // it says false the box is not shown. Returns at once when shutting down.
  virtual void ShowTip(const std::string& text, const std::function<bool()>& stillWanted) = 0;
  // Closes the open "提示" box as if OK were pressed; nothing when none is open. Any thread.
  virtual void CloseTip() = 0;
  // An OK/Cancel question with caption "提示"; true for OK. Asked where the button was pressed.
  virtual bool AskOkCancel(const std::string& text) = 0;

  // The end of an operation (worker thread), at the moment its "提示" box is due:
  // before the operations are enabled again, or before the wait for a power-up. A view
  // that shows the outcome's tip (TipOf) shows it as ShowTip does, with stillWanted.
  virtual void OnOutcome(const CfgOutcome& outcome, const std::function<bool()>& stillWanted) = 0;

  // The outcome of one write of a write-back pass (the command line sent, with CR LF).
  // final is false only for the first failure, after which the recovery runs and the
  // instance is sent again. Called on the worker thread.
  virtual void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) {}

  // The workspace now waits for a power-up (mode 0): call CfgMachine::PowerUpTick every
  // kPowerUpTickMs until it returns false. Any thread; does not wait.
  virtual void StartPowerUpWatch() {}

  // Ends the host's wait for a tool entry: hides its wait tip and enables the main
  // window, the log window and the workspace window.
  virtual void ReleaseHost() = 0;
};
