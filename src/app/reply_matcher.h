#pragma once
// The main window's reply matcher: accumulates received blocks and finds the probe
// replies "\r\nCMD ERROR\r\n" and "\r\nCMD OK\r\n" in them. Used only on the receive thread.
#include <string_view>

class ReplyMatcher {
 public:
  enum Match { kNone = 0, kCmdOk = 1, kCmdError = 2 };

  // The buffer holds at most kMaxLength characters and a terminating NUL.
  static constexpr int kBufferSize = 4096;
  static constexpr int kMaxLength = kBufferSize - 2;
  // Characters kept from the old text when a block would overflow the buffer.
  static constexpr int kKeepOnOverflow = 255;

  ReplyMatcher() { Clear(); }

  // Appends count bytes. When the text would grow beyond kMaxLength, only the last
  // kKeepOnOverflow characters of the old text stay; when even that does not leave room
  // for the block, the last kMaxLength characters of old and new text together stay.
  // NUL bytes become blanks so that the search sees everything.
  void Append(const char* data, int count);

  // kCmdError when the text holds "\r\nCMD ERROR\r\n" (tested first), else kCmdOk when it
  // holds "\r\nCMD OK\r\n", else kNone.
  Match Find() const;

  void Clear();
  std::string_view Text() const { return std::string_view(buffer_, static_cast<size_t>(length_)); }

 private:
  char buffer_[kBufferSize];
  int length_ = 0;
};
