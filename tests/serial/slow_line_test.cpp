// A write that the device drains slowly: it must not be cut while the line still moves.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "serial/serial.h"

namespace {

TEST(SlowLineRealtime, LongWriteToASlowReaderArrivesWhole) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  CSerial port;
  ASSERT_TRUE(port.Open(ptsname(master), 115200, 8, serial::kOneStopBit, serial::kParityNone));
  // The device side takes 1 KiB every 100 ms: beyond what the pseudo-terminal buffers,
  // the 48 KiB take near 3 s, longer than any fixed write limit of a few seconds.
  std::string data(48 * 1024, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 31 + i / 256);
  std::atomic<bool> writing{true};
  std::string got;
  std::thread device([&] {
    char buf[1024];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while ((writing || got.size() < data.size()) && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      pollfd p{master, POLLIN, 0};
      if (poll(&p, 1, 0) <= 0) {
        if (!writing) break;
        continue;
      }
      const ssize_t n = read(master, buf, sizeof buf);
      if (n > 0) got.append(buf, static_cast<size_t>(n));
    }
  });
  const int written = port.Write(data.data(), static_cast<int>(data.size()));
  writing = false;
  device.join();
  port.Close();
  close(master);
  EXPECT_EQ(written, static_cast<int>(data.size()));
  EXPECT_TRUE(got == data) << "the device got " << got.size() << " of " << data.size() << " bytes";
}

}  // namespace
