// Reading the device's parameter listing into the table: labels, value tokens,
// line ends, the protocol flags, and a whole listing read back.
#include <gtest/gtest.h>

#include <string>

#include "base/cp936.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

int Parse(const std::string& text) { return ParseListing(text.data(), static_cast<int>(text.size())); }
std::string Raw(int id, int index) { return GetRawValue(*FindParam(id), index); }

class ListingParse : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override { ResetParamValues(); }
};

TEST_F(ListingParse, MultiInstanceLabelsFillTheirInstance) {
  EXPECT_EQ(Parse("Server2's port:  5005\r\n"), 1);
  EXPECT_EQ(Raw(21, 1), "5005");
  EXPECT_EQ(Raw(21, 0), "");

  EXPECT_EQ(Parse("Channel07 type:  401\r\n"), 1);
  EXPECT_EQ(Raw(30, 6), "401");

  EXPECT_EQ(Parse("Com12 speed:  9600\r\n"), 1);
  EXPECT_EQ(Raw(93, 11), "9600");

  // Out-of-order ids: the label decides, not the position.
  EXPECT_EQ(Parse("Counter2 if up:  1\r\nAdc3 if up:  0\r\n"), 1);
  EXPECT_EQ(Raw(42, 1), "1");
  EXPECT_EQ(Raw(60, 2), "0");
  EXPECT_EQ(Raw(43, 1), "");
}

TEST_F(ListingParse, LabelsMatchByteForByte) {
  EXPECT_EQ(Parse("Channel7 type:  401\r\n"), 0);        // channels need two digits
  EXPECT_EQ(Parse("Server01's Ip:  10.0.0.1\r\n"), 0);   // servers take none
  EXPECT_EQ(Parse("protocol work type:  1\r\n"), 0);     // case matters
  EXPECT_EQ(Parse("Protocol work type  1\r\n"), 0);
  EXPECT_EQ(Parse("Com16 speed:  9600\r\n"), 0);          // beyond the count
  EXPECT_EQ(Raw(30, 6), "");
  EXPECT_EQ(Raw(20, 0), "");
  EXPECT_EQ(Raw(0, 0), "");
  // "Device address:" and "Device address type:" are different labels.
  EXPECT_EQ(Parse("Device address type:  1\r\n"), 1);
  EXPECT_EQ(Raw(163, 0), "1");
  EXPECT_EQ(Raw(4, 0), "");
}

TEST_F(ListingParse, ValueIsTheFirstTokenAfterTheLabel) {
  EXPECT_EQ(Parse("Device address:  12345678\r\n"), 1);
  EXPECT_EQ(Raw(4, 0), "12345678");
  EXPECT_EQ(Parse("Upload hours:  12 hours (local)\r\n"), 1);
  EXPECT_EQ(Raw(8, 0), "12");
  EXPECT_EQ(Parse("Upload step min:5\r\n"), 1);  // no spaces needed
  EXPECT_EQ(Raw(16, 0), "5");
  EXPECT_EQ(Parse("   Debug Level:  3\r\n"), 1);  // leading blanks of a line are skipped
  EXPECT_EQ(Raw(1, 0), "3");
  EXPECT_EQ(Parse("\r\n\r\n  \r Heart second:  60\r\n"), 1);
  EXPECT_EQ(Raw(27, 0), "60");
}

TEST_F(ListingParse, DotOrImmediateLineEndStoreAnEmptyValue) {
  SetParamText(23, "old", 0);
  EXPECT_EQ(Parse("Modem Apn:  .\r\n"), 1);
  EXPECT_EQ(Raw(23, 0), "");

  SetParamText(23, "old", 0);
  EXPECT_EQ(Parse("Modem Apn:\r\n"), 1);
  EXPECT_EQ(Raw(23, 0), "");

  SetParamText(23, "old", 0);
  EXPECT_EQ(Parse("Modem Apn:   \r\n"), 1);
  EXPECT_EQ(Raw(23, 0), "");
}

TEST_F(ListingParse, UnterminatedValuesAreNotStored) {
  SetParamText(23, "old", 0);
  EXPECT_EQ(Parse("Modem Apn:\n"), 0);      // nothing after the label
  EXPECT_EQ(Parse("Modem Apn:    \n"), 0);  // only spaces after it
  EXPECT_EQ(Raw(23, 0), "old");

  EXPECT_EQ(Parse("Sim No:  13800138000"), 0);        // last line without LF
  EXPECT_EQ(Parse("Sim No:  13800138000\r"), 0);
  EXPECT_EQ(Raw(14, 0), "");

  // Bare LF line ends keep only values that are followed by a space.
  EXPECT_EQ(Parse("Upload hours:  12\nUpload alarm min:  30 \n"), 1);
  EXPECT_EQ(Raw(8, 0), "");
  EXPECT_EQ(Raw(11, 0), "30");
}

TEST_F(ListingParse, OnlyTheGivenLengthIsRead) {
  const std::string text = "Sim No:  1380\r\nDebug Level:  2\r\n";
  // The second line's LF lies beyond the length: that line is incomplete.
  EXPECT_EQ(ParseListing(text.data(), static_cast<int>(text.size()) - 1), 1);
  EXPECT_EQ(Raw(14, 0), "1380");
  EXPECT_EQ(Raw(1, 0), "");
  EXPECT_EQ(ParseListing(text.data(), 0), 0);
  EXPECT_EQ(ParseListing(text.data(), -5), 0);
  EXPECT_EQ(ParseListing(nullptr, 10), 0);
}

TEST_F(ListingParse, ValuesAreKeptInDeviceForm) {
  EXPECT_EQ(Parse("Debug com parity:  8-EVN-1\r\n"), 1);
  EXPECT_EQ(Raw(3, 0), "8-EVN-1");
  EXPECT_EQ(GetParamText(3, 0), "8E1");

  const std::string gbk = GBK("水位计");
  ASSERT_EQ(gbk.size(), 6u);
  EXPECT_EQ(Parse("Com1 unit:  " + gbk + "\r\n"), 1);
  EXPECT_EQ(Raw(90, 0), gbk);
}

TEST_F(ListingParse, ParametersWithoutInstancesAndCommandsAreIgnored) {
  EXPECT_EQ(Parse("Sdi if open:  1\r\nGray if open:  1\r\n"), 0);
  EXPECT_EQ(Parse("Record:  abc\r\n  xyz\r\n"), 0);
  EXPECT_EQ(Raw(108, 0), "");
  EXPECT_EQ(Raw(kCmdReadRecords, 0), "");
  EXPECT_EQ(Parse("AT+SHOW\r\n\r\nOK\r\n"), 0);
}

TEST_F(ListingParse, LongValuesAreCutAt199AndLongLinesAt254) {
  const std::string label = "Upload hours:  ";  // 15 characters
  EXPECT_EQ(Parse(label + std::string(230, '7') + "\r\n"), 1);
  EXPECT_EQ(Raw(8, 0), std::string(199, '7'));

  // 15 + 238 + CR = 254 characters: the CR is still inside the line.
  ResetParamValues();
  EXPECT_EQ(Parse(label + std::string(238, '8') + "\r\n"), 1);
  EXPECT_EQ(Raw(8, 0), std::string(199, '8'));
  // One more character pushes the CR out of the line: the value is unterminated.
  ResetParamValues();
  EXPECT_EQ(Parse(label + std::string(239, '9') + "\r\n"), 0);
  EXPECT_EQ(Raw(8, 0), "");

  // The characters beyond 254 are dropped only up to that line's LF.
  EXPECT_EQ(Parse(label + std::string(5000, 'x') + "\nSim No:  42\r\n"), 1);
  EXPECT_EQ(Raw(8, 0), "");
  EXPECT_EQ(Raw(14, 0), "42");
}

TEST_F(ListingParse, NulBytesFromAFileEndTheValue) {
  const std::string text("Sim No:  12\0 34\r\nDebug Level:  \0\r\n", 34);
  EXPECT_EQ(Parse(text), 1);
  EXPECT_EQ(Raw(14, 0), "12");
  EXPECT_EQ(Raw(1, 0), "");
}

TEST_F(ListingParse, AbsentParametersKeepTheirValues) {
  SetParamText(0, "1", 0);
  SetParamText(30, "101", 0);
  EXPECT_EQ(Parse("Debug Level:  2\r\n"), 1);
  EXPECT_EQ(Raw(0, 0), "1");
  EXPECT_EQ(Raw(30, 0), "101");
  // A later line for the same label overwrites the earlier one.
  EXPECT_EQ(Parse("Debug Level:  2\r\nDebug Level:  4\r\n"), 1);
  EXPECT_EQ(Raw(1, 0), "4");
}

TEST_F(ListingParse, ProtocolKindFollowsTheLastParse) {
  EXPECT_EQ(Parse("Protocol text type:  5\r\n"), 1);
  EXPECT_EQ(Raw(7, 0), "5");
  EXPECT_EQ(g_nProtocolKind, 2);
  EXPECT_EQ(Parse("Protocol text type:  2\r\n"), 1);
  EXPECT_EQ(g_nProtocolKind, 1);
  EXPECT_EQ(Parse("Protocol text type:  3\r\n"), 1);
  EXPECT_EQ(g_nProtocolKind, 0);
  EXPECT_EQ(Parse("Protocol text type:  5\r\n"), 1);
  // A parse without the line clears the flag but keeps the value.
  EXPECT_EQ(Parse("Debug Level:  1\r\n"), 1);
  EXPECT_EQ(Raw(7, 0), "5");
  EXPECT_EQ(g_nProtocolKind, 0);
  // So does a parse of nothing at all.
  EXPECT_EQ(Parse("Protocol text type:  5\r\n"), 1);
  EXPECT_EQ(ParseListing("", 0), 0);
  EXPECT_EQ(g_nProtocolKind, 0);
  // An empty value is a stored value too.
  EXPECT_EQ(Parse("Protocol text type:  .\r\n"), 1);
  EXPECT_EQ(g_nProtocolKind, 0);
}

TEST_F(ListingParse, OptionalParametersAreNotedWhenPresent) {
  EXPECT_EQ(Parse("Szy Water order:  1\r\n"), 1);
  EXPECT_EQ(g_bWaterOrderSeen, 1);
  EXPECT_EQ(g_bAddressTypeSeen, 0);
  EXPECT_EQ(Parse("Device address type:  .\r\nDevice address:  1\r\n"), 1);
  EXPECT_EQ(g_bWaterOrderSeen, 0);
  EXPECT_EQ(g_bAddressTypeSeen, 1);
  // A label without a stored value does not count.
  EXPECT_EQ(Parse("Szy Water order:\n"), 0);
  EXPECT_EQ(g_bWaterOrderSeen, 0);
}

// Every instance of every parameter with instances gets a distinct value, the table
// is written as a listing (wrapped like a device reply) and read back into an empty
// table.
TEST_F(ListingParse, AFullListingFillsEveryInstance) {
  const ParamEntry* entries = ParamTableEntries();
  auto valueOf = [](int pos, int n) {
    return "v" + std::to_string(pos) + "_" + std::to_string(n) + (n % 3 ? "" : GBK("站"));
  };
  int instances = 0;
  for (int pos = 0; pos < 164; ++pos) {
    for (int n = 1; n <= entries[pos].count; ++n, ++instances) {
      SetRawValue(entries[pos], n - 1, valueOf(pos, n));
    }
  }
  EXPECT_EQ(instances, 757);
  SetParamText(kCmdReadRecords, "1,2", 0);
  const std::string reply = "AT+SHOW\r\n" + BuildListing() + "\r\nOK\r\n";
  ResetParamValues();

  EXPECT_EQ(Parse(reply), 1);
  for (int pos = 0; pos < 164; ++pos) {
    for (int n = 1; n <= entries[pos].count; ++n) {
      EXPECT_EQ(GetRawValue(entries[pos], n - 1), valueOf(pos, n)) << "position " << pos << " instance " << n;
    }
  }
  EXPECT_EQ(Raw(kCmdReadRecords, 0), "");  // command lines are not read back
  EXPECT_EQ(g_bWaterOrderSeen, 1);
  EXPECT_EQ(g_bAddressTypeSeen, 1);
}

}  // namespace
