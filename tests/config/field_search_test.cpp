// Finding fields by part of their page path, listing label or command word.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "config/field_help.h"
#include "config/field_search.h"

namespace {

class FieldSearchTest : public ::testing::Test {
 protected:
  std::vector<std::string> Commands(const std::string& query, size_t limit = 1000) const {
    std::vector<std::string> commands;
    for (size_t i : search.Find(query, limit)) commands.push_back(search.Fields()[i].command);
    return commands;
  }
  FieldSearch search{field_help::DescribeAll()};
};

TEST_F(FieldSearchTest, WordsOfAPathALabelOrACommandFindTheirFieldsInFieldOrder) {
  ASSERT_EQ(search.Fields().size(), 757u);
  // A command word in any case, with or without its instance.
  const std::vector<std::string> ports = Commands("at+multiport");
  ASSERT_FALSE(ports.empty());
  for (const std::string& c : ports) EXPECT_EQ(c.rfind("AT+MULTIPORT", 0), 0u) << c;
  EXPECT_EQ(Commands("AT+CHNSVLEN07"), std::vector<std::string>{"AT+CHNSVLEN07"});
  // A listing label's part.
  const std::vector<std::string> apn = Commands("APN");
  ASSERT_FALSE(apn.empty());
  EXPECT_EQ(search.Find("apn", 1000), search.Find("APN", 1000));
  for (size_t i : search.Find("apn", 1000)) {
    std::string text = search.Fields()[i].listingLabel + search.Fields()[i].path + search.Fields()[i].command;
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_NE(text.find("APN"), std::string::npos) << text;
  }
  // A page word: every field whose path holds it, and only those.
  const std::vector<size_t> port = search.Find("端口", 1000);
  ASSERT_FALSE(port.empty());
  size_t holding = 0;
  for (const field_help::FieldHelp& f : search.Fields())
    if ((f.path + f.listingLabel).find("端口") != std::string::npos) ++holding;
  EXPECT_EQ(port.size(), holding);
  // Every word must occur: a channel and a field of it.
  EXPECT_EQ(Commands("通道07 存储长度"), std::vector<std::string>{"AT+CHNSVLEN07"});
  EXPECT_EQ(Commands("  通道07   存储长度 "), std::vector<std::string>{"AT+CHNSVLEN07"});
  // In field order, cut at the limit; nothing for a blank query or an unknown word.
  const std::vector<size_t> all = search.Find("at+", 1000);
  EXPECT_EQ(all.size(), 757u);
  EXPECT_TRUE(std::is_sorted(all.begin(), all.end()));
  EXPECT_EQ(search.Find("at+", 5), std::vector<size_t>(all.begin(), all.begin() + 5));
  EXPECT_TRUE(search.Find("", 10).empty());
  EXPECT_TRUE(search.Find("   ", 10).empty());
  EXPECT_TRUE(search.Find("no such field", 10).empty());
}

}  // namespace
