#pragma once
// Port handles for a search over several ports: each handle the factory makes is a
// ScriptedPort that opens only the names present (refusing the denied ones for lack of
// permission) and answers each "---" with the next reply scripted for its name (blocks
// separated by '|'; "" or no reply left: silence). Holds the handles made, by pointer:
// they live as long as the search that owns them.
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <deque>
#include <vector>

#include "support/scripted_port.h"

class ProbePorts {
 public:
  std::set<std::string> present, denied;
  // Set before the search starts; read by the ports' scripts.
  std::map<std::string, std::deque<std::string>> replies;

  std::unique_ptr<ISerialPort> Make() {
    auto port = std::make_unique<ScriptedPort>(false);
    ScriptedPort* raw = port.get();
    port->OnlyNamedPorts();
    for (const auto& p : present) port->AddPort(p);
    for (const auto& p : denied) port->DenyPort(p);
    port->SetScript([this, raw](const std::string& bytes) {
      if (bytes != "---") return Blocks{};
      std::lock_guard<std::mutex> lock(mutex_);
      const std::string name = raw->Name();
      ++probes_[name];
      auto& queue = replies[name];
      if (queue.empty()) return Blocks{};
      const std::string r = queue.front();
      queue.pop_front();
      Blocks blocks;
      for (size_t start = 0; start < r.size();) {
        const size_t bar = std::min(r.find('|', start), r.size());
        blocks.push_back(r.substr(start, bar - start));
        start = bar + 1;
      }
      return blocks;
    });
    std::lock_guard<std::mutex> lock(mutex_);
    made_.push_back(raw);
    return port;
  }
  // The factory for LinkMachine and PortDetector.
  auto Factory() {
    return [this] { return Make(); };
  }

  // "---" written to the port of that name.
  int Probes(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    return probes_[name];
  }
  // The handle that opened name (null if none did); valid while its search lives.
  ScriptedPort* Port(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (ScriptedPort* p : made_) {
      const auto opens = p->Opens();
      if (std::find(opens.begin(), opens.end(), name) != opens.end()) return p;
    }
    return nullptr;
  }
  // True when every handle made so far is closed.
  bool AllClosed() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::none_of(made_.begin(), made_.end(), [](ScriptedPort* p) { return p->IsOpen(); });
  }
  // Forgets the handles (before their search is destroyed) and the probe counts.
  void Forget() {
    std::lock_guard<std::mutex> lock(mutex_);
    made_.clear();
    probes_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<ScriptedPort*> made_;
  std::map<std::string, int> probes_;
};
