#pragma once
// A serial port with nothing behind it (POSIX): a pseudo-terminal whose master side only
// listens. It shows what a tool wrote to the port and whether the tool has the port open
// (the master reports a hang-up while no slave descriptor is open).
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

class SilentPty {
 public:
  SilentPty() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ >= 0 && ::grantpt(master_) == 0 && ::unlockpt(master_) == 0) {
      if (const char* name = ::ptsname(master_)) name_ = name;
    }
  }
  ~SilentPty() {
    if (master_ >= 0) ::close(master_);
  }
  SilentPty(const SilentPty&) = delete;
  SilentPty& operator=(const SilentPty&) = delete;

  // The path a tool opens ("" when the pseudo-terminal could not be made).
  const std::string& Name() const { return name_; }
  // True while some process has the port open.
  bool InUse() const {
    pollfd p{master_, POLLIN, 0};
    return ::poll(&p, 1, 0) >= 0 && (p.revents & POLLHUP) == 0;
  }
  // Everything the tool wrote so far.
  std::string Received() {
    char buf[256];
    for (ssize_t n; (n = ::read(master_, buf, sizeof buf)) > 0;) got_.append(buf, static_cast<size_t>(n));
    return got_;
  }

 private:
  int master_ = -1;
  std::string name_;
  std::string got_;
};
