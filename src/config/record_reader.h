#pragma once
// Operation 10, ReadRecords: the storage page's record read, run by the configuration
// machine's worker. The page (or the command line) asks with Request(); the worker
// sends "AT+RDCHNNLRCRD=<query>", parses each batch, acknowledges every batch that
// ends "\r\nleave\r\n" with "AT+RDCHNNLRCRD=\r\nOK\r\n" and stops at "\r\nOK\r\n".
// Everything here may be read from any thread (the page's watcher, the command line).
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#include "base/event.h"
#include "protocol/record_batch.h"

class CfgMachine;

// exportState.
enum class ExportState : int { Idle = 0, Reading = 1, Finished = 2, Failed = 3 };

// Why a read failed (ExportState::Failed) or ended early.
enum class RecordReadEnd {
  None,       // still reading, or never started
  Complete,   // "\r\nOK\r\n" after the last batch
  TimedOut,   // kRecordReadLimitMs passed: ended with what was collected (Finished)
  Command,    // the query was not acknowledged (after the retry rule); nothing collected
  Silence,    // no reply to an acknowledgement
  Garbled,    // a batch that is neither records, "leave" nor "OK"
  Cancelled,  // the machine's halt flag: no batch acknowledged after it; nothing kept
};

// The longest a read may take (× Timing scale); the page's watcher gives up at the
// same time, and the read then ends with what it collected.
constexpr int kRecordReadLimitMs = 20 * 60 * 1000;
// The page's watcher ticks.
constexpr int kRecordWatchTickMs = 100;

class RecordReader {
 public:
  // The machine runs ReadRecords as operation 10.
  explicit RecordReader(CfgMachine& machine);
  RecordReader(const RecordReader&) = delete;
  RecordReader& operator=(const RecordReader&) = delete;

  // The export button, confirmed: state Reading, export text = the header, counts 0,
  // clock started, then the request for channel (0 all, 1-30) from..to. False (nothing
  // changes) while a read is Reading.
  bool Request(int channel, const RecordDate& from, const RecordDate& to);

  ExportState State() const { return static_cast<ExportState>(state_.load()); }
  RecordReadEnd End() const { return static_cast<RecordReadEnd>(end_.load()); }
  // The watcher's return to idle once it has reported the outcome (the text stays
  // until the next Request, so that a failed save can be tried again).
  void SetIdle();
  // Waits (unscaled ms) while Reading; true when the state left Reading.
  bool WaitEnd(int ms) { return ended_.WaitUnscaled(ms); }

  int Records() const { return records_.load(); }  // records collected so far
  int Batches() const { return batches_.load(); }  // batches received so far
  int64_t ElapsedMs() const;                        // since Request, unscaled; frozen at the end
  // exportText so far: the header and one ";"-separated line per record.
  std::string Text() const;

  // Called on the worker thread after every batch with the records so far.
  void SetProgressObserver(std::function<void(int records)> observer);

  // The operation (worker thread; public for tests).
  void ReadRecords(int go);

 private:
  void Finish(ExportState state, RecordReadEnd end);
  void KeepRecordEntry();

  CfgMachine& machine_;
  mutable std::mutex mutex_;
  std::string text_;
  std::function<void(int)> observer_;
  std::atomic<int> state_{0};
  std::atomic<int> end_{0};
  std::atomic<int> records_{0};
  std::atomic<int> batches_{0};
  std::atomic<int64_t> startMs_{0};
  std::atomic<int64_t> endMs_{-1};
  Event ended_{true};
  bool kept_ = false;      // the worker's own: keptValue_ holds the entry's value before the read
  std::string keptValue_;  // the worker's own
};
