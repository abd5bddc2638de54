#pragma once
// The serial port as every machine sees it. CSerial implements it on the real
// system; tests give the machines a fake.
#include <string>

namespace serial {

// Line settings, with the codes of the main window's combos.
enum StopBits { kOneStopBit = 0, kOnePointFiveStopBits = 1, kTwoStopBits = 2 };
enum Parity { kParityNone = 0, kParityOdd = 1, kParityEven = 2, kParityMark = 3, kParitySpace = 4 };

// Read never returns more than this many bytes at once.
constexpr int kMaxReadBytes = 40959;

// Result of Read when the device has gone away (USB adapter pulled, pty closed):
// the caller closes the port instead of reading again.
constexpr int kReadVanished = -1;

// Read waits at most this long for data unless told to wait without limit.
constexpr int kReadWaitMs = 20;
constexpr int kReadWaitUnlimited = -1;

// How long one Write of length bytes may take at baudRate before it gives up: 1 ms per
// byte plus 1000 ms, and never less than twice the time the line needs for the bytes
// (12 bits a byte: start, 8 data, parity, 2 stop), so slow lines are not cut short.
int WritePerByteMs(int baudRate);
int WriteLimitMs(int length, int baudRate);

}  // namespace serial

class ISerialPort {
 public:
  virtual ~ISerialPort() = default;

  // Opens the port by name ("COM5", "/dev/ttyUSB0") with the line settings.
  // Fails when already open. A port that fails after its device was opened is closed again.
  virtual bool Open(const std::string& name, int baudRate, int byteSize, int stopBits,
                    int parity) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;

  // Copies what the driver has queued (at most serial::kMaxReadBytes) into buffer and
  // returns the count; 0 when nothing came within the read wait, the port is closed or
  // WakeReader was called; serial::kReadVanished when the device has gone.
  virtual int Read(char* buffer) = 0;

  // The read wait in ms (serial::kReadWaitMs at first); serial::kReadWaitUnlimited lets
  // Read sleep until data arrives, the port closes or WakeReader is called.
  virtual void SetReadWait(int ms) {}
  // Makes a waiting Read (or the next one) return 0 at once.
  virtual void WakeReader() {}

  // Writes the bytes; returns the number the driver took (0 on failure or closed port).
  // Gives up after serial::WriteLimitMs at the port's baud rate; Close ends it at once.
  virtual int Write(const char* data, int length) = 0;

  // Why the last Open failed, as a short English/Chinese-neutral text (e.g. strerror),
  // and whether it was for lack of permission.
  virtual std::string LastOpenError() const { return {}; }
  virtual bool LastOpenDeniedPermission() const { return false; }

  // The name given to the last successful Open (empty when closed).
  virtual std::string Name() const { return {}; }
};
