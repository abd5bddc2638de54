// The download machine talking to a device whose every answer comes from the input:
// each write of the machine (restart command, probe, "P", frames) is answered by the
// next block. Whatever comes, no crash, no hang, and it ends or can be stopped.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "base/timing.h"
#include "download/download_worker.h"
#include "fuzz_input.h"
#include "serial/serial_port.h"

namespace {

class QuietView : public IDownloadView {
 public:
  std::mutex m;
  std::condition_variable cv;
  bool stopped = false;
  void AppendLog(const std::string&) override {}
  void OnDownloadStarted(int) override {}
  void EnableCancel() override {}
  void SetProgress(int) override {}
  void OnDownloadStopped(DownloadEnd) override {
    std::lock_guard<std::mutex> lock(m);
    stopped = true;
    cv.notify_all();
  }
  void ShowPowerUpMessage() override {}
  void ClosePowerUpMessage() override {}
};

class AnsweringPort : public ISerialPort {
 public:
  std::vector<std::string_view> answers;
  std::atomic<size_t> next{0};
  DownloadWorker* worker = nullptr;
  QuietView* view = nullptr;

  bool Open(const std::string&, int, int, int, int) override { return true; }
  void Close() override {}
  bool IsOpen() const override { return true; }
  int Read(char*) override { return 0; }
  int Write(const char* data, int length) override {
    const size_t i = next.fetch_add(1);
    if (i < answers.size() && !answers[i].empty())
      worker->OnSerialData(answers[i].data(), static_cast<int>(answers[i].size()));
    {
      std::lock_guard<std::mutex> lock(view->m);
    }
    view->cv.notify_all();
    return length;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool scaled = (Timing::SetScale(0.0005), true);
  (void)scaled;
  AnsweringPort port;
  port.answers = LengthPrefixedBlocks(data, size);
  QuietView view;
  LineArbiter line;
  DownloadWorker worker(port, view, line);
  port.worker = &worker;
  port.view = &view;
  worker.Launch();
  // Two frames' worth of image: a first block and a short last one.
  FUZZ_CHECK(worker.StartDownload(std::vector<uint8_t>(5000, 0x5A)) ==
             DownloadWorker::StartResult::kStarted);
  {
    // Answers used up: whatever the machine waits for now does not come.
    std::unique_lock<std::mutex> lock(view.m);
    view.cv.wait_for(lock, std::chrono::seconds(1), [&] {
      return view.stopped || port.next.load() > port.answers.size();
    });
  }
  worker.StopDownload();
  worker.Shutdown();
  FUZZ_CHECK(!worker.IsActive());
  return 0;
}
