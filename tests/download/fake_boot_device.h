#pragma once
// A serial port with a device behind it, for the download tests: in its configuration
// state it answers "---" and "AT+RESET"; once restarted (or powered up) the simulator's
// boot loader answers "P", takes 0x06 and the frames, and keeps the image. Replies are
// queued at once and come back through Read, as from a real port.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial_port.h"
#include "sim/sim_boot_loader.h"

class FakeBootDevice : public ISerialPort {
 public:
  bool Open(const std::string& name, int baudRate, int byteSize, int stopBits,
            int parity) override;
  void Close() override;
  bool IsOpen() const override;
  int Read(char* buffer) override;
  int Write(const char* data, int length) override;

  // AT+RESET unanswered; the device stays in configuration.
  void SetIgnoreReset(bool on) { Locked([&] { ignoreReset_ = on; }); }
  // What AT+RESET is answered with, and whether the device then restarts into its boot loader.
  void SetResetReply(const std::string& text, bool restarts);
  // What "---" is answered with, or that it is not answered.
  void SetProbeReply(const std::string& text) { Locked([&] { probeReply_ = text; }); }
  void SetIgnoreProbe(bool on) { Locked([&] { ignoreProbe_ = on; }); }
  // The boot loader does not answer "P".
  void SetIgnorePoll(bool on) { Locked([&] { ignorePoll_ = on; }); }
  // What acknowledges a frame (default "\x05").
  void SetAckText(const std::string& text) { Locked([&] { ackText_ = text; }); }
  void LoseAckOf(int block);  // the next frame of this 1-based block is taken, not acknowledged
  void BackToConfig();        // running again in its configuration state, no image
  // Powered up into the boot loader, which awaits "P".
  void PowerUp() { Locked([&] { mode_ = Mode::kAwaitPoll; }); }

  bool Complete() const;               // a frame ending 0x03 was taken
  std::vector<uint8_t> Image() const;  // data of the frames taken since the last "P"
  int FramesTaken() const;             // frames acknowledged or kept with a lost acknowledgement
  int Count(const std::string& what) const;  // "AT+RESET", "---"
  std::string Written() const;               // every byte written to the device

 private:
  enum class Mode { kConfig, kAwaitPoll, kBootLoader, kDone };
  template <class F>
  void Locked(F f) {
    std::lock_guard<std::mutex> lock(mutex_);
    f();
  }
  void Feed(char c);
  void Reply(const std::string& s);

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
  std::string pending_, written_, line_;
  Mode mode_ = Mode::kConfig;
  bool ignoreReset_ = false, ignoreProbe_ = false, ignorePoll_ = false, resetRestarts_ = true;
  std::string resetReply_ = "AT+RESET\r\n\r\nOK\r\n";
  std::string probeReply_ = "\r\nCMD OK\r\n";
  std::string ackText_ = "\x05";
  SimBootLoader loader_;
  bool complete_ = false;
  std::map<std::string, int> counts_;
};
