#pragma once
// A serial port with a device behind it, for the download tests: in its configuration
// state it answers "---" and "AT+RESET"; its boot loader answers "P", takes 0x06 and
// checks and acknowledges frames, and keeps the image it received. Replies are queued
// at once and come back through Read, as from a real port.
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial_port.h"

class FakeBootDevice : public ISerialPort {
 public:
  enum class Mode { kOff, kConfig, kAwaitPoll, kAwaitGo, kFrames, kDone };
  static constexpr char kRefusal = 0x15;

  bool Open(const std::string& name, int baudRate, int byteSize, int stopBits,
            int parity) override;
  void Close() override;
  bool IsOpen() const override;
  int Read(char* buffer) override;
  int Write(const char* data, int length) override;

  // Faults.
  void SetIgnoreReset(bool on);   // AT+RESET unanswered; the device stays in configuration
  // What AT+RESET is answered with, and whether the device then restarts into its boot loader.
  void SetResetReply(const std::string& text, bool restarts);
  void SetProbeReply(const std::string& text);  // what "---" is answered with
  void SetIgnoreProbe(bool on);   // "---" unanswered
  void SetIgnorePoll(bool on);    // the boot loader does not answer "P"
  void BackToConfig();            // the device runs again, in its configuration state
  void SetWriteFails(bool on);    // Write takes nothing
  void RefuseBlock(int block);    // the next frame of this 1-based block number is refused
  void LoseAckOf(int block);      // the next frame of this block is taken but not acknowledged
  void SetAckText(const std::string& text);  // what acknowledges a frame (default "\x05")
  void PowerUp();                 // powered up into the boot loader, which awaits "P"
  void PowerOff();

  Mode GetMode() const;
  bool Complete() const;                   // a frame ending 0x03 was taken
  std::vector<uint8_t> Image() const;      // data of the frames taken since the last 0x06
  struct Frame {
    int length;
    uint8_t end;
  };
  std::vector<Frame> Frames() const;       // every well-formed frame received
  int Count(const std::string& what) const;  // "AT+RESET", "---", "P", "go"
  std::string Written() const;             // every byte written to the device

 private:
  void Feed(char c);
  void FrameByte(uint8_t b);
  void Reply(const std::string& s);

  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool open_ = false;
  std::string pending_;
  std::string written_;
  Mode mode_ = Mode::kConfig;
  bool ignoreReset_ = false, ignoreProbe_ = false, ignorePoll_ = false, writeFails_ = false;
  std::string resetReply_ = "AT+RESET\r\n\r\nOK\r\n";
  bool resetRestarts_ = true;
  std::string probeReply_ = "\r\nCMD OK\r\n";
  std::string ackText_ = "\x05";
  std::map<int, int> refuse_, lose_;
  std::string line_;
  std::vector<uint8_t> frame_;
  int blockInPass_ = 0;
  std::vector<uint8_t> image_;
  std::vector<Frame> frames_;
  bool complete_ = false;
  std::map<std::string, int> counts_;
};
