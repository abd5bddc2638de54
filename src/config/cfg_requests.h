#pragma once
// Request fields that pages fill and the idle operation worker takes. A non-empty
// argument (or a set flag) is one pending request; the operation empties it when done.
#include <array>
#include <mutex>
#include <string>

#include "base/event.h"

enum class CfgRequest {
  Clock = 0,         // clock page: AT+EXCCLK= time text (operation 9)
  RecordQuery,       // storage page: AT+RDCHNNLRCRD= argument (operation 10)
  Picture,           // camera page: AT+TESTCAM= camera number (operation 11)
  ClearRecords,      // storage page: AT+CLRCHNNLRCRD= selector (operation 12)
  ClearBacklog,      // storage page: flag, argument "1" (operation 13)
  InitValue,         // storage page: "NN=value" for AT+SETINITDATA (operation 15)
  Count
};

class CfgRequests {
 public:
  // Every Set also sets this event (the idle worker's wake-up); null: none.
  void WakeOnSet(Event* wake) { wake_ = wake; }
  void Set(CfgRequest r, const std::string& argument) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      args_[Index(r)] = argument;
    }
    if (wake_) wake_->Set();
  }
  std::string Get(CfgRequest r) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return args_[Index(r)];
  }
  bool Pending(CfgRequest r) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !args_[Index(r)].empty();
  }
  void Clear(CfgRequest r) { Set(r, std::string()); }

 private:
  static size_t Index(CfgRequest r) { return static_cast<size_t>(r); }
  mutable std::mutex mutex_;
  Event* wake_ = nullptr;
  std::array<std::string, static_cast<size_t>(CfgRequest::Count)> args_;
};
