#pragma once
// The command line's side of the Qt-free machines: the configuration machine's view
// (a plain page store, the log, printed messages) and the link machine's view (the
// entry's outcome). Nothing here blocks: a message is printed, a question is answered
// with what the user said before the device was touched.
#include <functional>
#include <map>
#include <mutex>
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

  // Log texts and "提示" messages since the last ClearRecord.
  std::vector<std::string> Entries() const;
  std::vector<std::string> Tips() const;
  bool Logged(const std::string& text) const;
  bool Shown(const std::string& tip) const;
  void ClearRecord();

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

 private:
  // ICfgPageAccess
  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

  CliOutput& output_;
  CliLogFile& log_;
  mutable std::mutex mutex_;
  std::map<std::pair<int, int>, std::string> pages_;
  std::vector<std::string> entries_;
  std::vector<std::string> tips_;
  WriteObserver writeObserver_;
  bool confirmed_ = false;
};

// The link machine's view: the CLI has no windows; it learns how the entry ended.
// The tool being entered stands for the page the main window shows: the configuration
// workspace's log window, or the download page. Every call comes from the thread that
// steps the machine (RunOnUi runs inline).
class CliLinkView : public ILinkView {
 public:
  enum class Entry { kNone, kEntered, kFailed };
  enum class Tool { kConfig, kDownload };

  CliLinkView(CliOutput& output, ICfgView& cfgView) : output_(output), cfgView_(cfgView) {}

  // Called before an entry starts.
  void BeginEntry(Tool tool) {
    tool_ = tool;
    entry_ = Entry::kNone;
  }
  Entry EntryResult() const { return entry_; }

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
  bool ConfigLogVisible() override { return tool_ == Tool::kConfig; }
  bool DownloadVisible() override { return tool_ == Tool::kDownload; }
  // The workspace logs the entry; the command then starts its own operation (no load
  // request, so that a device that cannot be loaded ends the command instead of
  // waiting for a power cycle).
  void ConfigEntered() override;
  void ConfigEntryFailed() override { entry_ = Entry::kFailed; }
  // The download page's log gets the entry's line; a failed download entry is silent,
  // as the page gets the link anyway.
  void DownloadEntered() override;
  void CancelPendingLoad() override {}
  void ReportPortsDenied(const std::vector<std::string>& ports) override;

 private:
  CliOutput& output_;
  ICfgView& cfgView_;
  Entry entry_ = Entry::kNone;
  Tool tool_ = Tool::kConfig;
};
