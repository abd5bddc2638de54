#pragma once
// The firmware download machine: restarts the device into its boot loader (AT+RESET,
// with "---" to re-enter the configuration state when the restart is not answered),
// polls the boot loader with "P", and sends the image in acknowledged 4096-byte frames.
//
// Threads: the caller's thread starts and stops downloads; the receive thread feeds
// OnSerialData; the machine's worker thread runs the phases and its poll thread sends
// "P" every 500 ms while the boot loader is awaited. All waits go through Timing.
// A command-line front end drives it with Launch, StartDownload, a receive loop and an
// IDownloadView whose OnDownloadStopped(end) gives the exit status.
// A download holds the line (LineArbiter) from its start until it stops; the "P" poll is
// its background writer.
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/event.h"
#include "download/block_frame.h"
#include "download/boot_receive_text.h"
#include "download/download_view.h"
#include "serial/line_arbiter.h"

class ISerialPort;

class DownloadWorker {
 public:
  // downloadState
  static constexpr int kIdle = 0;
  static constexpr int kReenter = 1;   // "---" until "\r\nCMD OK\r\n"
  static constexpr int kRestart = 2;   // "AT+RESET" until "\r\nOK\r\n"
  static constexpr int kTransfer = 3;  // boot loader handshake and blocks
  // downloadStep in the restart and re-enter phases
  static constexpr int kSend = 2;
  static constexpr int kSucceeded = 3;
  static constexpr int kAwaitReply = 4;
  static constexpr int kFailed = 5;
  // downloadStep in the transfer phase
  static constexpr int kAwaitBootLoader = 2;
  static constexpr int kBootLoaderFound = 3;
  static constexpr int kSendBlocks = 4;
  static constexpr int kFinished = 5;

  // Time limits (ms, scaled by Timing).
  static constexpr int kRestartReplyMs = 3000;
  static constexpr int kReenterReplyMs = 5000;
  static constexpr int kBlockAckMs = 5000;
  static constexpr int kBootWaitTurnMs = 1000;
  static constexpr int kBootPollMs = 500;
  // Attempts per phase, and restart/re-enter cycles before asking for a power-up.
  static constexpr int kAttempts = 2;
  static constexpr int kReentryRounds = 2;

  enum class StartResult { kStarted, kPortClosed, kNoFile, kBadLength, kUnreadable, kBusy };

  DownloadWorker(ISerialPort& port, IDownloadView& view, LineArbiter& line);
  ~DownloadWorker();
  DownloadWorker(const DownloadWorker&) = delete;
  DownloadWorker& operator=(const DownloadWorker&) = delete;

  // Starts the worker and poll threads (once).
  void Launch();
  // Stops and joins both threads; a running download is abandoned. A view call that
  // blocks (the power-up message) must be made to return first (UiBridge::Shutdown).
  void Shutdown();

  // Start branch: checks the port and the image's length (kBadLength for 0 or >= 1 MiB
  // bytes), logs "Wait for the device to restart", tells the view and begins the restart
  // phase. Nothing is sent and nothing changes unless kStarted is returned.
  StartResult StartDownload(std::vector<uint8_t> image);
  // Stop branch: back to idle, the view told. False when no download was active.
  bool StopDownload();

  // Receive entry (receive thread): accumulates the block and runs the matcher of the
  // current phase. count 0 does nothing.
  void OnSerialData(const char* data, int count);

  bool IsActive() const { return active_.load(); }
  int State() const;
  int Step() const;
  // True while the boot loader is polled for (transfer phase, step 2).
  bool WaitingForBootLoader() const;

 private:
  using Lock = std::unique_lock<std::mutex>;

  void Run();
  void PollLoop();
  void RestartTurn(Lock& lk, uint64_t gen);
  void ReenterTurn(Lock& lk, uint64_t gen);
  void TransferTurn(Lock& lk, uint64_t gen);
  void SendBlocks(Lock& lk, uint64_t gen);
  // Both phases: write the command, wait for its reply.
  void SendCommand(Lock& lk, uint64_t gen, const char* text, int length);
  void AwaitReply(Lock& lk, uint64_t gen, int limitMs);
  // Enters the transfer phase after the device restarted or failed to; releases the lock.
  void EnterTransfer(Lock& lk, const std::string& logText, bool askForPowerUp);
  bool Stop(bool completed, const uint64_t* onlyGen);
  void StartPollLocked();
  void StopPollLocked();

  ISerialPort& port_;
  IDownloadView& view_;
  LineArbiter& line_;

  mutable std::mutex mutex_;  // guards everything below up to frame_
  std::condition_variable wake_;
  int state_ = kIdle;
  int step_ = 0;
  int replyResult_ = 0;  // 0 none, 1 positive, 2 negative
  int restartAttempts_ = 0;
  int reentryRounds_ = 0;
  uint64_t generation_ = 0;  // changes on every start and stop: a worker turn of an
                             // earlier download changes nothing once it wakes up
  bool quit_ = false;
  std::vector<uint8_t> image_;
  // Held while a download is active; taken and let go outside mutex_ (the poll's write
  // runs under the arbiter's lock and asks for mutex_).
  LineArbiter::Lease lease_;
  uint32_t sentOffset_ = 0;
  BootReceiveText receive_;
  std::array<uint8_t, boot::kMaxFrameBytes> frame_{};  // worker thread only

  std::atomic<bool> active_{false};
  Event replyEvent_;

  // The poll's test-and-write of "P" and the worker's 0x06 take turns under it.
  std::mutex bootWriteMutex_;
  std::mutex pollMutex_;
  std::condition_variable pollCv_;
  bool pollOn_ = false;
  bool pollQuit_ = false;
  uint64_t pollGen_ = 0;

  std::thread worker_;
  std::thread poller_;
};
