#include "config/cfg_log.h"

#include "base/cp936.h"
#include "base/log_text.h"

CfgLog::CfgLog() : text_(Banner()) {}

const std::string& CfgLog::Banner() {
  static const std::string banner = GBK("******配置工具软件版本：V1.2.5******\r\n");
  return banner;
}

void CfgLog::Append(const std::string& text) {
  std::string line = text.empty() ? std::string() : TimeStampedLine(text);
  std::lock_guard<std::mutex> lock(mutex_);
  if (text_.size() >= kCfgLogLimit) {
    text_ = Banner();
    ++generation_;
  }
  text_ += line;
}

void CfgLog::Reset() {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ = Banner();
  ++generation_;
}

std::string CfgLog::Text() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return text_;
}

CfgLog::Delta CfgLog::Since(uint64_t generation, size_t shown) const {
  std::lock_guard<std::mutex> lock(mutex_);
  Delta d;
  d.generation = generation_;
  d.end = text_.size();
  if (generation != generation_ || shown > text_.size()) {
    d.full = true;
    d.text = text_;
  } else {
    d.text = text_.substr(shown);
  }
  return d;
}
