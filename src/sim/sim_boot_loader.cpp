#include "sim/sim_boot_loader.h"

#include "base/timing.h"

void SimBootLoader::Begin(int64_t nowMs, std::string& out) {
  out += static_cast<char>(kPoll);
  phase_ = Phase::WaitGo;
  image_.clear();
  frame_.clear();
  block_ = 0;
  lastByteMs_ = nowMs;
}

void SimBootLoader::Reject(std::string& out, bool resync, int64_t nowMs) {
  out += static_cast<char>(kNak);
  ++rejected_;
  frame_.clear();
  phase_ = resync ? Phase::Resync : Phase::WaitFrame;
  lastByteMs_ = nowMs;
}

bool SimBootLoader::Feed(unsigned char byte, int64_t nowMs, std::string& out) {
  lastByteMs_ = nowMs;
  switch (phase_) {
    case Phase::WaitGo:
      if (byte == kPoll) out += static_cast<char>(kPoll);
      else if (byte == kGo) phase_ = Phase::WaitFrame;
      return false;
    case Phase::WaitFrame:
      if (byte == kStart) {
        frame_.clear();
        xor_ = 0;
        phase_ = Phase::Header1;
      } else if (byte == kPoll) {
        // The sender polls again after a refused or unacknowledged frame: it
        // starts the transfer over from its first block.
        Begin(nowMs, out);
      } else if (byte != kGo) {
        Reject(out, true, nowMs);
      }
      return false;
    case Phase::Header1:
      length_ = byte << 8;
      phase_ = Phase::Header2;
      return false;
    case Phase::Header2:
      length_ |= byte;
      if (length_ < 1 || length_ > kMaxBlock) Reject(out, true, nowMs);
      else phase_ = Phase::Data;
      return false;
    case Phase::Data:
      frame_ += static_cast<char>(byte);
      xor_ ^= byte;
      if (static_cast<int>(frame_.size()) == length_) phase_ = Phase::Check;
      return false;
    case Phase::Check:
      check_ = byte;
      phase_ = Phase::End;
      return false;
    case Phase::End:
      break;
    case Phase::Resync:
      return false;
  }

  // End byte of a frame.
  if (byte != kMore && byte != kLast) {
    Reject(out, true, nowMs);
    return false;
  }
  if (check_ != xor_) {
    Reject(out, false, nowMs);
    return false;
  }
  phase_ = Phase::WaitFrame;
  Fault fault = Fault::None;
  auto it = faults_.find(block_ + 1);
  if (it != faults_.end()) {
    fault = it->second.fault;
    if (it->second.times > 0 && --it->second.times == 0) faults_.erase(it);
  }
  if (fault == Fault::Refuse) {
    Reject(out, false, nowMs);
    return false;
  }
  image_ += frame_;
  frame_.clear();
  ++block_;
  ++accepted_;
  if (fault != Fault::LoseAck) out += static_cast<char>(kAck);
  if (byte == kLast) {
    ++completed_;
    return true;
  }
  return false;
}

void SimBootLoader::Tick(int64_t nowMs) {
  int64_t deadline = NextDeadline();
  if (deadline < 0 || nowMs < deadline) return;
  frame_.clear();
  phase_ = Phase::WaitFrame;
}

int64_t SimBootLoader::NextDeadline() const {
  switch (phase_) {
    case Phase::Header1:
    case Phase::Header2:
    case Phase::Data:
    case Phase::Check:
    case Phase::End:
      return lastByteMs_ + Timing::Scaled(kFrameByteTimeoutMs);
    case Phase::Resync:
      return lastByteMs_ + Timing::Scaled(kResyncQuietMs);
    default:
      return -1;
  }
}

void SimBootLoader::SetBlockFault(int block, Fault fault, int times) {
  if (fault == Fault::None || times == 0) {
    faults_.erase(block);
    return;
  }
  faults_[block] = {fault, times};
}

void SimBootLoader::ClearBlockFaults() { faults_.clear(); }
