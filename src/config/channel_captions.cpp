#include "config/channel_captions.h"

ChannelCaptions& ChannelCaptions::Instance() {
  static ChannelCaptions captions;
  return captions;
}

void ChannelCaptions::Set(int n, const std::string& caption) {
  if (n < 0 || n >= channel_codes::kChannels) return;
  std::function<void()> listener;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    captions_[static_cast<size_t>(n)] = caption;
    listener = listener_;
  }
  if (listener) listener();
}

void ChannelCaptions::SetListener(const void* owner, std::function<void()> fn) {
  std::lock_guard<std::mutex> lock(mutex_);
  listenerOwner_ = owner;
  listener_ = std::move(fn);
}

void ChannelCaptions::RemoveListener(const void* owner) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (listenerOwner_ != owner) return;
  listenerOwner_ = nullptr;
  listener_ = nullptr;
}

std::string ChannelCaptions::Get(int n) const {
  if (n < 0 || n >= channel_codes::kChannels) return {};
  std::lock_guard<std::mutex> lock(mutex_);
  return captions_[static_cast<size_t>(n)];
}

void ChannelCaptions::Clear(int n) { Set(n, std::string()); }

void ChannelCaptions::ClearIf(int n, const std::string& shown) {
  if (n < 0 || n >= channel_codes::kChannels) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (captions_[static_cast<size_t>(n)] == shown) captions_[static_cast<size_t>(n)].clear();
}

void ChannelCaptions::ClearAll() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (auto& c : captions_) c.clear();
}
