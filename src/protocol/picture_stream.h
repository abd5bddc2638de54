#pragma once
// A camera snapshot as the device sends it after "AT+TESTCAM=n": 10 header bytes
// ("\r\nOK\r\n", not compared, then the JPEG length, 32 bits, least significant byte
// first) and the JPEG bytes. The collector is fed every received block while a
// picture is expected (receive thread); the other threads read its state.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "base/event.h"

constexpr int kPictureHeaderBytes = 10;
constexpr uint32_t kPictureMaxBytes = 102400;  // longer announced pictures fail

// pictureState.
enum class PictureState : int { Idle = 0, Reading = 1, Complete = 2, Failed = 3 };

class PictureCollector {
 public:
  // A new picture is expected: Reading, length and received bytes 0.
  void Begin();
  // CollectPictureBytes: nothing unless Reading. Takes the length from the first 10
  // bytes (over as many blocks as it takes), then stores JPEG bytes up to that length.
  // Complete as soon as the length is held, also within the header's own block; bytes
  // after the picture in the same block are ignored. Failed (nothing stored) when the
  // announced length is 0 or above kPictureMaxBytes.
  void CollectPictureBytes(const char* data, int count);
  // Reading → Failed (the command failed, the time ran out, cancelled). False in any
  // other state (a picture completed meanwhile stays complete).
  bool Fail();
  // Back to Idle (after the outcome was taken); the held bytes stay until Begin.
  void Reset();

  PictureState State() const { return static_cast<PictureState>(state_.load()); }
  bool Expecting() const { return State() == PictureState::Reading; }
  uint32_t Length() const { return length_.load(); }      // pictureLength, 0 until known
  uint32_t Received() const { return received_.load(); }  // pictureReceived
  // The JPEG bytes held (exactly Length() of them once Complete).
  std::string Bytes() const;
  // Waits (unscaled ms) while Reading; true when the state left Reading.
  bool WaitEnd(int ms) { return ended_.WaitUnscaled(ms); }

 private:
  void End(PictureState s);  // mutex_ held

  mutable std::mutex mutex_;
  std::string header_;  // header bytes so far
  std::string buffer_;  // JPEG bytes so far
  std::atomic<int> state_{0};
  std::atomic<uint32_t> length_{0};
  std::atomic<uint32_t> received_{0};
  Event ended_{true};
};

// Writes the bytes to path atomically; false with the reason in *error.
bool WritePictureFile(const std::string& path, const std::string& bytes,
                      std::string* error = nullptr);
