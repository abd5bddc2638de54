#pragma once
// The pseudo-terminal the simulator plays the device on. The simulator keeps
// one slave descriptor open itself (raw mode), so that a tool opening and
// closing the port never hangs up the master and nothing is echoed before the
// tool has set its own mode. Used by the simulator's device thread only.
#include <cstddef>
#include <functional>
#include <string>

class SimPty {
 public:
  SimPty();
  ~SimPty();
  SimPty(const SimPty&) = delete;
  SimPty& operator=(const SimPty&) = delete;

  bool Open();
  void Close();
  bool IsOpen() const;
  // Path of the slave side (what a serial port opens).
  const std::string& SlaveName() const { return slaveName_; }

  // Waits at most timeoutMs (< 0: without limit) for input or Wake() and reads what is
  // there: bytes read, 0 when nothing came, -1 when the pty is gone.
  int Read(char* buf, size_t size, int timeoutMs);
  // Makes the current or next Read return at once. Any thread, for the object's lifetime.
  void Wake();
  // Writes all bytes, waiting while the line is full. Stops early when
  // abort() returns true or when nothing could be written for stallMs
  // (nobody reads the port). Returns the bytes written.
  size_t Write(const char* data, size_t size, const std::function<bool()>& abort, int stallMs);

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string slaveName_;
  int wake_[2] = {-1, -1};  // self-pipe of Wake(): read end, write end
};
