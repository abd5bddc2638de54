#pragma once
// ser2net in front of a serial device (the simulator's pseudo-terminal) for tests and
// benches: a YAML configuration written here with one connection on 127.0.0.1 and a free
// TCP port, the program started in the foreground and stopped (or killed) again.
// POSIX only.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

class Ser2net {
 public:
  enum class Accepter { kRfc2217, kRaw };

  ~Ser2net() { Stop(); }

  static bool Installed() { return access(Program(), X_OK) == 0; }
  static const char* Program() { return "/usr/sbin/ser2net"; }

  // A TCP port on 127.0.0.1 that nothing listens on at the moment.
  static int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
      port = ntohs(a.sin_port);
    ::close(s);
    return port;
  }

  // Starts ser2net for device and waits (at most waitMs) until it accepts connections.
  bool Start(const std::string& device, Accepter accepter, int waitMs) {
    Stop();
    char dir[] = "/tmp/qx-ser2net-XXXXXX";
    if (mkdtemp(dir) == nullptr) return false;
    dir_ = dir;
    // A port taken by someone else between FreePort and the start: try another one.
    for (int attempt = 0; attempt < 3; ++attempt) {
      port_ = FreePort();
      const std::string config = dir_ + "/ser2net.yaml";
      std::ofstream(config) << "%YAML 1.1\n---\n"
                            << "connection: &qx\n"
                            << "  accepter: " << (accepter == Accepter::kRfc2217 ? "telnet(rfc2217),tcp," : "tcp,")
                            << "127.0.0.1," << port_ << "\n"
                            << "  connector: serialdev," << device << ",115200n81,local\n"
                            << "  options:\n    kickolduser: true\n";
      const std::string log = dir_ + "/ser2net.log";
      std::fflush(nullptr);  // the child must not write our buffered output again
      pid_ = fork();
      if (pid_ == 0) {
        std::freopen("/dev/null", "r", stdin);
        std::freopen(log.c_str(), "w", stdout);
        std::freopen(log.c_str(), "a", stderr);
        execl(Program(), Program(), "-n", "-u", "-c", config.c_str(), "-P", (dir_ + "/pid").c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
      }
      if (pid_ < 0) return false;
      if (WaitListening(waitMs)) return true;
      Stop();
    }
    return false;
  }

  int Port() const { return port_; }
  std::string Name(Accepter accepter) const {
    return std::string(accepter == Accepter::kRfc2217 ? "rfc2217://" : "socket://") + "127.0.0.1:" +
           std::to_string(port_);
  }
  bool Running() const { return pid_ > 0; }

  // Kills the server at once (a lost connection for its clients) and reaps it.
  void Kill() { End(SIGKILL); }
  void Stop() {
    End(SIGTERM);
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
    dir_.clear();
  }

 private:
  void End(int signal) {
    if (pid_ <= 0) return;
    kill(pid_, signal);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  // True once a connection to the port is accepted; false when the server ended or the
  // wait passed. The probe connection is closed at once.
  bool WaitListening(int waitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < deadline) {
      if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
      }
      const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in a{};
      a.sin_family = AF_INET;
      a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      a.sin_port = htons(static_cast<uint16_t>(port_));
      const bool up = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
      ::close(s);
      if (up) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  pid_t pid_ = -1;
  int port_ = 0;
  std::string dir_;
};
