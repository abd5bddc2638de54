// Reading a listing into the table.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "base/cp936.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

using namespace std::string_literals;

int Parse(const std::string& text) { return ParseListing(text.data(), static_cast<int>(text.size())); }
std::string Raw(int id, int index) { return GetRawValue(*FindParam(id), index); }

class ListingParse : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override { ResetParamValues(); }
};

// Each case parses text into an empty table (but for the value `before` in the slot
// it checks) and checks the result and that slot.
TEST_F(ListingParse, LabelsValuesAndLineEnds) {
  struct Case { std::string text; int result; int id; int index; std::string want; const char* before; };
  const std::string upload = "Upload hours:  ";  // 15 characters
  const std::string hostile(10000, 'q');
  std::string bytes;  // every byte but the separators, from 2: a value starting with '.' means "empty"
  for (int b = 2; bytes.size() < 199; ++b) {
    if (b != ' ' && b != '\r' && b != '\n') bytes += static_cast<char>(b);
  }
  const Case cases[] = {
      // Instances by label; out-of-order ids: the label decides, not the position.
      {"Server2's port:  5005\r\n", 1, 21, 1, "5005", nullptr},
      {"Server2's port:  5005\r\n", 1, 21, 0, "", nullptr},
      {"Channel07 type:  401\r\n", 1, 30, 6, "401", nullptr},
      {"Com12 speed:  9600\r\n", 1, 93, 11, "9600", nullptr},
      {"Counter2 if up:  1\r\nAdc3 if up:  0\r\n", 1, 42, 1, "1", nullptr},
      {"Counter2 if up:  1\r\nAdc3 if up:  0\r\n", 1, 60, 2, "0", nullptr},
      {"Counter2 if up:  1\r\nAdc3 if up:  0\r\n", 1, 43, 1, "", nullptr},
      // Labels match byte for byte.
      {"Channel7 type:  401\r\n", 0, 30, 6, "", nullptr},        // channels need two digits
      {"Server01's Ip:  10.0.0.1\r\n", 0, 20, 0, "", nullptr},   // servers take none
      {"protocol work type:  1\r\n", 0, 0, 0, "", nullptr},      // case matters
      {"Protocol work type  1\r\n", 0, 0, 0, "", nullptr},
      {"Com16 speed:  9600\r\n", 0, 93, 14, "", nullptr},         // beyond the count
      {"Device address type:  1\r\n", 1, 163, 0, "1", nullptr},
      {"Device address type:  1\r\n", 1, 4, 0, "", nullptr},
      // The value is the first token after the label.
      {"Device address:  12345678\r\n", 1, 4, 0, "12345678", nullptr},
      {"Upload hours:  12 hours (local)\r\n", 1, 8, 0, "12", nullptr},
      {"Upload step min:5\r\n", 1, 16, 0, "5", nullptr},
      {"   Debug Level:  3\r\n", 1, 1, 0, "3", nullptr},
      {"\r\n\r\n  \r Heart second:  60\r\n", 1, 27, 0, "60", nullptr},
      // A dot or an immediate line end store an empty value.
      {"Modem Apn:  .\r\n", 1, 23, 0, "", "old"},
      {"Modem Apn:\r\n", 1, 23, 0, "", "old"},
      {"Modem Apn:   \r\n", 1, 23, 0, "", "old"},
      // Unterminated values are not stored; bare LF ends keep only values followed by a space.
      {"Modem Apn:\n", 0, 23, 0, "old", "old"},
      {"Modem Apn:    \n", 0, 23, 0, "old", "old"},
      {"Sim No:  13800138000", 0, 14, 0, "", nullptr},
      {"Sim No:  13800138000\r", 0, 14, 0, "", nullptr},
      {"Upload hours:  12\nUpload alarm min:  30 \n", 1, 8, 0, "", nullptr},
      {"Upload hours:  12\nUpload alarm min:  30 \n", 1, 11, 0, "30", nullptr},
      // Values stay in device form and code page 936.
      {"Debug com parity:  8-EVN-1\r\n", 1, 3, 0, "8-EVN-1", nullptr},
      {"Com1 unit:  " + GBK("水位计") + "\r\n", 1, 90, 0, GBK("水位计"), nullptr},
      {"Sms set:  " + bytes + "\r\n", 1, 146, 0, bytes, nullptr},
      // Parameters without instances and commands are ignored.
      {"Sdi if open:  1\r\nGray if open:  1\r\n", 0, 108, 0, "", nullptr},
      {"Record:  abc\r\n  xyz\r\n", 0, kCmdReadRecords, 0, "", nullptr},
      {"AT+SHOW\r\n\r\nOK\r\n", 0, kCmdShow, 0, "", nullptr},
      // NUL bytes (from a file) end the value.
      {"Sim No:  12\0 34\r\nDebug Level:  \0\r\n"s, 1, 14, 0, "12", nullptr},
      {"Sim No:  12\0 34\r\nDebug Level:  \0\r\n"s, 1, 1, 0, "", "old"},
      // Values are cut at 199 characters, lines at 254 (15 + 238 + CR fits, one more does not);
      // the rest of a long line is dropped up to its LF only.
      {upload + std::string(230, '7') + "\r\n", 1, 8, 0, std::string(199, '7'), nullptr},
      {upload + std::string(238, '8') + "\r\n", 1, 8, 0, std::string(199, '8'), nullptr},
      {upload + std::string(239, '9') + "\r\n", 0, 8, 0, "", nullptr},
      {upload + std::string(5000, 'x') + "\nSim No:  42\r\n", 1, 8, 0, "", nullptr},
      {upload + std::string(5000, 'x') + "\nSim No:  42\r\n", 1, 14, 0, "42", nullptr},
      {hostile + "\n" + "Modem Apn:  cmnet\r\n" + hostile, 1, 23, 0, "cmnet", nullptr},
      {"Modem Apn:  " + hostile + "\r", 0, 23, 0, "", nullptr},
      // Absent parameters keep their values; a later line for a label overwrites an earlier one.
      {"Debug Level:  2\r\n", 1, 0, 0, "1", "1"},
      {"Debug Level:  2\r\nDebug Level:  4\r\n", 1, 1, 0, "4", nullptr},
  };
  for (const Case& c : cases) {
    ResetParamValues();
    if (c.before != nullptr) SetRawValue(*FindParam(c.id), c.index, c.before);
    EXPECT_EQ(Parse(c.text), c.result) << c.text.substr(0, 60);
    EXPECT_EQ(Raw(c.id, c.index), c.want) << c.text.substr(0, 60) << " → " << c.id << "/" << c.index;
  }
}

TEST_F(ListingParse, OnlyTheGivenLengthIsRead) {
  const std::string text = "Sim No:  1380\r\nDebug Level:  2\r\n";
  // The second line's LF lies beyond the length: that line is incomplete.
  EXPECT_EQ(ParseListing(text.data(), static_cast<int>(text.size()) - 1), 1);
  EXPECT_EQ(Raw(14, 0) + "|" + Raw(1, 0), "1380|");
  for (int length : {0, -5}) EXPECT_EQ(ParseListing(text.data(), length), 0) << length;
  EXPECT_EQ(ParseListing(nullptr, 10), 0);
}

// Every parse sets the three flags anew: after one that set them all, each case
// shows which it leaves set.
TEST_F(ListingParse, ProtocolKindAndOptionalParametersFollowTheLastParse) {
  const std::string all = "Protocol text type:  5\r\nSzy Water order:  1\r\nDevice address type:  1\r\n";
  struct Case { const char* text; int kind; int water; int addressType; };
  const Case cases[] = {
      {"Protocol text type:  5\r\n", 2, 0, 0}, {"Protocol text type:  2\r\n", 1, 0, 0},
      {"Protocol text type:  3\r\n", 0, 0, 0}, {"Protocol text type:  .\r\n", 0, 0, 0},
      {"Debug Level:  1\r\n", 0, 0, 0},        {"", 0, 0, 0},
      {"Szy Water order:  1\r\n", 0, 1, 0},    {"Device address type:  .\r\nDevice address:  1\r\n", 0, 0, 1},
      {"Szy Water order:\n", 0, 0, 0},  // a label without a stored value does not count
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Parse(all), 1);
    ASSERT_EQ(ListingProtocolKind(), 2);
    Parse(c.text);
    EXPECT_EQ(ListingProtocolKind(), c.kind) << c.text;
    EXPECT_EQ(ListingWaterOrderSeen(), c.water) << c.text;
    EXPECT_EQ(ListingAddressTypeSeen(), c.addressType) << c.text;
  }
  EXPECT_EQ(Raw(7, 0), "5");  // a parse without the line keeps the value
}

// Every instance of every parameter with instances gets a distinct value, the table
// is written as a listing (wrapped like a device reply) and read back into an empty
// table.
// The instances a listing gives a value for, by the parser's own rules: an empty value
// counts, a line the parser does not store from (no label, beyond the count, no line
// end) does not; the table is left alone.
TEST_F(ListingParse, ListedInstancesAreThoseTheParserWouldStore) {
  SetRawValue(*FindParam(23), 0, "old");
  const std::string text =
      "AT+SHOW\r\nModem Apn:  .\r\nServer2's port:  5005\r\nChannel07 type:  401\r\n"
      "Com16 speed:  9600\r\nnot a label:  1\r\nHeart second:  60\r\nDebug Level:  3";
  const std::set<std::pair<int, int>> want = {{23, 0}, {21, 1}, {30, 6}, {27, 0}};
  EXPECT_EQ(ListedInstances(text), want);
  EXPECT_EQ(Raw(23, 0), "old");
  EXPECT_EQ(Raw(30, 6), "");
  EXPECT_TRUE(ListedInstances("").empty());
}

TEST_F(ListingParse, AFullListingFillsEveryInstance) {
  const ParamEntry* entries = ParamTableEntries();
  auto valueOf = [](int pos, int n) {
    return "v" + std::to_string(pos) + "_" + std::to_string(n) + (n % 3 ? "" : GBK("站"));
  };
  int instances = 0;
  for (int pos = 0; pos < 164; ++pos) {
    for (int n = 1; n <= entries[pos].count; ++n, ++instances) SetRawValue(entries[pos], n - 1, valueOf(pos, n));
  }
  EXPECT_EQ(instances, 757);
  SetParamText(kCmdReadRecords, "1,2", 0);
  const std::string reply = "AT+SHOW\r\n" + BuildListing() + "\r\nOK\r\n";
  ResetParamValues();

  // Every instance is listed, and naming them stores nothing.
  EXPECT_EQ(ListedInstances(reply).size(), 757u);
  EXPECT_EQ(Raw(4, 0), "");
  EXPECT_EQ(Parse(reply), 1);
  for (int pos = 0; pos < 164; ++pos) {
    for (int n = 1; n <= entries[pos].count; ++n) {
      EXPECT_EQ(GetRawValue(entries[pos], n - 1), valueOf(pos, n)) << "position " << pos << " instance " << n;
    }
  }
  EXPECT_EQ(Raw(kCmdReadRecords, 0), "");  // command lines are not read back
  EXPECT_EQ(ListingWaterOrderSeen(), 1);
  EXPECT_EQ(ListingAddressTypeSeen(), 1);
}

}  // namespace
