#include "sim/rtu_sim.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "base/event.h"
#include "base/timing.h"
#include "sim/sim_device.h"
#include "sim/sim_pty.h"

namespace {
// Pause of the device thread after a failed read of its pty (ms).
constexpr int kPollMs = 20;
// Output nobody reads is dropped after this long without progress (ms, unscaled:
// a safety valve, not a protocol time limit).
constexpr int kWriteStallMs = 5000;
// Slice of the interruptible pauses between reply blocks and paced bytes (ms).
constexpr int kSleepSliceMs = 5;
// NUL bytes put before each reply by the NUL fault.
constexpr int kNulCount = 2;
// Pause between the blocks of a snapshot (ms, scaled), so that they arrive apart.
constexpr int kBlockGapMs = 20;
// The received-bytes log keeps at least this many of the newest bytes.
constexpr size_t kReceivedBytesKept = 4u << 20;
}  // namespace

struct RtuSimulator::Impl {
  // Everything below mu is guarded by it.
  mutable std::mutex mu;
  SimDevice device;
  int chunkBytes = 0;
  int chunkGapMs = 0;
  bool nulBytes = false;
  int baud = 0;
  std::string portName;
  std::string receivedBytes;

  std::atomic<bool> stop{false};
  std::atomic<bool> vanishRequested{false};
  std::atomic<bool> threadRunning{false};
  // Changes on every power switch: output of an earlier power period is abandoned.
  std::atomic<uint64_t> powerEpoch{0};
  Event vanished;
  SimPty pty;  // owned by the device thread while it runs
  std::thread thread;

  struct WriteSettings {
    int chunkBytes, chunkGapMs, baud;
    bool nulBytes;
  };

  bool Aborted(uint64_t epoch) const {
    return stop.load() || vanishRequested.load() || powerEpoch.load() != epoch;
  }

  // Sleeps ms (already scaled), waking early when the output is abandoned.
  bool PauseUntil(std::chrono::steady_clock::time_point until, uint64_t epoch) {
    for (;;) {
      if (Aborted(epoch)) return false;
      auto now = std::chrono::steady_clock::now();
      if (now >= until) return true;
      std::this_thread::sleep_for(
          std::min<std::chrono::steady_clock::duration>(until - now,
                                                        std::chrono::milliseconds(kSleepSliceMs)));
    }
  }

  // Writes one block, paced at the configured baud rate (10 bit times per byte).
  bool WriteBlock(const char* data, size_t size, const WriteSettings& ws, uint64_t epoch) {
    auto abort = [this, epoch] { return Aborted(epoch); };
    if (ws.baud <= 0) return pty.Write(data, size, abort, kWriteStallMs) == size;
    double byteUs = 10.0 * 1e6 / ws.baud * Timing::Scale();
    // Pieces of about one pause slice, so the pacing stays smooth.
    size_t piece = std::max<size_t>(1, static_cast<size_t>(kSleepSliceMs * 1000.0 / byteUs));
    auto start = std::chrono::steady_clock::now();
    size_t done = 0;
    while (done < size) {
      size_t n = std::min(piece, size - done);
      if (pty.Write(data + done, n, abort, kWriteStallMs) != n) return false;
      done += n;
      auto due = start + std::chrono::microseconds(static_cast<int64_t>(done * byteUs));
      if (!PauseUntil(due, epoch)) return false;
    }
    return true;
  }

  void WriteReply(const std::string& reply, const WriteSettings& ws, uint64_t epoch) {
    std::string data = ws.nulBytes ? std::string(kNulCount, '\0') + reply : reply;
    size_t block = ws.chunkBytes > 0 ? static_cast<size_t>(ws.chunkBytes) : data.size();
    for (size_t pos = 0; pos < data.size(); pos += block) {
      if (pos > 0 && ws.chunkGapMs > 0) {
        auto until = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(Timing::Scaled(ws.chunkGapMs));
        if (!PauseUntil(until, epoch)) return;
      }
      if (!WriteBlock(data.data() + pos, std::min(block, data.size() - pos), ws, epoch)) return;
    }
  }

  void Run() {
    char buf[8192];
    while (!stop.load()) {
      if (vanishRequested.load()) {
        pty.Close();
        vanished.Set();
        break;
      }
      // Waits for input, the device's next timed step, or a request (pty.Wake).
      int timeout = -1;
      {
        std::lock_guard<std::mutex> lock(mu);
        int64_t deadline = device.NextDeadline();
        if (deadline >= 0)
          timeout = static_cast<int>(std::clamp<int64_t>(deadline - Timing::NowMs(), 1, INT32_MAX));
      }
      int n = pty.Read(buf, sizeof buf, timeout);
      if (n < 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        continue;
      }
      std::string_view in(buf, static_cast<size_t>(n));
      if (!in.empty()) {
        std::lock_guard<std::mutex> lock(mu);
        if (receivedBytes.size() + in.size() > 2 * kReceivedBytesKept)
          receivedBytes.erase(0, receivedBytes.size() - kReceivedBytesKept);
        receivedBytes.append(in);
      }
      do {
        SimDevice::FeedResult r;
        WriteSettings ws{};
        uint64_t epoch;
        {
          std::lock_guard<std::mutex> lock(mu);
          epoch = powerEpoch.load();
          int64_t now = Timing::NowMs();
          if (in.empty()) device.Tick(now);
          else r = device.Feed(in, now);
          ws = {chunkBytes, chunkGapMs, baud, nulBytes};
        }
        if (!r.reply.empty()) WriteReply(r.reply, ws, epoch);
        for (const std::string& block : r.blocks) {
          auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(Timing::Scaled(kBlockGapMs));
          if (!PauseUntil(until, epoch)) break;
          WriteReply(block, ws, epoch);
        }
        if (r.restart) {
          std::lock_guard<std::mutex> lock(mu);
          if (powerEpoch.load() == epoch) device.Restart(Timing::NowMs());
        }
        in.remove_prefix(r.consumed);
      } while (!in.empty() && !stop.load());
    }
    threadRunning.store(false);
  }
};

RtuSimulator::RtuSimulator() : impl_(std::make_unique<Impl>()) {}

RtuSimulator::~RtuSimulator() { Stop(); }

bool RtuSimulator::Start() {
  Stop();
  if (!impl_->pty.Open()) return false;
  {
    std::lock_guard<std::mutex> lock(impl_->mu);
    impl_->portName = impl_->pty.SlaveName();
    impl_->device.StartRunning();
    impl_->powerEpoch.fetch_add(1);
  }
  impl_->stop.store(false);
  impl_->vanishRequested.store(false);
  impl_->vanished.Reset();
  impl_->threadRunning.store(true);
  impl_->thread = std::thread([this] { impl_->Run(); });
  return true;
}

void RtuSimulator::Stop() {
  impl_->stop.store(true);
  impl_->pty.Wake();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_->pty.Close();
}

std::string RtuSimulator::PortName() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->portName;
}

RtuSimulator::State RtuSimulator::GetState() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.GetState();
}

void RtuSimulator::PowerOff() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.PowerOff();
  impl_->powerEpoch.fetch_add(1);
  impl_->pty.Wake();
}

void RtuSimulator::PowerOn() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.PowerOn(Timing::NowMs());
  impl_->powerEpoch.fetch_add(1);
  impl_->pty.Wake();
}

std::string RtuSimulator::Value(const std::string& label) const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  const std::string* v = impl_->device.Params().Find(label);
  return v ? *v : std::string();
}

void RtuSimulator::SetValue(const std::string& label, const std::string& value) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.Params().Set(label, value);
}

std::string RtuSimulator::Listing() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.Params().Listing();
}

std::vector<std::string> RtuSimulator::ReceivedCommands() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.Received();
}

int RtuSimulator::CountReceived(const std::string& prefix) const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  int n = 0;
  for (const std::string& c : impl_->device.Received())
    if (c.compare(0, prefix.size(), prefix) == 0) ++n;
  return n;
}

std::string RtuSimulator::ReceivedBytes() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->receivedBytes;
}

void RtuSimulator::ClearReceived() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.ClearReceived();
  impl_->receivedBytes.clear();
}

void RtuSimulator::SetSilent(bool silent) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetSilent(silent);
}

void RtuSimulator::SetErrorFor(const std::string& commandWord, int times) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetErrorFor(commandWord, times);
}

void RtuSimulator::ClearErrors() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.ClearErrors();
}

void RtuSimulator::SetChunking(int maxBlockBytes, int gapMs) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->chunkBytes = std::max(0, maxBlockBytes);
  impl_->chunkGapMs = std::max(0, gapMs);
}

void RtuSimulator::SetNulBytes(bool on) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->nulBytes = on;
}

void RtuSimulator::SetBaudPacing(int baud) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->baud = std::max(0, baud);
}

void RtuSimulator::SetSlowDevice(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetSlowDevice(ms);
}

int RtuSimulator::DroppedLines() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.DroppedLines();
}

void RtuSimulator::SetKeepOldValue(const std::string& commandWord, int times) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetKeepOldValue(commandWord, times);
}

void RtuSimulator::SetPowerCycleNeeded(bool on) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetPowerCycleNeeded(on);
}

void RtuSimulator::VanishPort() {
  if (impl_->threadRunning.load()) {
    impl_->vanishRequested.store(true);
    impl_->pty.Wake();
    // The device thread closes the pty at its next turn.
    impl_->vanished.WaitUnscaled(10 * kPollMs + kWriteStallMs);
  }
  if (impl_->thread.joinable() && !impl_->threadRunning.load()) impl_->thread.join();
  if (!impl_->thread.joinable()) impl_->pty.Close();
}

void RtuSimulator::SetBlockFault(int block, BlockFault fault, int times) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  SimBootLoader::Fault f = fault == BlockFault::Refuse    ? SimBootLoader::Fault::Refuse
                           : fault == BlockFault::LoseAck ? SimBootLoader::Fault::LoseAck
                                                          : SimBootLoader::Fault::None;
  impl_->device.BootLoader().SetBlockFault(block, f, times);
}

void RtuSimulator::ClearBlockFaults() {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.BootLoader().ClearBlockFaults();
}

std::string RtuSimulator::ReceivedImage() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.BootLoader().Image();
}

int RtuSimulator::ImagesCompleted() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.BootLoader().ImagesCompleted();
}

int RtuSimulator::FramesAccepted() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.BootLoader().FramesAccepted();
}

int RtuSimulator::FramesRejected() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.BootLoader().FramesRejected();
}

int RtuSimulator::PowerUpBytesReceived() const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.PowerUpBytes();
}

void RtuSimulator::SetRecords(std::vector<Record> records) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.Records().Set(std::move(records));
}

size_t RtuSimulator::RecordCount(int channel) const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.Records().Count(channel);
}

void RtuSimulator::SetRecordBatch(int records) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.Records().SetBatchSize(records);
}

void RtuSimulator::SetRecordStall(int batches) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.Records().SetStallAfter(batches);
}

std::string RtuSimulator::InitialValue(int channel) const {
  std::lock_guard<std::mutex> lock(impl_->mu);
  return impl_->device.Records().Initial(channel);
}

void RtuSimulator::SetCameraFaults(const CameraFaults& faults) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetCameraFaults(faults);
}

void RtuSimulator::SetListingFaults(const ListingFaults& faults) {
  std::lock_guard<std::mutex> lock(impl_->mu);
  impl_->device.SetListingFaults(faults);
}

const std::string& RtuSimulator::CameraPicture(int camera) { return SimCameraPicture(camera); }

bool RtuSimulator::WaitForState(State state, int timeoutMs) const {
  int64_t end = Timing::NowMs() + timeoutMs;
  for (;;) {
    if (GetState() == state) return true;
    if (Timing::NowMs() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool RtuSimulator::WaitForReceived(const std::string& prefix, int count, int timeoutMs) const {
  int64_t end = Timing::NowMs() + timeoutMs;
  for (;;) {
    if (CountReceived(prefix) >= count) return true;
    if (Timing::NowMs() >= end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}
