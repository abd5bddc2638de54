#include "download/boot_receive_text.h"

#include <cstring>

void BootReceiveText::Append(const char* data, size_t count) {
  if (len_ + count > kCapacity) {
    const size_t keep = len_ < kKeptOnOverflow ? len_ : kKeptOnOverflow;
    std::memmove(buf_.data(), buf_.data() + len_ - keep, keep);
    len_ = keep;
    const size_t room = kCapacity - len_;
    if (count > room) {
      data += count - room;
      count = room;
    }
  }
  char* dst = buf_.data() + len_;
  std::memcpy(dst, data, count);
  for (size_t i = 0; i < count; ++i)
    if (dst[i] == '\0') dst[i] = ' ';
  len_ += count;
  buf_[len_] = '\0';
}

void BootReceiveText::Clear() {
  buf_.fill('\0');
  len_ = 0;
}
