#pragma once
// Stored records as the device sends them and as the record file keeps them.
//
// Query (the value of AT+RDCHNNLRCRD=): "<channel>;<Y/M/D>,0:0:0;<Y/M/D>,23:55:55",
// channel 0 = all, 1-30; dates always year/month/day without leading zeros (2024/1/5),
// whatever the computer's date style.
// Batch (device to tool): lines "Record:" + fields separated by ";" + "\r\n", ended
// by "\r\nleave\r\n" (more follow once acknowledged) or "\r\nOK\r\n" (all sent).
// Export text: the header line, then one line per record (fields still ";"-separated).
// Record file (.csv): the export text with "," → " " inside fields and ";" → ",";
// code page 936 bytes as they are, no byte-order mark.
#include <string>
#include <string_view>

struct RecordDate {
  int year = 0;
  int month = 0;  // 1-12
  int day = 0;    // 1-31
};

// "2024/1/5" for {2024, 1, 5}.
std::string FormatRecordDate(const RecordDate& d);
// Accepts "YYYY/M/D" and "YYYY-MM-DD" (also single-digit month and day); false for
// anything else, including dates that are not in the calendar.
bool ParseRecordDate(std::string_view text, RecordDate& d);
// The query for channel (0 all, 1-30) from the first day's 0:0:0 to the last day's 23:55:55.
std::string FormatRecordQuery(int channel, const RecordDate& from, const RecordDate& to);

// The first line of every export text (code page 936, ";"-separated, CR LF).
const std::string& RecordExportHeader();

// Parses one batch: appends every complete record line (without "Record:", with CR LF)
// to exportText and adds their number to *records (when given).
// Returns 1 when the batch ends the read ("\r\nOK\r\n" after the records), 0 when more
// must be requested ("\r\nleave\r\n", or a last record line without its CR LF, which
// is dropped), -1 when the text at that point is none of these (an empty text too).
int ParseRecordBatch(std::string_view text, std::string& exportText, int* records = nullptr);

// The record file's bytes for an export text.
std::string RecordFileText(std::string_view exportText);

// Writes RecordFileText(exportText) to path atomically (a temporary file beside it, then
// renamed; on failure an existing file is untouched). False with the reason in *error.
bool WriteRecordFile(const std::string& path, std::string_view exportText,
                     std::string* error = nullptr);
