// CSerial's Win32 backend and the port lister, run under wine against the simulator
// (QX310_TEST_COM), two flooding lines (QX310_TEST_FLOOD_COMS="COM8=A,COM9=B") and the
// COM ports the stage mapped (QX310_TEST_MAPPED_COMS).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "serial/port_list.h"
#include "serial/serial.h"
#include "support/wait.h"

namespace {

// The device answers the probe with CMD OK and CMD ERROR in turn.
bool Answered(const std::string& got) {
  return got.find("\r\nCMD OK\r\n") != std::string::npos || got.find("\r\nCMD ERROR\r\n") != std::string::npos;
}

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  std::stringstream in(s);
  for (std::string item; std::getline(in, item, sep);)
    if (!item.empty()) out.push_back(item);
  return out;
}

// The simulator's port; the suite runs only in the wine stage, which always names it.
std::string DevicePort() {
  const std::string port = Env("QX310_TEST_COM");
  EXPECT_FALSE(port.empty()) << "QX310_TEST_COM is not set: run this suite with scripts/test-win64";
  return port;
}

// Sends the probe and reads until the device answered or two test margins passed.
std::string Probe(CSerial& port) {
  EXPECT_EQ(port.Write("---", 3), 3);
  std::string got;
  char buf[serial::kMaxReadBytes];
  WaitUntil([&] {
    const int n = port.Read(buf);
    if (n > 0) got.append(buf, n);
    return Answered(got) || n < 0;
  }, 2 * kTestMarginMs);
  return got;
}

int FailGetCommState(void*, _DCB*) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}
int FailSetCommMask(void*, unsigned long) {
  SetLastError(ERROR_INVALID_PARAMETER);
  return 0;
}

}  // namespace

TEST(Win32Serial, EveryBaudRateAndParityOpensTalksAndClosesAgain) {
  const std::string com = DevicePort();
  const int bauds[] = {300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200};
  const int parities[] = {serial::kParityNone, serial::kParityOdd, serial::kParityEven, serial::kParityMark,
                          serial::kParitySpace};
  CSerial port;
  for (int baud : bauds) {
    for (int parity : parities) {
      SCOPED_TRACE(std::to_string(baud) + " baud, parity " + std::to_string(parity));
      ASSERT_TRUE(port.Open(com, baud, 8, serial::kOneStopBit, parity)) << port.LastOpenError();
      EXPECT_EQ(port.Name(), com);
      EXPECT_FALSE(port.Open(com, baud, 8, serial::kOneStopBit, parity)) << "an open port was opened again";
      EXPECT_TRUE(Answered(Probe(port)));
      port.Close();
      EXPECT_FALSE(port.IsOpen());
      EXPECT_EQ(port.Read(nullptr), 0);
      EXPECT_EQ(port.Write("x", 1), 0);
    }
  }
}

TEST(Win32Serial, NamesThatAreNoComPortFailWithoutOpening) {
  CSerial port;
  for (const char* name : {"COM0", "COM1025", "LPT1", "COM", "/dev/ttyS0", ""}) {
    EXPECT_FALSE(port.Open(name, 115200, 8, serial::kOneStopBit, serial::kParityNone)) << name;
    EXPECT_EQ(port.LastOpenError(), "not a COM port name") << name;
  }
  // A COM port that does not exist is tried and fails.
  EXPECT_FALSE(port.Open("COM1024", 115200, 8, serial::kOneStopBit, serial::kParityNone));
  // In the system's words, with the code.
  const std::string error = port.LastOpenError();
  EXPECT_EQ(error.rfind("cannot open device: ", 0), 0u) << error;
  EXPECT_NE(error.find(" (Windows error "), std::string::npos) << error;
}

// A driver that cannot report its state still gets the settings asked for; one whose
// comm events cannot be watched says so once and keeps the port readable.
TEST(Win32Serial, FailingDriverCallsLeaveAUsablePort) {
  const std::string com = DevicePort();
  struct Case {
    const char* what;
    CSerial::CommHooks hooks;
    int notices;
  } cases[] = {
      {"GetCommState fails", {FailGetCommState, ::SetCommMask}, 0},
      {"SetCommMask fails", {::GetCommState, FailSetCommMask}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CSerial port;
    // The notice is still showing when the port closes: Close does not wait for it.
    std::atomic<int> notices{0};
    std::atomic<bool> closed{false}, returned{false};
    std::string text;
    port.SetMonitorNotice([&](const std::string& t) {
      text = t;
      notices.fetch_add(1);
      WaitUntil([&] { return closed.load(); }, 4 * kTestMarginMs);
      returned.store(true);
    });
    port.SetCommHooksForTests(c.hooks);
    ASSERT_TRUE(port.Open(com, 115200, 8, serial::kOneStopBit, serial::kParityNone)) << port.LastOpenError();
    EXPECT_TRUE(Answered(Probe(port)));
    if (c.notices) {
      EXPECT_TRUE(WaitUntil([&] { return notices.load() == 1; }, kTestMarginMs));
    }
    port.Close();
    closed.store(true);
    if (c.notices) {
      EXPECT_TRUE(WaitUntil([&] { return returned.load(); }, kTestMarginMs));
    }
    EXPECT_EQ(notices.load(), c.notices);
    if (c.notices) {
      EXPECT_EQ(text, " SetCommMask failed");
    }
  }
}

// Close while data pours in, then open the other flooding port on the same object, 100
// times: the receive thread never sees a vanished device, a read that ran wholly
// while the port was closed returns nothing, and a read that ran wholly within one open
// returns only that port's bytes (a read on a stale or reused handle would not).
TEST(Win32Serial, CloseUnderArrivingDataWaitsForTheReaderAndNeverReportsAVanishedDevice) {
  std::vector<std::pair<std::string, char>> floods;
  for (const std::string& item : Split(Env("QX310_TEST_FLOOD_COMS"), ','))
    floods.emplace_back(item.substr(0, item.find('=')), item.back());
  ASSERT_EQ(floods.size(), 2u) << "QX310_TEST_FLOOD_COMS names two flooding ports";

  CSerial port;
  port.SetReadWait(serial::kReadWaitUnlimited);
  // Odd from just before an Open until its Close has returned: 2 × iteration + 1.
  std::atomic<int> session{0};
  std::atomic<bool> done{false};
  std::atomic<int> vanished{0}, strayWhileClosed{0}, wrongBytes{0};
  std::atomic<long> received{0};
  std::vector<char> byteOf(2 * 100 + 2, 0);
  std::thread reader([&] {
    std::vector<char> buf(serial::kMaxReadBytes);
    while (!done.load()) {
      const int before = session.load();
      const int n = port.Read(buf.data());
      const int after = session.load();
      if (n < 0) vanished.fetch_add(1);
      if (n <= 0 || before != after) continue;
      received.fetch_add(n);
      if (before % 2 == 0) strayWhileClosed.fetch_add(1);
      else if (std::any_of(buf.begin(), buf.begin() + n, [&](char c) { return c != byteOf[before]; }))
        wrongBytes.fetch_add(1);
    }
  });
  for (int i = 0; i < 100; ++i) {
    const auto& [com, byte] = floods[i % 2];
    byteOf[2 * i + 1] = byte;
    session.store(2 * i + 1);
    const long before = received.load();
    const bool opened = port.Open(com, 115200, 8, serial::kOneStopBit, serial::kParityNone);
    EXPECT_TRUE(opened) << com << ": " << port.LastOpenError();
    const bool flowed = opened && WaitUntil([&] { return received.load() > before; }, kTestMarginMs);
    EXPECT_TRUE(flowed) << "no data from " << com << " in round " << i;
    port.Close();
    session.store(2 * i + 2);
    if (!flowed) break;
  }
  done.store(true);
  port.WakeReader();
  reader.join();
  EXPECT_EQ(vanished.load(), 0);
  EXPECT_EQ(strayWhileClosed.load(), 0);
  EXPECT_EQ(wrongBytes.load(), 0);
}

// wine lists the COM ports named under HKLM\Software\Wine\Ports in SERIALCOMM.
TEST(Win32PortList, ListsEveryMappedComPortOnce) {
  const std::vector<std::string> mapped = Split(Env("QX310_TEST_MAPPED_COMS"), ',');
  ASSERT_FALSE(mapped.empty()) << "QX310_TEST_MAPPED_COMS is not set";
  const std::vector<std::string> listed = ListSerialPorts();
  for (const std::string& com : mapped) EXPECT_EQ(std::count(listed.begin(), listed.end(), com), 1) << com;
  for (const std::string& p : listed) {
    EXPECT_EQ(p.rfind("COM", 0), 0u) << p;
    EXPECT_EQ(PortPathFor(p, listed), p);
  }
}
