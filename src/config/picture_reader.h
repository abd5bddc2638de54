#pragma once
// Operation 11, ReadPicture: the camera page's snapshot, run by the configuration
// machine's worker. Request() asks for the picture; the worker arms the collector as
// it sends "AT+TESTCAM=n" (what arrives before, such as a running load's listing or a
// recovery's "CMD OK", is no header); the machine's receive entry feeds the collector
// while it expects a picture; the worker waits until the collector completes or fails,
// or kPictureLimitMs has passed. The snapshot reads as Reading from Request until the
// operation has ended, so that a failed first attempt is not taken as the outcome while
// the retry may still bring the picture. Everything here may be read from any thread.
#include <atomic>
#include <cstdint>
#include <string>

#include "protocol/picture_stream.h"

class CfgMachine;

// Why a snapshot failed.
enum class PictureReadEnd {
  None,      // still reading, or never started
  Complete,  // all announced bytes arrived
  Command,   // AT+TESTCAM= not acknowledged (after the retry rule)
  TooLarge,  // announced length 0 or above kPictureMaxBytes; nothing stored
  TimedOut,  // not complete within kPictureLimitMs
  Cancelled, // Cancel() (the page's tip), or the machine's halt flag
};

// The longest a snapshot may take once asked for (× Timing scale).
constexpr int kPictureLimitMs = 60 * 1000;
constexpr int kPictureWatchTickMs = 100;

class PictureReader {
 public:
  // The machine runs ReadPicture as operation 11 and feeds the collector from its
  // receive entry.
  explicit PictureReader(CfgMachine& machine);
  PictureReader(const PictureReader&) = delete;
  PictureReader& operator=(const PictureReader&) = delete;

  // The snapshot button: camera 1-4. The snapshot reads as Reading (pictureState 1)
  // before the request is set. False (nothing changes) while a snapshot is under way
  // (from Request until the worker has finished the operation).
  bool Request(int camera);

  // Reading while a snapshot is under way, then the collector's end (Complete, Failed).
  PictureState State() const;
  PictureReadEnd End() const { return static_cast<PictureReadEnd>(end_.load()); }
  // Ends a snapshot still under way as failed (Cancelled); the worker stops waiting, or
  // does not send when it has not yet. The command itself, once sent, is not taken back;
  // a picture that completed before stays complete.
  void Cancel();
  // The watcher's return to idle after it reported the outcome; the bytes stay until
  // the next Request, so that a failed save can be tried again.
  void SetIdle();
  // Waits (unscaled ms) while Reading; true when the state left Reading.
  bool WaitEnd(int ms) { return collector_.WaitEnd(ms); }

  uint32_t Length() const { return collector_.Length(); }
  uint32_t Received() const { return collector_.Received(); }
  int64_t ElapsedMs() const;  // since Request, unscaled
  // The JPEG bytes of the last complete picture (empty after a failure).
  std::string Picture() const;

  PictureCollector& Collector() { return collector_; }

  // The operation (worker thread; public for tests).
  void ReadPicture(int go);

 private:
  CfgMachine& machine_;
  PictureCollector collector_;
  std::atomic<int> end_{0};
  std::atomic<int64_t> startMs_{0};
  std::atomic<bool> busy_{false};
};
