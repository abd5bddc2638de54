#include "sim/sim_pty.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "base/timing.h"

SimPty::SimPty() {
  if (::pipe(wake_) != 0) {
    wake_[0] = wake_[1] = -1;
    return;
  }
  for (int fd : wake_) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
}

SimPty::~SimPty() {
  Close();
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
}

void SimPty::Wake() {
  if (wake_[1] < 0) return;
  const ssize_t n = ::write(wake_[1], "w", 1);
  (void)n;  // a full pipe already holds a wake-up
}

bool SimPty::Open() {
  Close();
  int m = posix_openpt(O_RDWR | O_NOCTTY);
  if (m < 0) return false;
  char name[256] = {};
  if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, sizeof name) != 0) {
    ::close(m);
    return false;
  }
  int s = ::open(name, O_RDWR | O_NOCTTY);
  if (s < 0) {
    ::close(m);
    return false;
  }
  termios tio{};
  if (tcgetattr(s, &tio) == 0) {
    cfmakeraw(&tio);
    cfsetispeed(&tio, B115200);
    cfsetospeed(&tio, B115200);
    tcsetattr(s, TCSANOW, &tio);
  }
  int flags = fcntl(m, F_GETFL);
  fcntl(m, F_SETFL, flags | O_NONBLOCK);
  fcntl(m, F_SETFD, FD_CLOEXEC);
  fcntl(s, F_SETFD, FD_CLOEXEC);
  master_ = m;
  slave_ = s;
  slaveName_ = name;
  return true;
}

void SimPty::Close() {
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  master_ = slave_ = -1;
}

bool SimPty::IsOpen() const { return master_ >= 0; }

int SimPty::Read(char* buf, size_t size, int timeoutMs) {
  if (master_ < 0) return -1;
  pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
  int r = ::poll(fds, wake_[0] >= 0 ? 2 : 1, timeoutMs);
  if (r < 0) return errno == EINTR ? 0 : -1;
  if (r == 0) return 0;
  if (fds[1].revents & POLLIN) {
    char drain[64];
    while (::read(wake_[0], drain, sizeof drain) > 0) {
    }
  }
  const pollfd& p = fds[0];
  if (p.revents & POLLIN) {
    ssize_t n = ::read(master_, buf, size);
    if (n > 0) return static_cast<int>(n);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return 0;
    if (n < 0 && errno == EIO) return 0;  // no slave open right now
    return -1;
  }
  if (p.revents & POLLNVAL) return -1;
  // POLLHUP/POLLERR without data: cannot happen while our slave is open.
  return 0;
}

size_t SimPty::Write(const char* data, size_t size, const std::function<bool()>& abort,
                     int stallMs) {
  size_t done = 0;
  int64_t lastProgress = Timing::NowMs();
  while (done < size && master_ >= 0) {
    if (abort && abort()) break;
    ssize_t n = ::write(master_, data + done, size - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      lastProgress = Timing::NowMs();
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) break;
    if (Timing::NowMs() - lastProgress >= stallMs) break;
    pollfd p{master_, POLLOUT, 0};
    ::poll(&p, 1, 10);
  }
  return done;
}
