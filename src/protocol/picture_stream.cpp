#include "protocol/picture_stream.h"

#include <algorithm>

#include "base/atomic_file.h"

void PictureCollector::Begin() {
  std::lock_guard<std::mutex> lock(mutex_);
  header_.clear();
  buffer_.clear();
  length_ = 0;
  received_ = 0;
  ended_.Reset();
  state_ = static_cast<int>(PictureState::Reading);
}

void PictureCollector::End(PictureState s) {
  state_ = static_cast<int>(s);
  ended_.Set();
}

void PictureCollector::CollectPictureBytes(const char* data, int count) {
  if (data == nullptr || count <= 0) return;
  std::lock_guard<std::mutex> lock(mutex_);
  if (State() != PictureState::Reading) return;
  size_t n = static_cast<size_t>(count);
  if (length_ == 0) {
    const size_t take = std::min(n, static_cast<size_t>(kPictureHeaderBytes) - header_.size());
    header_.append(data, take);
    data += take;
    n -= take;
    if (header_.size() < static_cast<size_t>(kPictureHeaderBytes)) return;
    const auto byte = [this](int i) { return static_cast<uint32_t>(static_cast<uint8_t>(header_[i])); };
    const uint32_t length = byte(6) | byte(7) << 8 | byte(8) << 16 | byte(9) << 24;
    if (length == 0 || length > kPictureMaxBytes) {
      End(PictureState::Failed);
      return;
    }
    length_ = length;
    buffer_.reserve(length);
  }
  // Bytes past the announced length (the device's trailing bytes) are not part of it.
  const size_t take = std::min(n, static_cast<size_t>(length_ - received_));
  buffer_.append(data, take);
  received_ = static_cast<uint32_t>(buffer_.size());
  if (received_ == length_) End(PictureState::Complete);
}

bool PictureCollector::Fail() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (State() != PictureState::Reading) return false;
  End(PictureState::Failed);
  return true;
}

void PictureCollector::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  End(PictureState::Idle);
}

std::string PictureCollector::Bytes() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return buffer_;
}

bool WritePictureFile(const std::string& path, const std::string& bytes, std::string* error) {
  return WriteFileAtomically(path, bytes, error);
}
