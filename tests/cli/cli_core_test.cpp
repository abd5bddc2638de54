// The command line's readings of the configuration machine: write outcomes from its
// log, the answer in a reply text, and the page store the write-back passes compare.
#include <gtest/gtest.h>

#include "base/cp936.h"
#include "cli/cli_output.h"
#include "cli/cli_view.h"
#include "cli/cli_writes.h"
#include "protocol/param_table.h"

namespace {

// One reported write: instance (id, index), its line, ok, final.
struct Write {
  int id, index;
  std::string line;
  bool ok, final;
};

TEST(CliWriteOutcomes, EachInstanceGetsOneFinalOutcomeByItsLastWrite) {
  const Write apnFailsFirst{23, 0, "AT+APN=a", false, false};
  const Write channelOk{31, 6, "AT+CHNSVLEN07=8", true, true};
  using Texts = std::vector<std::string>;
  struct Case {
    const char* name;
    std::vector<Write> writes;
    Texts interims, finals;  // as reported, in order
    Texts results;           // one per instance, in the order of their first final outcome
  } cases[] = {
      {"all ok", {{23, 0, "AT+APN=a", true, true}, channelOk}, {}, {"ok AT+APN=a", "ok AT+CHNSVLEN07=8"},
       {"ok AT+APN=a", "ok AT+CHNSVLEN07=8"}},
      // The first failure hands over to the recovery, and the retry decides.
      {"retry fails", {apnFailsFirst, channelOk, {23, 0, "AT+APN=a", false, true}}, {"failed AT+APN=a"},
       {"ok AT+CHNSVLEN07=8", "failed AT+APN=a"}, {"ok AT+CHNSVLEN07=8", "failed AT+APN=a"}},
      {"retry succeeds", {apnFailsFirst, channelOk, {23, 0, "AT+APN=a", true, true}}, {"failed AT+APN=a"},
       {"ok AT+CHNSVLEN07=8", "ok AT+APN=a"}, {"ok AT+CHNSVLEN07=8", "ok AT+APN=a"}},
      // Never retried because the recovery failed: failed.
      {"no retry", {{20, 1, "AT+MULTISER02=1.2.3.4", false, false}}, {"failed AT+MULTISER02=1.2.3.4"},
       {"failed AT+MULTISER02=1.2.3.4"}, {"failed AT+MULTISER02=1.2.3.4"}},
      // A later failure in the same pass is final, but the instance is sent again after
      // the recovery: counted once, by its last outcome.
      {"final then sent again",
       {apnFailsFirst, {24, 0, "AT+USERNAME=u", false, true}, {23, 0, "AT+APN=a", true, true},
        {24, 0, "AT+USERNAME=u", true, true}},
       {"failed AT+APN=a"}, {"failed AT+USERNAME=u", "ok AT+APN=a", "ok AT+USERNAME=u"},
       {"ok AT+USERNAME=u", "ok AT+APN=a"}},
  };
  auto text = [](const WriteOutcome& w) { return (w.ok ? "ok " : "failed ") + w.line; };
  for (const Case& c : cases) {
    Texts interims, finals, results;
    WriteResultTracker t([&](const WriteOutcome& w, bool final) { (final ? finals : interims).push_back(text(w)); });
    for (const Write& w : c.writes) t.OnWriteResult(w.id, w.index, w.line + "\r\n", w.ok, w.final);
    t.Finish();
    for (const WriteOutcome& w : t.Results()) results.push_back(text(w));
    EXPECT_EQ(interims, c.interims) << c.name;
    EXPECT_EQ(finals, c.finals) << c.name;
    EXPECT_EQ(results, c.results) << c.name;
    int ok = 0;
    for (const std::string& r : c.results) ok += r.rfind("ok ", 0) == 0;
    EXPECT_EQ(t.Written(), ok) << c.name;
    EXPECT_EQ(t.Failed(), static_cast<int>(c.results.size()) - ok) << c.name;
  }
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
  std::optional<std::string> shown;
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
