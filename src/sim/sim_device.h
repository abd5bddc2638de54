#pragma once
// The simulated device's behaviour without any I/O: command states, replies,
// power-up and restart, the boot loader. Fed with received bytes and the
// current time; produces the bytes to send. Not thread-safe: the simulator
// calls it under its lock.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "sim/rtu_sim.h"
#include "sim/sim_boot_loader.h"
#include "sim/sim_params.h"
#include "sim/sim_records.h"

class SimDevice {
 public:
  using State = RtuSimulator::State;

  static constexpr int kBootWindowMs = RtuSimulator::kBootWindowMs;
  // Longest command line; longer lines are answered with ERROR.
  static constexpr size_t kMaxLine = 1024;
  // Received lines kept for inspection.
  static constexpr size_t kMaxRecorded = 10000;

  struct FeedResult {
    std::string reply;      // bytes to send, in order
    size_t consumed = 0;    // input bytes taken
    bool restart = false;   // the device restarts once the reply has been sent
    std::vector<std::string> blocks;  // sent after reply, each as a block of its own
  };
  // Takes received bytes. Stops after a command that restarts the device: the
  // caller sends the reply, calls Restart and feeds the rest.
  FeedResult Feed(std::string_view bytes, int64_t nowMs);
  // Timed transitions (end of the boot window, boot loader time-outs).
  void Tick(int64_t nowMs);
  // Earliest time at which Tick has something to do, or -1.
  int64_t NextDeadline() const;

  // Power-up behaviour: boot window, then run.
  void Restart(int64_t nowMs);
  void PowerOn(int64_t nowMs);
  void PowerOff();
  // Straight into the run state (simulator start).
  void StartRunning();

  State GetState() const { return state_; }
  SimParams& Params() { return params_; }
  const SimParams& Params() const { return params_; }
  SimRecords& Records() { return records_; }
  const SimRecords& Records() const { return records_; }
  void SetCameraFaults(const RtuSimulator::CameraFaults& f) { cameraFaults_ = f; }
  void SetListingFaults(const RtuSimulator::ListingFaults& f) { listingFaults_ = f; }
  SimBootLoader& BootLoader() { return boot_; }
  const SimBootLoader& BootLoader() const { return boot_; }

  const std::vector<std::string>& Received() const { return received_; }
  void ClearReceived() { received_.clear(); }
  int PowerUpBytes() const { return powerUpBytes_; }

  void SetSilent(bool on) { silent_ = on; }
  void SetErrorFor(const std::string& word, int times);
  void ClearErrors() { errors_.clear(); }
  void SetPowerCycleNeeded(bool on) { powerCycleNeeded_ = on; }
  // Slow device: after each stored setter, lines that end within ms (scaled) are dropped.
  void SetSlowDevice(int ms) { slowMs_ = ms; }
  int DroppedLines() const { return droppedLines_; }
  // Setters of word (as for SetErrorFor) are answered OK but the value is not stored.
  void SetKeepOldValue(const std::string& word, int times);

 private:
  bool TakeError(std::string_view word) { return TakeFrom(errors_, word); }
  // Counts down word's (or its family's) entry in faults; true when it applies.
  static bool TakeFrom(std::map<std::string, int>& faults, std::string_view word);
  void Record(std::string line);
  // Returns true when the device restarts after this reply.
  bool OnLine(const std::string& line, FeedResult& r);
  // Record reads and snapshots: answered without an echo. False: not one of them.
  bool DataCommand(const std::string& line, FeedResult& r);
  void OnProbe(char c, std::string& out);
  bool ConfigCommand(const std::string& line, std::string& out);
  void ModemCommand(const std::string& line, std::string& out);

  State state_ = State::Off;
  int64_t bootDeadline_ = 0;
  std::string line_;
  bool lineTooLong_ = false;
  SimParams params_;
  SimBootLoader boot_;
  SimRecords records_;
  RtuSimulator::CameraFaults cameraFaults_;
  RtuSimulator::ListingFaults listingFaults_;
  bool swallowOk_ = false;  // the "OK" line of the tool's acknowledgement follows
  std::vector<std::string> received_;
  int powerUpBytes_ = 0;
  bool silent_ = false;
  bool powerCycleNeeded_ = false;
  std::map<std::string, int> errors_;
  std::map<std::string, int> keepOld_;
  int slowMs_ = 0;
  bool setterStored_ = false;  // the line just handled was a stored setter
  int64_t deafUntil_ = 0;      // slow device: lines ending before this are dropped
  int droppedLines_ = 0;
};
