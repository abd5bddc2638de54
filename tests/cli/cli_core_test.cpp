// The command line's readings of the configuration machine: write outcomes from its
// log, the answer in a reply text, and the page store the write-back passes compare.
#include <gtest/gtest.h>

#include "base/cp936.h"
#include "cli/cli_output.h"
#include "cli/cli_view.h"
#include "cli/cli_writes.h"
#include "protocol/param_table.h"

namespace {


struct Recorded {
  std::vector<std::string> finals, interims;
};

WriteResultTracker Tracker(Recorded& rec) {
  return WriteResultTracker([&rec](const WriteOutcome& w, bool final) {
    (final ? rec.finals : rec.interims).push_back((w.ok ? "ok " : "failed ") + w.line);
  });
}

// One reported write: instance (id, index), its line, ok, final.
struct Write {
  int id, index;
  std::string line;
  bool ok, final;
};

void Feed(WriteResultTracker& t, const std::vector<Write>& writes) {
  for (const Write& w : writes) t.OnWriteResult(w.id, w.index, w.line + "\r\n", w.ok, w.final);
  t.Finish();
}

TEST(CliWriteOutcomes, EachInstanceGetsOneFinalOutcome) {
  Recorded rec;
  WriteResultTracker t = Tracker(rec);
  Feed(t, {{23, 0, "AT+APN=a", true, true}, {31, 6, "AT+CHNSVLEN07=8", true, true}});
  EXPECT_EQ(rec.finals, (std::vector<std::string>{"ok AT+APN=a", "ok AT+CHNSVLEN07=8"}));
  EXPECT_TRUE(rec.interims.empty());
  EXPECT_EQ(t.Written(), 2);
  EXPECT_EQ(t.Failed(), 0);
}

TEST(CliWriteOutcomes, FirstFailureHandsOverToRecoveryAndTheRetryDecides) {
  const Write first{23, 0, "AT+APN=a", false, false};
  const Write other{31, 6, "AT+CHNSVLEN07=8", true, true};
  {
    Recorded rec;
    WriteResultTracker t = Tracker(rec);
    Feed(t, {first, other, {23, 0, "AT+APN=a", false, true}});
    EXPECT_EQ(rec.interims, std::vector<std::string>{"failed AT+APN=a"});
    EXPECT_EQ(rec.finals, (std::vector<std::string>{"ok AT+CHNSVLEN07=8", "failed AT+APN=a"}));
    EXPECT_EQ(t.Failed(), 1);
  }
  {
    Recorded rec;
    WriteResultTracker t = Tracker(rec);
    Feed(t, {first, other, {23, 0, "AT+APN=a", true, true}});
    EXPECT_EQ(rec.finals, (std::vector<std::string>{"ok AT+CHNSVLEN07=8", "ok AT+APN=a"}));
    EXPECT_EQ(t.Failed(), 0);
  }
}

TEST(CliWriteOutcomes, AWriteNeverRetriedBecauseTheRecoveryFailedCountsAsFailed) {
  Recorded rec;
  WriteResultTracker t = Tracker(rec);
  Feed(t, {{20, 1, "AT+MULTISER02=1.2.3.4", false, false}});
  EXPECT_EQ(rec.finals, std::vector<std::string>{"failed AT+MULTISER02=1.2.3.4"});
  EXPECT_EQ(t.Failed(), 1);
}

TEST(CliWriteOutcomes, TheLastOutcomeOfAnInstanceCounts) {
  // A later failure in the same pass is final but the instance is sent again after
  // the recovery; the summary counts it once, by its last outcome.
  Recorded rec;
  WriteResultTracker t = Tracker(rec);
  Feed(t, {{23, 0, "AT+APN=a", false, false},
           {24, 0, "AT+USERNAME=u", false, true},
           {23, 0, "AT+APN=a", true, true},
           {24, 0, "AT+USERNAME=u", true, true}});
  const auto results = t.Results();
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0].line, "AT+USERNAME=u");
  EXPECT_TRUE(results[0].ok);
  EXPECT_EQ(t.Written(), 2);
  EXPECT_EQ(t.Failed(), 0);
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
