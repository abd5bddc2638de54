#pragma once
// The Telnet side of an rfc2217:// port, without sockets: what the client sends to open
// the session and to set the remote line, how its data is escaped, and a decoder of what
// the server sends (data with IAC IAC undone, option negotiation answered, the server's
// reports of the line settings kept).
#include <cstdint>
#include <string>

namespace telnet {

constexpr unsigned char kIac = 255;
constexpr unsigned char kDont = 254;
constexpr unsigned char kDo = 253;
constexpr unsigned char kWont = 252;
constexpr unsigned char kWill = 251;
constexpr unsigned char kSb = 250;
constexpr unsigned char kSe = 240;

constexpr unsigned char kOptBinary = 0;
constexpr unsigned char kOptSuppressGoAhead = 3;
constexpr unsigned char kOptComPort = 44;

// COM-PORT-OPTION commands from the client; the server answers each with the code + 100.
constexpr unsigned char kSetBaudRate = 1;
constexpr unsigned char kSetDataSize = 2;
constexpr unsigned char kSetParity = 3;
constexpr unsigned char kSetStopSize = 4;
constexpr unsigned char kSetControl = 5;
constexpr unsigned char kPurgeData = 12;
constexpr unsigned char kServerOffset = 100;

// Values of the commands above.
constexpr unsigned char kControlNoFlow = 1;
constexpr unsigned char kPurgeBoth = 3;

// Appends data with every 0xFF doubled (IAC IAC), as the data stream carries it.
void AppendEscaped(std::string& out, const char* data, int length);
// How many of the first bytes of data are wholly inside the first `sent` bytes of its
// escaped form (a byte 0xFF counts once both its bytes are in).
int DataBytesWithin(const char* data, int length, int sent);

// One COM-PORT-OPTION subnegotiation: IAC SB 44 command value IAC SE, 0xFF in the value doubled.
std::string ComPortCommand(unsigned char command, const std::string& value);
// The line settings (codes of serial_port.h) as SET-BAUDRATE, SET-DATASIZE, SET-PARITY,
// SET-STOPSIZE and SET-CONTROL (no flow control).
std::string LineSettingsCommands(int baudRate, int byteSize, int stopBits, int parity);
// PURGE-DATA of both directions of the remote port.
std::string PurgeCommand();

// One client session: its opening request and the decoder of what the server sends.
// Options: BINARY and SUPPRESS-GO-AHEAD both ways, COM-PORT-OPTION on our side; every
// other option is refused. An answer goes out only when an option's state changes, so
// two sides never ping-pong requests.
class Rfc2217Client {
 public:
  enum class ComPort { kAsked, kAccepted, kRefused };

  // IAC WILL/DO BINARY, IAC WILL/DO SUPPRESS-GO-AHEAD, IAC WILL COM-PORT-OPTION.
  std::string Opening();

  // Decodes received bytes: appends the data bytes to data and what must be sent back
  // (negotiation answers) to replies. Commands may be split across calls anywhere.
  void Feed(const char* in, int length, std::string& data, std::string& replies);

  // The server's answer to WILL COM-PORT-OPTION.
  ComPort ComPortState() const { return comPort_; }
  // Whether the server sends in binary (else a CR NUL it sends is a bare CR).
  bool ServerBinary() const { return remote_[kOptBinary] == kOn; }
  // The last value the server reported for a command (its answer to SET-BAUDRATE, ...):
  // the big-endian number of its value bytes; -1 before any report.
  int64_t Reported(unsigned char command) const;

 private:
  enum OptionState : unsigned char { kOff, kAskedOn, kOn };
  void Negotiate(unsigned char verb, unsigned char option, std::string& replies);
  // One side of option (ours: WILL/WONT; the server's: DO/DONT) asked to turn on (enable;
  // allowed: whether that side may) or off. The state changes once; only a change is
  // answered, with yes or no.
  static void Answer(OptionState& state, bool enable, bool allowed, unsigned char yes,
                     unsigned char no, unsigned char option, std::string& replies);
  void Subnegotiation();

  enum class In { kData, kIac, kVerb, kSb, kSbIac, kCr };
  In in_ = In::kData;
  unsigned char verb_ = 0;
  std::string sb_;
  OptionState local_[256] = {};   // what we do (WILL)
  OptionState remote_[256] = {};  // what the server does (its WILL)
  ComPort comPort_ = ComPort::kAsked;
  int64_t reported_[16] = {};
  bool reportedSet_[16] = {};
};

}  // namespace telnet
