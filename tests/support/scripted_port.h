#pragma once
// The scripted device of the machine tests: a serial port whose every write goes to a
// script, which returns the reply as blocks (a reply split over several blocks, NUL
// bytes, or nothing: silence). Read hands the blocks out one at a time, waiting up to
// 20 ms as a real port does, so a PortReader delivers them on its own thread as the
// program's receive thread would. Vanish makes the device go away (the next Read
// reports it, writes fail). Opens and writes are recorded.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "serial/serial_port.h"

using Blocks = std::vector<std::string>;

class ScriptedPort : public ISerialPort {
  template <class F>
  auto Locked(F f) const {  // f under the port's lock
    std::lock_guard<std::mutex> lock(m_);
    return f();
  }

 public:
  // Called on the writing thread with what was written, one call at a time and with no
  // port lock held. It may feed blocks; a stateful script keeps its state (the one given
  // is called, never a copy).
  using Script = std::function<Blocks(const std::string& written)>;

  explicit ScriptedPort(bool open = true) : open_(open) {}

  void SetScript(Script s) { Locked([&] { script_ = std::make_shared<Script>(std::move(s)); }); }
  // Unsolicited bytes from the device, in the order given.
  void Feed(std::string block) {
    {
      std::lock_guard<std::mutex> lock(m_);
      incoming_.push_back(std::move(block));
    }
    cv_.notify_all();
  }
  // The device goes away: the next Read says so, writes take nothing.
  void Vanish() { Locked([&] { vanish_ = gone_ = true; }); }
  // Each Write takes at most limit bytes (-1: all, 0: the write fails).
  void SetWriteLimit(int limit) { Locked([&] { writeLimit_ = limit; }); }
  // Open then accepts only the names added (by default it accepts any).
  void OnlyNamedPorts() { Locked([&] { namedOnly_ = true; }); }
  // Names Open accepts and names it refuses for lack of permission.
  void AddPort(const std::string& name) { Locked([&] { ports_.insert(name); }); }
  void DenyPort(const std::string& name) { Locked([&] { denied_.insert(name); }); }

  // Records.
  std::vector<std::string> Writes() const { return Locked([&] { return writes_; }); }
  std::string Written() const {
    std::string all;
    for (const auto& w : Writes()) all += w;
    return all;
  }
  // Writes that start with prefix.
  int Count(const std::string& prefix) const {
    int n = 0;
    for (const auto& w : Writes()) n += w.compare(0, prefix.size(), prefix) == 0;
    return n;
  }
  void ClearWrites() { Locked([&] { writes_.clear(); }); }
  // How long Read waits for a block when none is queued (20 ms, as a real port).
  void SetReadWait(int ms) { Locked([&] { readWaitMs_ = ms; }); }
  int ReadCalls() const { return Locked([&] { return readCalls_; }); }
  std::vector<std::string> Opens() const { return Locked([&] { return opens_; }); }
  int LastBaud() const { return Locked([&] { return lastBaud_; }); }

  bool Open(const std::string& name, int baud, int, int, int) override {
    std::lock_guard<std::mutex> lock(m_);
    opens_.push_back(name);
    lastDenied_ = denied_.count(name) != 0;
    if (open_ || lastDenied_ || ((namedOnly_ || !ports_.empty()) && !ports_.count(name))) return false;
    open_ = true;
    gone_ = false;
    name_ = name;
    lastBaud_ = baud;
    return true;
  }
  // What was still queued is gone with the port.
  void Close() override { Locked([&] { open_ = false; name_.clear(); incoming_.clear(); }); }
  bool IsOpen() const override { return Locked([&] { return open_; }); }
  int Read(char* buffer) override {
    std::unique_lock<std::mutex> lock(m_);
    ++readCalls_;
    cv_.wait_for(lock, std::chrono::milliseconds(readWaitMs_),
                 [this] { return vanish_ || (open_ && !incoming_.empty()); });
    if (std::exchange(vanish_, false)) return serial::kReadVanished;
    if (!open_ || incoming_.empty()) return 0;
    std::string& front = incoming_.front();
    const int n = std::min(static_cast<int>(front.size()), serial::kMaxReadBytes);
    std::copy(front.begin(), front.begin() + n, buffer);
    front.erase(0, static_cast<size_t>(n));
    if (front.empty()) incoming_.pop_front();
    return n;
  }
  int Write(const char* data, int length) override {
    std::string taken;
    std::shared_ptr<Script> script;
    {
      std::lock_guard<std::mutex> lock(m_);
      if (!open_ || gone_ || writeLimit_ == 0) return 0;
      taken.assign(data, static_cast<size_t>(writeLimit_ < 0 ? length : std::min(length, writeLimit_)));
      writes_.push_back(taken);
      script = script_;
    }
    if (script && *script) {
      std::lock_guard<std::recursive_mutex> lock(scriptMutex_);
      for (std::string& b : (*script)(taken)) Feed(std::move(b));
    }
    return static_cast<int>(taken.size());
  }
  bool LastOpenDeniedPermission() const override { return Locked([&] { return lastDenied_; }); }
  std::string Name() const override { return Locked([&] { return name_; }); }

 private:
  mutable std::mutex m_;
  std::recursive_mutex scriptMutex_;
  std::condition_variable cv_;
  std::shared_ptr<Script> script_;
  std::deque<std::string> incoming_;
  std::vector<std::string> writes_, opens_;
  std::set<std::string> ports_, denied_;
  std::string name_;
  bool open_, vanish_ = false, gone_ = false, lastDenied_ = false, namedOnly_ = false;
  int writeLimit_ = -1, lastBaud_ = 0, readWaitMs_ = 20, readCalls_ = 0;
};

// Replies as the device words them.
inline std::string Ok(const std::string& text = {}) { return text + "\r\nOK\r\n"; }
inline std::string Error(const std::string& text = {}) { return text + "\r\nERROR\r\n"; }
inline std::string CmdOk() { return "\r\nCMD OK\r\n"; }

// Scripts: a device that answers nothing; one in its configuration state that takes
// everything; one that answers the probe and refuses every command line.
inline Blocks Silent(const std::string&) { return {}; }
inline Blocks Responsive(const std::string& w) { return {w == "---" || w == "+++" ? CmdOk() : Ok()}; }
inline Blocks Refusing(const std::string& w) { return {w == "---" ? CmdOk() : Error()}; }
