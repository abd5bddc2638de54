#include "app/port_detector.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "app/link_machine.h"
#include "app/reply_matcher.h"
#include "base/timing.h"
#include "serial/serial_port.h"

PortDetector::PortDetector(std::vector<std::string> ports, const PortFactory& makePort)
    : probes_(ports.size()) {
  for (size_t i = 0; i < ports.size(); ++i) {
    probes_[i].name = std::move(ports[i]);
    probes_[i].port = makePort();
  }
}

PortDetector::~PortDetector() {
  Cancel();
  Settle();
}

void PortDetector::Cancel() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    cancelled_ = true;
  }
  changed_.notify_all();
  // Ends a read or a write in progress at once; a thread still opening its port sees the
  // cancel right after the open and closes the port itself.
  for (Probe& p : probes_) p.port->Close();
}

void PortDetector::Settle() {
  for (Probe& p : probes_)
    if (p.thread.joinable()) p.thread.join();
}

bool PortDetector::Ending(bool finishing) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelled_ || (decided_ && !finishing);
}

void PortDetector::Finish(Probe& probe, End end) {
  // The handle is closed before the end is told, so that the winner's port is free for
  // the caller when Run returns.
  probe.port->Close();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    probe.end = end;
    if (end == End::kFound) probe.foundAtMs = Timing::NowMs();
  }
  changed_.notify_all();
}

int PortDetector::ProbeOnce(Probe& probe, ReplyMatcher& matcher, bool finishing) {
  static constexpr char kProbe[] = "---";
  if (probe.port->Write(kProbe, 3) != 3) return ReplyMatcher::kNone;
  std::vector<char> buffer(serial::kMaxReadBytes + 1);
  const int64_t deadline = Timing::NowMs() + Timing::Scaled(linkstate::kProbeWaitMs);
  while (Timing::NowMs() < deadline) {
    // Each read waits at most the port's read wait, so an end is seen at once.
    const int n = probe.port->Read(buffer.data());
    if (n == serial::kReadVanished) return ReplyMatcher::kNone;
    if (n > 0) {
      matcher.Append(buffer.data(), n);
      if (const ReplyMatcher::Match match = matcher.Find(); match != ReplyMatcher::kNone) {
        matcher.Clear();
        return match;
      }
    }
    if (Ending(finishing) || !probe.port->IsOpen()) return ReplyMatcher::kNone;
  }
  return ReplyMatcher::kNone;
}

void PortDetector::ProbePort(Probe& probe) {
  const bool opened = probe.port->Open(probe.name, linkstate::kDetectBaud, 8, serial::kOneStopBit,
                                       serial::kParityNone);
  const bool denied = !opened && probe.port->LastOpenDeniedPermission();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    probe.opened = opened;
    probe.denied = denied;
  }
  if (!opened) return Finish(probe, End::kNotFound);
  ReplyMatcher matcher;
  // Set once the first probe was answered "\r\nCMD OK\r\n": the second probe then runs
  // to its end even when another port has won.
  bool finishing = false;
  for (int i = 0; i < linkstate::kDetectProbes && !Ending(finishing); ++i) {
    const int reply = ProbeOnce(probe, matcher, finishing);
      if (reply == ReplyMatcher::kCmdError) return Finish(probe, End::kFound);
    finishing = reply == ReplyMatcher::kCmdOk && i == 0;
  }
  Finish(probe, End::kNotFound);
}

int PortDetector::Winner(int64_t nowMs, int64_t& waitUntilMs) const {
  int64_t first = 0;
  bool any = false;
  for (const Probe& p : probes_) {
    if (p.end != End::kFound) continue;
    if (!any || p.foundAtMs < first) first = p.foundAtMs;
    any = true;
  }
  if (!any) return -1;
  const int64_t graceEnd = first + Timing::Scaled(linkstate::kDetectGraceMs);
  waitUntilMs = graceEnd;
  for (size_t i = 0; i < probes_.size(); ++i) {
    const Probe& p = probes_[i];
    if (p.end == End::kFound && p.foundAtMs <= graceEnd) return static_cast<int>(i);
    // A port listed before the candidate may still identify within the grace time.
    if (p.end == End::kRunning && nowMs < graceEnd) return -1;
  }
  return -1;
}

PortDetector::Result PortDetector::Run() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_ || cancelled_) return {.cancelled = cancelled_};
    started_ = true;
    for (Probe& p : probes_) p.thread = std::thread([this, &p] { ProbePort(p); });
  }
  std::unique_lock<std::mutex> lock(mutex_);
  Result result;
  while (true) {
    if (cancelled_) {
      result.cancelled = true;
      break;
    }
    const int64_t now = Timing::NowMs();
    int64_t waitUntil = 0;
    result.device = Winner(now, waitUntil);
    if (result.device >= 0) break;
    const bool allEnded = std::all_of(probes_.begin(), probes_.end(),
                                      [](const Probe& p) { return p.end != End::kRunning; });
    if (allEnded) break;
    if (waitUntil > now)
      changed_.wait_for(lock, std::chrono::milliseconds(waitUntil - now));
    else
      changed_.wait(lock);
  }
  decided_ = true;
  for (const Probe& p : probes_)
    if (p.denied) result.denied.push_back(p.name);
  result.lastOpened = !probes_.empty() && probes_.back().opened;
  lock.unlock();
  changed_.notify_all();
  return result;
}
