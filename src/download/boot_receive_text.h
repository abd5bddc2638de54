#pragma once
// The download page's receive text: received bytes not yet consumed by a matcher.
// Holds at most 4096 bytes; when a block does not fit, only the last 100 bytes held
// are kept before it (and of a block that still does not fit, its last bytes).
// NUL bytes become blanks so that substring searches see everything.
#include <array>
#include <cstddef>
#include <string_view>

class BootReceiveText {
 public:
  static constexpr size_t kCapacity = 4096;
  static constexpr size_t kKeptOnOverflow = 100;

  void Append(const char* data, size_t count);
  bool Contains(std::string_view s) const { return View().find(s) != std::string_view::npos; }
  // Zeroes the text.
  void Clear();

  std::string_view View() const { return std::string_view(buf_.data(), len_); }
  size_t Size() const { return len_; }

 private:
  std::array<char, kCapacity + 1> buf_{};
  size_t len_ = 0;
};
