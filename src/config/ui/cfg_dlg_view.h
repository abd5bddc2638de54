#pragma once
// The workspace as the machine's view (internal to the workspace): every call that
// touches widgets runs on the UI thread; the worker waits for it, the way a worker
// thread sends a message to a window.
#include "config/ui/cfg_dlg.h"

class CRTUCfgDlg::PageAccess : public ICfgPageAccess {
 public:
  explicit PageAccess(CRTUCfgDlg& dlg) : dlg_(dlg) {}
  std::optional<std::string> SaveToTable(int id, int index) override { return dlg_.SaveToTable(id, index); }
  void LoadFromTable(int id, int index, const std::string& text) override {
    dlg_.LoadFromTable(id, index, text);
  }

 private:
  CRTUCfgDlg& dlg_;
};

class CRTUCfgDlg::View : public ICfgView {
 public:
  explicit View(CRTUCfgDlg& dlg) : dlg_(dlg), pages_(dlg) {}

  bool WithPages(const std::function<void(ICfgPageAccess&)>& fn) override;
  void AppendLog(const std::string& text) override { dlg_.AppendLog(text); }
  void SetOperationsEnabled(bool enable) override;
  void SetRequestControlsEnabled(CfgRequest request, bool enable) override;
  void ShowTip(const std::string& text, const std::function<bool()>& stillWanted) override;
  void CloseTip() override;
  bool AskOkCancel(const std::string& text) override;
  void ReleaseHost() override;
  void StartPowerUpWatch() override;
  void OnOutcome(const CfgOutcome& outcome, const std::function<bool()>& stillWanted) override;

 private:
  bool ShuttingDown() const { return dlg_.shutDown_.load(); }

  CRTUCfgDlg& dlg_;
  PageAccess pages_;
};
