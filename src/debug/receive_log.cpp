#include "debug/receive_log.h"

#include <algorithm>

bool ReceiveLog::Append(std::string_view data, int64_t arrivalMs) { return Add(data, arrivalMs, false); }

bool ReceiveLog::AppendNotice(std::string_view text, int64_t arrivalMs) { return Add(text, arrivalMs, true); }

bool ReceiveLog::Add(std::string_view data, int64_t arrivalMs, bool notice) {
  if (data.empty()) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  total_ += data.size();
  if (log_.size() + data.size() <= static_cast<size_t>(kCapacity)) {
    if (log_.capacity() < static_cast<size_t>(kCapacity)) log_.reserve(kCapacity);
    if (arrivals_.empty() || arrivals_.back().ms != arrivalMs || arrivals_.back().notice != notice)
      arrivals_.push_back({log_.size(), arrivalMs, notice});
    log_.append(data);
    return false;
  }
  log_.assign(data.substr(0, kCapacity));
  arrivals_.assign(1, Arrival{0, arrivalMs, notice});
  redraw_ = true;
  return true;
}

void ReceiveLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  log_.clear();
  arrivals_.clear();
  redraw_ = true;
}

void ReceiveLog::ForceFullRedraw() {
  std::lock_guard<std::mutex> lock(mutex_);
  redraw_ = true;
}

int ReceiveLog::Length() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(log_.size());
}

std::string ReceiveLog::Bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return log_;
}

ReceiveLog::Contents ReceiveLog::Copy() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return {log_, arrivals_};
}

uint64_t ReceiveLog::TotalAppended() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return total_;
}

ReceiveLog::Update ReceiveLog::TakeUpdate() {
  std::lock_guard<std::mutex> lock(mutex_);
  Update u;
  const int length = static_cast<int>(log_.size());
  u.length = length;
  if (redraw_) {
    u.changed = true;
    u.full = true;
    u.bytes = log_;
    u.arrivals = arrivals_;
  } else if (shown_ != length) {
    u.changed = true;
    const size_t from = static_cast<size_t>(shown_);
    u.bytes = log_.substr(from);
    // The block that holds the first new byte may have begun before it (a later
    // block of the same millisecond joined it).
    auto it = std::upper_bound(arrivals_.begin(), arrivals_.end(), from,
                               [](size_t off, const Arrival& a) { return off < a.offset; });
    if (it != arrivals_.begin()) --it;
    u.arrivals.reserve(static_cast<size_t>(arrivals_.end() - it));
    for (; it != arrivals_.end(); ++it) u.arrivals.push_back({it->offset < from ? 0 : it->offset - from, it->ms, it->notice});
  }
  shown_ = length;
  redraw_ = false;
  return u;
}
