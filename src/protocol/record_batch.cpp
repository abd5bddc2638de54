#include "protocol/record_batch.h"

#include <cstdio>

#include "base/atomic_file.h"
#include "base/cp936.h"

namespace {

constexpr std::string_view kRecordPrefix = "Record:";
constexpr std::string_view kLeave = "\r\nleave\r\n";
constexpr std::string_view kOk = "\r\nOK\r\n";

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// Digits only, 1..maxDigits of them.
bool ReadNumber(std::string_view s, size_t maxDigits, int& value) {
  if (s.empty() || s.size() > maxDigits) return false;
  value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

int DaysInMonth(int year, int month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::string FormatRecordDate(const RecordDate& d) {
  char text[40];
  std::snprintf(text, sizeof text, "%d/%d/%d", d.year, d.month, d.day);
  return text;
}

bool ParseRecordDate(std::string_view text, RecordDate& d) {
  const char sep = text.find('-') != std::string_view::npos ? '-' : '/';
  const size_t a = text.find(sep);
  const size_t b = a == std::string_view::npos ? a : text.find(sep, a + 1);
  if (b == std::string_view::npos) return false;
  RecordDate r;
  if (!ReadNumber(text.substr(0, a), 4, r.year) || a != 4 ||
      !ReadNumber(text.substr(a + 1, b - a - 1), 2, r.month) ||
      !ReadNumber(text.substr(b + 1), 2, r.day))
    return false;
  // Four-digit years only: a year below 1000 would go to the device in a shorter form.
  if (r.year < 1000 || r.month < 1 || r.month > 12 || r.day < 1 ||
      r.day > DaysInMonth(r.year, r.month))
    return false;
  d = r;
  return true;
}

std::string FormatRecordQuery(int channel, const RecordDate& from, const RecordDate& to) {
  return std::to_string(channel) + ";" + FormatRecordDate(from) + ",0:0:0;" +
         FormatRecordDate(to) + ",23:55:55";
}

const std::string& RecordExportHeader() {
  static const std::string header = GBK("序号;采集要素;采集值;采集单位;采集时间\r\n");
  return header;
}

int ParseRecordBatch(std::string_view text, std::string& exportText, int* records) {
  int n = 0;
  int result;
  while (true) {
    if (StartsWith(text, kRecordPrefix)) {
      const size_t end = text.find("\r\n");
      if (end == std::string_view::npos) {
        result = 0;  // the incomplete last line is dropped; the caller acknowledges
        break;
      }
      exportText.append(text.substr(kRecordPrefix.size(), end - kRecordPrefix.size()));
      exportText.append("\r\n");
      ++n;
      text.remove_prefix(end + 2);
      continue;
    }
    if (StartsWith(text, kLeave)) {
      result = 0;
    } else if (StartsWith(text, kOk)) {
      result = 1;
    } else {
      result = -1;
    }
    break;
  }
  if (records) *records += n;
  return result;
}

std::string RecordFileText(std::string_view exportText) {
  std::string out(exportText);
  for (char& c : out) {
    if (c == ',') {
      c = ' ';
    } else if (c == ';') {
      c = ',';
    }
  }
  return out;
}

bool WriteRecordFile(const std::string& path, std::string_view exportText, std::string* error) {
  return WriteFileAtomically(path, RecordFileText(exportText), error);
}
