// How apply and diff read a .cfg: the encoding rule and its edge, unknown labels, --set.
#include <gtest/gtest.h>

#include "base/cp936.h"
#include "cli/cli_cfg_input.h"

namespace {

TEST(CfgEncodingRule, Utf8WithMultiByteCharactersIsUtf8AndEverythingElseCodePage936) {
  const std::string utf8 = "Station name:  \xE7\xB1\xB3\r\n";  // "米" in UTF-8
  const std::string gbk = cp936::FromUtf8(utf8);
  ASSERT_NE(gbk, utf8);
  CfgText t;
  std::string error;
  ASSERT_TRUE(DecodeCfgBytes(utf8, CfgEncoding::kAuto, t, error)) << error;
  EXPECT_TRUE(t.utf8);
  EXPECT_EQ(t.gbk, gbk);
  ASSERT_TRUE(DecodeCfgBytes("\xEF\xBB\xBF" + utf8, CfgEncoding::kAuto, t, error)) << error;
  EXPECT_EQ(t.gbk, gbk);  // the byte order mark is dropped
  // Code page 936 bytes are no UTF-8: taken as they are; so is plain ASCII.
  ASSERT_TRUE(DecodeCfgBytes(gbk, CfgEncoding::kAuto, t, error));
  EXPECT_FALSE(t.utf8);
  EXPECT_EQ(t.gbk, gbk);
  ASSERT_TRUE(DecodeCfgBytes("Server2's port:  5005\r\n", CfgEncoding::kAuto, t, error));
  EXPECT_FALSE(t.utf8);

  // The edge: code page 936 text whose bytes are also well-formed UTF-8 (the code page
  // 936 bytes of "姘翠綅" are the UTF-8 bytes of "水位") is read as UTF-8 by the rule;
  // --encoding gbk keeps its bytes.
  const std::string ambiguous = cp936::FromUtf8("姘翠綅");
  bool multi = false;
  ASSERT_TRUE(IsUtf8(ambiguous, multi));
  ASSERT_TRUE(multi);
  ASSERT_TRUE(DecodeCfgBytes(ambiguous, CfgEncoding::kAuto, t, error));
  EXPECT_TRUE(t.utf8);
  EXPECT_EQ(cp936::ToUtf8(t.gbk), "水位");
  ASSERT_TRUE(DecodeCfgBytes(ambiguous, CfgEncoding::kGbk, t, error));
  EXPECT_FALSE(t.utf8);
  EXPECT_EQ(t.gbk, ambiguous);

  // Refused, never garbled: UTF-8 that code page 936 cannot hold, and bytes given as
  // UTF-8 that are not.
  EXPECT_FALSE(DecodeCfgBytes("Station name:  \xF0\x9F\x98\x80\r\n", CfgEncoding::kAuto, t, error));
  EXPECT_NE(error.find("code page 936 lacks"), std::string::npos) << error;
  EXPECT_FALSE(DecodeCfgBytes(gbk, CfgEncoding::kUtf8, t, error));
  EXPECT_NE(error.find("not UTF-8"), std::string::npos) << error;
}

TEST(CfgEncodingRule, MalformedUtf8IsNoUtf8) {
  bool multi = true;
  EXPECT_TRUE(IsUtf8("", multi));
  EXPECT_FALSE(multi);
  for (const char* bad : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE7\xB1",
                          "\x80", "\xFF", "a\xE7\xB1" "b"})
    EXPECT_FALSE(IsUtf8(bad, multi)) << ::testing::PrintToString(std::string(bad));
  EXPECT_TRUE(IsUtf8("\xF4\x8F\xBF\xBF", multi));  // U+10FFFF
  EXPECT_TRUE(multi);
}

TEST(CfgUnknownLabels, EachLineWithoutATableLabelIsNamedWithItsNumber) {
  const std::string text =
      "Server2's port:  5005\r\n"
      "\r\n"
      "   \r\n"
      "Server2s port:  5006\r\n"  // misspelt
      "  Channel07 type:  401\r\n"
      "Bogus\r\n";
  const std::vector<UnknownLabel> u = UnknownLabels(text);
  ASSERT_EQ(u.size(), 2u);
  EXPECT_EQ(u[0].line, 4);
  EXPECT_EQ(u[0].label, "Server2s port:");
  EXPECT_EQ(u[1].line, 6);
  EXPECT_EQ(u[1].label, "Bogus");
}

TEST(CfgSettings, ASettingIsAppendedUnderItsTableLabelAndBadOnesAreRefused) {
  std::string text = "Server2's port:  5005\r\nChannel07 type:  401";
  std::string error;
  ASSERT_TRUE(ApplySetting("Server2's port=6006", text, error)) << error;
  ASSERT_TRUE(ApplySetting("Channel07 type:=402", text, error)) << error;
  EXPECT_EQ(text,
            "Server2's port:  5005\r\nChannel07 type:  401\r\n"
            "Server2's port:  6006\r\nChannel07 type:  402\r\n");
  ASSERT_TRUE(ApplySetting("Server2's port=", text, error));
  EXPECT_TRUE(text.ends_with("Server2's port:  .\r\n"));  // the listing's empty value
  for (const char* bad : {"Server2s port=1", "no equals sign", "=5", "Server2's port=a b",
                          "Server2's port=\xF0\x9F\x98\x80"}) {
    std::string before = text;
    EXPECT_FALSE(ApplySetting(bad, text, error)) << bad;
    EXPECT_EQ(text, before);
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
  EXPECT_FALSE(ApplySetting("Server2s port=1", text, error));
  EXPECT_NE(error.find("unknown label \"Server2s port\""), std::string::npos) << error;
}

}  // namespace
