// Inputs the fuzz targets found, kept as cases: each failed before its mend.
#include <gtest/gtest.h>

#include <string>

#include "protocol/record_batch.h"

namespace {

TEST(FuzzFindings, RecordDatesTakeOnlyYearsThatFormatBack) {
  const struct {
    const char* text;
    bool accepted;
  } cases[] = {
      {"0224-02-29", false},  // year 224 would be sent as "224/2/29"
      {"0999/1/1", false},
      {"1000/1/1", true},
      {"2024-02-29", true},
  };
  for (const auto& c : cases) {
    RecordDate d;
    ASSERT_EQ(ParseRecordDate(c.text, d), c.accepted) << c.text;
    if (!c.accepted) continue;
    RecordDate back;
    EXPECT_TRUE(ParseRecordDate(FormatRecordDate(d), back)) << c.text;
    EXPECT_EQ(back.year * 10000 + back.month * 100 + back.day, d.year * 10000 + d.month * 100 + d.day);
  }
}

}  // namespace
