#include "config/channel_captions.h"

ChannelCaptions& ChannelCaptions::Instance() {
  static ChannelCaptions captions;
  return captions;
}

void ChannelCaptions::Set(int n, const std::string& caption) {
  if (n < 0 || n >= kChannelCount) return;
  std::lock_guard<std::mutex> lock(mutex_);
  captions_[static_cast<size_t>(n)] = caption;
}

std::string ChannelCaptions::Get(int n) const {
  if (n < 0 || n >= kChannelCount) return {};
  std::lock_guard<std::mutex> lock(mutex_);
  return captions_[static_cast<size_t>(n)];
}

void ChannelCaptions::Clear(int n) { Set(n, std::string()); }

void ChannelCaptions::ClearIf(int n, const std::string& shown) {
  if (n < 0 || n >= kChannelCount) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (captions_[static_cast<size_t>(n)] == shown) captions_[static_cast<size_t>(n)].clear();
}

void ChannelCaptions::ClearAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& c : captions_) c.clear();
}
