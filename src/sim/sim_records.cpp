#include "sim/sim_records.h"

#include <cstdio>

#include "base/cp936.h"

namespace {

const char kOk[] = "\r\nOK\r\n";
const char kLeave[] = "\r\nleave\r\n";

// Digits of s as a number; false for an empty or non-digit text.
bool Number(std::string_view s, int& v) {
  if (s.empty() || s.size() > 9) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

// "Y/M/D,h:m:s" → a sortable day number y*10000+m*100+d; the time is not looked at.
bool Day(std::string_view s, int& day) {
  const size_t comma = s.find(',');
  if (comma == std::string_view::npos) return false;
  s = s.substr(0, comma);
  const size_t a = s.find('/');
  const size_t b = a == std::string_view::npos ? a : s.find('/', a + 1);
  int y, m, d;
  if (b == std::string_view::npos || !Number(s.substr(0, a), y) ||
      !Number(s.substr(a + 1, b - a - 1), m) || !Number(s.substr(b + 1), d) || m < 1 ||
      m > 12 || d < 1 || d > 31)
    return false;
  day = y * 10000 + m * 100 + d;
  return true;
}

struct Element {
  const char* name;
  const char* unit;
  double base, swing;
};

}  // namespace

SimRecords::SimRecords() {
  const Element elements[3] = {{"水位", "m", 12.0, 0.8}, {"雨量", "mm", 0.0, 4.0},
                               {"流量", "m3/s", 35.0, 6.0}};
  for (int ch = 1; ch <= 3; ++ch) {
    const Element& e = elements[ch - 1];
    const std::string name = GBK(e.name);
    for (int day = 1; day <= 31; ++day) {
      for (int hour = 0; hour < 24; hour += 3) {
        const int k = day * 8 + hour / 3;
        char fields[160];
        std::snprintf(fields, sizeof fields, "%s;%.2f;%s;2024-01-%02d,%02d:00:00", name.c_str(),
                      e.base + e.swing * ((k * 37 + ch * 11) % 100) / 100.0, e.unit, day, hour);
        records_.push_back({ch, 2024, 1, day, fields});
      }
    }
  }
}

size_t SimRecords::Count(int channel) const {
  size_t n = 0;
  for (const auto& r : records_) n += channel == 0 || r.channel == channel;
  return n;
}

bool SimRecords::Clear(std::string_view argument) {
  int ch;
  if (!Number(argument, ch) || ch > 30) return false;
  std::vector<RtuSimulator::Record> kept;
  for (auto& r : records_)
    if (ch != 0 && r.channel != ch) kept.push_back(std::move(r));
  records_ = std::move(kept);
  return true;
}

bool SimRecords::SetInitial(std::string_view argument) {
  const size_t eq = argument.find('=');
  int ch;
  if (eq == std::string_view::npos || !Number(argument.substr(0, eq), ch) || ch < 1 || ch > 30 ||
      eq + 1 >= argument.size())
    return false;
  initial_[ch - 1] = std::string(argument.substr(eq + 1));
  return true;
}

std::string SimRecords::Initial(int channel) const {
  return channel >= 1 && channel <= 30 ? initial_[channel - 1] : std::string();
}

bool SimRecords::StartRead(std::string_view query, std::string& out) {
  // <channel>;<from>;<to>
  const size_t a = query.find(';');
  const size_t b = a == std::string_view::npos ? a : query.find(';', a + 1);
  int ch, from, to;
  if (b == std::string_view::npos || !Number(query.substr(0, a), ch) || ch > 30 ||
      !Day(query.substr(a + 1, b - a - 1), from) || !Day(query.substr(b + 1), to))
    return false;
  pending_.clear();
  next_ = 0;
  batchesSent_ = 0;
  for (const auto& r : records_) {
    const int day = r.year * 10000 + r.month * 100 + r.day;
    if ((ch != 0 && r.channel != ch) || day < from || day > to) continue;
    pending_.push_back("Record:" + std::to_string(pending_.size() + 1) + ";" + r.fields + "\r\n");
  }
  out += kOk;
  NextBatch(out);
  return true;
}

void SimRecords::Continue(std::string& out) {
  if (next_ >= pending_.size() && batchesSent_ == 0) {
    out += kOk;
    return;
  }
  if (stallAfter_ > 0 && batchesSent_ >= stallAfter_) return;
  NextBatch(out);
}

void SimRecords::NextBatch(std::string& out) {
  for (size_t n = 0; n < batch_ && next_ < pending_.size(); ++n) out += pending_[next_++];
  ++batchesSent_;
  if (next_ < pending_.size()) {
    out += kLeave;
    return;
  }
  out += kOk;
  pending_.clear();
  next_ = 0;
  batchesSent_ = 0;
}

bool SimSnapshot(int camera, const RtuSimulator::CameraFaults& faults,
                 std::vector<std::string>& blocks) {
  if (camera < 1 || camera > 4) return false;
  std::string jpeg = SimCameraPicture(camera);
  const uint32_t length = faults.oversize ? 200000u : static_cast<uint32_t>(jpeg.size());
  std::string header = kOk;
  for (int i = 0; i < 4; ++i) header += static_cast<char>((length >> (8 * i)) & 0xFF);
  if (faults.cutShort) jpeg.resize(jpeg.size() / 2);
  if (faults.trailer) jpeg += kOk;
  blocks.clear();
  if (faults.oneBlock) {
    blocks.push_back(header + jpeg);
    return true;
  }
  constexpr size_t kBlock = 1000;  // as the device's serial camera delivers it
  blocks.push_back(header);
  for (size_t pos = 0; pos < jpeg.size(); pos += kBlock) blocks.push_back(jpeg.substr(pos, kBlock));
  return true;
}
