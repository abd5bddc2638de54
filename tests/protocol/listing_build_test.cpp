// Writing the table in listing form.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

// The lines of a listing; a last line without CR LF is marked.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start) + "<no CR LF>");
  return lines;
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
  const auto it = std::find(lines.begin(), lines.end(), line);
  return it == lines.end() ? std::string::npos : static_cast<size_t>(it - lines.begin());
}

class ListingBuild : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override { ResetParamValues(); }

  // Fills values of the first parameters (in position order) so that the listing
  // grows by exactly `extra` bytes.
  static void Grow(size_t extra) {
    const ParamEntry* entries = ParamTableEntries();
    for (int pos = 0; pos < 164 && extra > 0; ++pos) {
      for (int i = 0; i < entries[pos].count && extra > 0; ++i) {
        const size_t room = 199 - GetRawValue(entries[pos], i).size();
        const size_t add = std::min(room, extra);
        SetRawValue(entries[pos], i, GetRawValue(entries[pos], i) + std::string(add, 'x'));
        extra -= add;
      }
    }
    ASSERT_EQ(extra, 0u);
  }
};

TEST_F(ListingBuild, OneLinePerInstanceInPositionOrderInDeviceForm) {
  SetParamText(0, "1", 0);
  SetParamText(3, "8N1", 0);
  SetParamText(kCmdClock, "2024-05-06 07:08:09", 0);
  SetParamText(kCmdReadRecords, "3", 0);
  const std::vector<std::string> lines = Lines(BuildListing());
  ASSERT_EQ(lines.size(), 757u + 16u);
  EXPECT_EQ(lines[0], "Protocol work type:  1");
  EXPECT_EQ(lines[1], "Debug Level:  ");  // an empty value: the label and two spaces
  EXPECT_EQ(lines[3], "Debug com parity:  8-NON-1");
  EXPECT_EQ(lines[19], "Server1's transfer mode:  ");
  EXPECT_EQ(lines[27], "Server1's Ip:  ");  // all eight instances of an entry, then the next entry
  const size_t ch = IndexOf(lines, "Channel01 type:  ");
  ASSERT_NE(ch, std::string::npos);
  EXPECT_EQ(lines[ch + 29], "Channel30 type:  ");
  EXPECT_EQ(lines[ch + 30], "Channel01 save length:  ");
  // Positions, not ids: a counter's "if up" comes after its "shake ms".
  EXPECT_EQ(IndexOf(lines, "Counter2 shake ms:  ") + 1, IndexOf(lines, "Counter1 if up:  "));
  EXPECT_EQ(IndexOf(lines, "Sdi if open:  "), std::string::npos);  // no instances, no line
  // The last parameter line, then the 16 command lines with their stored arguments.
  EXPECT_EQ(lines[756], "Device address type:  ");
  for (size_t i = 757; i < lines.size(); ++i) {
    const char* want = i == 757 + 7 ? "  2024-05-06 07:08:09" : i == 757 + 8 ? "Record:  3" : "  ";
    EXPECT_EQ(lines[i], want) << i;
  }
}

TEST_F(ListingBuild, AListingOfExactlyTheLimitMinusOneByteIsWhole) {
  const size_t empty = BuildListing().size();
  Grow(kListingMaxBytes - 1 - empty);
  const std::string text = BuildListing();
  EXPECT_EQ(text.size(), static_cast<size_t>(kListingMaxBytes - 1));
  EXPECT_EQ(Lines(text).size(), 773u);

  // One byte more and the last line no longer fits (room is kept for a terminator).
  Grow(1);
  const std::string over = BuildListing();
  EXPECT_EQ(over.size(), static_cast<size_t>(kListingMaxBytes - 1 + 1 - 4));
  EXPECT_EQ(Lines(over).size(), 772u);
}

TEST_F(ListingBuild, ALineThatDoesNotFitDropsTheRestOfItsEntryOnly) {
  // Place the first "Com sensor type" line so that its 199-character value cannot
  // fit, while the short lines after the entry still do.
  const std::string before = BuildListing();
  const size_t offset = before.find("Com1 sensor type:  ");
  ASSERT_NE(offset, std::string::npos);
  const size_t lineLength = std::string("Com1 sensor type:  ").size() + 199 + 2;
  const size_t wantedOffset = kListingMaxBytes - lineLength;  // offset + line + 1 > limit
  Grow(wantedOffset - offset);
  SetRawValue(*FindParam(161), 0, std::string(199, 's'));

  const std::string text = BuildListing();
  const std::vector<std::string> lines = Lines(text);
  EXPECT_EQ(text.find("sensor type:"), std::string::npos);  // all 15 instances skipped
  EXPECT_EQ(lines.size(), 773u - 15u);
  EXPECT_NE(IndexOf(lines, "Szy Water order:  "), std::string::npos);
  EXPECT_EQ(lines.back(), "  ");
  EXPECT_LE(text.size(), static_cast<size_t>(kListingMaxBytes - 1));

  // One byte less in front and it fits, exactly up to the limit; now nothing after
  // it fits any more.
  SetRawValue(*FindParam(0), 0, GetRawValue(*FindParam(0), 0).substr(1));
  const std::string fits = BuildListing();
  EXPECT_EQ(fits.size(), static_cast<size_t>(kListingMaxBytes - 1));
  EXPECT_EQ(Lines(fits).back(), "Com1 sensor type:  " + std::string(199, 's'));
}

}  // namespace
