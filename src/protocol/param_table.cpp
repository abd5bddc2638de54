// Lookup, value texts and listing labels of the parameter table. The entries
// themselves are constant (param_table_data.cpp); only the value texts change.
// They are written by the operation worker and the UI thread, so one mutex
// guards them and readers always get a copy.
#include "protocol/param_table.h"

#include <cstring>
#include <mutex>

struct ParamValues {
  std::mutex mutex;
  std::string values[kParamEntryCount][kMaxInstances];
  ParamValueFlags flags;
};

namespace {

// The set bound on this thread; nullptr for the process's own.
thread_local ParamValues* t_bound = nullptr;

ParamValues& Store() {
  static ParamValues process;
  return t_bound != nullptr ? *t_bound : process;
}

// A value text is a C text of at most 199 characters: it ends at the first NUL
// byte and further characters are dropped.
std::string_view ClipValue(std::string_view text) {
  const size_t nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  if (text.size() > static_cast<size_t>(kMaxValueLength)) text = text.substr(0, kMaxValueLength);
  return text;
}

bool ValidIndex(int index) { return index >= 0 && index < kMaxInstances; }

}  // namespace

const ParamEntry* FindParam(int id) {
  const ParamEntry* entries = ParamTableEntries();
  for (int pos = 0; pos < kParamEntryCount; ++pos) {
    if (entries[pos].id == id) return &entries[pos];
  }
  return nullptr;
}

int ParamPosition(const ParamEntry* entry) {
  const ParamEntry* entries = ParamTableEntries();
  if (entry == nullptr || entry < entries || entry >= entries + kParamEntryCount) return -1;
  return static_cast<int>(entry - entries);
}

std::string GetRawValue(const ParamEntry& entry, int index) {
  const int pos = ParamPosition(&entry);
  if (pos < 0 || !ValidIndex(index)) return {};
  ParamValues& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  return store.values[pos][index];
}

void SetRawValue(const ParamEntry& entry, int index, std::string_view text) {
  const int pos = ParamPosition(&entry);
  if (pos < 0 || !ValidIndex(index)) return;
  const std::string_view clipped = ClipValue(text);
  ParamValues& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  store.values[pos][index].assign(clipped.data(), clipped.size());
}

std::optional<std::string> GetParamText(int id, int index) {
  const ParamEntry* entry = FindParam(id);
  // Indexes beyond the 30 slots have no storage; they read as "no such value"
  // instead of reaching outside the table.
  if (entry == nullptr || !ValidIndex(index)) return std::nullopt;
  std::string text = GetRawValue(*entry, index);
  int rows = 0;
  const ValueTranslation* translations = ValueTranslations(&rows);
  for (int i = 0; i < rows; ++i) {
    if (translations[i].paramId == id && text == translations[i].deviceText) {
      return std::string(translations[i].displayText);
    }
  }
  return text;
}

void SetParamText(int id, std::string_view text, int index) {
  const ParamEntry* entry = FindParam(id);
  if (entry == nullptr || !ValidIndex(index)) return;
  const std::string_view clipped = ClipValue(text);
  int rows = 0;
  const ValueTranslation* translations = ValueTranslations(&rows);
  for (int i = 0; i < rows; ++i) {
    if (translations[i].paramId == id && clipped == translations[i].displayText) {
      SetRawValue(*entry, index, translations[i].deviceText);
      return;
    }
  }
  SetRawValue(*entry, index, clipped);
}

std::string FormatLabel(const ParamEntry& entry, int n) {
  std::string label(entry.labelPrefix);
  if (entry.labelSuffix[0] == '\0') return label;
  std::string number = std::to_string(n);
  // The 30 channels are numbered 01..30; every other family uses plain numbers.
  if (entry.count > 9 && std::strcmp(entry.labelPrefix, "Channel") == 0 && n >= 0 && n < 10) {
    number.insert(0, 1, '0');
  }
  label += number;
  label += entry.labelSuffix;
  return label;
}

void ResetParamValues() {
  ParamValues& store = Store();
  std::lock_guard<std::mutex> lock(store.mutex);
  for (auto& row : store.values) {
    for (auto& value : row) value.clear();
  }
}

OwnParamValues::OwnParamValues() : values_(std::make_unique<ParamValues>()) {}
OwnParamValues::~OwnParamValues() = default;

ParamValuesScope::ParamValuesScope(ParamValues* values) : previous_(t_bound) { t_bound = values; }
ParamValuesScope::~ParamValuesScope() { t_bound = previous_; }

ParamValues* BoundParamValues() { return t_bound; }

ParamValueFlags& BoundValueFlags() { return Store().flags; }
