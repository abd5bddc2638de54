// Transfer of a 1,048,575-byte image over a link paced at 115200 baud, with a boot
// loader that needs 20 ms per block before it acknowledges. Prints the transfer time
// against the ideal one (frames and acknowledgements on the wire plus the turnaround):
// the ratio shows what the tool adds between an acknowledgement and the next frame.
//
//   bench_download_transfer [--baud N] [--turnaround-ms N] [--bytes N]
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "download/block_frame.h"
#include "download/download_log.h"
#include "download/download_worker.h"
#include "serial/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
using Micros = std::chrono::duration<double, std::micro>;

// The link and the device: bytes written leave the wire one after another at the baud
// rate (10 bits a byte); the device acts on them when their last bit has arrived and its
// replies reach the tool after their own time on the wire. The device thread hands
// replies straight to the machine, as a receive thread woken by the driver would.
class PacedDevice : public ISerialPort {
 public:
  PacedDevice(int baud, int turnaroundMs)
      : byteTime_(std::chrono::duration_cast<Clock::duration>(Micros(10e6 / baud))),
        turnaround_(std::chrono::milliseconds(turnaroundMs)) {}
  ~PacedDevice() override { Stop(); }

  void Attach(DownloadWorker* worker) {
    worker_ = worker;
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  bool Open(const std::string&, int, int, int, int) override { return true; }
  void Close() override {}
  bool IsOpen() const override { return true; }
  int Read(char*) override { return 0; }
  int Write(const char* data, int length) override {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    if (lineFree_ < now) lineFree_ = now;
    if (!firstFrameSeen_ && length > 1 && static_cast<uint8_t>(data[0]) == boot::kFrameStart) {
      firstFrameSeen_ = true;
      firstFrameAt_ = lineFree_;  // its first bit goes out now
    }
    lineFree_ += byteTime_ * length;
    queue_.push_back({lineFree_, std::string(data, static_cast<size_t>(length))});
    cv_.notify_all();
    return length;
  }

  Clock::time_point FirstFrameAt() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return firstFrameAt_;
  }
  Clock::duration ByteTime() const { return byteTime_; }
  Clock::duration Turnaround() const { return turnaround_; }
  std::vector<uint8_t> Image() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return image_;
  }

 private:
  struct Chunk {
    Clock::time_point arrives;
    std::string bytes;
  };
  enum class Mode { kCommand, kAwaitPoll, kAwaitGo, kFrames, kDone };

  void Run() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (true) {
      cv_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      Chunk c = std::move(queue_.front());
      queue_.pop_front();
      lock.unlock();
      std::this_thread::sleep_until(c.arrives);
      for (char ch : c.bytes) Feed(static_cast<uint8_t>(ch), c.arrives);
      lock.lock();
    }
  }

  // Sends a reply that leaves the device at `at`.
  void Reply(const std::string& s, Clock::time_point at) {
    std::this_thread::sleep_until(at + byteTime_ * static_cast<int>(s.size()));
    worker_->OnSerialData(s.data(), static_cast<int>(s.size()));
  }

  void Feed(uint8_t b, Clock::time_point at) {
    switch (mode_) {
      case Mode::kCommand:
        line_ += static_cast<char>(b);
        if (line_.size() >= 10 && line_.compare(line_.size() - 10, 10, "AT+RESET\r\n") == 0) {
          mode_ = Mode::kAwaitPoll;
          Reply("\r\nOK\r\n", at);
        }
        return;
      case Mode::kAwaitPoll:
        if (b == 'P') {
          mode_ = Mode::kAwaitGo;
          Reply("P", at);
        }
        return;
      case Mode::kAwaitGo:
        if (b == 0x06) mode_ = Mode::kFrames;
        return;
      case Mode::kFrames:
        frame_.push_back(b);
        if (frame_.size() >= 3) {
          const size_t n = static_cast<size_t>(frame_[1] << 8 | frame_[2]);
          if (frame_.size() == n + boot::kFrameOverhead) {
            const bool last = frame_.back() == boot::kFrameLast;
            {
              std::lock_guard<std::mutex> lock(mutex_);
              image_.insert(image_.end(), frame_.begin() + 3, frame_.begin() + 3 + static_cast<long>(n));
            }
            frame_.clear();
            if (last) mode_ = Mode::kDone;
            Reply(std::string(1, boot::kBlockAck), at + turnaround_);
          }
        }
        return;
      case Mode::kDone:
        return;
    }
  }

  const Clock::duration byteTime_;
  const Clock::duration turnaround_;
  DownloadWorker* worker_ = nullptr;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<Chunk> queue_;
  Clock::time_point lineFree_{};
  bool firstFrameSeen_ = false;
  Clock::time_point firstFrameAt_{};
  bool stop_ = false;
  std::vector<uint8_t> image_;
  // Device thread only.
  Mode mode_ = Mode::kCommand;
  std::string line_;
  std::vector<uint8_t> frame_;
};

// Keeps a time-stamped log as the page does, and notes the end of the download.
class BenchView : public IDownloadView {
 public:
  void AppendLog(const std::string& text) override { log_.Append(text); }
  void OnDownloadStarted(int) override {}
  void EnableCancel() override {}
  void SetProgress(int) override {}
  void OnDownloadStopped(DownloadEnd end) override {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
    completed_ = end == DownloadEnd::kCompleted;
    endedAt_ = Clock::now();
    cv_.notify_all();
  }
  void ShowPowerUpMessage() override {}
  void ClosePowerUpMessage() override {}

  bool WaitDone(std::chrono::seconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return cv_.wait_for(lock, limit, [this] { return done_; }) && completed_;
  }
  Clock::time_point EndedAt() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return endedAt_;
  }

 private:
  DownloadLog log_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool done_ = false;
  bool completed_ = false;
  Clock::time_point endedAt_{};
};

long Arg(int argc, char** argv, const char* name, long fallback) {
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], name) == 0) return std::strtol(argv[i + 1], nullptr, 10);
  return fallback;
}

}  // namespace

int main(int argc, char** argv) {
  const int baud = static_cast<int>(Arg(argc, argv, "--baud", 115200));
  const int turnaroundMs = static_cast<int>(Arg(argc, argv, "--turnaround-ms", 20));
  const auto bytes = static_cast<uint32_t>(Arg(argc, argv, "--bytes", 1048575));

  std::vector<uint8_t> image(bytes);
  for (uint32_t i = 0; i < bytes; ++i) image[i] = static_cast<uint8_t>(i * 131u + (i >> 8));

  PacedDevice device(baud, turnaroundMs);
  BenchView view;
  LineArbiter line;
  DownloadWorker worker(device, view, line);
  device.Attach(&worker);
  worker.Launch();

  // Ideal: every frame and every acknowledgement on the wire, plus the turnaround.
  const uint32_t blocks = boot::BlockCount(bytes);
  const uint64_t frameBytes = uint64_t{bytes} + uint64_t{blocks} * boot::kFrameOverhead;
  const Clock::duration ideal = device.ByteTime() * static_cast<int64_t>(frameBytes + blocks) +
                                device.Turnaround() * static_cast<int64_t>(blocks);
  std::printf("image %u bytes, %u blocks, %d baud, %d ms turnaround per block\n", bytes, blocks,
              baud, turnaroundMs);
  std::printf("ideal transfer time        %10.3f s\n", Micros(ideal).count() / 1e6);
  std::fflush(stdout);

  if (worker.StartDownload(image) != DownloadWorker::StartResult::kStarted) {
    std::printf("download did not start\n");
    return 1;
  }
  const auto limit = std::chrono::duration_cast<std::chrono::seconds>(ideal) * 2 + std::chrono::seconds(30);
  const bool ok = view.WaitDone(limit);
  worker.Shutdown();
  device.Stop();
  if (!ok || device.Image() != image) {
    std::printf("transfer FAILED (%s)\n", ok ? "image differs" : "not completed");
    return 1;
  }
  const Clock::duration measured = view.EndedAt() - device.FirstFrameAt();
  const double ratio = Micros(measured).count() / Micros(ideal).count();
  std::printf("measured transfer time     %10.3f s (first frame bit to the end of the download)\n",
              Micros(measured).count() / 1e6);
  std::printf("tool's own time per block  %10.1f us\n",
              (Micros(measured).count() - Micros(ideal).count()) / blocks);
  std::printf("transfer time / ideal      %10.4f (target <= 1.02)\n", ratio);
  return 0;
}
