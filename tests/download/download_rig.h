#pragma once
// The download machine wired to the fake device, a recording view and a receive
// thread that feeds the machine as the main window's receive thread does.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "download/download_worker.h"
#include "fake_boot_device.h"

// The scale the machine tests run at, and the margin added to every derived wait.
constexpr double kTestScale = 0.05;
constexpr int kMarginMs = 3000;

// Waits (real time) until pred holds or limitMs has passed; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int limitMs);
// A production time limit as the tests wait for it: limit × scale × times + margin.
int Limit(int ms, int times = 1);

class RecordingView : public IDownloadView {
 public:
  void AppendLog(const std::string& text) override;
  void OnDownloadStarted(int blocks) override;
  void EnableCancel() override;
  void SetProgress(int blocks) override;
  void OnDownloadStopped(bool completed) override;
  void ShowPowerUpMessage() override;  // blocks like a modal box until closed
  void ClosePowerUpMessage() override;

  DownloadWorker* worker = nullptr;

  std::vector<std::string> Logs() const;
  bool HasLog(const std::string& line) const;
  std::vector<int> Progress() const;
  int StartedBlocks() const;
  int CancelEnabled() const;
  int Stopped() const;
  bool Completed() const;
  int BoxesShown() const;
  bool BoxOpen() const;
  void ClearRecords();

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::vector<std::string> logs_;
  std::vector<int> progress_;
  int started_ = -1;
  int cancelEnabled_ = 0;
  int stopped_ = 0;
  bool completed_ = false;
  int boxesShown_ = 0;
  bool boxOpen_ = false;
};

// The receive side: a thread that reads the port and hands every block (also the empty
// ones) to sink, as the main window's receive thread does. A vanished port is closed.
class ReceivePump {
 public:
  ReceivePump(ISerialPort& port, std::function<void(const char*, int)> sink);
  ~ReceivePump() { Stop(); }
  void Stop();

 private:
  ISerialPort& port_;
  std::function<void(const char*, int)> sink_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

class DownloadRig {
 public:
  DownloadRig();
  ~DownloadRig();

  // Starts a download of image and waits until it has stopped; true when completed.
  bool RunToEnd(const std::vector<uint8_t>& image, int limitMs);
  // Waits until the machine has stopped (idle) and the view has been told, for the
  // (stoppedBefore + 1)th time.
  bool WaitStopped(int limitMs, int stoppedBefore = 0);

  FakeBootDevice device;
  RecordingView view;
  DownloadWorker worker{device, view};

 private:
  ReceivePump pump_{device, [this](const char* d, int n) { worker.OnSerialData(d, n); }};
};

// count bytes of a fixed pseudo-random pattern.
std::vector<uint8_t> TestImage(size_t count, uint32_t seed = 1);
