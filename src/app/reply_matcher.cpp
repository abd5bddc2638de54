#include "app/reply_matcher.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::string_view kCmdErrorText = "\r\nCMD ERROR\r\n";
constexpr std::string_view kCmdOkText = "\r\nCMD OK\r\n";
}  // namespace

void ReplyMatcher::Append(const char* data, int count) {
  if (count <= 0) return;
  if (length_ + count > kMaxLength) {
    // Keep the tail of the old text (a reply may have begun there), but never more
    // than leaves room for the block; a block that alone exceeds the buffer keeps its tail.
    int keep = std::min(length_, kKeepOnOverflow);
    keep = std::max(0, std::min(keep, kMaxLength - count));
    std::memmove(buffer_, buffer_ + length_ - keep, static_cast<size_t>(keep));
    length_ = keep;
    if (count > kMaxLength) {
      data += count - kMaxLength;
      count = kMaxLength;
    }
  }
  char* dst = buffer_ + length_;
  std::memcpy(dst, data, static_cast<size_t>(count));
  std::replace(dst, dst + count, '\0', ' ');
  length_ += count;
  buffer_[length_] = '\0';
}

ReplyMatcher::Match ReplyMatcher::Find() const {
  const std::string_view text = Text();
  if (text.find(kCmdErrorText) != std::string_view::npos) return kCmdError;
  if (text.find(kCmdOkText) != std::string_view::npos) return kCmdOk;
  return kNone;
}

void ReplyMatcher::Clear() {
  std::memset(buffer_, 0, sizeof buffer_);
  length_ = 0;
}
