#pragma once
// The download machine wired to the fake device, a recording view and a receive thread
// that hands the machine every read, also the empty ones (its clock), as the main
// window's receive thread does; images and files for the download tests.
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "download/download_worker.h"
#include "fake_boot_device.h"
#include "support/port_reader.h"
#include "support/wait.h"

// The scale the machine tests run at.
constexpr double kTestScale = 0.05;

// A generous bound for a whole download that meets no time limit on its way.
inline int TransferLimit() { return Within(DownloadWorker::kBlockAckMs, 4); }

// count bytes of a fixed pseudo-random pattern.
std::vector<uint8_t> TestImage(size_t count, uint32_t seed = 1);

// A folder of its own per test, removed with everything in it.
struct TempDir {
  TempDir();
  ~TempDir();
  std::filesystem::path File(const std::string& name, const std::vector<uint8_t>& bytes) const;
  std::filesystem::path path;
};

class RecordingView : public IDownloadView {
 public:
  struct Records {
    std::vector<std::string> logs;
    std::vector<int> progress;
    int started = -1;  // blocks of the last start
    int cancelEnabled = 0, stopped = 0, boxesShown = 0;
    bool completed = false, boxOpen = false;
    bool HasLog(const std::string& line) const;
  };

  void AppendLog(const std::string& text) override { Update([&] { r_.logs.push_back(text); }); }
  void OnDownloadStarted(int blocks) override { Update([&] { r_.started = blocks; }); }
  void EnableCancel() override { Update([&] { ++r_.cancelEnabled; }); }
  void SetProgress(int blocks) override { Update([&] { r_.progress.push_back(blocks); }); }
  void OnDownloadStopped(DownloadEnd end) override {
    Update([&] { ++r_.stopped, r_.completed = end == DownloadEnd::kCompleted; });
  }
  void ShowPowerUpMessage() override;  // blocks like a modal box until closed
  void ClosePowerUpMessage() override { Update([&] { r_.boxOpen = false; }); }

  Records Get() const;
  void ClearRecords();
  DownloadWorker* worker = nullptr;

 private:
  template <class F>
  void Update(F f) {
    std::lock_guard<std::mutex> lock(mutex_);
    f();
    cv_.notify_all();
  }
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  Records r_;
};

// The machine on the given port with the view and the receive thread, launched.
struct DownloadMachine {
  DownloadMachine(ISerialPort& port, double scale);
  ~DownloadMachine();
  // The view hears of the stop just after the machine has gone idle.
  bool WaitStopped(int stopsBefore, int limitMs);
  // Starts a download of image and waits until it has stopped; true when completed.
  bool RunToEnd(const std::vector<uint8_t>& image, int limitMs);

  RecordingView view;
  DownloadWorker worker;
  PortReader pump;
};

struct DownloadRig {
  DownloadRig() { device.Open("fake", 115200, 8, 0, 0); }
  FakeBootDevice device;
  DownloadMachine m{device, kTestScale};
  RecordingView& view = m.view;
  DownloadWorker& worker = m.worker;
};
