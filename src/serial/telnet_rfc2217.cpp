#include "serial/telnet_rfc2217.h"

#include <initializer_list>

#include "serial/serial_port.h"

namespace telnet {

namespace {

// Subnegotiations longer than this are not ours (ours carry at most 4 value bytes).
constexpr size_t kMaxSubnegotiation = 64;

std::string Bytes(std::initializer_list<unsigned char> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

unsigned char ParityCode(int parity) {
  switch (parity) {
    case serial::kParityOdd: return 2;
    case serial::kParityEven: return 3;
    case serial::kParityMark: return 4;
    case serial::kParitySpace: return 5;
    default: return 1;
  }
}

unsigned char StopSizeCode(int stopBits) {
  switch (stopBits) {
    case serial::kTwoStopBits: return 2;
    case serial::kOnePointFiveStopBits: return 3;
    default: return 1;
  }
}

bool WeDo(unsigned char option) {
  return option == kOptBinary || option == kOptSuppressGoAhead || option == kOptComPort;
}
bool TheyMay(unsigned char option) { return option == kOptBinary || option == kOptSuppressGoAhead; }

}  // namespace

void AppendEscaped(std::string& out, const char* data, int length) {
  out.reserve(out.size() + static_cast<size_t>(length));
  for (int i = 0; i < length; ++i) {
    out.push_back(data[i]);
    if (static_cast<unsigned char>(data[i]) == kIac) out.push_back(data[i]);
  }
}

int DataBytesWithin(const char* data, int length, int sent) {
  int whole = 0;
  for (int used = 0; whole < length; ++whole) {
    used += static_cast<unsigned char>(data[whole]) == kIac ? 2 : 1;
    if (used > sent) break;
  }
  return whole;
}

std::string ComPortCommand(unsigned char command, const std::string& value) {
  std::string out = Bytes({kIac, kSb, kOptComPort, command});
  AppendEscaped(out, value.data(), static_cast<int>(value.size()));
  out += Bytes({kIac, kSe});
  return out;
}

std::string LineSettingsCommands(int baudRate, int byteSize, int stopBits, int parity) {
  const uint32_t baud = baudRate > 0 ? static_cast<uint32_t>(baudRate) : 0;
  const std::string baudValue = Bytes({static_cast<unsigned char>(baud >> 24),
                                       static_cast<unsigned char>(baud >> 16),
                                       static_cast<unsigned char>(baud >> 8),
                                       static_cast<unsigned char>(baud)});
  return ComPortCommand(kSetBaudRate, baudValue) +
         ComPortCommand(kSetDataSize, Bytes({static_cast<unsigned char>(byteSize)})) +
         ComPortCommand(kSetParity, Bytes({ParityCode(parity)})) +
         ComPortCommand(kSetStopSize, Bytes({StopSizeCode(stopBits)})) +
         ComPortCommand(kSetControl, Bytes({kControlNoFlow}));
}

std::string PurgeCommand() { return ComPortCommand(kPurgeData, Bytes({kPurgeBoth})); }

std::string Rfc2217Client::Opening() {
  std::string out;
  for (unsigned char option : {kOptBinary, kOptSuppressGoAhead}) {
    local_[option] = kAskedOn;
    remote_[option] = kAskedOn;
    out += Bytes({kIac, kWill, option, kIac, kDo, option});
  }
  local_[kOptComPort] = kAskedOn;
  out += Bytes({kIac, kWill, kOptComPort});
  return out;
}

void Rfc2217Client::Feed(const char* in, int length, std::string& data, std::string& replies) {
  for (int i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(in[i]);
    switch (in_) {
      case In::kCr:
        in_ = In::kData;
        if (c == 0) break;  // CR NUL of a non-binary sender is a bare CR
        [[fallthrough]];
      case In::kData:
        if (c == kIac) {
          in_ = In::kIac;
        } else {
          data.push_back(static_cast<char>(c));
          if (c == '\r' && !ServerBinary()) in_ = In::kCr;
        }
        break;
      case In::kIac:
        if (c == kIac) {
          data.push_back(static_cast<char>(c));
          in_ = In::kData;
        } else if (c == kWill || c == kWont || c == kDo || c == kDont) {
          verb_ = c;
          in_ = In::kVerb;
        } else if (c == kSb) {
          sb_.clear();
          in_ = In::kSb;
        } else {
          in_ = In::kData;  // NOP, GA and the other two-byte commands carry nothing for us
        }
        break;
      case In::kVerb:
        Negotiate(verb_, c, replies);
        in_ = In::kData;
        break;
      case In::kSb:
        if (c == kIac) {
          in_ = In::kSbIac;
        } else if (sb_.size() < kMaxSubnegotiation) {
          sb_.push_back(static_cast<char>(c));
        }
        break;
      case In::kSbIac:
        if (c == kIac) {
          if (sb_.size() < kMaxSubnegotiation) sb_.push_back(static_cast<char>(c));
          in_ = In::kSb;
        } else {
          // IAC SE ends it; any other command after IAC ends it too (a sender's fault).
          Subnegotiation();
          in_ = In::kData;
        }
        break;
    }
  }
}

void Rfc2217Client::Answer(OptionState& state, bool enable, bool allowed, unsigned char yes,
                           unsigned char no, unsigned char option, std::string& replies) {
  if (enable) {
    if (!allowed) {
      replies += Bytes({kIac, no, option});
    } else if (state != kOn) {
      if (state == kOff) replies += Bytes({kIac, yes, option});
      state = kOn;
    }
  } else if (state != kOff) {
    if (state == kOn) replies += Bytes({kIac, no, option});
    state = kOff;
  }
}

void Rfc2217Client::Negotiate(unsigned char verb, unsigned char option, std::string& replies) {
  if (verb == kDo || verb == kDont) {
    Answer(local_[option], verb == kDo, verb == kDo && WeDo(option), kWill, kWont, option, replies);
    if (option == kOptComPort && comPort_ == ComPort::kAsked)
      comPort_ = verb == kDo ? ComPort::kAccepted : ComPort::kRefused;
    return;
  }
  Answer(remote_[option], verb == kWill, verb == kWill && TheyMay(option), kDo, kDont, option,
         replies);
}

void Rfc2217Client::Subnegotiation() {
  if (sb_.size() < 2 || static_cast<unsigned char>(sb_[0]) != kOptComPort) return;
  const int code = static_cast<unsigned char>(sb_[1]);
  if (code < kServerOffset || code >= kServerOffset + 16) return;
  int64_t value = 0;
  for (size_t i = 2; i < sb_.size() && i < 6; ++i) value = (value << 8) | static_cast<unsigned char>(sb_[i]);
  reported_[code - kServerOffset] = value;
  reportedSet_[code - kServerOffset] = true;
}

int64_t Rfc2217Client::Reported(unsigned char command) const {
  if (command >= 16 || !reportedSet_[command]) return -1;
  return reported_[command];
}

}  // namespace telnet
