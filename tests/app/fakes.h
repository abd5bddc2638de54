#pragma once
// The view of the Qt-free app tests: it records what the machine asked of the window.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/link_view.h"
#include "serial/serial_port.h"
#include "support/scripted_port.h"

// Records every view call as a short line ("status confirmed", "tip shown", ...).
class FakeView : public ILinkView {
 public:
  bool configLogVisible = false;
  bool downloadVisible = false;

  void RunOnUi(const std::function<void()>& fn) override {
    std::lock_guard<std::recursive_mutex> l(ui_);
    fn();
  }
  void SelectPort(int index) override { Log("select " + std::to_string(index)); }
  void SetPortButtonOpen(bool open) override { Log(open ? "button close" : "button open"); }
  void SetStatus(LinkStatus s) override {
    Log(s == LinkStatus::kClosed ? "status closed"
        : s == LinkStatus::kOpenUnconfirmed ? "status unconfirmed" : "status confirmed");
  }
  void EnableCombos(bool e) override { Log(e ? "combos on" : "combos off"); }
  void SetTipMessage(TipText t) override { Log("tip text " + std::to_string(static_cast<int>(t))); }
  void ShowTip(bool s) override { Log(s ? "tip shown" : "tip hidden"); }
  void EnableMainWindow(bool e) override { Log(e ? "main on" : "main off"); }
  void BringToFront() override { Log("front"); }
  void DebugReceiveOnIfVisible() override { Log("debug receive on"); }
  bool ConfigLogVisible() override { return configLogVisible; }
  bool DownloadVisible() override { return downloadVisible; }
  void CancelPendingLoad() override { Log("cancel load"); }
  // Logs what the main window acts on; the other outcomes are kept in Outcomes().
  void OnLinkOutcome(const LinkOutcome& o) override {
    {
      std::lock_guard<std::mutex> l(m_);
      outcomes_.push_back(o);
    }
    const bool config = o.tool == LinkTool::kConfig;
    if (o.end == LinkEnd::kEntered && config) Log("config entered");
    if (o.end == LinkEnd::kEntryFailed && config) Log("config failed");
    if (o.end == LinkEnd::kEntered && o.tool == LinkTool::kDownload) Log("download entered");
    if (o.end == LinkEnd::kNotFound && !o.deniedPorts.empty()) {
      std::string s = "denied";
      for (const auto& p : o.deniedPorts) s += " " + p;
      Log(s);
    }
  }
  std::vector<LinkOutcome> Outcomes() const { std::lock_guard<std::mutex> l(m_); return outcomes_; }

  std::vector<std::string> Calls() const { std::lock_guard<std::mutex> l(m_); return calls_; }
  void ClearCalls() { std::lock_guard<std::mutex> l(m_); calls_.clear(); }

 private:
  void Log(const std::string& s) { std::lock_guard<std::mutex> l(m_); calls_.push_back(s); }
  std::recursive_mutex ui_;
  mutable std::mutex m_;
  std::vector<std::string> calls_;
  std::vector<LinkOutcome> outcomes_;
};
