// Stored records and camera snapshots on the protocol level.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "protocol/picture_stream.h"
#include "protocol/record_batch.h"
#include "sim/rtu_sim.h"

namespace fs = std::filesystem;

namespace {

TEST(RecordBatch, ParsesTheDocumentedCases) {
  struct BatchCase { const char* name; std::string text; int result; std::string appended; int records; };
  const std::vector<BatchCase> cases = {  // appended: to the export text
      {"one record then OK", "Record:1;a;2.5;m;2024/1/5,08:00:00\r\n\r\nOK\r\n", 1,
       "1;a;2.5;m;2024/1/5,08:00:00\r\n", 1},
      {"OK alone", "\r\nOK\r\n", 1, "", 0},
      {"leave after two", "Record:1;x\r\nRecord:2;y\r\n\r\nleave\r\n", 0, "1;x\r\n2;y\r\n", 2},
      {"line without its end is dropped", "Record:1;x\r\nRecord:2;y", 0, "1;x\r\n", 1},
      {"record prefix only, no line end", "Record:", 0, "", 0},
      {"empty text", "", -1, "", 0},
      {"garbage after a record", "Record:1;x\r\nERROR\r\n", -1, "1;x\r\n", 1},
      {"leave needs its leading CR LF", "leave\r\n", -1, "", 0},
      {"prefix is case-sensitive", "record:1;x\r\n\r\nOK\r\n", -1, "", 0},
      {"empty record line", "Record:\r\n\r\nOK\r\n", 1, "\r\n", 1},
  };
  for (const BatchCase& c : cases) {
    std::string text = "H\r\n";
    int n = 0;
    EXPECT_EQ(ParseRecordBatch(c.text, text, &n), c.result) << c.name;
    EXPECT_EQ(text, "H\r\n" + c.appended) << c.name;
    EXPECT_EQ(n, c.records) << c.name;
  }
}

TEST(RecordBatch, QueryAndDates) {
  EXPECT_EQ(FormatRecordQuery(0, {2024, 1, 5}, {2024, 1, 9}), "0;2024/1/5,0:0:0;2024/1/9,23:55:55");
  EXPECT_EQ(FormatRecordQuery(30, {2023, 12, 31}, {2024, 10, 1}), "30;2023/12/31,0:0:0;2024/10/1,23:55:55");
  struct DateCase { const char* text; bool ok; RecordDate d; };
  const std::vector<DateCase> dates = {
      {"2024/1/5", true, {2024, 1, 5}},   {"2024-01-05", true, {2024, 1, 5}},
      {"2024-2-29", true, {2024, 2, 29}}, {"2023-02-29", false, {}},
      {"2024/13/1", false, {}},           {"24/1/5", false, {}},
      {"2024/1/5/", false, {}},           {"2024-1/5", false, {}},
      // Found by fuzzing: only years that format back as four digits ("224/2/29" would go out).
      {"0224-02-29", false, {}},          {"0999/1/1", false, {}},
      {"1000/1/1", true, {1000, 1, 1}},
  };
  for (const DateCase& c : dates) {
    RecordDate d{1, 1, 1}, back;
    ASSERT_EQ(ParseRecordDate(c.text, d), c.ok) << c.text;
    if (!c.ok) continue;
    EXPECT_EQ(std::tie(d.year, d.month, d.day), std::tie(c.d.year, c.d.month, c.d.day)) << c.text;
    EXPECT_TRUE(ParseRecordDate(FormatRecordDate(d), back)) << c.text;
    EXPECT_EQ(std::tie(back.year, back.month, back.day), std::tie(d.year, d.month, d.day)) << c.text;
  }
}

// The atomic write itself is the .cfg writer's (its own tests); here: the failure is told.
TEST(RecordFile, FailedWriteReportsItsReason) {
  std::string error;
  const fs::path path = fs::temp_directory_path() / "qx-records-no-such-folder" / "r.csv";
  EXPECT_FALSE(WriteRecordFile(path.string(), "x;y\r\n", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs::exists(path));
}

// The stream as the device sends it: header with the little-endian length, picture,
// and whatever trails it.
std::string Stream(const std::string& jpeg, uint32_t length, const std::string& trailer = "") {
  std::string s = "\r\nOK\r\n";
  for (int i = 0; i < 4; ++i) s += static_cast<char>((length >> (8 * i)) & 0xFF);
  return s + jpeg + trailer;
}

// Feeds stream cut at the given positions; returns the state after the last block.
PictureState Feed(PictureCollector& c, const std::string& stream, std::vector<size_t> cuts) {
  c.Begin();
  cuts.push_back(stream.size());
  size_t from = 0;
  for (size_t to : cuts) {
    if (to > from) c.CollectPictureBytes(stream.data() + from, static_cast<int>(to - from));
    from = std::max(from, to);
  }
  return c.State();
}

TEST(PictureCollector, EdgeSplitsAndLengths) {
  const std::string jpeg = RtuSimulator::CameraPicture(1);
  const uint32_t size = static_cast<uint32_t>(jpeg.size());
  struct Case { const char* name; std::string stream; std::vector<size_t> cuts; PictureState state; size_t held; };
  const std::vector<Case> cases = {
      {"header and picture in one block", Stream(jpeg, size), {}, PictureState::Complete, size},
      {"one block with trailing bytes", Stream(jpeg, size, "\r\nOK\r\n"), {}, PictureState::Complete, size},
      {"8 then 100 bytes", Stream(jpeg, size), {8, 108, 108}, PictureState::Complete, size},
      {"header alone, then the rest", Stream(jpeg, size), {10}, PictureState::Complete, size},
      {"cut short", Stream(jpeg, size).substr(0, 10 + size / 2), {300}, PictureState::Reading, size / 2},
      {"header incomplete", Stream(jpeg, size).substr(0, 9), {}, PictureState::Reading, 0},
      {"exactly the limit", Stream(std::string(kPictureMaxBytes, 'j'), kPictureMaxBytes), {5000},
       PictureState::Complete, kPictureMaxBytes},
      {"one above the limit", Stream(jpeg, kPictureMaxBytes + 1), {}, PictureState::Failed, 0},
      {"far above, split header", Stream(jpeg, 0xFFFFFFFFu), {3, 7}, PictureState::Failed, 0},
      {"length 0", Stream(jpeg, 0), {}, PictureState::Failed, 0},
  };
  PictureCollector idle;  // nothing is taken outside a read
  idle.CollectPictureBytes(cases[0].stream.data(), static_cast<int>(cases[0].stream.size()));
  EXPECT_EQ(idle.State(), PictureState::Idle);
  EXPECT_TRUE(idle.Bytes().empty());
  for (const Case& c : cases) {
    PictureCollector col;
    EXPECT_EQ(Feed(col, c.stream, c.cuts), c.state) << c.name;
    EXPECT_EQ(col.Bytes().size(), c.held) << c.name;
    EXPECT_EQ(col.Received(), c.held) << c.name;
  }
}

}  // namespace
