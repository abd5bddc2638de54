// Network ports against a small TCP server in the test: the names, connecting and its
// failures, raw and Telnet data both ways, the negotiation and line settings an
// rfc2217:// port sends, a lost connection, Close and WakeReader from other threads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

#include "serial/net_port.h"
#include "serial/port_list.h"
#include "serial/serial.h"
#include "serial/telnet_rfc2217.h"
#include "support/wait.h"

namespace {

std::string B(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

// A listening socket on 127.0.0.1 and a free port; Accept takes one connection, whose
// bytes a thread collects until it is closed.
class TestServer {
 public:
  TestServer() {
    listen_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    const int on = 1;
    setsockopt(listen_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listen_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(listen_, 4) == 0 &&
        ::getsockname(listen_, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port_ = ntohs(a.sin_port);
  }
  ~TestServer() {
    Hangup();
    if (listen_ >= 0) ::close(listen_);
  }
  int Port() const { return port_; }
  std::string Name(const char* scheme) const { return std::string(scheme) + "127.0.0.1:" + std::to_string(port_); }

  // Accepts the next connection and collects what it sends; onBytes may answer.
  bool Accept(std::function<void(TestServer&, const std::string&)> onBytes = {}) {
    pollfd p{listen_, POLLIN, 0};
    if (::poll(&p, 1, kTestMarginMs * 2) != 1) return false;
    conn_ = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
    if (conn_ < 0) return false;
    reader_ = std::thread([this, onBytes] {
      char buf[65536];
      for (;;) {
        const ssize_t n = ::recv(conn_, buf, sizeof buf, 0);
        if (n <= 0) break;
        const std::string got(buf, static_cast<size_t>(n));
        {
          std::lock_guard<std::mutex> lock(mutex_);
          received_ += got;
        }
        if (onBytes) onBytes(*this, got);
      }
      ended_ = true;
    });
    return true;
  }
  void Send(const std::string& bytes) { (void)!::send(conn_, bytes.data(), bytes.size(), MSG_NOSIGNAL); }
  std::string Received() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  bool WaitReceived(const std::string& what) const {
    return WaitUntil([&] { return Received().find(what) != std::string::npos; }, kTestMarginMs);
  }
  bool ClientGone() const { return WaitUntil([&] { return ended_.load(); }, kTestMarginMs); }
  // The server ends the connection.
  void Hangup() {
    if (conn_ >= 0) ::shutdown(conn_, SHUT_RDWR);
    if (reader_.joinable()) reader_.join();
    if (conn_ >= 0) ::close(conn_);
    conn_ = -1;
  }
  void StopListening() {
    ::close(listen_);
    listen_ = -1;
  }

 private:
  int listen_ = -1, conn_ = -1, port_ = 0;
  std::thread reader_;
  mutable std::mutex mutex_;
  std::string received_;
  std::atomic<bool> ended_{false};
};

// Answers our opening as a Telnet server with COM-PORT-OPTION does.
void AgreeToEverything(TestServer& server, const std::string& got) {
  if (got.find(B({255, 251, 44})) != std::string::npos)
    server.Send(B({255, 253, 0, 255, 251, 0, 255, 253, 3, 255, 251, 3, 255, 253, 44}));
}

// Reads until `want` bytes came (or the margin passed); kReadVanished ends it too.
std::string ReadBytes(ISerialPort& port, size_t want, int* last = nullptr) {
  std::string got;
  std::string buf(serial::kMaxReadBytes, '\0');
  WaitUntil([&] {
    const int n = port.Read(buf.data());
    if (last) *last = n;
    if (n > 0) got.append(buf.data(), static_cast<size_t>(n));
    return got.size() >= want || n == serial::kReadVanished;
  }, kTestMarginMs);
  return got;
}

}  // namespace

TEST(NetPortName, PartsOfTheNameAndTheFaultsOfMalformedOnes) {
  std::string error;
  const struct { const char* name; serial::NetScheme scheme; const char* host; const char* port; } good[] = {
      {"rfc2217://127.0.0.1:2217", serial::NetScheme::kRfc2217, "127.0.0.1", "2217"},
      {"RFC2217://server.local:7000", serial::NetScheme::kRfc2217, "server.local", "7000"},
      {"socket://10.0.0.5:4001", serial::NetScheme::kRaw, "10.0.0.5", "4001"},
      {"socket://[::1]:65535", serial::NetScheme::kRaw, "::1", "65535"},
      {"socket://h:007", serial::NetScheme::kRaw, "h", "7"},
  };
  for (const auto& c : good) {
    EXPECT_TRUE(serial::IsNetPortName(c.name)) << c.name;
    const serial::NetAddress a = serial::ParseNetPortName(c.name, error);
    EXPECT_EQ(a.scheme, c.scheme) << c.name;
    EXPECT_EQ(a.host, c.host) << c.name;
    EXPECT_EQ(a.port, c.port) << c.name;
    EXPECT_EQ(error, "") << c.name;
  }
  const struct { const char* name; const char* error; } bad[] = {
      {"rfc2217://host", "the name needs HOST:PORT"},
      {"rfc2217://:2217", "the name has no host"},
      {"socket://host:0", "the TCP port must be a number from 1 to 65535"},
      {"socket://host:65536", "the TCP port must be a number from 1 to 65535"},
      {"socket://host:12a", "the TCP port must be a number from 1 to 65535"},
      {"socket://host:", "the TCP port must be a number from 1 to 65535"},
      {"socket://::1:80", "an IPv6 address needs the form [ADDRESS]:PORT"},
      {"socket://[::1]80", "an IPv6 address needs the form [ADDRESS]:PORT"},
  };
  for (const auto& c : bad) {
    EXPECT_TRUE(serial::IsNetPortName(c.name)) << c.name;
    EXPECT_EQ(serial::ParseNetPortName(c.name, error).scheme, serial::NetScheme::kNone) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    CSerial port;
    EXPECT_FALSE(port.Open(c.name, 115200, 8, 0, 0));
    EXPECT_EQ(port.LastOpenError(), c.error) << c.name;
  }
  for (const char* device : {"/dev/ttyUSB0", "COM5", "pts/3", "rfc2217:/x:1", "tcp://h:1"})
    EXPECT_FALSE(serial::IsNetPortName(device)) << device;
  // The port combo opens a typed network name as it is, not as a device under /dev.
  EXPECT_EQ(PortPathFor("rfc2217://127.0.0.1:2217", {"/dev/ttyUSB0"}), "rfc2217://127.0.0.1:2217");
  EXPECT_EQ(PortPathFor("socket://h:1", {}), "socket://h:1");
}

TEST(NetPort, NoListenerFailsWithTheReasonAndLeavesThePortClosed) {
  TestServer server;
  const std::string name = server.Name("rfc2217://");
  server.StopListening();
  CSerial port;
  EXPECT_FALSE(port.Open(name, 115200, 8, 0, 0));
  EXPECT_EQ(port.LastOpenError(), "connection refused");
  EXPECT_FALSE(port.LastOpenDeniedPermission());
  EXPECT_FALSE(port.IsOpen());
  char buf[16];
  EXPECT_EQ(port.Read(buf), 0);
  EXPECT_EQ(port.Write("x", 1), 0);
  EXPECT_FALSE(port.Open("socket://no-such-host.invalid:1", 115200, 8, 0, 0));
  EXPECT_EQ(port.LastOpenError(), "cannot find the host no-such-host.invalid");
}

TEST(NetPort, RawSocketCarriesEveryByteUnchangedBothWays) {
  TestServer server;
  CSerial port;
  ASSERT_TRUE(port.Open(server.Name("socket://"), 115200, 8, 0, 0)) << port.LastOpenError();
  ASSERT_TRUE(server.Accept());
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), server.Name("socket://"));
  // Opening again, by either kind of name, leaves the connection as it is.
  EXPECT_FALSE(port.Open(server.Name("socket://"), 115200, 8, 0, 0));
  EXPECT_FALSE(port.Open("/dev/null", 115200, 8, 0, 0));
  EXPECT_TRUE(port.IsOpen());
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  all += std::string(1000, '\xFF');
  EXPECT_EQ(port.Write(all.data(), static_cast<int>(all.size())), static_cast<int>(all.size()));
  EXPECT_TRUE(WaitUntil([&] { return server.Received().size() >= all.size(); }, kTestMarginMs));
  EXPECT_EQ(server.Received(), all);  // nothing before it: no negotiation on a raw port
  server.Send(all);
  EXPECT_EQ(ReadBytes(port, all.size()), all);
  port.Close();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.Name(), "");
  EXPECT_TRUE(server.ClientGone());
}

TEST(NetPort, Rfc2217NegotiatesThenSendsTheLineSettingsAndPurgeAndEscapesData) {
  TestServer server;
  std::thread accept([&] { ASSERT_TRUE(server.Accept(AgreeToEverything)); });
  CSerial port;
  const bool opened = port.Open(server.Name("rfc2217://"), 9600, 7, serial::kTwoStopBits, serial::kParityEven);
  accept.join();
  ASSERT_TRUE(opened) << port.LastOpenError();
  const std::string expected = B({255, 251, 0, 255, 253, 0, 255, 251, 3, 255, 253, 3, 255, 251, 44}) +
                               telnet::LineSettingsCommands(9600, 7, serial::kTwoStopBits, serial::kParityEven) +
                               telnet::PurgeCommand();
  ASSERT_TRUE(server.WaitReceived(expected));
  EXPECT_EQ(server.Received(), expected);  // the settings come once the server agreed, then nothing more
  // Data: 0xFF goes out doubled and comes in undoubled; the count is of data bytes.
  const std::string data = B({'A', 0xFF, 0, 0xFF, 0xFF, 'Z'});
  EXPECT_EQ(port.Write(data.data(), static_cast<int>(data.size())), static_cast<int>(data.size()));
  ASSERT_TRUE(server.WaitReceived(B({'A', 255, 255, 0, 255, 255, 255, 255, 'Z'})));
  // The server's reports and requests among its data: the request is answered, the data whole.
  server.Send(B({'O', 255, 255, 255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240, 255, 253, 1, 'K'}));
  EXPECT_EQ(ReadBytes(port, 3), B({'O', 255, 'K'}));
  EXPECT_TRUE(server.WaitReceived(B({255, 252, 1})));  // WONT ECHO
}

TEST(NetPort, Rfc2217ServerThatRefusesComPortOrStaysSilentFailsTheOpen) {
  {
    TestServer server;
    std::thread accept([&] {
      ASSERT_TRUE(server.Accept([](TestServer& s, const std::string& got) {
        if (got.find(B({255, 251, 44})) != std::string::npos) s.Send(B({255, 254, 44}));
      }));
    });
    CSerial port;
    EXPECT_FALSE(port.Open(server.Name("rfc2217://"), 115200, 8, 0, 0));
    accept.join();
    EXPECT_EQ(port.LastOpenError(), "the server refused COM-PORT-OPTION (RFC 2217): use socket:// for a raw connection");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(server.ClientGone());  // the connection was not left open
  }
  {
    // Accepted by the kernel's backlog, never answered: the limit ends it.
    TestServer server;
    CSerial port;
    EXPECT_FALSE(port.Open(server.Name("rfc2217://"), 115200, 8, 0, 0));
    EXPECT_EQ(port.LastOpenError(), "no Telnet answer within 5 s");
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST(NetPort, CloseFromAnotherThreadEndsAnOpenThatWaitsForTheServer) {
  TestServer server;  // connects through the backlog, never answers the negotiation
  CSerial port;
  std::atomic<bool> ended{false};
  bool opened = true;
  std::thread opener([&] {
    opened = port.Open(server.Name("rfc2217://"), 115200, 8, 0, 0);
    ended = true;
  });
  ASSERT_TRUE(server.Accept());
  ASSERT_TRUE(server.WaitReceived(B({255, 251, 44})));  // Open is waiting for the answer now
  EXPECT_FALSE(ended);
  port.Close();
  opener.join();
  EXPECT_FALSE(opened);
  EXPECT_EQ(port.LastOpenError(), "closed while connecting");
  EXPECT_FALSE(port.IsOpen());
  EXPECT_TRUE(server.ClientGone());
}

TEST(NetPort, ALostConnectionReadsAsAVanishedDeviceAndWritesFailWithoutASignal) {
  TestServer server;
  CSerial port;
  ASSERT_TRUE(port.Open(server.Name("socket://"), 115200, 8, 0, 0));
  ASSERT_TRUE(server.Accept());
  port.SetReadWait(serial::kReadWaitUnlimited);
  int last = 0;
  std::string got;
  std::thread reader([&] { got = ReadBytes(port, 1000, &last); });
  server.Send("tail");
  server.Hangup();
  reader.join();
  EXPECT_EQ(got, "tail");  // what came before the end is not lost
  EXPECT_EQ(last, serial::kReadVanished);
  // Writing into the lost connection fails (sooner or later) instead of killing the program.
  const std::string block(65536, 'w');
  EXPECT_TRUE(WaitUntil([&] { return port.Write(block.data(), static_cast<int>(block.size())) < static_cast<int>(block.size()); },
                        kTestMarginMs));
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST(NetPort, WakeReaderAndCloseEndAnUnlimitedReadWait) {
  TestServer server;
  CSerial port;
  ASSERT_TRUE(port.Open(server.Name("socket://"), 115200, 8, 0, 0));
  ASSERT_TRUE(server.Accept());
  port.SetReadWait(serial::kReadWaitUnlimited);
  for (int round = 0; round < 2; ++round) {
    std::atomic<int> result{1};
    std::thread reader([&] {
      char buf[serial::kMaxReadBytes];
      result = port.Read(buf);
    });
    if (round == 0) {
      port.WakeReader();
    } else {
      port.Close();
    }
    reader.join();
    EXPECT_EQ(result, 0) << round;
  }
  EXPECT_FALSE(port.IsOpen());
  // The port opens again after Close, with no wake left over from before.
  ASSERT_TRUE(port.Open(server.Name("socket://"), 115200, 8, 0, 0)) << port.LastOpenError();
  EXPECT_TRUE(port.IsOpen());
}
