#pragma once
// The scripted device of the download tests: in its configuration state it answers "---"
// and "AT+RESET"; once restarted (or powered up) the simulator's boot loader answers "P",
// takes 0x06 and the frames, and keeps the image.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/timing.h"
#include "sim/sim_boot_loader.h"
#include "support/scripted_port.h"

class FakeBootDevice : public ScriptedPort {
  template <class F>
  auto Locked(F f) const {
    std::lock_guard<std::mutex> lock(m_);
    return f();
  }

 public:
  FakeBootDevice() : ScriptedPort(false) { SetScript([this](const std::string& w) { return Answer(w); }); }

  // What AT+RESET is answered with ("": nothing), and whether the device then restarts into
  // its boot loader.
  void SetResetReply(const std::string& text, bool restarts) {
    Locked([&] { resetReply_ = text, resetRestarts_ = restarts; });
  }
  // What "---" is answered with.
  void SetProbeReply(const std::string& text) { Locked([&] { probeReply_ = text; }); }
  // What acknowledges a frame (default "\x05").
  void SetAckText(const std::string& text) { Locked([&] { ackText_ = text; }); }
  // Running again in its configuration state, no image.
  void BackToConfig() { Locked([&] { mode_ = Mode::kConfig, line_.clear(), complete_ = false, loader_ = {}; }); }
  // Powered up into the boot loader, which awaits "P".
  void PowerUp() { Locked([&] { mode_ = Mode::kAwaitPoll; }); }

  bool Complete() const { return Locked([&] { return complete_; }); }  // a frame ending 0x03 was taken
  // Data of the frames taken since the last "P".
  std::vector<uint8_t> Image() const {
    return Locked([&] { return std::vector<uint8_t>(loader_.Image().begin(), loader_.Image().end()); });
  }

 private:
  enum class Mode { kConfig, kAwaitPoll, kBootLoader, kDone };
  Blocks Answer(const std::string& written) {
    std::lock_guard<std::mutex> lock(m_);
    std::string reply;
    for (char c : written) Feed(c, reply);
    return reply.empty() ? Blocks{} : Blocks{reply};
  }
  void Feed(char c, std::string& reply) {
    switch (mode_) {
      case Mode::kDone:
        return;
      case Mode::kConfig:
        line_ += c;
        if (line_.size() >= 3 && line_.compare(line_.size() - 3, 3, "---") == 0) {
          line_.clear();
          reply += probeReply_;
        } else if (c == '\n') {
          if (line_ == "AT+RESET\r\n") {
            reply += resetReply_;
            if (resetRestarts_) mode_ = Mode::kAwaitPoll;
          }
          line_.clear();
        }
        return;
      case Mode::kAwaitPoll:
        if (c == SimBootLoader::kPoll) {
          loader_.Begin(Timing::NowMs(), reply);
          mode_ = Mode::kBootLoader;
        }
        return;
      case Mode::kBootLoader: {
        std::string out;
        loader_.Tick(Timing::NowMs());
        if (loader_.Feed(static_cast<unsigned char>(c), Timing::NowMs(), out)) {
          complete_ = true;
          mode_ = Mode::kDone;
        }
        for (char r : out) reply += r == static_cast<char>(SimBootLoader::kAck) ? ackText_ : std::string(1, r);
        return;
      }
    }
  }

  mutable std::mutex m_;
  std::string line_;
  Mode mode_ = Mode::kConfig;
  bool resetRestarts_ = true, complete_ = false;
  std::string resetReply_ = "AT+RESET\r\n\r\nOK\r\n", probeReply_ = "\r\nCMD OK\r\n", ackText_ = "\x05";
  SimBootLoader loader_;
};
