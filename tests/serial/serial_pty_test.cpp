// CSerial against a pseudo-terminal: reading, writing, line settings, exclusive
// open, failure reporting and a vanishing device.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <dirent.h>
#include <string>
#include <thread>

#include "serial/serial.h"
#include "serial/serial_posix_detail.h"

namespace {

using Clock = std::chrono::steady_clock;

class Pty {
 public:
  Pty() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master_, 0);
    grantpt(master_);
    unlockpt(master_);
    name_ = ptsname(master_);
  }
  ~Pty() { CloseMaster(); }
  const std::string& Name() const { return name_; }
  int Master() const { return master_; }
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  void Send(const std::string& s) { ASSERT_EQ(write(master_, s.data(), s.size()), (ssize_t)s.size()); }
  // Reads from the master until n bytes arrived or 2 s passed.
  std::string Receive(size_t n) {
    std::string got;
    auto deadline = Clock::now() + std::chrono::seconds(2);
    while (got.size() < n && Clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 50) > 0) {
        char buf[4096];
        ssize_t r = read(master_, buf, sizeof buf);
        if (r > 0) got.append(buf, r);
      }
    }
    return got;
  }

 private:
  int master_ = -1;
  std::string name_;
};

// Reads from the port until n bytes arrived or 2 s passed.
std::string ReadAtLeast(CSerial& port, size_t n) {
  std::string got;
  static char buf[serial::kMaxReadBytes];
  auto deadline = Clock::now() + std::chrono::seconds(2);
  while (got.size() < n && Clock::now() < deadline) {
    int r = port.Read(buf);
    if (r > 0) got.append(buf, r);
    if (r < 0) break;
  }
  return got;
}

int CountOpenFds() {
  int n = 0;
  DIR* d = opendir("/proc/self/fd");
  while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
  closedir(d);
  return n;
}

bool Open8N1(CSerial& port, const std::string& name, int baud = 115200) {
  return port.Open(name, baud, 8, serial::kOneStopBit, serial::kParityNone);
}

}  // namespace

TEST(SerialPty, ReadsWhatTheDeviceSendsAndWritesToIt) {
  Pty pty;
  CSerial port;
  ASSERT_TRUE(Open8N1(port, pty.Name()));
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), pty.Name());

  pty.Send(std::string("\r\nCMD OK\r\n\0x", 12));
  EXPECT_EQ(ReadAtLeast(port, 12), std::string("\r\nCMD OK\r\n\0x", 12));  // raw: NUL and CR kept

  EXPECT_EQ(port.Write("---", 3), 3);
  EXPECT_EQ(pty.Receive(3), "---");
  std::string line = "AT+SHOW\r\n";
  EXPECT_EQ(port.Write(line.data(), (int)line.size()), (int)line.size());
  EXPECT_EQ(pty.Receive(line.size()), line);  // no CR/LF translation on output
}

TEST(SerialPty, ReadWithNothingQueuedReturnsPromptly) {
  Pty pty;
  CSerial port;
  ASSERT_TRUE(Open8N1(port, pty.Name()));
  char buf[serial::kMaxReadBytes];
  auto t0 = Clock::now();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(port.Read(buf), 0);
  // Five idle reads wait about 20 ms each; anything near a second means a blocking read.
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count(), 800);
}

TEST(SerialPty, LongStreamArrivesCompleteAndInOrder) {
  Pty pty;
  CSerial port;
  ASSERT_TRUE(Open8N1(port, pty.Name()));
  std::string data;
  for (int i = 0; i < 200000; ++i) data.push_back(static_cast<char>((i * 7 + i / 255) & 0xFF));
  std::thread writer([&] {
    size_t off = 0;
    while (off < data.size()) {
      ssize_t w = write(pty.Master(), data.data() + off, std::min<size_t>(8192, data.size() - off));
      if (w > 0) off += w;
    }
  });
  std::string got;
  static char buf[serial::kMaxReadBytes];
  auto deadline = Clock::now() + std::chrono::seconds(10);
  while (got.size() < data.size() && Clock::now() < deadline) {
    int r = port.Read(buf);
    ASSERT_GE(r, 0);
    ASSERT_LE(r, serial::kMaxReadBytes);
    got.append(buf, r);
  }
  writer.join();
  EXPECT_TRUE(got == data) << "got " << got.size() << " of " << data.size() << " bytes";
}

TEST(SerialPty, OpenIsExclusiveAndNeverReopens) {
  Pty pty;
  CSerial a, b;
  ASSERT_TRUE(Open8N1(a, pty.Name()));
  EXPECT_FALSE(Open8N1(a, pty.Name())) << "an open port is not reopened";
  EXPECT_TRUE(a.IsOpen());
  EXPECT_FALSE(Open8N1(b, pty.Name())) << "a second opener must be refused";
  EXPECT_FALSE(b.IsOpen());
  EXPECT_FALSE(b.LastOpenError().empty());
  // The first connection still works.
  EXPECT_EQ(a.Write("x", 1), 1);
  EXPECT_EQ(pty.Receive(1), "x");
  a.Close();
  a.Close();  // closing a closed port does nothing
  EXPECT_TRUE(Open8N1(b, pty.Name()));
}

TEST(SerialPty, FailedOpensReportWhyAndLeakNothing) {
  CSerial port;
  EXPECT_FALSE(Open8N1(port, "/dev/does-not-exist-qx310"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.LastOpenDeniedPermission());
  EXPECT_NE(port.LastOpenError().find("No such file"), std::string::npos) << port.LastOpenError();

  // A device that opens but is no serial port is closed again, not left half-open.
  int before = CountOpenFds();
  EXPECT_FALSE(Open8N1(port, "/dev/null"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(CountOpenFds(), before);
  EXPECT_EQ(port.Write("x", 1), 0);
  char buf[serial::kMaxReadBytes];
  EXPECT_EQ(port.Read(buf), 0);
}

TEST(SerialPty, PermissionDeniedIsRecognised) {
  Pty pty;
  ASSERT_EQ(chmod(pty.Name().c_str(), 0600), 0);
  // Run the open as an unprivileged user in a child process.
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (getuid() == 0 && setuid(65534) != 0) _exit(3);
    CSerial port;
    bool opened = Open8N1(port, pty.Name());
    _exit(opened ? 1 : (port.LastOpenDeniedPermission() ? 0 : 2));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: failed without the permission flag";
}

TEST(SerialPty, LineSettingsReachTheDriver) {
  Pty pty;
  const int rates[] = {300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
  for (int rate : rates) {
    CSerial port;
    ASSERT_TRUE(Open8N1(port, pty.Name(), rate)) << rate << ": " << port.LastOpenError();
    EXPECT_EQ(GetTtyBaudRate(port.NativeHandleForTests()), rate);
  }
}

TEST(SerialLineSettings, DataBitsStopBitsAndParityCodes) {
  struct Case {
    int parity;
    tcflag_t set;
    tcflag_t clear;
  } cases[] = {
      {serial::kParityNone, 0, PARENB | PARODD | CMSPAR},
      {serial::kParityOdd, PARENB | PARODD, CMSPAR},
      {serial::kParityEven, PARENB, PARODD | CMSPAR},
      {serial::kParityMark, PARENB | PARODD | CMSPAR, 0},
      {serial::kParitySpace, PARENB | CMSPAR, PARODD},
  };
  for (const Case& c : cases) {
    termios tio{};
    tio.c_lflag = ICANON | ECHO;
    tio.c_cflag = PARENB | PARODD | CMSPAR | CRTSCTS;  // leftovers of an earlier user
    ApplyLineSettings(tio, 8, serial::kOneStopBit, c.parity);
    EXPECT_EQ(tio.c_cflag & c.set, c.set) << "parity " << c.parity;
    EXPECT_EQ(tio.c_cflag & c.clear, 0u) << "parity " << c.parity;
    EXPECT_EQ(tio.c_cflag & CSIZE, (tcflag_t)CS8);
    EXPECT_EQ(tio.c_cflag & (CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), (tcflag_t)(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO), 0u) << "raw mode";
    EXPECT_EQ(tio.c_iflag & INPCK, c.parity == serial::kParityNone ? 0u : (tcflag_t)INPCK);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
  }
  termios tio{};
  ApplyLineSettings(tio, 7, serial::kTwoStopBits, serial::kParityNone);
  EXPECT_EQ(tio.c_cflag & CSIZE, (tcflag_t)CS7);
  EXPECT_EQ(tio.c_cflag & CSTOPB, (tcflag_t)CSTOPB);
}

TEST(SerialPty, VanishedDeviceIsReportedInsteadOfSpinning) {
  Pty pty;
  CSerial port;
  ASSERT_TRUE(Open8N1(port, pty.Name()));
  pty.CloseMaster();  // the adapter is pulled
  char buf[serial::kMaxReadBytes];
  int r = 0;
  auto deadline = Clock::now() + std::chrono::seconds(2);
  while ((r = port.Read(buf)) == 0 && Clock::now() < deadline) {
  }
  EXPECT_EQ(r, serial::kReadVanished);
  EXPECT_LT(port.Write("AT\r\n", 4), 4);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST(SerialPty, CloseWhileAnotherThreadReadsAndWrites) {
  Pty pty;
  CSerial port;
  ASSERT_TRUE(Open8N1(port, pty.Name()));
  std::atomic<bool> stop{false};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    static char buf[serial::kMaxReadBytes];
    while (!stop) {
      port.Read(buf);
      ++reads;
    }
  });
  std::thread writer([&] {
    while (!stop) port.Write("S", 1);
  });
  while (reads < 3) std::this_thread::yield();
  auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count(),
            CSerial::kWriteTimeoutMs + 500);
  EXPECT_FALSE(port.IsOpen());
  stop = true;
  reader.join();
  writer.join();
}
