// NetPort on BSD sockets (Linux) and Winsock (Windows): one code path over a thin shim.
// Waits use poll / WSAPoll on the connection and two wake sockets (loopback UDP sockets
// connected to themselves): one that Close signals, one that WakeReader signals.
//
// Read and Write do their I/O outside the lock on a borrowed socket. Close marks the port
// closed at once, wakes every waiting call and closes the socket only when no I/O uses it
// any more; it also ends a connect in progress.
#ifdef _WIN32
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include "serial/net_port.h"
#include "serial/telnet_rfc2217.h"

namespace {

#ifdef _WIN32
using Socket = SOCKET;
const Socket kNoSocket = INVALID_SOCKET;
constexpr int kSendFlags = 0;
int LastSocketError() { return WSAGetLastError(); }
bool IsWouldBlock(int e) { return e == WSAEWOULDBLOCK || e == WSAEINPROGRESS; }
bool IsInterrupted(int e) { return e == WSAEINTR; }
bool IsRefused(int e) { return e == WSAECONNREFUSED; }
void CloseSocket(Socket s) { closesocket(s); }
bool SetNonBlocking(Socket s) {
  u_long on = 1;
  return ioctlsocket(s, FIONBIO, &on) == 0;
}
int PollSockets(pollfd* p, int n, int ms) { return WSAPoll(p, static_cast<ULONG>(n), ms); }
std::string SystemErrorText(int e) {
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(e), 0, text, sizeof text, nullptr);
  std::string s(text, n);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ' || s.back() == '.')) s.pop_back();
  return s.empty() ? "Winsock error " + std::to_string(e) : s;
}
// Winsock is started once for the program and stays up until it ends.
bool StartSockets() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}
#else
using Socket = int;
constexpr Socket kNoSocket = -1;
constexpr int kSendFlags = MSG_NOSIGNAL;  // a lost connection is an error, not a SIGPIPE
int LastSocketError() { return errno; }
bool IsWouldBlock(int e) { return e == EAGAIN || e == EWOULDBLOCK || e == EINPROGRESS; }
bool IsInterrupted(int e) { return e == EINTR; }
bool IsRefused(int e) { return e == ECONNREFUSED; }
void CloseSocket(Socket s) { ::close(s); }
bool SetNonBlocking(Socket s) {
  const int flags = fcntl(s, F_GETFL);
  return flags >= 0 && fcntl(s, F_SETFL, flags | O_NONBLOCK) == 0;
}
int PollSockets(pollfd* p, int n, int ms) { return ::poll(p, static_cast<nfds_t>(n), ms); }
std::string SystemErrorText(int e) { return strerror(e); }
bool StartSockets() { return true; }
#endif

int SendSome(Socket s, const char* data, int length) {
  return static_cast<int>(::send(s, data, length, kSendFlags));
}
int RecvSome(Socket s, char* buffer, int size) { return static_cast<int>(::recv(s, buffer, size, 0)); }

std::string SocketErrorText(int e) {
  if (IsRefused(e)) return "connection refused";
  return SystemErrorText(e);
}

Socket OpenSocket(int family, int type, int protocol) {
#ifdef _WIN32
  return ::socket(family, type, protocol);
#else
  return ::socket(family, type | SOCK_CLOEXEC, protocol);
#endif
}

// A loopback UDP socket connected to itself: Signal makes it readable until Drain.
class WakeSocket {
 public:
  bool Create() {
    if (!StartSockets()) return false;
    s_ = OpenSocket(AF_INET, SOCK_DGRAM, 0);
    if (s_ == kNoSocket) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(s_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s_, reinterpret_cast<sockaddr*>(&a), &len) != 0 ||
        ::connect(s_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || !SetNonBlocking(s_)) {
      Destroy();
      return false;
    }
    return true;
  }
  void Destroy() {
    if (s_ != kNoSocket) CloseSocket(s_);
    s_ = kNoSocket;
  }
  void Signal() const {
    const char byte = 0;
    if (s_ != kNoSocket) (void)SendSome(s_, &byte, 1);
  }
  void Drain() const {
    char buf[64];
    while (s_ != kNoSocket && RecvSome(s_, buf, sizeof buf) > 0) {
    }
  }
  Socket Handle() const { return s_; }
  bool Signalled() const {
    if (s_ == kNoSocket) return false;
    pollfd p{s_, POLLIN, 0};
    return PollSockets(&p, 1, 0) > 0;
  }

 private:
  Socket s_ = kNoSocket;
};

using Clock = std::chrono::steady_clock;
int MsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

constexpr char kRfc2217Prefix[] = "rfc2217://";
constexpr char kRawPrefix[] = "socket://";

}  // namespace

namespace serial {

bool IsNetPortName(const std::string& name) {
  return StartsWithNoCase(name, kRfc2217Prefix) || StartsWithNoCase(name, kRawPrefix);
}

NetAddress ParseNetPortName(const std::string& name, std::string& error) {
  NetAddress a;
  error.clear();
  std::string rest;
  NetScheme scheme = NetScheme::kNone;
  if (StartsWithNoCase(name, kRfc2217Prefix)) {
    scheme = NetScheme::kRfc2217;
    rest = name.substr(sizeof kRfc2217Prefix - 1);
  } else if (StartsWithNoCase(name, kRawPrefix)) {
    scheme = NetScheme::kRaw;
    rest = name.substr(sizeof kRawPrefix - 1);
  } else {
    error = "not a network port name (rfc2217://HOST:PORT or socket://HOST:PORT)";
    return a;
  }
  std::string host, port;
  if (!rest.empty() && rest[0] == '[') {
    const size_t close = rest.find(']');
    if (close == std::string::npos || close + 1 >= rest.size() || rest[close + 1] != ':') {
      error = "an IPv6 address needs the form [ADDRESS]:PORT";
      return a;
    }
    host = rest.substr(1, close - 1);
    port = rest.substr(close + 2);
  } else {
    const size_t colon = rest.rfind(':');
    if (colon == std::string::npos) {
      error = "the name needs HOST:PORT";
      return a;
    }
    host = rest.substr(0, colon);
    port = rest.substr(colon + 1);
    if (host.find(':') != std::string::npos) {
      error = "an IPv6 address needs the form [ADDRESS]:PORT";
      return a;
    }
  }
  if (host.empty()) {
    error = "the name has no host";
    return a;
  }
  const bool digits = !port.empty() && port.size() <= 5 &&
                      std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; });
  const long number = digits ? std::stol(port) : 0;
  if (number < 1 || number > 65535) {
    error = "the TCP port must be a number from 1 to 65535";
    return a;
  }
  a.scheme = scheme;
  a.host = host;
  a.port = std::to_string(number);
  return a;
}

}  // namespace serial

struct NetPort::Impl {
  enum class State { kClosed, kOpening, kOpen };
  // Guards every field but the decoder and pending data, which belong to Open until the
  // port is open and to the one reader after that.
  mutable std::mutex mutex;
  std::condition_variable idle;
  // One send at a time, so that one Write's bytes are whole on the wire.
  std::mutex writeMutex;
  State state = State::kClosed;
  bool closing = false;  // Close has begun and not yet ended
  Socket sock = kNoSocket;
  bool telnet = false;
  int activeIo = 0;  // borrowed sockets, and a connect in progress
  int baudRate = 0;
  int readWaitMs = serial::kReadWaitMs;
  std::string name;
  std::string openError;
  WakeSocket closeWake, readerWake;  // for the object's life
  bool wakesMade = false;

  telnet::Rfc2217Client decoder;
  std::string pending;  // data that came with the server's negotiation, before the first Read

  struct Io {
    Socket sock = kNoSocket;
    bool telnet = false;
    int baudRate = 0;
    int readWaitMs = 0;
  };
  Io Borrow() {
    std::lock_guard<std::mutex> lock(mutex);
    if (state != State::kOpen || closing) return {};
    ++activeIo;
    return {sock, telnet, baudRate, readWaitMs};
  }
  void Return() {
    std::lock_guard<std::mutex> lock(mutex);
    if (--activeIo == 0) idle.notify_all();
  }

  bool Connect(const serial::NetAddress& a, Clock::time_point deadline, Socket& out, std::string& error);
  bool Negotiate(Socket s, Clock::time_point deadline, int baudRate, int byteSize, int stopBits,
                 int parity, std::string& error);
  // Sends all bytes unless the limit passes, the connection fails or Close begins.
  int SendAll(Socket s, const char* data, int length, int limitMs);
};

namespace {

struct Borrowed {
  NetPort::Impl* impl;
  NetPort::Impl::Io io;
  explicit Borrowed(NetPort::Impl* i) : impl(i), io(i->Borrow()) {}
  ~Borrowed() {
    if (io.sock != kNoSocket) impl->Return();
  }
};

// Waits until the connecting socket s is connected (true), fails, or the deadline or a
// Close comes (false, with the reason in error).
bool WaitConnected(Socket s, const WakeSocket& closeWake, Clock::time_point deadline, std::string& error) {
  for (;;) {
    const int left = MsLeft(deadline);
    if (left <= 0) {
      error = "no connection within " + std::to_string(serial::kNetConnectLimitMs / 1000) + " s";
      return false;
    }
#ifdef _WIN32
    // WSAPoll does not report a refused connect on every Windows version; select does.
    fd_set writable, failed, woken;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_ZERO(&woken);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    FD_SET(closeWake.Handle(), &woken);
    timeval tv{left / 1000, (left % 1000) * 1000};
    const int r = ::select(0, &woken, &writable, &failed, &tv);
    if (r < 0) {
      error = SocketErrorText(LastSocketError());
      return false;
    }
    if (FD_ISSET(closeWake.Handle(), &woken)) {
      error = "closed while connecting";
      return false;
    }
    if (!FD_ISSET(s, &writable) && !FD_ISSET(s, &failed)) continue;
#else
    pollfd p[2] = {{s, POLLOUT, 0}, {closeWake.Handle(), POLLIN, 0}};
    const int r = PollSockets(p, 2, left);
    if (r < 0) {
      if (IsInterrupted(LastSocketError())) continue;
      error = SocketErrorText(LastSocketError());
      return false;
    }
    if (p[1].revents) {
      error = "closed while connecting";
      return false;
    }
    if (r == 0 || !p[0].revents) continue;
#endif
    int soError = 0;
    socklen_t len = sizeof soError;
    if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&soError), &len) != 0)
      soError = LastSocketError();
    if (soError != 0) {
      error = SocketErrorText(soError);
      return false;
    }
    return true;
  }
}

}  // namespace

bool NetPort::Impl::Connect(const serial::NetAddress& a, Clock::time_point deadline, Socket& out,
                            std::string& error) {
  if (!StartSockets()) {
    error = "the network is not available";
    return false;
  }
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int r = ::getaddrinfo(a.host.c_str(), a.port.c_str(), &hints, &found);
  if (r != 0 || found == nullptr) {
    error = "cannot find the host " + a.host;
    return false;
  }
  error = "no address of " + a.host + " to connect to";
  bool connected = false;
  for (addrinfo* ai = found; ai != nullptr && !connected; ai = ai->ai_next) {
    Socket s = OpenSocket(ai->ai_family, ai->ai_socktype, ai->ai_protocol);
    if (s == kNoSocket) {
      error = SocketErrorText(LastSocketError());
      continue;
    }
    bool ok = SetNonBlocking(s);
    if (ok && ::connect(s, ai->ai_addr, static_cast<socklen_t>(ai->ai_addrlen)) != 0) {
      const int e = LastSocketError();
      ok = IsWouldBlock(e) ? WaitConnected(s, closeWake, deadline, error) : (error = SocketErrorText(e), false);
    }
    if (ok) {
      // Commands and their short replies go out at once, not held back to fill a segment.
      const int on = 1;
      ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
      out = s;
      connected = true;
    } else {
      CloseSocket(s);
      if (closeWake.Signalled() || MsLeft(deadline) <= 0) break;
    }
  }
  ::freeaddrinfo(found);
  return connected;
}

int NetPort::Impl::SendAll(Socket s, const char* data, int length, int limitMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
  int done = 0;
  while (done < length) {
    const int n = SendSome(s, data + done, length - done);
    if (n > 0) {
      done += n;
      continue;
    }
    const int e = LastSocketError();
    if (n < 0 && IsInterrupted(e)) continue;
    if (n < 0 && !IsWouldBlock(e)) break;
    const int left = MsLeft(deadline);
    if (left <= 0) break;
    pollfd p[2] = {{s, POLLOUT, 0}, {closeWake.Handle(), POLLIN, 0}};
    const int r = PollSockets(p, 2, left);
    if (r < 0 && !IsInterrupted(LastSocketError())) break;
    if (r > 0 && (p[1].revents || (p[0].revents & (POLLERR | POLLHUP | POLLNVAL)))) break;
  }
  return done;
}

bool NetPort::Impl::Negotiate(Socket s, Clock::time_point deadline, int baudRate, int byteSize,
                              int stopBits, int parity, std::string& error) {
  decoder = telnet::Rfc2217Client();
  const std::string opening = decoder.Opening();
  const int limit = MsLeft(deadline);
  if (SendAll(s, opening.data(), static_cast<int>(opening.size()), limit) != static_cast<int>(opening.size())) {
    error = "the server did not take the Telnet negotiation";
    return false;
  }
  // The line settings are sent once the server has agreed to COM-PORT-OPTION (a server
  // ignores them before); data that comes meanwhile is kept for the first Read.
  std::string buffer(4096, '\0');
  while (decoder.ComPortState() == telnet::Rfc2217Client::ComPort::kAsked) {
    const int left = MsLeft(deadline);
    if (left <= 0) {
      error = "no Telnet answer within " + std::to_string(serial::kNetConnectLimitMs / 1000) + " s";
      return false;
    }
    pollfd p[2] = {{s, POLLIN, 0}, {closeWake.Handle(), POLLIN, 0}};
    const int r = PollSockets(p, 2, left);
    if (r < 0 && IsInterrupted(LastSocketError())) continue;
    if (r < 0 || p[1].revents) {
      error = r < 0 ? SocketErrorText(LastSocketError()) : "closed while connecting";
      return false;
    }
    if (r == 0) continue;
    const int n = RecvSome(s, buffer.data(), static_cast<int>(buffer.size()));
    if (n == 0 || (n < 0 && !IsWouldBlock(LastSocketError()) && !IsInterrupted(LastSocketError()))) {
      error = "the server closed the connection";
      return false;
    }
    if (n < 0) continue;
    std::string replies;
    decoder.Feed(buffer.data(), n, pending, replies);
    if (!replies.empty()) SendAll(s, replies.data(), static_cast<int>(replies.size()), MsLeft(deadline));
  }
  if (decoder.ComPortState() == telnet::Rfc2217Client::ComPort::kRefused) {
    error = "the server refused COM-PORT-OPTION (RFC 2217): use socket:// for a raw connection";
    return false;
  }
  // What the remote port held from before is not ours: purge it, as opening a local port does.
  const std::string settings = telnet::LineSettingsCommands(baudRate, byteSize, stopBits, parity) +
                               telnet::PurgeCommand();
  if (SendAll(s, settings.data(), static_cast<int>(settings.size()), std::max(MsLeft(deadline), 1000)) !=
      static_cast<int>(settings.size())) {
    error = "the server did not take the line settings";
    return false;
  }
  return true;
}

NetPort::NetPort() : impl_(new Impl) {
  impl_->wakesMade = impl_->closeWake.Create() && impl_->readerWake.Create();
}

NetPort::~NetPort() {
  Close();
  impl_->closeWake.Destroy();
  impl_->readerWake.Destroy();
  delete impl_;
}

bool NetPort::Open(const std::string& name, int baudRate, int byteSize, int stopBits, int parity) {
  serial::NetAddress address;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (impl_->state != Impl::State::kClosed || impl_->closing) return false;  // never reopened
    impl_->openError.clear();
    address = serial::ParseNetPortName(name, impl_->openError);
    if (address.scheme == serial::NetScheme::kNone) return false;
    if (baudRate <= 0) {
      impl_->openError = "invalid baud rate";
      return false;
    }
    if (!impl_->wakesMade) {
      impl_->openError = "cannot create the sockets that wake a waiting call";
      return false;
    }
    impl_->state = Impl::State::kOpening;
    ++impl_->activeIo;  // Close waits for the connect to end
  }
  const auto deadline = Clock::now() + std::chrono::milliseconds(serial::kNetConnectLimitMs);
  const bool telnet = address.scheme == serial::NetScheme::kRfc2217;
  Socket s = kNoSocket;
  std::string error;
  impl_->pending.clear();
  bool ok = impl_->Connect(address, deadline, s, error);
  if (ok && telnet) ok = impl_->Negotiate(s, deadline, baudRate, byteSize, stopBits, parity, error);

  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (--impl_->activeIo == 0) impl_->idle.notify_all();
  if (impl_->closing || !ok) {
    if (s != kNoSocket) CloseSocket(s);
    impl_->state = Impl::State::kClosed;
    impl_->openError = impl_->closing ? "closed while connecting" : error;
    return false;
  }
  impl_->sock = s;
  impl_->telnet = telnet;
  impl_->baudRate = baudRate;
  impl_->name = name;
  impl_->state = Impl::State::kOpen;
  return true;
}

void NetPort::Close() {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  if (impl_->state == Impl::State::kClosed || impl_->closing) return;
  impl_->closing = true;  // new I/O sees a closed port from now on
  impl_->closeWake.Signal();  // ends every wait in poll, and a connect in progress
  impl_->idle.wait(lock, [this] { return impl_->activeIo == 0; });
  if (impl_->sock != kNoSocket) CloseSocket(impl_->sock);
  impl_->sock = kNoSocket;
  impl_->name.clear();
  impl_->state = Impl::State::kClosed;
  impl_->closeWake.Drain();
  impl_->closing = false;
}

bool NetPort::IsOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->state == Impl::State::kOpen && !impl_->closing;
}

std::string NetPort::Name() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->state == Impl::State::kOpen ? impl_->name : std::string();
}

std::string NetPort::LastOpenError() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openError;
}

void NetPort::SetReadWait(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->readWaitMs = ms < 0 ? serial::kReadWaitUnlimited : ms;
}

void NetPort::WakeReader() { impl_->readerWake.Signal(); }

int NetPort::Read(char* buffer) {
  Borrowed b(impl_);
  const Socket s = b.io.sock;
  if (s == kNoSocket) return 0;
  if (!impl_->pending.empty()) {
    const int n = static_cast<int>(std::min<size_t>(impl_->pending.size(), serial::kMaxReadBytes));
    std::memcpy(buffer, impl_->pending.data(), static_cast<size_t>(n));
    impl_->pending.erase(0, static_cast<size_t>(n));
    return n;
  }
  pollfd p[3] = {{s, POLLIN, 0}, {impl_->closeWake.Handle(), POLLIN, 0}, {impl_->readerWake.Handle(), POLLIN, 0}};
  const int r = PollSockets(p, 3, b.io.readWaitMs);
  if (r < 0) return IsInterrupted(LastSocketError()) ? 0 : serial::kReadVanished;
  if (r == 0) return 0;
  if (p[2].revents) impl_->readerWake.Drain();
  if (p[1].revents) return 0;  // closing
  if (p[0].revents & POLLNVAL) return serial::kReadVanished;
  if (!(p[0].revents & (POLLIN | POLLHUP | POLLERR))) return 0;
  const int n = RecvSome(s, buffer, serial::kMaxReadBytes);
  if (n == 0) return serial::kReadVanished;  // the server closed the connection
  if (n < 0) {
    const int e = LastSocketError();
    return IsWouldBlock(e) || IsInterrupted(e) ? 0 : serial::kReadVanished;
  }
  if (!b.io.telnet) return n;
  std::string data, replies;
  impl_->decoder.Feed(buffer, n, data, replies);
  if (!replies.empty()) {
    std::lock_guard<std::mutex> whole(impl_->writeMutex);
    impl_->SendAll(s, replies.data(), static_cast<int>(replies.size()), serial::WriteLimitMs(0, 0));
  }
  std::memcpy(buffer, data.data(), data.size());
  return static_cast<int>(data.size());
}

int NetPort::Write(const char* data, int length) {
  if (data == nullptr || length <= 0) return 0;
  Borrowed b(impl_);
  const Socket s = b.io.sock;
  if (s == kNoSocket) return 0;
  std::lock_guard<std::mutex> whole(impl_->writeMutex);
  // A Close that began while this call waited for its turn ends it before any byte.
  if (impl_->closeWake.Signalled()) return 0;
  if (!b.io.telnet) return impl_->SendAll(s, data, length, serial::WriteLimitMs(length, b.io.baudRate));
  std::string escaped;
  telnet::AppendEscaped(escaped, data, length);
  const int size = static_cast<int>(escaped.size());
  const int sent = impl_->SendAll(s, escaped.data(), size, serial::WriteLimitMs(size, b.io.baudRate));
  return telnet::DataBytesWithin(data, length, sent);
}
