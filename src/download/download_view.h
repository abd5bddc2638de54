#pragma once
// What the download machine asks of the one who shows it (the download page, the
// command line, a test). Calls come from the thread that started or stopped the
// download, from the machine's worker thread, or (ClosePowerUpMessage) from the
// receive thread; the machine holds none of its locks while it calls, so an
// implementation may call back into the machine.
#include <string>

// How a download ended.
enum class DownloadEnd {
  kCompleted,  // the last block was acknowledged
  kStopped,    // stopped before that (the cancel button, the port closed)
};

class IDownloadView {
 public:
  virtual ~IDownloadView() = default;

  // One log line (code page 936, with its own line end); the view adds the time stamp.
  virtual void AppendLog(const std::string& text) = 0;
  // A log line that reports progress ("Download N block ok", "Download success ok"):
  // logged as AppendLog does; a view that shows the progress otherwise may leave it
  // out of what it prints.
  virtual void AppendProgressLog(const std::string& text) { AppendLog(text); }
  // A download has started: progress 0 of blocks; the cancel button stays disabled
  // until EnableCancel.
  virtual void OnDownloadStarted(int blocks) = 0;
  // The device restarted, or the machine fell back to waiting for a power-up:
  // the download may be cancelled from now on.
  virtual void EnableCancel() = 0;
  // Blocks acknowledged in the current pass over the image.
  virtual void SetProgress(int blocks) = 0;
  // The download ended.
  virtual void OnDownloadStopped(DownloadEnd end) = 0;
  // "升级错误，请将设备重新上电！": may block (a modal box) until ClosePowerUpMessage or
  // the user closes it. Should not open when WaitingForBootLoader() is already false.
  virtual void ShowPowerUpMessage() = 0;
  // The boot loader answered: close the power-up message if it is open.
  virtual void ClosePowerUpMessage() = 0;
};
