#pragma once
// Fakes for the Qt-free app tests: a serial port that answers probes from a script,
// and a view that records what the machine asked of the window.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "app/link_view.h"
#include "serial/serial_port.h"

class FakePort : public ISerialPort {
 public:
  // Called with the open port's name and the bytes written; may feed replies.
  std::function<void(const std::string& port, const std::string& bytes)> onWrite;

  void AddPort(const std::string& name) { std::lock_guard<std::mutex> l(m_); ports_.insert(name); }
  void DenyPort(const std::string& name) { std::lock_guard<std::mutex> l(m_); denied_.insert(name); }
  void QueueRead(const std::string& bytes) { std::lock_guard<std::mutex> l(m_); reads_.push_back(bytes); }
  void VanishOnNextRead() { std::lock_guard<std::mutex> l(m_); vanish_ = true; }
  void FailWrites(bool fail) { std::lock_guard<std::mutex> l(m_); failWrites_ = fail; }

  bool Open(const std::string& name, int baud, int, int, int) override {
    std::lock_guard<std::mutex> l(m_);
    opens_.push_back(name);
    lastDenied_ = denied_.count(name) != 0;
    if (open_ || lastDenied_ || !ports_.count(name)) return false;
    open_ = true;
    name_ = name;
    lastBaud_ = baud;
    return true;
  }
  void Close() override {
    std::lock_guard<std::mutex> l(m_);
    open_ = false;
    name_.clear();
  }
  bool IsOpen() const override { std::lock_guard<std::mutex> l(m_); return open_; }
  int Read(char* buffer) override {
    std::lock_guard<std::mutex> l(m_);
    ++readCalls_;
    if (vanish_) { vanish_ = false; return serial::kReadVanished; }
    if (!open_ || reads_.empty()) return 0;
    std::string s = reads_.front();
    reads_.pop_front();
    s.copy(buffer, s.size());
    return static_cast<int>(s.size());
  }
  int Write(const char* data, int length) override {
    std::string port;
    {
      std::lock_guard<std::mutex> l(m_);
      if (!open_ || failWrites_) return 0;
      port = name_;
      writes_[port].push_back(std::string(data, static_cast<size_t>(length)));
    }
    if (onWrite) onWrite(port, std::string(data, static_cast<size_t>(length)));
    return length;
  }
  bool LastOpenDeniedPermission() const override { std::lock_guard<std::mutex> l(m_); return lastDenied_; }
  std::string Name() const override { std::lock_guard<std::mutex> l(m_); return name_; }

  std::vector<std::string> Opens() const { std::lock_guard<std::mutex> l(m_); return opens_; }
  int Probes(const std::string& port) const {
    std::lock_guard<std::mutex> l(m_);
    auto it = writes_.find(port);
    int n = 0;
    if (it != writes_.end())
      for (const auto& w : it->second) n += w == "---";
    return n;
  }
  int ReadCalls() const { std::lock_guard<std::mutex> l(m_); return readCalls_; }
  int LastBaud() const { std::lock_guard<std::mutex> l(m_); return lastBaud_; }

 private:
  mutable std::mutex m_;
  std::set<std::string> ports_, denied_;
  std::deque<std::string> reads_;
  std::map<std::string, std::vector<std::string>> writes_;
  std::vector<std::string> opens_;
  std::string name_;
  bool open_ = false, vanish_ = false, failWrites_ = false, lastDenied_ = false;
  int readCalls_ = 0, lastBaud_ = 0;
};

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
  void ConfigEntered() override { Log("config entered"); }
  void ConfigEntryFailed() override { Log("config failed"); }
  void DownloadEntered() override { Log("download entered"); }
  void CancelPendingLoad() override { Log("cancel load"); }
  void ReportPortsDenied(const std::vector<std::string>& ports) override {
    std::string s = "denied";
    for (const auto& p : ports) s += " " + p;
    Log(s);
  }

  std::vector<std::string> Calls() const { std::lock_guard<std::mutex> l(m_); return calls_; }
  void ClearCalls() { std::lock_guard<std::mutex> l(m_); calls_.clear(); }

 private:
  void Log(const std::string& s) { std::lock_guard<std::mutex> l(m_); calls_.push_back(s); }
  std::recursive_mutex ui_;
  mutable std::mutex m_;
  std::vector<std::string> calls_;
};
