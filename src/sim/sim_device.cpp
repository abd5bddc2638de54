#include "sim/sim_device.h"

#include "base/timing.h"

// How the device answers, by state:
//
//   run        "---" -> "\r\nCMD OK\r\n", configuration; "+++" -> "\r\nCMD OK\r\n",
//              modem pass-through. The running application does not interpret
//              command lines: they get no answer at all.
//   config     "---" -> "\r\nCMD ERROR\r\n", run; "+++" -> "\r\nCMD ERROR\r\n"
//              (the modem is reached only from the run state). Command lines are
//              echoed and answered with "\r\nOK\r\n" or "\r\nERROR\r\n";
//              AT+QUIT leaves for the run state. Record reads and snapshots are
//              not echoed: their data follows the OK at once. A record batch ending
//              "\r\nleave\r\n" is continued by "AT+RDCHNNLRCRD=" CR LF "OK" CR LF CR LF.
//   modem      Lines go to the modem, which echoes them: AT, AT+CSQ, AT+GSN answer
//              OK, AT+QUIT returns to the run state, everything else is ERROR.
//              Probes are passed to the modem, which ignores them.
//   booting    "S" -> "\r\nCONFIGURE PROGRAM\r\n", configuration; "P" -> "P",
//              boot loader; anything else is dropped. Run when the window ends.
//   off        drops everything.
//
// In the command states a line starts at its first printable byte other than
// the single-byte polls "S" and "P" (which tools keep sending while they wait
// and which may precede a command line) and ends at CR or LF.

namespace {

const char kOk[] = "\r\nOK\r\n";
const char kError[] = "\r\nERROR\r\n";
const char kCmdOk[] = "\r\nCMD OK\r\n";
const char kCmdError[] = "\r\nCMD ERROR\r\n";
const char kConfigureProgram[] = "\r\nCONFIGURE PROGRAM\r\n";
const char kVersion[] = "QX310-RTU V3.01 Build 2024-03-18";
const char kSignal[] = "+CSQ: 24,99";
const char kImei[] = "866104023456789";

std::string WordOf(std::string_view line) {
  size_t eq = line.find('=');
  return std::string(line.substr(0, eq));
}

bool StartsWith(std::string_view s, std::string_view p) {
  return s.size() >= p.size() && s.compare(0, p.size(), p) == 0;
}

}  // namespace

void SimDevice::SetErrorFor(const std::string& word, int times) {
  if (times == 0) errors_.erase(word);
  else errors_[word] = times;
}

void SimDevice::SetKeepOldValue(const std::string& word, int times) {
  if (times == 0) keepOld_.erase(word);
  else keepOld_[word] = times;
}

bool SimDevice::TakeFrom(std::map<std::string, int>& faults, std::string_view word) {
  auto it = faults.find(std::string(word));
  if (it == faults.end() && word.size() > 2) {
    // A family word also covers its numbered instances (AT+MULTISER01).
    char a = word[word.size() - 2], b = word[word.size() - 1];
    if (a >= '0' && a <= '9' && b >= '0' && b <= '9')
      it = faults.find(std::string(word.substr(0, word.size() - 2)));
  }
  if (it == faults.end()) return false;
  if (it->second > 0 && --it->second == 0) faults.erase(it);
  return true;
}

void SimDevice::Record(std::string line) {
  if (received_.size() >= kMaxRecorded) received_.erase(received_.begin());
  received_.push_back(std::move(line));
}

void SimDevice::StartRunning() {
  state_ = State::Run;
  line_.clear();
  lineTooLong_ = false;
}

void SimDevice::Restart(int64_t nowMs) {
  state_ = State::Booting;
  bootDeadline_ = nowMs + Timing::Scaled(kBootWindowMs);
  line_.clear();
  lineTooLong_ = false;
}

void SimDevice::PowerOn(int64_t nowMs) {
  powerCycleNeeded_ = false;
  Restart(nowMs);
}

void SimDevice::PowerOff() {
  state_ = State::Off;
  powerCycleNeeded_ = false;
  line_.clear();
  lineTooLong_ = false;
}

void SimDevice::Tick(int64_t nowMs) {
  if (state_ == State::Booting && nowMs >= bootDeadline_) StartRunning();
  if (state_ == State::BootLoader) boot_.Tick(nowMs);
}

int64_t SimDevice::NextDeadline() const {
  if (state_ == State::Booting) return bootDeadline_;
  if (state_ == State::BootLoader) return boot_.NextDeadline();
  return -1;
}

SimDevice::FeedResult SimDevice::Feed(std::string_view bytes, int64_t nowMs) {
  FeedResult r;
  Tick(nowMs);
  for (; r.consumed < bytes.size(); ++r.consumed) {
    char c = bytes[r.consumed];
    unsigned char u = static_cast<unsigned char>(c);
    if (u == 'S') ++powerUpBytes_;
    switch (state_) {
      case State::Off:
        continue;
      case State::Booting:
        if (silent_) continue;
        if (u == 'S') {
          r.reply += kConfigureProgram;
          state_ = State::Config;
        } else if (u == SimBootLoader::kPoll) {
          boot_.Begin(nowMs, r.reply);
          state_ = State::BootLoader;
        }
        continue;
      case State::BootLoader:
        if (silent_) continue;
        if (boot_.Feed(u, nowMs, r.reply)) {
          // The new firmware boots like after a power-up.
          ++r.consumed;
          r.restart = true;
          return r;
        }
        continue;
      case State::Run:
      case State::Config:
      case State::Modem:
        break;
    }

    // Command states: probes and lines.
    if (!line_.empty() && (line_[0] == '-' || line_[0] == '+')) {
      if (c == line_[0]) {
        line_ += c;
        if (line_.size() == 3) {
          line_.clear();
          OnProbe(c, r.reply);
        }
        continue;
      }
      line_.clear();  // not a probe after all; c may start something new
    }
    if (line_.empty()) {
      if (c == '-' || c == '+') line_ += c;
      else if (u > 0x20 && u != 0x7F && u != 'S' && u != 'P') line_ += c;
      lineTooLong_ = false;
      continue;
    }
    if (c == '\r' || c == '\n') {
      std::string line;
      line.swap(line_);
      if (lineTooLong_) {
        lineTooLong_ = false;
        Record(line);
        if (!silent_ && state_ != State::Run) r.reply += kError;
        continue;
      }
      if (slowMs_ > 0 && nowMs < deafUntil_) {
        ++droppedLines_;  // still busy with the last setter: the line is lost
        continue;
      }
      setterStored_ = false;
      const bool restart = OnLine(line, r);
      if (setterStored_ && slowMs_ > 0) deafUntil_ = nowMs + Timing::Scaled(slowMs_);
      if (restart) {
        ++r.consumed;
        r.restart = true;
        return r;
      }
      if (!r.blocks.empty()) {  // later replies go after the blocks
        ++r.consumed;
        return r;
      }
      continue;
    }
    if (line_.size() < kMaxLine) line_ += c;
    else lineTooLong_ = true;
  }
  return r;
}

void SimDevice::OnProbe(char c, std::string& out) {
  std::string probe(3, c);
  Record(probe);
  if (silent_ || state_ == State::Modem) return;
  if (TakeError(probe)) {
    out += kCmdError;
    return;
  }
  if (state_ == State::Run) {
    out += kCmdOk;
    state_ = c == '-' ? State::Config : State::Modem;
  } else {  // configuration
    out += kCmdError;
    if (c == '-') state_ = State::Run;
  }
}

bool SimDevice::OnLine(const std::string& line, FeedResult& r) {
  Record(line);
  if (silent_ || state_ == State::Run) return false;
  std::string& out = r.reply;
  if (state_ == State::Config && DataCommand(line, r)) return false;
  if (state_ == State::Config && line == "AT+RESET" && powerCycleNeeded_) {
    return false;  // a device in this condition no longer restarts on command
  }
  out += line;
  out += "\r\n";
  if (TakeError(WordOf(line))) {
    out += kError;
    return false;
  }
  if (state_ == State::Modem) {
    ModemCommand(line, out);
    return false;
  }
  return ConfigCommand(line, out);
}

bool SimDevice::DataCommand(const std::string& line, FeedResult& r) {
  const bool ok = line == "OK" && swallowOk_;
  swallowOk_ = false;
  if (ok) return true;  // the rest of the acknowledgement
  const std::string_view read = "AT+RDCHNNLRCRD=";
  const std::string_view camera = "AT+TESTCAM=";
  const bool isRead = StartsWith(line, read);
  if (!isRead && !StartsWith(line, camera)) return false;
  if (TakeError(WordOf(line))) {
    r.reply += kError;
    return true;
  }
  if (isRead) {
    const std::string_view query = std::string_view(line).substr(read.size());
    if (query.empty()) {
      swallowOk_ = true;
      records_.Continue(r.reply);
    } else if (!records_.StartRead(query, r.reply)) {
      r.reply += kError;
    }
    return true;
  }
  const std::string n = line.substr(camera.size());
  if (n.size() != 1 || !SimSnapshot(n[0] - '0', cameraFaults_, r.blocks)) {
    r.reply += kError;
    return true;
  }
  r.reply += r.blocks.front();
  r.blocks.erase(r.blocks.begin());
  return true;
}

void SimDevice::ModemCommand(const std::string& line, std::string& out) {
  if (line == "AT") {
    out += kOk;
  } else if (line == "AT+CSQ") {
    out += std::string("\r\n") + kSignal + "\r\n" + kOk;
  } else if (line == "AT+GSN") {
    out += std::string("\r\n") + kImei + "\r\n" + kOk;
  } else if (line == "AT+QUIT") {
    out += kOk;
    state_ = State::Run;
  } else {
    out += kError;
  }
}

bool SimDevice::ConfigCommand(const std::string& line, std::string& out) {
  if (line == "AT") {
    out += kOk;
  } else if (line == "AT+SHOW") {
    out += params_.Listing(listingFaults_.longValues ? RtuSimulator::kLongValueChars : 0,
                           listingFaults_.omit);
    out += kOk;
  } else if (line == "AT+VER") {
    out += std::string("\r\n") + kVersion + "\r\n" + kOk;
  } else if (line == "AT+CSQ") {
    out += std::string("\r\n") + kSignal + "\r\n" + kOk;
  } else if (line == "AT+GSN") {
    out += std::string("\r\n") + kImei + "\r\n" + kOk;
  } else if (line == "AT+FACTORY") {
    params_.FactoryReset();
    out += kOk;
  } else if (line == "AT+RESET") {
    out += kOk;
    return true;
  } else if (line == "AT+QUIT") {
    out += kOk;
    state_ = State::Run;
  } else if (line == "AT+CLRUPLOSE") {
    out += kOk;
  } else if (StartsWith(line, "AT+EXCCLK=")) {
    // Clock: accepted when it carries an argument.
    out += line.find('=') + 1 < line.size() ? kOk : kError;
  } else if (StartsWith(line, "AT+CLRCHNNLRCRD=")) {
    out += records_.Clear(std::string_view(line).substr(16)) ? kOk : kError;
  } else if (StartsWith(line, "AT+SETINITDATA")) {
    // AT+SETINITDATA<channel>=<value>
    out += records_.SetInitial(std::string_view(line).substr(14)) ? kOk : kError;
  } else {
    size_t eq = line.find('=');
    if (eq != std::string::npos && TakeFrom(keepOld_, WordOf(line))) {
      out += kOk;  // claims success, keeps the old value
      return false;
    }
    bool stored = eq != std::string::npos &&
                  params_.ApplySetter(std::string_view(line).substr(0, eq),
                                      std::string_view(line).substr(eq + 1)) ==
                      SimParams::SetResult::Stored;
    out += stored ? kOk : kError;
    setterStored_ = stored;
  }
  return false;
}
