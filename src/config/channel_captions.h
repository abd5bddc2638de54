#pragma once
// The captions of the channel nodes of the workspace's tree: the channel page
// writes entry n when channel n's kind is loaded or collected; the workspace takes
// each non-empty entry and relabels the node (通道07|串口03, or 通道07 for "无").
// Texts are code page 936. Thread-safe.
#include <array>
#include <functional>
#include <mutex>
#include <string>

#include "config/channel_codes.h"

class ChannelCaptions {
 public:
  static ChannelCaptions& Instance();

  // n = 0..29; other n are ignored.
  void Set(int n, const std::string& caption);
  std::string Get(int n) const;
  // Empties entry n.
  void Clear(int n);
  // Empties entry n only while it still holds shown (a caption written meanwhile stays).
  void ClearIf(int n, const std::string& shown);
  void ClearAll();

  // fn runs after every Set, on the thread that set (the workspace relabels its tree
  // then). One listener: a later one replaces it; Remove only takes owner's away.
  void SetListener(const void* owner, std::function<void()> fn);
  void RemoveListener(const void* owner);

 private:
  mutable std::mutex mutex_;
  const void* listenerOwner_ = nullptr;
  std::function<void()> listener_;
  std::array<std::string, channel_codes::kChannels> captions_;
};
