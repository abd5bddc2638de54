#include "cli/cli_output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/atomic_file.h"
#include "base/cp936.h"
#include "base/utf8_path.h"
#include "base/log_text.h"
#include "config/cfg_log.h"

// Called with the root's lock held.
void CliOutput::EndStatus() {
  if (!root_->statusOpen_) return;
  err_.put('\n');
  err_.flush();
  root_->statusOpen_ = false;
}

void CliOutput::Line(std::ostream& f, std::string_view prefix, std::string_view text) {
  std::string line = prefix_;
  line.append(prefix).append(text).push_back('\n');
  std::lock_guard<std::mutex> lock(root_->mutex_);
  EndStatus();
  f << line;
  f.flush();
}

void CliOutput::Result(std::string_view utf8) {
  if (!json_) Line(out_, {}, utf8);
  else if (!quiet_) Line(err_, {}, utf8);
}

void CliOutput::ResultBytes(std::string_view bytes) {
  if (json_ && quiet_) return;
  std::string text;
  if (prefix_.empty()) {
    text = bytes;
  } else {
    for (size_t at = 0; at < bytes.size();) {
      const size_t end = std::min(bytes.find('\n', at), bytes.size() - 1) + 1;
      text.append(prefix_).append(bytes.substr(at, end - at));
      at = end;
    }
  }
  // With --json standard output holds the document alone.
  std::ostream& f = json_ ? err_ : out_;
  std::lock_guard<std::mutex> lock(root_->mutex_);
  EndStatus();
  f << text;
  f.flush();
}

void CliOutput::Document(std::string_view line) {
  std::lock_guard<std::mutex> lock(root_->mutex_);
  EndStatus();
  out_ << line;
  out_.flush();
}

std::vector<std::string> CliOutput::Errors() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return errors_;
}

void CliOutput::Progress(std::string_view utf8) {
  if (!quiet_) Line(err_, {}, utf8);
}

void CliOutput::Error(std::string_view utf8) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    errors_.emplace_back(utf8);
  }
  Line(err_, "qx310-cli: ", utf8);
}

void CliOutput::Notice(std::string_view utf8) { Line(err_, {}, utf8); }

void CliOutput::Status(std::string_view utf8) {
  if (quiet_) return;
  if (root_ != this) return Line(err_, {}, utf8);  // among other devices' lines: a line
  std::lock_guard<std::mutex> lock(mutex_);
  err_ << '\r' << utf8;
  err_.flush();
  statusOpen_ = true;
}

void CliOutput::Prompt(std::string_view utf8) {
  std::string text = prefix_;
  text.append(utf8);
  std::lock_guard<std::mutex> lock(root_->mutex_);
  EndStatus();
  err_ << text;
  err_.flush();
}

bool WriteOutputFile(CliOutput& output, const std::string& path, std::string_view bytes,
                     std::string* error) {
  if (path == kStandardOutput) {
    output.ResultBytes(bytes);
    return true;
  }
  return WriteFileAtomically(path, std::string(bytes), error);
}

void SayWritten(CliOutput& output, const std::string& path, const std::string& what) {
  if (path == kStandardOutput) {
    output.Progress(what + " written to standard output");
  } else {
    output.Result(what + " written to " + path);
  }
}

std::string DeviceToUtf8(std::string_view gbk) { return cp936::ToUtf8(gbk); }

std::string AnswerLines(std::string_view reply, std::string_view sentLine) {
  while (!sentLine.empty() && (sentLine.back() == '\n' || sentLine.back() == '\r'))
    sentLine.remove_suffix(1);
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i <= reply.size(); ++i) {
    if (i == reply.size() || reply[i] == '\r' || reply[i] == '\n') {
      std::string_view line = reply.substr(start, i - start);
      // Blanks only (NUL bytes arrive as blanks) count as empty.
      if (line.find_first_not_of(' ') != std::string_view::npos) lines.push_back(line);
      start = i + 1;
    }
  }
  if (!lines.empty() && lines.front() == sentLine) lines.erase(lines.begin());
  if (!lines.empty() && lines.back() == "OK") lines.pop_back();
  std::string out;
  for (std::string_view l : lines) {
    if (!out.empty()) out += '\n';
    out.append(l);
  }
  return out;
}

CliLogFile::~CliLogFile() {
  if (file_ != nullptr) std::fclose(file_);
}

bool CliLogFile::Open(const std::string& path, std::string& error) {
  return Open(path, error, CfgLog::Banner());
}

bool CliLogFile::Open(const std::string& path, std::string& error, const std::string& banner) {
  std::lock_guard<std::mutex> lock(mutex_);
  file_ = OpenFileUtf8(path, "ab");
  if (file_ == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  good_ = std::fwrite(banner.data(), 1, banner.size(), file_) == banner.size() &&
          std::fflush(file_) == 0;
  if (!good_) error = std::strerror(errno);
  return good_;
}

void CliLogFile::Append(const std::string& text) {
  if (text.empty()) return;
  const std::string line = TimeStampedLine(text);
  std::lock_guard<std::mutex> lock(mutex_);
  if (file_ == nullptr || !good_) return;
  good_ = std::fwrite(line.data(), 1, line.size(), file_) == line.size() && std::fflush(file_) == 0;
}

bool CliLogFile::Good() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return good_;
}
