#pragma once
// The table of every device parameter (ids 0-163) and command (ids 165-180):
// command word, reply texts, time limit, listing label, instance count, and the
// current value text of each instance. Value texts are device bytes (code page 936).
#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

constexpr int kParamEntryCount = 180;   // 164 parameters + 16 commands
constexpr int kLastParamId = 163;       // parameters are ids 0 .. kLastParamId
constexpr int kMaxInstances = 30;
constexpr int kMaxValueLength = 199;    // characters kept of a value text

// Ids of the command entries.
enum CommandId {
  kCmdShow = 165, kCmdVer = 166, kCmdCsq = 167, kCmdGsn = 168, kCmdFactory = 169,
  kCmdReset = 170, kCmdAt = 171, kCmdClock = 172, kCmdReadRecords = 173,
  kCmdClearRecords = 174, kCmdTestCamera = 175, kCmdClearUpLose = 176, kCmdProbe = 177,
  kCmdQuit = 178, kCmdModem = 179, kCmdSetInitData = 180,
};

using ReplyHandler = int (*)(const char* text, int length);

struct ParamEntry {
  int id;
  const char* command;
  const char* okReply;
  const char* errorReply;
  int timeoutMs;
  ReplyHandler replyHandler;  // nullptr except for AT+SHOW
  int count;                  // instances, 0..30
  const char* labelPrefix;
  const char* labelSuffix;    // "" for single-instance parameters
};

struct ValueTranslation {
  int paramId;
  const char* deviceText;
  const char* displayText;
};

// The 180 entries in table position order, and the 3 display translations.
const ParamEntry* ParamTableEntries();             // array of kParamEntryCount
const ValueTranslation* ValueTranslations(int* count);

// First entry in position order with this id; nullptr when none (164, 181, ...).
const ParamEntry* FindParam(int id);
// Position of an entry in the table (0..179), -1 for nullptr.
int ParamPosition(const ParamEntry* entry);

// Display text of instance index: the stored text, or its translation's displayText.
// nullopt when no entry has the id. index must be below the entry's count.
std::optional<std::string> GetParamText(int id, int index);
// Stores text (cut to 199 characters; a display text of parameter 3 becomes its device text).
// Nothing happens when no entry has the id.
void SetParamText(int id, std::string_view text, int index);

// Raw access without translation (listing parser and writer). Thread-safe.
std::string GetRawValue(const ParamEntry& entry, int index);
void SetRawValue(const ParamEntry& entry, int index, std::string_view text);  // cuts at 199

// Listing label of instance n (counted from 1).
std::string FormatLabel(const ParamEntry& entry, int n);

// Empties every value text (tests and a fresh session; the program itself never clears).
void ResetParamValues();

// ---- whose values ----
// One set of value texts serves the process (the desktop program's UI thread and
// worker share it). A thread may bind a set of its own instead, so that several
// devices handled at once in one process each have theirs: every function above then
// works on the bound set. A thread a device's code starts binds the same set.
struct ParamValues;

// A set of its own, empty; it must outlive every binding of it.
class OwnParamValues {
 public:
  OwnParamValues();
  ~OwnParamValues();
  OwnParamValues(const OwnParamValues&) = delete;
  OwnParamValues& operator=(const OwnParamValues&) = delete;
  ParamValues* Get() const { return values_.get(); }

 private:
  std::unique_ptr<ParamValues> values_;
};

// Binds values (nullptr: the process's) on the calling thread while it lives.
class ParamValuesScope {
 public:
  explicit ParamValuesScope(ParamValues* values);
  ~ParamValuesScope();
  ParamValuesScope(const ParamValuesScope&) = delete;
  ParamValuesScope& operator=(const ParamValuesScope&) = delete;

 private:
  ParamValues* previous_;
};

// The set bound on the calling thread; nullptr for the process's.
ParamValues* BoundParamValues();

// What belongs to a set besides its texts: what the listing parser saw (0 hydrology,
// 1 "水资源16", 2 "水资源21"; the water order and address type lines) and whether the
// texts were read from a device.
struct ParamValueFlags {
  std::atomic<int> protocolKind{0};
  std::atomic<int> waterOrderSeen{0};
  std::atomic<int> addressTypeSeen{0};
  std::atomic<bool> fromDevice{false};
};
// Those of the set bound on the calling thread.
ParamValueFlags& BoundValueFlags();
