// qx310-cli over network ports: ser2net in front of the simulator's pseudo-terminal, with
// an rfc2217 (Telnet) accepter and a raw one. The results match those of the direct port.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "cli_fixture.h"
#include "serial/serial.h"
#include "serial/serial_posix_detail.h"
#include "support/ser2net.h"
#include "support/wait.h"

namespace fs = std::filesystem;

namespace {

using Accepter = Ser2net::Accepter;
constexpr Accepter kBoth[] = {Accepter::kRfc2217, Accepter::kRaw};
const char* NameOf(Accepter a) { return a == Accepter::kRfc2217 ? "rfc2217" : "socket"; }

class CliNetworkTest : public CliDeviceTest {
 protected:
  void SetUp() override {
    if (!Ser2net::Installed()) GTEST_SKIP() << "ser2net is not installed (scripts/install-deps)";
    CliDeviceTest::SetUp();
  }
  // ser2net for the simulator with one accepter; the port name the program is given.
  std::string Serve(Accepter a) {
    server.Stop();  // one server at a time holds the device
    EXPECT_TRUE(server.Start(sim.PortName(), a, kTestMarginMs * 2)) << "ser2net did not start";
    return server.Name(a);
  }
  CliRun Over(const std::string& port, const std::string& command, std::vector<std::string> more = {}) {
    std::vector<std::string> args = {command, "--port", port};
    args.insert(args.end(), more.begin(), more.end());
    return Cli(args);
  }
  Ser2net server;
};

std::string Ffs(size_t n) { return std::string(n, '\xFF'); }

}  // namespace

TEST_F(CliNetworkTest, LoadOverBothAcceptersGivesTheCfgOfADirectLoadByteForByte) {
  ASSERT_EQ(Device("load", {"-o", Path("direct.cfg")}).status, 0);
  const std::string direct = ReadFile(Path("direct.cfg"));
  ASSERT_GT(direct.size(), 1000u);
  for (Accepter a : kBoth) {
    SCOPED_TRACE(NameOf(a));
    const std::string out = Path(std::string(NameOf(a)) + ".cfg");
    const CliRun r = Over(Serve(a), "load", {"-o", out});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(ReadFile(out) == direct);
    // Twice in a row on one server: the connection of the first run is gone for good.
    sim.ClearReceived();
    EXPECT_EQ(Over(server.Name(a), "load", {"-o", out}).status, 0);
    EXPECT_TRUE(ReadFile(out) == direct);
    EXPECT_EQ(sim.CountReceived("AT+SHOW"), 1);
  }
}

TEST_F(CliNetworkTest, ApplyWithOneChangeSendsExactlyThatSetter) {
  ASSERT_EQ(Device("load", {"-o", Path("f.cfg")}).status, 0);
  for (Accepter a : kBoth) {
    SCOPED_TRACE(NameOf(a));
    const std::string value = std::string("NET") + NameOf(a);
    std::string t = ReadFile(Path("f.cfg"));
    const std::string label = "Modem Apn:  ";
    const size_t at = t.find("\r\n" + label) + 2 + label.size();
    t.replace(at, t.find("\r\n", at) - at, value);
    WriteFile(Path("g.cfg"), t);
    const std::string port = Serve(a);
    sim.ClearReceived();
    const CliRun r = Over(port, "apply", {Path("g.cfg")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Setters(), (Commands{"AT+APN=" + value}));
    EXPECT_EQ(sim.Value("Modem Apn:"), value);
  }
}

TEST_F(CliNetworkTest, FirmwareOfThreeBlocksFullOf0xFFArrivesByteForByte) {
  // Every data byte is the Telnet escape byte: over rfc2217 each goes out doubled.
  const std::string image = Ffs(3 * 4096);
  WriteFile(Path("fw.bin"), image);
  for (Accepter a : kBoth) {
    SCOPED_TRACE(NameOf(a));
    const std::string port = Serve(a);
    const int before = sim.ImagesCompleted();
    const CliRun r = Over(port, "flash", {Path("fw.bin")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "flash: 12288 bytes in 3 blocks went through\n");
    EXPECT_EQ(sim.ImagesCompleted(), before + 1);
    EXPECT_TRUE(sim.ReceivedImage() == image) << sim.ReceivedImage().size() << " bytes arrived";
    ASSERT_TRUE(sim.WaitForState(RtuSimulator::State::Run, Within(RtuSimulator::kBootWindowMs, 2)));
  }
}

TEST_F(CliNetworkTest, RecordsReadGivesTheSameCsv) {
  std::vector<RtuSimulator::Record> stored;
  for (int i = 0; i < 90; ++i)
    stored.push_back({1 + i % 3, 2024, 3, 1 + i % 28, GBK("水位;" + std::to_string(i) + ".5;m;2024/3/1,08:00:00")});
  sim.SetRecords(stored);
  sim.SetRecordBatch(20);
  const std::vector<std::string> args = {"--from", "2024/3/1", "--to", "2024/3/31", "-o"};
  auto with = [&](const std::string& file) {
    std::vector<std::string> v = args;
    v.push_back(Path(file));
    return v;
  };
  ASSERT_EQ(Device("records", with("direct.csv")).status, 0);
  const std::string direct = ReadFile(Path("direct.csv"));
  EXPECT_EQ(LineCount(direct), 91);
  for (Accepter a : kBoth) {
    SCOPED_TRACE(NameOf(a));
    const std::string file = std::string(NameOf(a)) + ".csv";
    const CliRun r = Over(Serve(a), "records", with(file));
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile(Path(file)), direct);
  }
}

// ser2net is killed once the device has the listing command: the load ends with the port
// status and one message, and writes no file. One accepter per test, so that each starts
// with a device that sends nothing.
class CliNetworkKillTest : public CliNetworkTest {
 protected:
  void LoadWhileTheServerIsKilled(Accepter a) {
    sim.SetBaudPacing(9600);  // the listing takes a while
    const std::string port = Serve(a);
    std::atomic<bool> done{false}, killed{false};
    std::thread killer([&] {
      if (WaitUntil([&] { return done.load() || sim.CountReceived("AT+SHOW") >= 1; }, 60000) && !done) {
        server.Kill();
        killed = true;
      }
    });
    const CliRun r = Over(port, "load", {"-q", "-o", Path("lost.cfg")});
    done = true;
    killer.join();
    ASSERT_TRUE(killed) << "the load ended before the server went: " << r.err;
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(LineCount(r.err), 1) << r.err;
    EXPECT_NE(r.err.find("went away"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(Path("lost.cfg")));
  }
};

TEST_F(CliNetworkKillTest, Rfc2217ServerKilledInTheMiddleOfALoad) { LoadWhileTheServerIsKilled(Accepter::kRfc2217); }
TEST_F(CliNetworkKillTest, RawServerKilledInTheMiddleOfALoad) { LoadWhileTheServerIsKilled(Accepter::kRaw); }

TEST_F(CliNetworkTest, APortWithoutAListenerGivesThePortStatusWithTheReason) {
  for (Accepter a : kBoth) {
    SCOPED_TRACE(NameOf(a));
    const std::string port = std::string(NameOf(a)) + "://127.0.0.1:" + std::to_string(Ser2net::FreePort());
    const CliRun r = Over(port, "load", {"-o", Path("none.cfg")});
    EXPECT_EQ(r.status, 3) << r.err;
    // Refused at once, not given up after the connect limit.
    EXPECT_EQ(r.err, "qx310-cli: cannot open " + port + ": connection refused\n");
    EXPECT_FALSE(fs::exists(Path("none.cfg")));
  }
  const CliRun bad = Over("rfc2217://127.0.0.1", "load");
  EXPECT_EQ(bad.status, 3);
  EXPECT_EQ(bad.err, "qx310-cli: cannot open rfc2217://127.0.0.1: the name needs HOST:PORT\n");
}

TEST_F(CliNetworkTest, LineSettingsSetThroughRfc2217ReachThePseudoTerminal) {
  // Our own descriptor of the device, opened before the server's, reads the line settings back.
  const int fd = open(sim.PortName().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  const std::string port = Serve(Accepter::kRfc2217);
  for (int rate : {9600, 57600, 1200}) {
    CSerial p;
    ASSERT_TRUE(p.Open(port, rate, 8, serial::kOneStopBit, serial::kParityNone)) << p.LastOpenError();
    EXPECT_TRUE(WaitUntil([&] { return GetTtyBaudRate(fd) == rate; }, kTestMarginMs)) << rate << " baud";
    p.Close();
  }
  // A raw port sends no settings: the server's stay.
  const std::string raw = Serve(Accepter::kRaw);
  CSerial p;
  ASSERT_TRUE(p.Open(raw, 2400, 8, serial::kOneStopBit, serial::kParityNone)) << p.LastOpenError();
  ASSERT_EQ(p.Write("---", 3), 3);
  ASSERT_TRUE(sim.WaitForReceived("---", 1, kTestMarginMs));
  EXPECT_EQ(GetTtyBaudRate(fd), 115200);
  close(fd);
}
