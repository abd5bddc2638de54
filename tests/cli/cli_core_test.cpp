// The command line's readings of the configuration machine: write outcomes from its
// log, the answer in a reply text, and the page store the write-back passes compare.
#include <gtest/gtest.h>

#include "base/cp936.h"
#include "cli/cli_output.h"
#include "cli/cli_view.h"
#include "cli/cli_writes.h"
#include "protocol/param_table.h"

namespace {

std::string G(const char* utf8) { return GBK(utf8); }

struct Recorded {
  std::vector<std::string> finals, interims;
};

WriteResultTracker Tracker(Recorded& rec) {
  return WriteResultTracker([&rec](const WriteOutcome& w, bool final) {
    (final ? rec.finals : rec.interims).push_back((w.ok ? "ok " : "failed ") + w.line);
  });
}

void Feed(WriteResultTracker& t, const std::vector<std::string>& log) {
  for (const std::string& s : log) t.OnLog(s);
  t.Finish();
}

TEST(CliWriteOutcomes, EachParameterGetsOneFinalOutcome) {
  Recorded rec;
  WriteResultTracker t = Tracker(rec);
  Feed(t, {"AT+APN=a\r\n", G("设置成功\r\n"), "AT+CHNSVLEN07=8\r\n", G("设置成功\r\n")});
  EXPECT_EQ(rec.finals, (std::vector<std::string>{"ok AT+APN=a", "ok AT+CHNSVLEN07=8"}));
  EXPECT_TRUE(rec.interims.empty());
  EXPECT_EQ(t.Written(), 2);
  EXPECT_EQ(t.Failed(), 0);
}

TEST(CliWriteOutcomes, FirstFailureHandsOverToRecoveryAndTheRetryDecides) {
  // The pass goes on after the first failure; the recovery's probes follow the pass;
  // the pass after it sends the failed value again.
  const std::vector<std::string> log = {
      "AT+APN=a\r\n",          "AT+CHNSVLEN07=8\r\n", G("设置成功\r\n"),
      "---\r\n",               "\r\nCMD OK\r\n",      "AT+APN=a\r\n",
  };
  {
    Recorded rec;
    WriteResultTracker t = Tracker(rec);
    std::vector<std::string> failedAgain = log;
    failedAgain.push_back(G("设置失败\r\n"));
    Feed(t, failedAgain);
    EXPECT_EQ(rec.interims, std::vector<std::string>{"failed AT+APN=a"});
    EXPECT_EQ(rec.finals, (std::vector<std::string>{"ok AT+CHNSVLEN07=8", "failed AT+APN=a"}));
    EXPECT_EQ(t.Failed(), 1);
  }
  {
    Recorded rec;
    WriteResultTracker t = Tracker(rec);
    std::vector<std::string> okAfterRetry = log;
    okAfterRetry.push_back(G("设置成功\r\n"));
    Feed(t, okAfterRetry);
    EXPECT_EQ(rec.finals, (std::vector<std::string>{"ok AT+CHNSVLEN07=8", "ok AT+APN=a"}));
    EXPECT_EQ(t.Failed(), 0);
  }
}

TEST(CliWriteOutcomes, AWriteNeverRetriedBecauseTheRecoveryFailedCountsAsFailed) {
  Recorded rec;
  WriteResultTracker t = Tracker(rec);
  Feed(t, {"AT+APN=a\r\n", "---\r\n", "---\r\n", "---\r\n"});
  EXPECT_EQ(rec.finals, std::vector<std::string>{"failed AT+APN=a"});
  // Also when the failed line is the last thing logged.
  Recorded rec2;
  WriteResultTracker t2 = Tracker(rec2);
  Feed(t2, {"AT+MULTISER02=1.2.3.4\r\n"});
  EXPECT_EQ(rec2.finals, std::vector<std::string>{"failed AT+MULTISER02=1.2.3.4"});
}

TEST(CliWriteOutcomes, OnlyCommandLinesWithAValueCountAsWrites) {
  EXPECT_TRUE(WriteResultTracker::IsCommandLine("AT+APN=\r\n"));
  EXPECT_TRUE(WriteResultTracker::IsCommandLine("AT+CHNSVLEN07=8\r\n"));
  EXPECT_FALSE(WriteResultTracker::IsCommandLine("AT+SHOW\r\n"));
  EXPECT_FALSE(WriteResultTracker::IsCommandLine("AT+APN=a"));
  EXPECT_FALSE(WriteResultTracker::IsCommandLine("AT+APN=a\r\n\r\nOK\r\n"));
  EXPECT_FALSE(WriteResultTracker::IsCommandLine("\r\nCMD OK\r\n"));
  Recorded rec;
  WriteResultTracker t = Tracker(rec);
  Feed(t, {G("设置成功\r\n"), "AT+APN=a\r\n\r\nOK\r\n", G("设置失败\r\n")});
  EXPECT_TRUE(rec.finals.empty());
  EXPECT_TRUE(rec.interims.empty());
}

TEST(CliAnswer, EchoEmptyLinesAndOkAreDropped) {
  EXPECT_EQ(AnswerLines("AT+CSQ\r\n\r\n+CSQ: 24,99\r\n\r\nOK\r\n", "AT+CSQ\r\n"), "+CSQ: 24,99");
  EXPECT_EQ(AnswerLines("\r\nV3.01\r\nBuild 7\r\n\r\nOK\r\n", "AT+VER"), "V3.01\nBuild 7");
  EXPECT_EQ(AnswerLines("AT+RESET\r\n\r\nOK\r\n", "AT+RESET\r\n"), "");
  // NUL bytes arrive as blanks.
  EXPECT_EQ(AnswerLines("AT+GSN\r\n  \r\n8661\r\nOK", "AT+GSN"), "8661");
  // Text after the OK is kept: it is not the closing line.
  EXPECT_EQ(AnswerLines("x\r\nOK\r\ny\r\n", "AT"), "x\nOK\ny");
}

TEST(CliPageStore, PagesShowTheLoadedValuesUntilAWritePutsAnother) {
  ResetParamValues();
  const ParamEntry* apn = FindParam(23);
  ASSERT_NE(apn, nullptr);
  CliOutput out(stdout, stderr, true);
  CliLogFile log;
  CliCfgView view(out, log);
  SetParamText(23, "CMNET", 0);
  view.ShowTableOnPages();
  SetParamText(23, "FILE", 0);  // a file's value parsed into the table
  std::string shown;
  view.WithPages([&](ICfgPageAccess& p) { shown = p.SaveToTable(23, 0); });
  EXPECT_EQ(shown, "CMNET");
  view.WithPages([&](ICfgPageAccess& p) {
    p.LoadFromTable(23, 0, "FILE");
    shown = p.SaveToTable(23, 0);
  });
  EXPECT_EQ(shown, "FILE");
  ResetParamValues();
}

}  // namespace
