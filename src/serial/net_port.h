#pragma once
// NetPort: a serial port reached over TCP through a serial device server.
//   rfc2217://HOST:PORT  Telnet with COM-PORT-OPTION: the line settings given to Open go
//                        to the server's port; data bytes 0xFF travel as IAC IAC.
//   socket://HOST:PORT   a raw byte stream; the server's line settings apply.
// HOST is a name, an IPv4 address or an IPv6 address in brackets ("[::1]").
// It reads, writes and gives up like CSerial; a lost connection reads as a vanished device.
// CSerial opens one for these names, so every user of a port name gets them.
#include <string>

#include "serial/serial_port.h"

namespace serial {

// How long connecting (and, for rfc2217://, the server's answer to COM-PORT-OPTION) may take.
constexpr int kNetConnectLimitMs = 5000;

enum class NetScheme { kNone, kRfc2217, kRaw };
struct NetAddress {
  NetScheme scheme = NetScheme::kNone;
  std::string host;
  std::string port;  // decimal, 1..65535
};

// True for a name that starts with "rfc2217://" or "socket://" (any case): a network port,
// even when the rest of it is malformed.
bool IsNetPortName(const std::string& name);
// The parts of a network port name; scheme kNone and a reason in error when it is malformed.
NetAddress ParseNetPortName(const std::string& name, std::string& error);

}  // namespace serial

class NetPort : public ISerialPort {
 public:
  NetPort();
  ~NetPort() override;
  NetPort(const NetPort&) = delete;
  NetPort& operator=(const NetPort&) = delete;

  // Connects within serial::kNetConnectLimitMs; Close from another thread ends the wait.
  bool Open(const std::string& name, int baudRate, int byteSize, int stopBits, int parity) override;
  void Close() override;
  bool IsOpen() const override;
  int Read(char* buffer) override;
  int Write(const char* data, int length) override;
  void SetReadWait(int ms) override;
  void WakeReader() override;
  std::string LastOpenError() const override;
  std::string Name() const override;

  struct Impl;

 private:
  Impl* impl_;
};
