#include "app/receive_pump.h"

#include <chrono>
#include <thread>

#include "app/link_machine.h"
#include "base/timing.h"
#include "serial/serial_port.h"

ReceivePump::ReceivePump(ISerialPort& port, LinkMachine& link, std::function<void()> vanished)
    : port_(port), link_(link), vanished_(std::move(vanished)), block_(serial::kMaxReadBytes + 1) {}

int ReceivePump::Dispatch(const char* data, int count) {
  if (!link_.LinkToTools()) {
    link_.OnReceived(data, count);
    return kMatcher;
  }
  for (size_t i = 0; i < receivers_.size(); ++i) {
    if (!receivers_[i]->WantsData()) continue;
    receivers_[i]->OnData(data, count);
    return static_cast<int>(i);
  }
  return kNobody;
}

int ReceivePump::Turn() {
  if (!port_.IsOpen()) return 0;
  int n = port_.Read(block_.data());
  if (n == serial::kReadVanished) {
    port_.Close();
    if (vanished_) vanished_();
    return n;
  }
  if (n < 0) n = 0;
  if (n > serial::kMaxReadBytes) n = serial::kMaxReadBytes;
  block_[static_cast<size_t>(n)] = '\0';
  Dispatch(block_.data(), n);
  return n;
}

void ReceivePump::Stop() {
  stop_ = true;
  port_.WakeReader();
}

void ReceivePump::Run() {
  port_.SetReadWait(serial::kReadWaitUnlimited);
  while (!stop_.load()) {
    if (!port_.IsOpen()) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kClosedPauseMs));
      continue;
    }
    const int64_t start = Timing::NowMs();
    const int n = Turn();
    if (n > 0) continue;
    // Read itself waits for data; pause only when it came back at once (a port that does
    // not wait).
    if (Timing::NowMs() - start < kIdlePauseMs)
      std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePauseMs));
  }
}
