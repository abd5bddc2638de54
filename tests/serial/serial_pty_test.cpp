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
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "serial/serial.h"
#include "serial/serial_posix_detail.h"
#include "support/wait.h"

namespace {

using Clock = std::chrono::steady_clock;

// How long bytes that are on their way may take to arrive on a loaded machine.
const auto kArrivalLimit = std::chrono::milliseconds(2 * kTestMarginMs);

int64_t MsSince(Clock::time_point t0) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t0).count();
}

// Bytes that show a lost, doubled or reordered stretch.
std::string Pattern(size_t n) {
  std::string data(n, '\0');
  for (size_t i = 0; i < n; ++i) data[i] = static_cast<char>(i * 31 + i / 256);
  return data;
}

bool Open8N1(CSerial& port, const std::string& name, int baud = 115200) {
  return port.Open(name, baud, 8, serial::kOneStopBit, serial::kParityNone);
}

// The device side is the pseudo-terminal's master; the port opens its slave.
class SerialPty : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    name_ = ptsname(master_);
  }
  void TearDown() override { CloseMaster(); }
  void CloseMaster() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }
  void OpenPort() { ASSERT_TRUE(Open8N1(port, name_)) << port.LastOpenError(); }
  void Send(const std::string& s) { ASSERT_EQ(write(master_, s.data(), s.size()), (ssize_t)s.size()); }
  // Reads from the master until n bytes arrived or the arrival limit passed.
  std::string Receive(size_t n) {
    std::string got;
    for (const auto end = Clock::now() + kArrivalLimit; got.size() < n && Clock::now() < end;) {
      pollfd p{master_, POLLIN, 0};
      char buf[4096];
      const ssize_t r = poll(&p, 1, 50) > 0 ? read(master_, buf, sizeof buf) : 0;
      if (r > 0) got.append(buf, r);
    }
    return got;
  }
  // Reads from the port until n bytes arrived, it failed, or the arrival limit passed.
  std::string ReadAtLeast(size_t n) {
    std::string got;
    static char buf[serial::kMaxReadBytes];
    for (const auto end = Clock::now() + kArrivalLimit; got.size() < n && Clock::now() < end;) {
      const int r = port.Read(buf);
      EXPECT_LE(r, serial::kMaxReadBytes);
      if (r < 0) break;
      got.append(buf, r);
    }
    return got;
  }

  int master_ = -1;
  std::string name_;
  CSerial port;
};

TEST_F(SerialPty, ReadsWhatTheDeviceSendsWholeAndInOrderAndWritesToIt) {
  OpenPort();
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), name_);
  const std::string raw("\r\nCMD OK\r\n\0x", 12);
  Send(raw);
  EXPECT_EQ(ReadAtLeast(12), raw);  // raw: NUL and CR kept
  EXPECT_EQ(port.Write("---", 3), 3);
  EXPECT_EQ(port.Write("AT+SHOW\r\n", 9), 9);
  EXPECT_EQ(Receive(12), "---AT+SHOW\r\n");  // no CR/LF translation on output

  // A long stream arrives complete and in order.
  const std::string data = Pattern(200000);
  std::thread writer([&] {
    for (size_t off = 0; off < data.size();) {
      const ssize_t w = write(master_, data.data() + off, std::min<size_t>(8192, data.size() - off));
      if (w > 0) off += w;
    }
  });
  const std::string got = ReadAtLeast(data.size());
  writer.join();
  EXPECT_TRUE(got == data) << "got " << got.size() << " of " << data.size() << " bytes";
}

TEST_F(SerialPty, WritesOfTwoThreadsArriveEachWhole) {
  OpenPort();
  // Each block is one byte value, different from the block before it in either thread:
  // a block that another thread's bytes cut shows up as a run shorter than a block.
  constexpr int kBlock = 4096, kBlocks = 40;
  auto writer = [&](int thread) {
    for (int k = 0; k < kBlocks; ++k) {
      const std::string block(kBlock, static_cast<char>(thread * 64 + k % 64));
      EXPECT_EQ(port.Write(block.data(), kBlock), kBlock);
    }
  };
  std::thread a(writer, 0), b(writer, 2);
  const std::string got = Receive(2u * kBlocks * kBlock);
  a.join();
  b.join();
  ASSERT_EQ(got.size(), 2u * kBlocks * kBlock);
  for (size_t run = 0; run < got.size(); run += kBlock)
    ASSERT_EQ(got.find_first_not_of(got[run], run), run + kBlock == got.size() ? std::string::npos : run + kBlock)
        << "the block at byte " << run << " is not whole";
}

// Measures real time: five idle reads wait about 20 ms each; a blocking read never returns.
class SerialPtyRealtime : public SerialPty {};

TEST_F(SerialPtyRealtime, IdleReadsReturnWithinAboutTwentyMs) {
  OpenPort();
  char buf[serial::kMaxReadBytes];
  const auto t0 = Clock::now();
  for (int i = 0; i < 5; ++i) EXPECT_EQ(port.Read(buf), 0);
  EXPECT_LT(MsSince(t0), kTestMarginMs);
}

// A write the device drains slowly must not be cut while the line still moves: the device
// side takes 1 KiB every 100 ms, so beyond what the pseudo-terminal buffers the 48 KiB
// take near 3 s, longer than any fixed write limit of a few seconds.
TEST_F(SerialPtyRealtime, LongWriteToASlowReaderArrivesWhole) {
  OpenPort();
  const std::string data = Pattern(48 * 1024);
  std::atomic<bool> writing{true};
  std::string got;
  std::thread device([&] {
    char buf[1024];
    for (const auto end = Clock::now() + std::chrono::seconds(120); got.size() < data.size() && Clock::now() < end;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      pollfd p{master_, POLLIN, 0};
      const ssize_t n = poll(&p, 1, 0) > 0 ? read(master_, buf, sizeof buf) : 0;
      if (n > 0) got.append(buf, static_cast<size_t>(n));
      if (n <= 0 && !writing) break;
    }
  });
  EXPECT_EQ(port.Write(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
  writing = false;
  device.join();
  EXPECT_TRUE(got == data) << "the device got " << got.size() << " of " << data.size() << " bytes";
}

TEST_F(SerialPty, OpenIsExclusiveAndNeverReopens) {
  OpenPort();
  EXPECT_FALSE(Open8N1(port, name_)) << "an open port is not reopened";
  EXPECT_TRUE(port.IsOpen());
  CSerial second;
  EXPECT_FALSE(Open8N1(second, name_)) << "a second opener must be refused";
  EXPECT_FALSE(second.IsOpen());
  EXPECT_FALSE(second.LastOpenError().empty());
  // The first connection still works.
  EXPECT_EQ(port.Write("x", 1), 1);
  EXPECT_EQ(Receive(1), "x");
  port.Close();
  port.Close();  // closing a closed port does nothing
  EXPECT_TRUE(Open8N1(second, name_));
}

TEST_F(SerialPty, FailedOpensReportWhyAndLeakNothing) {
  EXPECT_FALSE(Open8N1(port, "/dev/does-not-exist-qx310"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(port.LastOpenDeniedPermission());
  EXPECT_NE(port.LastOpenError().find("No such file"), std::string::npos) << port.LastOpenError();

  // A device that opens but is no serial port is closed again, not left half-open.
  auto countFds = [] {
    const std::filesystem::directory_iterator fds("/proc/self/fd");  // holds one itself
    return std::distance(fds, std::filesystem::directory_iterator());
  };
  const auto before = countFds();
  EXPECT_FALSE(Open8N1(port, "/dev/null"));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(countFds(), before);
  EXPECT_EQ(port.Write("x", 1), 0);
  char buf[serial::kMaxReadBytes];
  EXPECT_EQ(port.Read(buf), 0);

  // Permission denied is recognised: the open runs as an unprivileged user in a child.
  ASSERT_EQ(chmod(name_.c_str(), 0600), 0);
  const pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    if (getuid() == 0 && setuid(65534) != 0) _exit(3);
    CSerial child;
    const bool opened = Open8N1(child, name_);
    _exit(opened ? 1 : (child.LastOpenDeniedPermission() ? 0 : 2));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened, 2: failed without the permission flag";
}

TEST_F(SerialPty, EveryBaudRateOfTheListReachesTheDriver) {
  for (int rate : {300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200}) {
    CSerial p;
    ASSERT_TRUE(Open8N1(p, name_, rate)) << rate << ": " << p.LastOpenError();
    EXPECT_EQ(GetTtyBaudRate(p.NativeHandleForTests()), rate);
  }
}

TEST(SerialLineSettings, DataBitsStopBitsAndParityCodes) {
  const struct { int parity; tcflag_t set; tcflag_t clear; } cases[] = {
      {serial::kParityNone, 0, PARENB | PARODD | CMSPAR},
      {serial::kParityOdd, PARENB | PARODD, CMSPAR},
      {serial::kParityEven, PARENB, PARODD | CMSPAR},
      {serial::kParityMark, PARENB | PARODD | CMSPAR, 0},
      {serial::kParitySpace, PARENB | CMSPAR, PARODD},
  };
  for (const auto& c : cases) {
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

TEST_F(SerialPty, VanishedDeviceIsReportedInsteadOfSpinning) {
  OpenPort();
  CloseMaster();  // the adapter is pulled
  char buf[serial::kMaxReadBytes];
  int r = 0;
  for (const auto end = Clock::now() + kArrivalLimit; r == 0 && Clock::now() < end;) r = port.Read(buf);
  EXPECT_EQ(r, serial::kReadVanished);
  EXPECT_LT(port.Write("AT\r\n", 4), 4);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPty, CloseEndsWaitingReadsAndBlockedWritesAtOnce) {
  OpenPort();
  port.SetReadWait(serial::kReadWaitUnlimited);
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    static char buf[serial::kMaxReadBytes];
    while (!stop) port.Read(buf);
  });
  // Nobody drains the device side: the writer blocks once the driver's queue is full,
  // with a write limit far beyond the test's bound.
  const std::string big(200000, 'S');
  std::atomic<int> written{-1};
  std::thread writer([&] { written = port.Write(big.data(), (int)big.size()); });
  ASSERT_GT(serial::WriteLimitMs((int)big.size(), 115200), 4 * kTestMarginMs);
  for (const auto end = Clock::now() + std::chrono::milliseconds(kTestMarginMs); Clock::now() < end;) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 10) > 0) break;  // the writer is under way
  }
  const auto t0 = Clock::now();
  port.Close();
  EXPECT_LT(MsSince(t0), kTestMarginMs);  // ends I/O in flight at once, never waits out its limit
  EXPECT_FALSE(port.IsOpen());
  stop = true;
  reader.join();
  writer.join();
  EXPECT_GE(written, 0);
  EXPECT_LT(written, (int)big.size());
}

TEST_F(SerialPty, ReadWithoutLimitSleepsUntilDataWakeOrClose) {
  OpenPort();
  port.SetReadWait(serial::kReadWaitUnlimited);
  const struct { const char* what; std::function<void()> end; int expected; } cases[] = {
      {"data", [&] { Send("OK"); }, 2},
      {"wake", [&] { port.WakeReader(); }, 0},
      {"close", [&] { port.Close(); }, 0},
  };
  for (const auto& c : cases) {
    std::future<int> read = std::async(std::launch::async, [&] {
      static char buf[serial::kMaxReadBytes];
      return port.Read(buf);
    });
    // A read with a time limit of its own would have returned within this pause.
    EXPECT_EQ(read.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout) << c.what;
    c.end();
    ASSERT_EQ(read.wait_for(kArrivalLimit), std::future_status::ready) << c.what;
    EXPECT_EQ(read.get(), c.expected) << c.what;
  }
}

// A write's limit outlasts its line time at every rate, the low ones included.
TEST(SerialWriteLimit, EveryWriteOutlastsItsLineTime) {
  for (int baud : {300, 1200, 9600, 14400, 57600, 115200, 921600}) {
    for (int length : {1, 100, 4101, 1048575}) {
      const int limit = serial::WriteLimitMs(length, baud);
      EXPECT_GT(limit, 1.5 * length * 12 * 1000.0 / baud) << length << " bytes at " << baud;
      EXPECT_GE(limit, 1000 + length) << length << " bytes at " << baud;
    }
  }
}

}  // namespace
