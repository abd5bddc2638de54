#pragma once
// A device that answers the probe "---" with "\r\nCMD OK\r\n" and every command line
// with nothing: it enters the configuration state and then stays silent. A
// pseudo-terminal of its own, played by a thread of the test.
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class ProbeOnlyDevice {
 public:
  ProbeOnlyDevice() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[256] = {};
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0)
      return;
    // Kept open so that the master reads no EIO between the program's opens.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios tio{};
    if (slave_ >= 0 && tcgetattr(slave_, &tio) == 0) {
      cfmakeraw(&tio);
      tcsetattr(slave_, TCSANOW, &tio);
    }
    name_ = name;
    thread_ = std::thread([this] { Play(); });
  }
  ~ProbeOnlyDevice() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  const std::string& PortName() const { return name_; }
  // The probes and command lines (without CR LF) received, in order.
  std::vector<std::string> Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  int Count(const std::string& text) const {
    const auto r = Received();
    return static_cast<int>(std::count(r.begin(), r.end(), text));
  }

 private:
  void Play() {
    static const char kCmdOk[] = "\r\nCMD OK\r\n";
    std::string pending;
    while (!stop_) {
      pollfd p{master_, POLLIN, 0};
      char buf[512];
      if (::poll(&p, 1, 20) <= 0 || !(p.revents & POLLIN)) continue;
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) pending.append(buf, static_cast<size_t>(n));
      std::lock_guard<std::mutex> lock(mutex_);
      for (size_t end; !pending.empty();) {
        if (pending.compare(0, 3, "---") == 0) {
          received_.push_back("---");
          pending.erase(0, 3);
          if (::write(master_, kCmdOk, sizeof kCmdOk - 1) < 0) break;
        } else if ((end = pending.find("\r\n")) != std::string::npos) {
          received_.push_back(pending.substr(0, end));
          pending.erase(0, end + 2);
        } else {
          break;
        }
      }
    }
  }

  int master_ = -1, slave_ = -1;
  std::string name_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> received_;
  std::thread thread_;
};
