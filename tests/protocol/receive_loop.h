#pragma once
// The receive side of a protocol test: a thread that reads the port and feeds every
// block to the exchange, as the main window's receive thread does in the program.
// A port that reports the device gone is closed and the loop goes on idling.
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "base/timing.h"
#include "protocol/exchange.h"
#include "serial/serial_port.h"

class ReceiveLoop {
 public:
  ReceiveLoop(ISerialPort& port, CommandExchange& exchange)
      : port_(port), exchange_(exchange), buffer_(new char[serial::kMaxReadBytes + 1]) {
    thread_ = std::thread([this] { Run(); });
  }
  ~ReceiveLoop() { Stop(); }
  ReceiveLoop(const ReceiveLoop&) = delete;
  ReceiveLoop& operator=(const ReceiveLoop&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool SawVanish() const { return vanished_.load(); }
  long long BytesReceived() const { return bytes_.load(); }

 private:
  void Run() {
    while (!stop_) {
      if (!port_.IsOpen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      const int n = port_.Read(buffer_.get());
      if (n == serial::kReadVanished) {
        vanished_ = true;
        port_.Close();
      } else if (n > 0) {
        bytes_ += n;
        exchange_.MatchReply(buffer_.get(), n);
      }
    }
  }

  ISerialPort& port_;
  CommandExchange& exchange_;
  std::unique_ptr<char[]> buffer_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> vanished_{false};
  std::atomic<long long> bytes_{0};
  std::thread thread_;
};
