#pragma once
// The receive side of a device test: a thread that reads the port and hands every
// block to a sink, as the main window's receive thread does in the program. A port
// that reports the device gone is closed, and the thread goes on idling until Stop.
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "serial/serial_port.h"

class PortReader {
 public:
  using Sink = std::function<void(const char* data, int count)>;

  // deliverIdle: the sink also gets count 0 after a read that found nothing, like the
  // program's consumers, which use those calls as their clock.
  PortReader(ISerialPort& port, Sink sink, bool deliverIdle = false)
      : port_(port), sink_(std::move(sink)), deliverIdle_(deliverIdle) {
    thread_ = std::thread([this] { Run(); });
  }
  ~PortReader() { Stop(); }
  PortReader(const PortReader&) = delete;
  PortReader& operator=(const PortReader&) = delete;

  void Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool SawVanish() const { return vanished_.load(); }
  long long BytesReceived() const { return bytes_.load(); }

 private:
  void Run() {
    std::vector<char> buffer(serial::kMaxReadBytes + 1);
    while (!stop_) {
      if (!port_.IsOpen()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        continue;
      }
      const int n = port_.Read(buffer.data());
      if (n == serial::kReadVanished) {
        vanished_ = true;
        port_.Close();
        continue;
      }
      buffer[n > 0 ? n : 0] = '\0';  // blocks are NUL-terminated, as in the program
      if (n > 0) bytes_ += n;
      if (n > 0 || deliverIdle_) sink_(buffer.data(), n > 0 ? n : 0);
    }
  }

  ISerialPort& port_;
  Sink sink_;
  const bool deliverIdle_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> vanished_{false};
  std::atomic<long long> bytes_{0};
  std::thread thread_;
};
