// POSIX backend of CSerial: termios raw mode, poll-based reads and writes,
// exclusive open (TIOCEXCL and an advisory lock, which holds for root too).
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "serial/serial.h"
#include "serial/serial_posix_detail.h"

struct CSerial::Impl {
  // Guards every field. Read and Write do their I/O outside the lock on a borrowed
  // descriptor; Close marks the port closed at once, wakes every waiting call through
  // closeWake and closes the descriptors only when no I/O is using them any more.
  mutable std::mutex mutex;
  std::condition_variable idle;
  // One Write at a time, so that one call's bytes are whole on the wire: a write that the
  // driver takes in parts is never interleaved with another thread's.
  std::mutex writeMutex;
  int fd = -1;
  int closeWake[2] = {-1, -1};  // per open; readable once Close has begun
  int readerWake[2] = {-1, -1};  // for the object's life; written by WakeReader
  int activeIo = 0;
  int baudRate = 0;
  int readWaitMs = serial::kReadWaitMs;
  std::string name;
  std::string openError;
  bool openDenied = false;

  struct Io {
    int fd = -1;
    int closeWake = -1;
    int baudRate = 0;
    int readWaitMs = 0;
  };
  // Borrows the descriptors for one I/O call; fd -1 when closed.
  Io Borrow() {
    std::lock_guard<std::mutex> lock(mutex);
    if (fd < 0) return {};
    ++activeIo;
    return {fd, closeWake[0], baudRate, readWaitMs};
  }
  void Return() {
    std::lock_guard<std::mutex> lock(mutex);
    if (--activeIo == 0) idle.notify_all();
  }
};

namespace {
// Returns the borrowed descriptor when the I/O call ends.
struct Borrowed {
  CSerial::Impl* impl;
  CSerial::Impl::Io io;
  explicit Borrowed(CSerial::Impl* i) : impl(i), io(i->Borrow()) {}
  ~Borrowed() {
    if (io.fd >= 0) impl->Return();
  }
};

bool MakeWakePipe(int (&p)[2]) {
  if (::pipe(p) != 0) return false;
  for (int f : p) {
    fcntl(f, F_SETFD, FD_CLOEXEC);
    fcntl(f, F_SETFL, O_NONBLOCK);
  }
  return true;
}

void ClosePipe(int (&p)[2]) {
  for (int& f : p) {
    if (f >= 0) ::close(f);
    f = -1;
  }
}

void Drain(int f) {
  char buf[64];
  while (::read(f, buf, sizeof buf) > 0) {
  }
}

}  // namespace

namespace {

bool IsVanishedErrno(int e) { return e == EIO || e == ENXIO || e == ENODEV || e == EBADF; }

tcflag_t CharSize(int byteSize) {
  switch (byteSize) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
  }
}

}  // namespace

void ApplyLineSettings(termios& tio, int byteSize, int stopBits, int parity) {
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
  tio.c_cflag |= CharSize(byteSize);
  if (stopBits == serial::kTwoStopBits || stopBits == serial::kOnePointFiveStopBits)
    tio.c_cflag |= CSTOPB;  // 1.5 stop bits exist only with 5 data bits, where CSTOPB means 1.5
  switch (parity) {
    case serial::kParityOdd: tio.c_cflag |= PARENB | PARODD; break;
    case serial::kParityEven: tio.c_cflag |= PARENB; break;
    case serial::kParityMark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case serial::kParitySpace: tio.c_cflag |= PARENB | CMSPAR; break;
    default: break;
  }
  if (tio.c_cflag & PARENB) {
    // Check parity and drop bytes that fail it instead of passing corrupted data on.
    tio.c_iflag |= INPCK | IGNPAR;
  }
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
}

namespace {

// Applies the line settings to an open tty; false with errno set on failure.
bool ConfigureTty(int fd, int baudRate, int byteSize, int stopBits, int parity) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  ApplyLineSettings(tio, byteSize, stopBits, parity);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
  if (!SetTtyBaudRate(fd, baudRate)) return false;
  return true;
}

}  // namespace

CSerial::CSerial() : impl_(new Impl) {
  if (!MakeWakePipe(impl_->readerWake)) impl_->readerWake[0] = impl_->readerWake[1] = -1;
}

CSerial::~CSerial() {
  Close();
  ClosePipe(impl_->readerWake);
  delete impl_;
}

bool CSerial::OpenDevice(const std::string& name, int baudRate, int byteSize, int stopBits,
                   int parity) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->fd >= 0) return false;  // an open port is never reopened
  impl_->openError.clear();
  impl_->openDenied = false;
  if (name.empty() || baudRate <= 0) {
    impl_->openError = "invalid port name or baud rate";
    return false;
  }
  int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    int e = errno;
    impl_->openError = strerror(e);
    impl_->openDenied = (e == EACCES || e == EPERM);
    return false;
  }
  auto fail = [&](const char* what) {
    int e = errno;
    impl_->openError = std::string(what) + ": " + strerror(e);
    impl_->openDenied = (e == EACCES || e == EPERM);
    ::close(fd);  // a port that fails after its device was opened is closed again
    return false;
  };
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) errno = EBUSY;
    return fail("port in use");
  }
  if (!isatty(fd)) {
    errno = ENOTTY;
    return fail("not a serial device");
  }
  if (ioctl(fd, TIOCEXCL) != 0) return fail("exclusive access");
  if (!ConfigureTty(fd, baudRate, byteSize, stopBits, parity)) return fail("line settings");
  if (!MakeWakePipe(impl_->closeWake)) return fail("wake pipe");
  tcflush(fd, TCIOFLUSH);
  impl_->fd = fd;
  impl_->baudRate = baudRate;
  impl_->name = name;
  return true;
}

void CSerial::CloseDevice() {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  if (impl_->fd < 0) return;
  const int fd = impl_->fd;
  impl_->fd = -1;  // new I/O sees a closed port from now on
  impl_->name.clear();
  const char byte = 0;
  (void)!::write(impl_->closeWake[1], &byte, 1);  // wakes every Read and Write waiting in poll
  impl_->idle.wait(lock, [this] { return impl_->activeIo == 0; });
  ClosePipe(impl_->closeWake);
  ioctl(fd, TIOCNXCL);
  ::close(fd);  // also drops the advisory lock
}

void CSerial::SetDeviceReadWait(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->readWaitMs = ms < 0 ? serial::kReadWaitUnlimited : ms;
}

void CSerial::WakeDeviceReader() {
  const char byte = 0;
  if (impl_->readerWake[1] >= 0) (void)!::write(impl_->readerWake[1], &byte, 1);
}

bool CSerial::IsDeviceOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->fd >= 0;
}

std::string CSerial::DeviceName() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->name;
}

std::string CSerial::DeviceOpenError() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openError;
}

bool CSerial::DeviceOpenDenied() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openDenied;
}

int CSerial::ReadDevice(char* buffer) {
  Borrowed b(impl_);
  const int fd = b.io.fd;
  if (fd < 0) return 0;
  pollfd p[3] = {{fd, POLLIN, 0}, {b.io.closeWake, POLLIN, 0}, {impl_->readerWake[0], POLLIN, 0}};
  int r = ::poll(p, 3, b.io.readWaitMs);
  if (r < 0) return errno == EINTR ? 0 : serial::kReadVanished;
  if (r == 0) return 0;
  if (p[2].revents & POLLIN) Drain(p[2].fd);
  if (p[1].revents) return 0;  // closing
  if (p[0].revents & POLLNVAL) return serial::kReadVanished;
  if (!(p[0].revents & POLLIN)) {
    // POLLHUP / POLLERR without data: the device has gone.
    return (p[0].revents & (POLLHUP | POLLERR)) ? serial::kReadVanished : 0;
  }
  ssize_t n = ::read(fd, buffer, serial::kMaxReadBytes);
  if (n > 0) return static_cast<int>(n);
  if (n == 0) return (p[0].revents & POLLHUP) ? serial::kReadVanished : 0;
  if (errno == EAGAIN || errno == EINTR) return 0;
  return IsVanishedErrno(errno) ? serial::kReadVanished : 0;
}

int CSerial::WriteDevice(const char* data, int length) {
  if (data == nullptr || length <= 0) return 0;
  Borrowed b(impl_);
  const int fd = b.io.fd;
  if (fd < 0) return 0;
  std::lock_guard<std::mutex> whole(impl_->writeMutex);
  // A Close that began while this call waited for its turn ends it before any byte.
  pollfd closing{b.io.closeWake, POLLIN, 0};
  if (::poll(&closing, 1, 0) > 0) return 0;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::milliseconds(serial::WriteLimitMs(length, b.io.baudRate));
  int done = 0;
  while (done < length) {
    ssize_t n = ::write(fd, data + done, static_cast<size_t>(length - done));
    if (n > 0) {
      done += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) break;
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) break;
    pollfd p[2] = {{fd, POLLOUT, 0}, {b.io.closeWake, POLLIN, 0}};
    int r = ::poll(p, 2, static_cast<int>(left));
    if (r < 0 && errno != EINTR) break;
    if (r > 0 && (p[1].revents || (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)))) break;
  }
  return done;
}

int CSerial::NativeHandleForTests() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->fd;
}
