// Stored-record batches and record dates of any content: no crash, records only from
// complete lines, and the record file has as many lines as the export text.
#include <algorithm>

#include "fuzz_input.h"
#include "protocol/record_batch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string exportText;
  int records = 0;
  const int r = ParseRecordBatch(text, exportText, &records);
  FUZZ_CHECK(r >= -1 && r <= 1);
  FUZZ_CHECK(records >= 0);
  FUZZ_CHECK(static_cast<int>(std::count(exportText.begin(), exportText.end(), '\n')) >= records);
  const std::string file = RecordFileText(exportText);
  FUZZ_CHECK(std::count(file.begin(), file.end(), '\n') == std::count(exportText.begin(), exportText.end(), '\n'));
  RecordDate d;
  if (ParseRecordDate(text, d)) {
    RecordDate back;
    FUZZ_CHECK(ParseRecordDate(FormatRecordDate(d), back));
    FUZZ_CHECK(back.year == d.year && back.month == d.month && back.day == d.day);
  }
  return 0;
}
