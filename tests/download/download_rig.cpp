#include "download_rig.h"

#include <algorithm>

bool WaitUntil(const std::function<bool()>& pred, int limitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

int Limit(int ms, int times) { return Timing::Scaled(ms) * times + kMarginMs; }

void RecordingView::AppendLog(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  logs_.push_back(text);
}
void RecordingView::OnDownloadStarted(int blocks) {
  std::lock_guard<std::mutex> lock(mutex_);
  started_ = blocks;
}
void RecordingView::EnableCancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++cancelEnabled_;
}
void RecordingView::SetProgress(int blocks) {
  std::lock_guard<std::mutex> lock(mutex_);
  progress_.push_back(blocks);
}
void RecordingView::OnDownloadStopped(bool completed) {
  std::lock_guard<std::mutex> lock(mutex_);
  ++stopped_;
  completed_ = completed;
}
void RecordingView::ShowPowerUpMessage() {
  if (worker && !worker->WaitingForBootLoader()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  ++boxesShown_;
  boxOpen_ = true;
  cv_.wait(lock, [this] { return !boxOpen_; });
}
void RecordingView::ClosePowerUpMessage() {
  std::lock_guard<std::mutex> lock(mutex_);
  boxOpen_ = false;
  cv_.notify_all();
}

std::vector<std::string> RecordingView::Logs() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return logs_;
}
bool RecordingView::HasLog(const std::string& line) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::find(logs_.begin(), logs_.end(), line) != logs_.end();
}
std::vector<int> RecordingView::Progress() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return progress_;
}
int RecordingView::StartedBlocks() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return started_;
}
int RecordingView::CancelEnabled() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cancelEnabled_;
}
int RecordingView::Stopped() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return stopped_;
}
bool RecordingView::Completed() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return completed_;
}
int RecordingView::BoxesShown() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxesShown_;
}
bool RecordingView::BoxOpen() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return boxOpen_;
}
void RecordingView::ClearRecords() {
  std::lock_guard<std::mutex> lock(mutex_);
  logs_.clear();
  progress_.clear();
  started_ = -1;
  cancelEnabled_ = stopped_ = boxesShown_ = 0;
  completed_ = false;
}

ReceivePump::ReceivePump(ISerialPort& port, std::function<void(const char*, int)> sink)
    : port_(port), sink_(std::move(sink)) {
  thread_ = std::thread([this] {
    std::vector<char> buf(serial::kMaxReadBytes + 1);
    while (!stop_.load()) {
      if (!port_.IsOpen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      const int n = port_.Read(buf.data());
      if (n == serial::kReadVanished) {
        port_.Close();
        continue;
      }
      buf[n > 0 ? n : 0] = '\0';
      sink_(buf.data(), n > 0 ? n : 0);
    }
  });
}

void ReceivePump::Stop() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
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

bool DownloadRig::WaitStopped(int limitMs, int stoppedBefore) {
  // The view hears of the stop just after the machine has gone idle.
  return WaitUntil([&] { return view.Stopped() > stoppedBefore && !worker.IsActive() &&
                                worker.State() == 0; }, limitMs);
}

bool DownloadRig::RunToEnd(const std::vector<uint8_t>& image, int limitMs) {
  const int before = view.Stopped();
  if (worker.StartDownload(image) != DownloadWorker::StartResult::kStarted) return false;
  return WaitStopped(limitMs, before) && view.Completed();
}

std::vector<uint8_t> TestImage(size_t count, uint32_t seed) {
  std::vector<uint8_t> v(count);
  uint32_t x = seed * 2654435761u + 1;
  for (auto& b : v) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(x >> 24);
  }
  return v;
}
