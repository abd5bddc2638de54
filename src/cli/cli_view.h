#pragma once
// The command line's side of the Qt-free machines: the configuration machine's view
// (a plain page store, the log, printed messages, the operations' outcomes) and the
// link machine's view (the entry's outcome). Nothing here blocks: a message is printed,
// a question is answered with what the user said before the device was touched.
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/link_view.h"
#include "config/cfg_view.h"

class CliLogFile;
class CliOutput;

// The pages are a plain store: a control shows what LoadFromTable put there, and the
// table's text where nothing was put. So that a write-back pass sends exactly the file
// values that differ from the device's, the command fixes the pages on the device's
// values after the load (ShowTableOnPages), as the workspace's pages show them.
class CliCfgView : public ICfgView, private ICfgPageAccess {
 public:
  CliCfgView(CliOutput& output, CliLogFile& log) : output_(output), log_(log) {}

  // Every control shows the table's current text.
  void ShowTableOnPages();

  // The answer AskOkCancel gives (the CLI asks before it opens the port).
  void SetConfirmation(bool ok) { confirmed_ = ok; }
  using WriteObserver = std::function<void(int id, int index, const std::string& line, bool ok,
                                           bool final)>;
  // Called with every write outcome of a write-back pass, on the worker's thread.
  void SetWriteObserver(WriteObserver observer);

  // The outcome of the operation that ended last since ClearOutcome, if any.
  std::optional<CfgOutcome> LastOutcome() const;
  void ClearOutcome();

  // ICfgView
  bool WithPages(const std::function<void(ICfgPageAccess&)>& fn) override;
  void AppendLog(const std::string& text) override;
  void SetOperationsEnabled(bool) override {}
  void SetRequestControlsEnabled(CfgRequest, bool) override {}
  void ShowTip(const std::string& text, const std::function<bool()>& stillWanted) override;
  void CloseTip() override {}
  bool AskOkCancel(const std::string&) override { return confirmed_; }
  void ReleaseHost() override {}
  void OnWriteResult(int id, int index, const std::string& line, bool ok, bool final) override;
  void OnOutcome(const CfgOutcome& outcome, const std::function<bool()>& stillWanted) override;

 private:
  // ICfgPageAccess
  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

  CliOutput& output_;
  CliLogFile& log_;
  mutable std::mutex mutex_;
  std::map<std::pair<int, int>, std::string> pages_;
  std::optional<CfgOutcome> outcome_;
  WriteObserver writeObserver_;
  bool confirmed_ = false;
};

// The link machine's view: the CLI has no windows; it learns how the entry ended.
// The tool being entered stands for the page the main window shows: the configuration
// workspace's log window, or the download page. Every call comes from the thread that
// steps the machine (RunOnUi runs inline).
class CliLinkView : public ILinkView {
 public:
  CliLinkView(CliOutput& output, ICfgView& cfgView) : output_(output), cfgView_(cfgView) {}

  // Called before a detection (kNone) or an entry (kConfig, kDownload) starts.
  void Begin(LinkTool tool) {
    tool_ = tool;
    outcome_.reset();
  }
  // How the last detection or entry ended; none when it was cut short.
  const std::optional<LinkOutcome>& Outcome() const { return outcome_; }

  void RunOnUi(const std::function<void()>& fn) override { fn(); }
  void SelectPort(int) override {}
  void SetPortButtonOpen(bool) override {}
  void SetStatus(LinkStatus) override {}
  void EnableCombos(bool) override {}
  void SetTipMessage(TipText) override {}
  void ShowTip(bool) override {}
  void EnableMainWindow(bool) override {}
  void BringToFront() override {}
  void DebugReceiveOnIfVisible() override {}
  bool ConfigLogVisible() override { return tool_ == LinkTool::kConfig; }
  bool DownloadVisible() override { return tool_ == LinkTool::kDownload; }
  void CancelPendingLoad() override {}
  // Kept for the command. An entered tool's log gets the entry's line; the command then
  // starts its own operation (no load request, so that a device that cannot be loaded
  // ends the command instead of waiting for a power cycle). A failed entry is silent;
  // ports refused for lack of permission are named.
  void OnLinkOutcome(const LinkOutcome& outcome) override;

 private:
  CliOutput& output_;
  ICfgView& cfgView_;
  std::optional<LinkOutcome> outcome_;
  LinkTool tool_ = LinkTool::kConfig;
};
