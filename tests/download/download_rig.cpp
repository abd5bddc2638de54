#include "download_rig.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

std::vector<uint8_t> TestImage(size_t count, uint32_t seed) {
  std::vector<uint8_t> v(count);
  std::minstd_rand random(seed);
  for (auto& b : v) b = static_cast<uint8_t>(random() >> 8);
  return v;
}

TempDir::TempDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string("qx_download_") + info->test_suite_name() + "_" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  path = fs::temp_directory_path() / name;
  fs::create_directories(path);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path, ec);
}

fs::path TempDir::File(const std::string& name, const std::vector<uint8_t>& bytes) const {
  const fs::path p = path / name;
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

DownloadMachine::DownloadMachine(ISerialPort& port, double scale)
    : worker(port, view), pump(port, [this](const char* d, int n) { worker.OnSerialData(d, n); }, true) {
  Timing::SetScale(scale);
  view.worker = &worker;
  worker.Launch();
}

DownloadMachine::~DownloadMachine() {
  pump.Stop();
  view.ClosePowerUpMessage();
  worker.Shutdown();
}

bool DownloadMachine::WaitStopped(int stopsBefore, int limitMs) {
  return WaitUntil([&] { return view.Get().stopped > stopsBefore && !worker.IsActive() &&
                                worker.State() == DownloadWorker::kIdle; }, limitMs);
}

bool DownloadMachine::RunToEnd(const std::vector<uint8_t>& image, int limitMs) {
  const int before = view.Get().stopped;
  return worker.StartDownload(image) == DownloadWorker::StartResult::kStarted && WaitStopped(before, limitMs) &&
         view.Get().completed;
}
