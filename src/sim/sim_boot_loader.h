#pragma once
// The simulated device's boot loader: answers the "P" poll, waits for 0x06,
// then takes firmware frames
//   0x02, length high, length low, data (1..4096 bytes), XOR of the data,
//   0x17 (more follow) or 0x03 (last)
// and acknowledges each good frame with 0x05 and each bad one with 0x15.
// Pure logic, fed with received bytes and the time; not thread-safe.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

class SimBootLoader {
 public:
  static constexpr unsigned char kPoll = 'P';
  static constexpr unsigned char kGo = 0x06;
  static constexpr unsigned char kStart = 0x02;
  static constexpr unsigned char kMore = 0x17;
  static constexpr unsigned char kLast = 0x03;
  static constexpr unsigned char kAck = 0x05;
  static constexpr unsigned char kNak = 0x15;
  static constexpr int kMaxBlock = 4096;
  // A frame that stops arriving for this long is dropped.
  static constexpr int kFrameByteTimeoutMs = 1000;
  // After a broken frame header the loader discards input until the line
  // has been quiet for this long.
  static constexpr int kResyncQuietMs = 200;

  enum class Fault { None, Refuse, LoseAck };

  // Entered from the boot window on a "P": answers it and waits for 0x06.
  void Begin(int64_t nowMs, std::string& out);
  // Feeds one byte; replies go to out. Returns true when the last frame has
  // been taken: the image is complete and the loader is done.
  bool Feed(unsigned char byte, int64_t nowMs, std::string& out);
  // Time-outs (partial frame, resynchronisation).
  void Tick(int64_t nowMs);
  // Earliest time at which Tick has something to do, or -1.
  int64_t NextDeadline() const;

  // Fault for block (1-based within a transfer); times < 0: always.
  void SetBlockFault(int block, Fault fault, int times);
  void ClearBlockFaults();

  const std::string& Image() const { return image_; }
  int ImagesCompleted() const { return completed_; }
  int FramesAccepted() const { return accepted_; }
  int FramesRejected() const { return rejected_; }

 private:
  enum class Phase { WaitGo, WaitFrame, Header1, Header2, Data, Check, End, Resync };
  void Reject(std::string& out, bool resync, int64_t nowMs);

  Phase phase_ = Phase::WaitGo;
  int length_ = 0;
  std::string frame_;
  unsigned char xor_ = 0;
  unsigned char check_ = 0;
  int block_ = 0;  // blocks accepted in this transfer
  int64_t lastByteMs_ = 0;
  std::string image_;
  int completed_ = 0;
  int accepted_ = 0;
  int rejected_ = 0;
  struct FaultSpec {
    Fault fault;
    int times;
  };
  std::map<int, FaultSpec> faults_;
};
