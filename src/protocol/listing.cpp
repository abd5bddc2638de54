// The parameter listing: parsing the device's AT+SHOW reply (or a .cfg file) into
// the table, and building the same form from the table.
#include "protocol/listing.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "protocol/param_table.h"

namespace {

constexpr int kMaxLineLength = 254;  // characters kept of a listing line
constexpr int kFirstCommandId = 164;
constexpr int kProtocolTextTypeId = 7;
constexpr int kWaterOrderId = 162;
constexpr int kAddressTypeId = 163;

// Every label a listing line can start with. A line is tried against every entry
// in position order and, within an entry, against instance 1, 2, ... until one
// label matches. To avoid formatting and comparing ~750 labels per line, the
// labels are grouped by their first keyLength bytes (the shortest label's length):
// any label that matches a line shares those bytes with it. Each group keeps the
// table's (position, instance) order, so the outcome is that of the plain scan.
struct LabelIndex {
  struct Label {
    const ParamEntry* entry;
    int position;
    int instance;  // 0-based
    std::string text;
  };
  std::vector<Label> labels;
  size_t keyLength = 0;
  std::unordered_map<std::string_view, std::vector<int>> groups;

  LabelIndex() {
    const ParamEntry* entries = ParamTableEntries();
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      const ParamEntry& e = entries[pos];
      if (e.id >= kFirstCommandId || e.labelPrefix[0] == '\0' || e.count <= 0) continue;
      for (int n = 1; n <= e.count && n <= kMaxInstances; ++n) {
        labels.push_back({&e, pos, n - 1, FormatLabel(e, n)});
      }
    }
    keyLength = kMaxLineLength;
    for (const Label& l : labels) keyLength = std::min(keyLength, l.text.size());
    for (int i = 0; i < static_cast<int>(labels.size()); ++i) {
      groups[std::string_view(labels[i].text).substr(0, keyLength)].push_back(i);
    }
  }
};

const LabelIndex& Labels() {
  static const LabelIndex index;
  return index;
}

// Reads the value that follows a label at line[start]. Returns false when nothing
// is to be stored; otherwise value holds the text to store (possibly empty).
bool ReadValue(std::string_view line, size_t start, std::string_view& value) {
  if (start >= line.size()) return false;
  size_t i = start;
  while (i < line.size() && line[i] == ' ') ++i;
  if (i >= line.size()) return false;
  if (line[i] == '.' || line[i] == '\r') {  // the device's empty value
    value = {};
    return true;
  }
  const size_t end = line.find_first_of(" \r", i);
  if (end == std::string_view::npos) return false;  // not terminated: incomplete line
  value = line.substr(i, std::min<size_t>(end - i, kMaxValueLength));
  return true;
}

void NoteStored(int id, std::string_view value) {
  if (id == kProtocolTextTypeId) {
    ListingProtocolKind() = value == "2" ? 1 : value == "5" ? 2 : 0;
  } else if (id == kWaterOrderId) {
    ListingWaterOrderSeen() = 1;
  } else if (id == kAddressTypeId) {
    ListingAddressTypeSeen() = 1;
  }
}

// Hands every value of one line to take(entry, instance, value); returns true when
// there was at least one.
template <class Take>
bool ProcessLine(const LabelIndex& index, std::string_view line, Take& take) {
  if (line.size() < index.keyLength) return false;
  const auto group = index.groups.find(line.substr(0, index.keyLength));
  if (group == index.groups.end()) return false;
  bool stored = false;
  int matchedPosition = -1;  // an entry's first matching instance wins
  for (int i : group->second) {
    const LabelIndex::Label& label = index.labels[i];
    if (label.position == matchedPosition) continue;
    if (line.size() < label.text.size() ||
        std::memcmp(line.data(), label.text.data(), label.text.size()) != 0) {
      continue;
    }
    matchedPosition = label.position;
    std::string_view value;
    if (!ReadValue(line, label.text.size(), value)) continue;
    value = value.substr(0, value.find('\0'));  // a value text ends at a NUL byte
    take(*label.entry, label.instance, value);
    stored = true;
  }
  return stored;
}

// Splits text into lines and hands every labelled value to take; 1 when there was one.
template <class Take>
int ScanListing(const char* text, int length, Take take) {
  if (text == nullptr || length <= 0) return 0;
  const LabelIndex& index = Labels();
  char line[kMaxLineLength];
  int lineLength = 0;
  bool inLine = false;
  int result = 0;
  for (int i = 0; i < length; ++i) {
    const char c = text[i];
    if (!inLine) {
      if (c == ' ' || c == '\r' || c == '\n') continue;
      inLine = true;
      line[0] = c;
      lineLength = 1;
    } else if (c == '\n') {
      if (ProcessLine(index, std::string_view(line, lineLength), take)) result = 1;
      inLine = false;
    } else if (lineLength < kMaxLineLength) {
      line[lineLength++] = c;
    }
  }
  // A last line without its LF is incomplete and is not used.
  return result;
}

}  // namespace

int ParseListing(const char* text, int length) {
  ListingProtocolKind() = 0;
  ListingWaterOrderSeen() = 0;
  ListingAddressTypeSeen() = 0;
  return ScanListing(text, length, [](const ParamEntry& entry, int instance, std::string_view value) {
    SetRawValue(entry, instance, value);
    NoteStored(entry.id, value);
  });
}

std::set<std::pair<int, int>> ListedInstances(std::string_view text) {
  std::set<std::pair<int, int>> listed;
  ScanListing(text.data(), static_cast<int>(text.size()),
              [&](const ParamEntry& entry, int instance, std::string_view) {
                listed.insert({entry.id, instance});
              });
  return listed;
}

std::string BuildListing() {
  std::string out;
  out.reserve(kListingMaxBytes);
  const ParamEntry* entries = ParamTableEntries();
  for (int pos = 0; pos < kParamEntryCount; ++pos) {
    const ParamEntry& e = entries[pos];
    for (int n = 1; n <= e.count && n <= kMaxInstances; ++n) {
      std::string line = FormatLabel(e, n);
      line += "  ";
      line += GetRawValue(e, n - 1);
      line += "\r\n";
      // Room is kept for a terminating zero; an entry whose next line does not fit
      // loses its remaining instances, and the next entry is tried.
      if (out.size() + line.size() + 1 > static_cast<size_t>(kListingMaxBytes)) break;
      out += line;
    }
  }
  return out;
}
