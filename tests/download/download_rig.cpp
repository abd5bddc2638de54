#include "download_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& pred, int limitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

int Limit(int ms, int times) { return Timing::Scaled(ms) * times + kMarginMs; }

std::vector<uint8_t> TestImage(size_t count, uint32_t seed) {
  std::vector<uint8_t> v(count);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return v;
}

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("qx_download_") + info->test_suite_name() + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  path_ = fs::temp_directory_path() / name;
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

fs::path TempDir::File(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const fs::path p = path_ / name;
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return p;
}

bool RecordingView::Records::HasLog(const std::string& line) const {
  return std::find(logs.begin(), logs.end(), line) != logs.end();
}

void RecordingView::ShowPowerUpMessage() {
  if (worker && !worker->WaitingForBootLoader()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  ++r_.boxesShown;
  r_.boxOpen = true;
  cv_.wait(lock, [this] { return !r_.boxOpen; });
}
RecordingView::Records RecordingView::Get() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return r_;
}
void RecordingView::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  const bool open = r_.boxOpen;
  r_ = Records();
  r_.boxOpen = open;
}

DownloadRig::DownloadRig() {
  Timing::SetScale(kTestScale);
  view.worker = &worker;
  device.Open("fake", 115200, 8, 0, 0);
  worker.Launch();
}

DownloadRig::~DownloadRig() {
  pump_.Stop();
  view.ClosePowerUpMessage();
  worker.Shutdown();
}

bool DownloadRig::RunToEnd(const std::vector<uint8_t>& image, int limitMs) {
  const int before = view.Get().stopped;
  if (worker.StartDownload(image) != DownloadWorker::StartResult::kStarted) return false;
  // The view hears of the stop just after the machine has gone idle.
  return WaitUntil([&] { return view.Get().stopped > before && !worker.IsActive() &&
                                worker.State() == DownloadWorker::kIdle; }, limitMs) &&
         view.Get().completed;
}
