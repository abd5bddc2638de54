#include "base/cp936.h"

namespace cp936 {

std::string StreamDecoder::ToUtf8(std::string_view piece) {
  std::string bytes = std::move(pending_);
  pending_.clear();
  bytes.append(piece);
  // A lead byte (0x81-0xFE) takes the byte after it; the last byte may be a lead byte alone.
  size_t i = 0;
  while (i < bytes.size()) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x81 || b == 0xFF) {
      ++i;
    } else if (i + 1 < bytes.size()) {
      i += 2;
    } else {
      break;
    }
  }
  pending_ = bytes.substr(i);
  bytes.resize(i);
  return cp936::ToUtf8(bytes);
}

}  // namespace cp936
