#include "debug/receive_log.h"

bool ReceiveLog::Append(std::string_view data) {
  if (data.empty()) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  total_ += data.size();
  if (log_.size() + data.size() <= static_cast<size_t>(kCapacity)) {
    if (log_.capacity() < static_cast<size_t>(kCapacity)) log_.reserve(kCapacity);
    log_.append(data);
    return false;
  }
  log_.assign(data.substr(0, kCapacity));
  redraw_ = true;
  return true;
}

void ReceiveLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  log_.clear();
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
  } else if (shown_ != length) {
    u.changed = true;
    u.bytes = log_.substr(static_cast<size_t>(shown_));
  }
  shown_ = length;
  redraw_ = false;
  return u;
}
