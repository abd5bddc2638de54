#pragma once
// qx310-cli flash: the download machine's view on a terminal, its progress line, the
// image file's checks and the wait for the outcome, which Ctrl-C ends.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "base/event.h"
#include "download/download_view.h"

class CliDevice;
class CliLogFile;
class CliOutput;
class DownloadWorker;

// The progress text of a transfer: "block  12/256   4%". In place (a terminal) every
// change is shown; otherwise a line each time the transfer passes another tenth. A
// pass that starts over (fewer blocks than before) starts the tenths over as well.
class FlashProgress {
 public:
  explicit FlashProgress(bool inPlace) : inPlace_(inPlace) {}

  void Begin(int blocks);
  // Blocks acknowledged in the current pass; the text to show, or "" for nothing new.
  std::string Update(int acknowledged);

  bool InPlace() const { return inPlace_; }
  static std::string Text(int acknowledged, int blocks);

 private:
  bool inPlace_;
  int blocks_ = 0;
  int last_ = 0;    // acknowledged at the last update
  int tenths_ = 0;  // tenths reached and shown in this pass
};

// The download page's part for the command line: the log goes to the log file, the
// machine's messages and the progress to standard error, the power-up request is
// printed once, and the outcome is kept for the waiting command.
class CliDownloadView : public IDownloadView {
 public:
  CliDownloadView(CliOutput& output, CliLogFile& log, bool progressInPlace)
      : output_(output), log_(log), progress_(progressInPlace) {}

  // The machine, asked whether it still waits for the boot loader.
  void SetWorker(const DownloadWorker* worker) { worker_.store(worker); }

  // Waits (unscaled ms) until the download stopped; true when it did.
  bool WaitStopped(int ms) { return stopped_.WaitUnscaled(ms); }
  DownloadEnd End() const { return completed_.load() ? DownloadEnd::kCompleted : DownloadEnd::kStopped; }
  bool PowerUpAsked() const { return powerUpAsked_.load(); }

  // IDownloadView
  void AppendLog(const std::string& text) override;
  // Logged only: the progress line and the command's result say the same.
  void AppendProgressLog(const std::string& text) override;
  void OnDownloadStarted(int blocks) override;
  void EnableCancel() override {}
  void SetProgress(int blocks) override;
  void OnDownloadStopped(DownloadEnd end) override;
  void ShowPowerUpMessage() override;
  void ClosePowerUpMessage() override {}

 private:
  CliOutput& output_;
  CliLogFile& log_;
  std::mutex progressMutex_;
  FlashProgress progress_;  // guarded by progressMutex_
  std::atomic<const DownloadWorker*> worker_{nullptr};
  std::atomic<bool> completed_{false};
  std::atomic<bool> powerUpAsked_{false};
  Event stopped_;
};

// flash's FILE, read whole before the port is opened: kExitOk with the image, or
// kExitFile after a one-line message (empty, 1,048,576 bytes or more, unreadable).
int LoadFlashImage(const std::string& path, CliOutput& output, std::vector<uint8_t>& image);

// Sends the image on the device's download machine (the port open, the tool entered)
// and waits for the outcome: kExitOk when the last block was acknowledged; kExitCancelled
// when Ctrl-C (or a termination request) stopped it; kExitPort when the port went away.
int FlashImage(CliDevice& device, CliDownloadView& view, std::vector<uint8_t> image,
               CliOutput& output, const std::string& port);
