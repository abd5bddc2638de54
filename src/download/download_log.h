#pragma once
// The download page's log text (code page 936): starts as the banner; every line is
// time-stamped; a line arriving when the text holds 1,048,576 characters or more
// starts a new, otherwise empty log. Safe to use from any thread.
#include <cstdint>
#include <mutex>
#include <string>

class DownloadLog {
 public:
  static constexpr size_t kRestartChars = 1048576;
  static const std::string& Banner();

  DownloadLog();

  // Appends the time-stamped line (the text carries its own line end).
  void Append(const std::string& text);
  // Back to the banner alone.
  void Clear();
  std::string Text() const;
  size_t Size() const;

  // What a display showing (epoch, shown) characters of the log needs: the whole text
  // when the log was restarted or cleared since (returns true), else the new tail.
  // Updates epoch and shown to the current state.
  bool Delta(uint64_t& epoch, size_t& shown, std::string& out) const;

 private:
  mutable std::mutex mutex_;
  std::string text_;
  uint64_t epoch_ = 1;
};
