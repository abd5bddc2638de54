// The listing parser on hostile and random input: random bytes, very long lines,
// missing line ends. And a comparison with a plain, unoptimised reading of the
// listing rules on many random listings built from real labels.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

int Parse(const std::string& text) { return ParseListing(text.data(), static_cast<int>(text.size())); }

class ListingHostile : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override { ResetParamValues(); }

  // The longest value text anywhere in the table.
  static size_t LongestValue() {
    size_t longest = 0;
    const ParamEntry* entries = ParamTableEntries();
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      for (int i = 0; i < kMaxInstances; ++i) {
        longest = std::max(longest, GetRawValue(entries[pos], i).size());
      }
    }
    return longest;
  }
};

// Pieces of listing-like text: real labels (some slightly wrong), blanks, tokens of
// every length up to beyond the limits, and every kind of line end.
std::string RandomListing(std::mt19937& rng, int pieces) {
  const ParamEntry* entries = ParamTableEntries();
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  std::string text;
  for (int p = 0; p < pieces; ++p) {
    const ParamEntry& e = entries[pick(kParamEntryCount)];
    std::string label = FormatLabel(e, pick(e.count + 2));
    switch (pick(8)) {
      case 0: if (!label.empty()) label.pop_back(); break;
      case 1: if (!label.empty()) label[0] ^= 0x20; break;
      case 2: label = "Channel" + std::to_string(pick(40)) + " type:"; break;
      default: break;
    }
    if (pick(5) == 0) text += std::string(pick(4), ' ');
    text += label;
    text += std::string(pick(4), ' ');
    const int tokens = pick(3);
    for (int t = 0; t < tokens; ++t) {
      const int length = pick(6) == 0 ? pick(400) : pick(12);
      for (int i = 0; i < length; ++i) {
        static const char kChars[] = "0123456789.abc-:,\xd5\xbe\xb5\xe3 ";
        text += pick(50) == 0 ? '\0' : kChars[pick(sizeof(kChars) - 1)];
      }
      if (t + 1 < tokens) text += ' ';
    }
    static const char* const kEnds[] = {"\r\n", "\r\n", "\r\n", "\n", "\r", "", " \n", "\r\r\n"};
    text += kEnds[pick(8)];
  }
  return text;
}

// The listing rules read literally: every line against every entry in position
// order and every instance label, the value read character by character.
struct Expected {
  int result = 0;
  int kind = 0, water = 0, addressType = 0;
  std::map<std::pair<int, int>, std::string> values;  // (position, index) → text
};

Expected ReadLiterally(const std::string& text) {
  Expected x;
  const ParamEntry* entries = ParamTableEntries();
  // Formatting is tested elsewhere; the labels are formatted once to keep this quick.
  static const std::vector<std::vector<std::string>> labels = [entries] {
    std::vector<std::vector<std::string>> all(kParamEntryCount);
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      for (int n = 1; n <= entries[pos].count; ++n) all[pos].push_back(FormatLabel(entries[pos], n));
    }
    return all;
  }();
  auto process = [&](const std::string& line) {
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      const ParamEntry& e = entries[pos];
      if (e.id >= 164 || e.labelPrefix[0] == '\0' || e.count == 0) continue;
      for (int n = 1; n <= e.count; ++n) {
        const std::string& label = labels[pos][n - 1];
        if (line.size() < label.size() || line.compare(0, label.size(), label) != 0) continue;
        size_t i = label.size();
        if (i < line.size()) {
          while (i < line.size() && line[i] == ' ') ++i;
          std::string value;
          bool store = false;
          if (i < line.size() && (line[i] == '.' || line[i] == '\r')) {
            store = true;
          } else {
            for (; i < line.size(); ++i) {
              if (line[i] == ' ' || line[i] == '\r') { store = true; break; }
              if (value.size() < 199) value += line[i];
            }
          }
          if (store) {
            value = value.substr(0, value.find('\0'));
            x.values[{pos, n - 1}] = value;
            x.result = 1;
            if (e.id == 7) x.kind = value == "2" ? 1 : value == "5" ? 2 : 0;
            if (e.id == 162) x.water = 1;
            if (e.id == 163) x.addressType = 1;
          }
        }
        break;
      }
    }
  };
  std::string line;
  bool inLine = false;
  for (char c : text) {
    if (!inLine) {
      if (c == ' ' || c == '\r' || c == '\n') continue;
      inLine = true;
      line.assign(1, c);
    } else if (c == '\n') {
      process(line);
      inLine = false;
    } else if (line.size() < 254) {
      line += c;
    }
  }
  return x;
}

TEST_F(ListingHostile, AgreesWithTheLiteralRulesOnRandomListings) {
  std::mt19937 rng(4242);
  const ParamEntry* entries = ParamTableEntries();
  for (int round = 0; round < 200; ++round) {
    const std::string text = RandomListing(rng, 40);
    const Expected x = ReadLiterally(text);
    ResetParamValues();
    ASSERT_EQ(Parse(text), x.result) << "round " << round;
    ASSERT_EQ(g_nProtocolKind, x.kind) << "round " << round;
    ASSERT_EQ(g_bWaterOrderSeen, x.water) << "round " << round;
    ASSERT_EQ(g_bAddressTypeSeen, x.addressType) << "round " << round;
    for (int pos = 0; pos < kParamEntryCount; ++pos) {
      for (int i = 0; i < kMaxInstances; ++i) {
        const auto it = x.values.find({pos, i});
        const std::string want = it == x.values.end() ? std::string() : it->second;
        ASSERT_EQ(GetRawValue(entries[pos], i), want)
            << "round " << round << " position " << pos << " index " << i;
      }
    }
  }
}

TEST_F(ListingHostile, OneMegabyteOfRandomBytes) {
  std::mt19937 rng(20240601);
  std::string text(1 << 20, '\0');
  for (char& c : text) c = static_cast<char>(rng() & 0xff);
  const int result = Parse(text);
  EXPECT_TRUE(result == 0 || result == 1);
  EXPECT_LE(LongestValue(), 199u);
}

TEST_F(ListingHostile, OneMegabyteOfRandomListingText) {
  std::mt19937 rng(77);
  std::string text;
  while (text.size() < (1u << 20)) text += RandomListing(rng, 200);
  EXPECT_EQ(Parse(text), 1);
  EXPECT_LE(LongestValue(), 199u);
}

TEST_F(ListingHostile, VeryLongLinesStoreAtMost199Characters) {
  const std::string longToken(10000, 'q');
  // Value token longer than the line: the line's CR is cut off, nothing stored.
  EXPECT_EQ(Parse("Sim No:  " + longToken + "\r\n"), 0);
  EXPECT_EQ(GetParamText(14, 0), "");
  // 10000 characters of blanks and tokens after a label; the value is cut at 199.
  EXPECT_EQ(Parse("Sim No:  " + std::string(230, 'w') + " " + longToken + "\r\n"), 1);
  EXPECT_EQ(GetParamText(14, 0), std::string(199, 'w'));
  // A 10000-character line without any LF, and without a final LF.
  EXPECT_EQ(Parse("Modem Apn:  " + longToken), 0);
  EXPECT_EQ(Parse("Modem Apn:  " + longToken + "\r"), 0);
  EXPECT_EQ(GetParamText(23, 0), "");
  // Long garbage lines around a good line do not swallow it.
  EXPECT_EQ(Parse(longToken + "\n" + "Modem Apn:  cmnet\r\n" + longToken), 1);
  EXPECT_EQ(GetParamText(23, 0), "cmnet");
  // No CR anywhere: only values followed by a space are kept.
  EXPECT_EQ(Parse("Heart second:  60\nLcp echo second:  30 x\nReconnect second:  20"), 1);
  EXPECT_EQ(GetParamText(27, 0), "");
  EXPECT_EQ(GetParamText(29, 0), "30");
  EXPECT_EQ(GetParamText(28, 0), "");
  EXPECT_LE(LongestValue(), 199u);
}

TEST_F(ListingHostile, BytesOfEveryValueAreKept) {
  // Every byte except the separators survives as part of a value.
  std::string value;
  for (int b = 1; b < 256; ++b) {
    if (b != ' ' && b != '\r' && b != '\n') value += static_cast<char>(b);
  }
  value = value.substr(1, 199);  // must not start with '.', which means "empty"
  ASSERT_NE(value[0], '.');
  EXPECT_EQ(Parse("Sms set:  " + value + "\r\n"), 1);
  EXPECT_EQ(GetRawValue(*FindParam(146), 0), value);
}

}  // namespace
