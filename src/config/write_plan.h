#pragma once
// What a write would send before it is sent: the rows of a review (one per parameter
// instance, in sending order), computed with the write-back passes' own rule. The
// passes then send the ticked rows only (a WriteSelection).
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "protocol/write_back.h"

struct WritePlanRow {
  int id = 0;
  int index = 0;
  std::string label{};       // e.g. "Channel07 save length" (device bytes)
  std::string deviceValue{}; // what the device has now (for a page without a value: "")
  std::string newValue{};    // what would be sent
};
using WritePlan = std::vector<WritePlanRow>;

// The page text of (id, index), as ICfgPageAccess::SaveToTable gives it.
using PageText = std::function<std::optional<std::string>(int id, int index)>;

// The rows a pass of source would send now, with no failure on the way: for kPages the
// pages hold the new values and the table the device's; for kTable the other way round.
WritePlan PlanWrite(WriteSource source, const PageText& page);

// Every row of plan, ticked.
WriteSelection SelectAll(const WritePlan& plan);

// A copy of every value of the parameter table and of the protocol flags the parser
// sets with them, to put back later (a file parsed for a review that is then cancelled
// leaves the table, and what the pages show of the protocol, as they were).
class TableSnapshot {
 public:
  TableSnapshot();
  void Restore() const;

 private:
  std::vector<std::string> values_;
  int protocolKind_;
  int waterOrderSeen_;
  int addressTypeSeen_;
};
