#pragma once
// The simulated device's stored records, its record read in batches, and its camera.
// Not thread-safe: SimDevice calls it under the simulator's lock.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/rtu_sim.h"

class SimRecords {
 public:
  SimRecords();  // a month of records on channels 1-3 (2024/1/1 - 2024/1/31)

  void Set(std::vector<RtuSimulator::Record> records) { records_ = std::move(records); }
  size_t Count(int channel) const;  // 0: all channels
  // AT+CLRCHNNLRCRD=n: n 0 (all) to 30; false for anything else.
  bool Clear(std::string_view argument);
  // AT+SETINITDATA<NN>=<value>: false unless NN is 1-30 and a value follows.
  bool SetInitial(std::string_view argument);
  std::string Initial(int channel) const;

  // AT+RDCHNNLRCRD=<query>: the acknowledgement and the first batch; false (nothing
  // sent) for a query it cannot read.
  bool StartRead(std::string_view query, std::string& out);
  // AT+RDCHNNLRCRD= (the tool's acknowledgement): the next batch; nothing while
  // stalled. Without a read under way: "\r\nOK\r\n".
  void Continue(std::string& out);

  void SetBatchSize(int records) { batch_ = records > 0 ? static_cast<size_t>(records) : 1; }
  // Stops answering after this many batches of a read (0: never).
  void SetStallAfter(int batches) { stallAfter_ = batches; }

 private:
  void NextBatch(std::string& out);

  std::vector<RtuSimulator::Record> records_;
  std::string initial_[30];
  std::vector<std::string> pending_;  // lines of the read under way
  size_t next_ = 0;
  int batchesSent_ = 0;
  size_t batch_ = 40;
  int stallAfter_ = 0;
};

// The four cameras' pictures (real JPEG files, built in).
const std::string& SimCameraPicture(int camera);

// AT+TESTCAM=n: the 10-byte header and the JPEG as the device sends it, in blocks
// (the first holds the header). False for a camera other than 1-4.
bool SimSnapshot(int camera, const RtuSimulator::CameraFaults& faults,
                 std::vector<std::string>& blocks);
