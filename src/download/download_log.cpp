#include "download/download_log.h"

#include "base/cp936.h"
#include "base/log_text.h"

const std::string& DownloadLog::Banner() {
  static const std::string banner =
      GBK("**********************下载工具软件版本：V1.2.2**********************\r\n");
  return banner;
}

DownloadLog::DownloadLog() : text_(Banner()) {}

void DownloadLog::Append(const std::string& text) {
  std::string line = TimeStampedLine(text);
  std::lock_guard<std::mutex> lock(mutex_);
  if (text_.size() >= kRestartChars) {
    text_.clear();
    ++epoch_;
  }
  text_ += line;
}

void DownloadLog::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ = Banner();
  ++epoch_;
}

std::string DownloadLog::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

size_t DownloadLog::Size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_.size();
}

bool DownloadLog::Delta(uint64_t& epoch, size_t& shown, std::string& out) const {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool whole = epoch != epoch_ || shown > text_.size();
  out = whole ? text_ : text_.substr(shown);
  epoch = epoch_;
  shown = text_.size();
  return whole;
}
