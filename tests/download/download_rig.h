#pragma once
// The download machine wired to the fake device, a recording view and a receive thread
// that hands it every read, also the empty ones (its clock).
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "base/utf8_path.h"
#include "download/download_worker.h"
#include "fake_boot_device.h"
#include "support/port_reader.h"
#include "support/wait.h"

// The scale the machine tests run at.
constexpr double kTestScale = 0.05;

// A generous bound for a whole download that meets no time limit on its way.
inline int TransferLimit() { return Within(DownloadWorker::kBlockAckMs, 4); }

inline std::string BlockOk(int n) { return "Download " + std::to_string(n) + " block ok\r\n"; }

// count bytes of a fixed pseudo-random pattern.
inline std::vector<uint8_t> TestImage(size_t count, uint32_t seed = 1) {
  std::vector<uint8_t> v(count);
  std::minstd_rand random(seed);
  for (auto& b : v) b = static_cast<uint8_t>(random() >> 8);
  return v;
}

// A folder of its own per test, removed with everything in it.
struct TempDir {
  TempDir() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("qx_download_") + info->test_suite_name() + "_" + info->name();
    std::replace(name.begin(), name.end(), '/', '_');
    path = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(path);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  // Writes the file; its name in UTF-8, the program's file names.
  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const std::filesystem::path p = path / PathFromUtf8(name);
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return PathToUtf8(p);
  }
  std::filesystem::path path;
};

class RecordingView : public IDownloadView {
  template <class F>
  auto Update(F f) const {  // f under the lock; wakes the power-up message's wait
    std::lock_guard<std::mutex> lock(mutex_);
    cv_.notify_all();
    return f();
  }

 public:
  struct Records {
    std::vector<std::string> logs;
    std::vector<int> progress;
    int started = -1;  // blocks of the last start
    int cancelEnabled = 0, stopped = 0, boxesShown = 0;
    bool completed = false, boxOpen = false;
    bool HasLog(const std::string& line) const { return std::find(logs.begin(), logs.end(), line) != logs.end(); }
  };

  void AppendLog(const std::string& text) override { Update([&] { r_.logs.push_back(text); }); }
  void OnDownloadStarted(int blocks) override { Update([&] { r_.started = blocks; }); }
  void EnableCancel() override { Update([&] { ++r_.cancelEnabled; }); }
  void SetProgress(int blocks) override { Update([&] { r_.progress.push_back(blocks); }); }
  void OnDownloadStopped(DownloadEnd end) override {
    Update([&] { ++r_.stopped, r_.completed = end == DownloadEnd::kCompleted; });
  }
  // Blocks like a modal box until closed.
  void ShowPowerUpMessage() override {
    if (worker && !worker->WaitingForBootLoader()) return;
    std::unique_lock<std::mutex> lock(mutex_);
    ++r_.boxesShown;
    r_.boxOpen = true;
    cv_.wait(lock, [this] { return !r_.boxOpen; });
  }
  void ClosePowerUpMessage() override { Update([&] { r_.boxOpen = false; }); }

  Records Get() const { return Update([&] { return r_; }); }
  // Forgets everything but an open message box.
  void ClearRecords() {
    Update([&] { const bool open = r_.boxOpen; r_ = Records(); r_.boxOpen = open; });
  }
  DownloadWorker* worker = nullptr;

 private:
  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;
  mutable Records r_;  // changed by the view's calls, under the lock
};

// The machine on the given port with the view and the receive thread, launched.
struct DownloadMachine {
  DownloadMachine(ISerialPort& port, double scale)
      : worker(port, view, line), pump(port, [this](const char* d, int n) { worker.OnSerialData(d, n); }, true) {
    Timing::SetScale(scale);
    view.worker = &worker;
    worker.Launch();
  }
  ~DownloadMachine() {
    pump.Stop();
    view.ClosePowerUpMessage();
    worker.Shutdown();
  }
  // Starts a download of image and waits until it has stopped (the view hears of the stop
  // just after the machine has gone idle); true when completed.
  bool RunToEnd(const std::vector<uint8_t>& image, int limitMs) {
    const int before = view.Get().stopped;
    return worker.StartDownload(image) == DownloadWorker::StartResult::kStarted &&
           WaitUntil([&] { return view.Get().stopped > before && !worker.IsActive() &&
                                  worker.State() == DownloadWorker::kIdle; }, limitMs) &&
           view.Get().completed;
  }

  RecordingView view;
  LineArbiter line;
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
