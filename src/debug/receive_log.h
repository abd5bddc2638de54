#pragma once
// The debug console's receive log: every byte delivered to the console, up to
// 512 KiB. A block that does not fit restarts the log with that block alone.
// Appends come from the receive and mode threads; the UI thread takes what it has
// not shown yet. All members are guarded by one mutex.
//
// Each block's arrival time is kept with it (blocks of the same millisecond share
// one entry) for the time stamps of the text view and the saved log.
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "debug/line_stamper.h"

class ReceiveLog {
 public:
  static constexpr int kCapacity = 524288;

  // Appends data; when the log would grow beyond kCapacity it restarts with data
  // alone (its first kCapacity bytes at most). Returns true when the log restarted.
  // arrivalMs: when the block arrived (wall clock, ms since the epoch).
  bool Append(std::string_view data, int64_t arrivalMs = WallClockMs());
  // The same for the console's own text (a notice: see Arrival).
  bool AppendNotice(std::string_view text, int64_t arrivalMs = WallClockMs());
  // Empties the log (the display must be redrawn).
  void Clear();
  // The display must be redrawn from the whole log (view change).
  void ForceFullRedraw();

  int Length() const;
  // A copy of the log bytes.
  std::string Bytes() const;
  // A copy of the log bytes with the blocks they came in.
  struct Contents {
    std::string bytes;
    std::vector<Arrival> arrivals;  // offsets into bytes
  };
  Contents Copy() const;
  // Bytes appended since construction, across restarts and clears.
  uint64_t TotalAppended() const;

  // What the display has to show next.
  struct Update {
    bool changed = false;  // false: the display is up to date
    bool full = false;     // true: replace the display with bytes; false: append bytes
    std::string bytes;
    std::vector<Arrival> arrivals;  // the blocks of bytes, offsets into bytes
    int length = 0;        // log length after this update
  };
  // Takes the bytes the display has not shown yet and marks them shown.
  Update TakeUpdate();

 private:
  mutable std::mutex mutex_;
  std::string log_;
  std::vector<Arrival> arrivals_;  // the blocks of log_, offsets into log_
  int shown_ = 0;         // log bytes the display already shows
  bool redraw_ = false;   // the display text no longer matches the log's first shown_ bytes
  uint64_t total_ = 0;

  bool Add(std::string_view data, int64_t arrivalMs, bool notice);
};
