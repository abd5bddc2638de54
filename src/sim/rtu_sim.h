#pragma once
// The RTU simulator: plays the device on a pseudo-terminal. Qt-free; shares no
// code with the tool's protocol layer (its own listing data and reply logic).
//
// Tests start it in-process; `qx310-tools --demo` starts it and lists its port first;
// `qx310-sim` runs it alone and prints the port name. All its delays go through
// Timing, so tests that scale time scale the device too.
#include <memory>
#include <string>
#include <vector>

class RtuSimulator {
 public:
  enum class State { Off, Booting, Run, Config, Modem, BootLoader };
  // After power-up or a restart the device waits this long (× Timing scale) for
  // "S" (configuration) or "P" (boot loader) before it runs.
  static constexpr int kBootWindowMs = 3000;

  RtuSimulator();
  ~RtuSimulator();
  RtuSimulator(const RtuSimulator&) = delete;
  RtuSimulator& operator=(const RtuSimulator&) = delete;

  // Opens the pseudo-terminal and starts the device thread, powered and in the run state.
  bool Start();
  // Stops the thread and closes the pseudo-terminal.
  void Stop();
  // The path a serial port opens to reach the device (e.g. /dev/pts/7).
  std::string PortName() const;

  State GetState() const;
  // Power: off makes the device silent; on starts the boot window in which "S" bytes
  // lead to "CONFIGURE PROGRAM" and the configuration state.
  void PowerOff();
  void PowerOn();

  // The device's stored value of a listing label (GBK), e.g. "Modem Apn:" or "Server2's Ip:".
  std::string Value(const std::string& label) const;
  void SetValue(const std::string& label, const std::string& value);
  // The full listing as the device prints it for AT+SHOW (without echo and OK).
  std::string Listing() const;

  // What the device received: every line (without CR LF) and the bare probes "---"/"+++".
  std::vector<std::string> ReceivedCommands() const;
  // Commands whose text starts with prefix.
  int CountReceived(const std::string& prefix) const;
  // Every byte received, in order, as it came off the line (the newest 4 MiB).
  std::string ReceivedBytes() const;
  // Forgets the received commands and bytes.
  void ClearReceived();

  // Faults on demand.
  // Silent: answers nothing at all; commands are still recorded but not acted on.
  void SetSilent(bool silent);
  // ERROR for a command word, e.g. "AT+APN" (also covers "AT+MULTISER01" for
  // "AT+MULTISER"); "---" / "+++" get "\r\nCMD ERROR\r\n" without a state change.
  // times: how many replies; -1: always.
  void SetErrorFor(const std::string& commandWord, int times = -1);
  void ClearErrors();
  void SetChunking(int maxBlockBytes, int gapMs);                // 0: whole replies; gap scaled
  void SetNulBytes(bool on);                                     // NUL bytes before replies
  void SetBaudPacing(int baud);                                  // 0: unpaced; 10 bits a byte, scaled
  // Slow device: after each stored setter, any line that ends within ms (scaled) is
  // dropped unanswered, as by a device still busy storing the last value. 0: off.
  void SetSlowDevice(int ms);
  int DroppedLines() const;
  // Setters of a command word answer OK but keep the old value. times: -1 always.
  void SetKeepOldValue(const std::string& commandWord, int times = -1);
  void SetPowerCycleNeeded(bool on);  // AT+RESET gets no answer and no restart until power-cycled
  void VanishPort();                                             // closes the pty: the device is gone

  // Boot loader faults for block n (1-based, counted from the start of each
  // transfer): Refuse answers the frame with 0x15 and drops it; LoseAck keeps
  // the frame but sends no acknowledgement. times < 0: every time.
  enum class BlockFault { None, Refuse, LoseAck };
  void SetBlockFault(int block, BlockFault fault, int times = 1);
  void ClearBlockFaults();
  // The image data taken by the boot loader in the current or last transfer
  // (a new "P" handshake starts it over).
  std::string ReceivedImage() const;
  // Transfers that ended with a good last frame.
  int ImagesCompleted() const;
  // Frames acknowledged (or kept with a lost acknowledgement) / refused.
  int FramesAccepted() const;
  int FramesRejected() const;
  // Power-up poll bytes "S" received in any state.
  int PowerUpBytesReceived() const;

  // Stored records. fields: element;value;unit;time of collection (GBK); the device
  // numbers the records of each read from 1.
  struct Record {
    int channel = 1;  // 1-30
    int year = 0, month = 0, day = 0;
    std::string fields;
  };
  void SetRecords(std::vector<Record> records);
  size_t RecordCount(int channel) const;  // 0: all channels
  // Records per batch of a read (default 40).
  void SetRecordBatch(int records);
  // Silence in the middle of a read: no answer after this many batches (0: off).
  void SetRecordStall(int batches);
  // The initial value AT+SETINITDATA gave a channel (1-30), "" if none.
  std::string InitialValue(int channel) const;

  // Camera snapshot faults (AT+TESTCAM=n).
  struct CameraFaults {
    bool oneBlock = false;  // header and whole picture in one block
    bool trailer = false;   // "\r\nOK\r\n" after the picture in the same block
    bool cutShort = false;  // only the first half of the picture is sent
    bool oversize = false;  // announces 200000 bytes (and sends the picture)
  };
  void SetCameraFaults(const CameraFaults& faults);
  // Parameter listing faults (AT+SHOW). longValues: every value is listed widened to
  // kLongValueChars characters (one token, the stored value followed by '_'), a listing
  // of about 70 KB, more than a receiver's 40960 bytes. omit: the line of this label
  // (e.g. "Modem Apn:") is left out; the value stays stored.
  static constexpr size_t kLongValueChars = 64;
  struct ListingFaults {
    bool longValues = false;
    std::string omit;
  };
  void SetListingFaults(const ListingFaults& faults);
  // The JPEG camera n (1-4) sends.
  static const std::string& CameraPicture(int camera);

  // Waits (unscaled ms) until the device is in state; true when it is.
  bool WaitForState(State state, int timeoutMs) const;
  // Waits (unscaled ms) until at least count received commands start with prefix.
  bool WaitForReceived(const std::string& prefix, int count, int timeoutMs) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};
