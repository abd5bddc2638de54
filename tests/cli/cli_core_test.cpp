// The command line's readings of the machines' outcomes, flash's progress and the
// status line. (The page store the write-back passes compare: apply against the device.)
#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_flash.h"
#include "cli/cli_output.h"
#include "cli/cli_status.h"
#include "config/cfg_machine.h"
#include "config/write_results.h"

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
      // The first failure hands over to the recovery, and the retry decides (a failing
      // retry: apply against the device).
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
    WriteResultTracker t([&](int, int, const WriteOutcome& w, bool final) {
      (final ? finals : interims).push_back(text(w));
    });
    for (const Write& w : c.writes) t.OnWriteResult(w.id, w.index, w.line, w.ok, w.final);
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

// Every outcome a command can meet gives the exit status the help and README document:
// 0 ok, 1 cancelled, 3 port gone, 4 no answer, 5 refused or a failed write.
TEST(CliExitStatus, OutcomesMapToTheDocumentedStatuses) {
  const LineSigns silent{}, answered{.answered = true}, gone{.vanished = true, .answered = true};
  const struct {
    CfgOutcome outcome;
    LineSigns signs;
    int status;
  } cfg[] = {
      {{.op = kOpLoadAll, .end = CfgEnd::kDone}, gone, 0},
      {{.op = kOpLoadAll, .end = CfgEnd::kFailed}, silent, 4},
      {{.op = kOpLoadAll, .end = CfgEnd::kFailed}, answered, 5},
      {{.op = kOpLoadAll, .end = CfgEnd::kFailed}, gone, 3},
      {{.op = kOpFactoryReset, .end = CfgEnd::kPowerCycle}, silent, 4},
      {{.op = kOpFactoryReset, .end = CfgEnd::kPowerCycle}, answered, 5},
      {{.op = kOpQueryVersion, .end = CfgEnd::kDone, .reply = "V"}, silent, 0},
      {{.op = kOpSetClock, .end = CfgEnd::kNothingSent}, answered, 5},
      // A failed write is a refusal even when its reply never came.
      {{.op = kOpWriteFromFile, .end = CfgEnd::kFailed, .written = 1, .failed = 1}, silent, 5},
      {{.op = kOpWriteAll, .end = CfgEnd::kFailed, .failed = 2}, gone, 3},
      {{.op = kOpWriteFromFile, .end = CfgEnd::kDone, .written = 2}, answered, 0},
  };
  for (const auto& c : cfg) EXPECT_EQ(ExitStatusOf(c.outcome, c.signs), c.status) << "op " << c.outcome.op;
  EXPECT_EQ(ExitStatusOf(LinkOutcome{.end = LinkEnd::kFound}, silent), 0);
  EXPECT_EQ(ExitStatusOf(LinkOutcome{.end = LinkEnd::kEntered}, silent), 0);
  EXPECT_EQ(ExitStatusOf(LinkOutcome{.end = LinkEnd::kNotFound}, answered), 4);
  EXPECT_EQ(ExitStatusOf(LinkOutcome{.end = LinkEnd::kEntryFailed}, answered), 4);
  EXPECT_EQ(ExitStatusOf(LinkOutcome{.end = LinkEnd::kEntryFailed}, gone), 3);
  EXPECT_EQ(ExitStatusOf(DownloadEnd::kCompleted, true, gone), 0);  // a transfer that completed stays so
  EXPECT_EQ(ExitStatusOf(DownloadEnd::kStopped, true, silent), 1);
  EXPECT_EQ(ExitStatusOf(DownloadEnd::kStopped, true, gone), 3);
  EXPECT_EQ(ExitStatusOf(DownloadEnd::kStopped, false, silent), 5);
}

// The text, in place on a terminal; without one, a line per tenth of each pass, a pass
// that starts over (also at the same count) showing its tenths again.
TEST(FlashProgress, InPlaceEveryBlockOrEachPassItsTenths) {
  EXPECT_EQ(FlashProgress::Text(12, 256), "block  12/256   4%");
  EXPECT_EQ(FlashProgress::Text(0, 256).size(), FlashProgress::Text(256, 256).size());
  EXPECT_EQ(FlashProgress::Text(255, 256), "block 255/256  99%");  // rounded down: 100% only at the end
  using Lines = std::vector<std::string>;
  auto feed = [](FlashProgress& p, const std::vector<int>& counts) {
    Lines out;
    for (int k : counts) out.push_back(p.Update(k));
    return out;
  };
  FlashProgress terminal(true);
  terminal.Begin(3);
  EXPECT_EQ(feed(terminal, {1, 2, 3}), (Lines{"block 1/3  33%", "block 2/3  66%", "block 3/3 100%"}));
  FlashProgress p(false);
  p.Begin(100);
  EXPECT_EQ(feed(p, {9, 10, 11, 20}), (Lines{"", "block  10/100  10%", "", "block  20/100  20%"}));
  EXPECT_EQ(feed(p, {1, 10}), (Lines{"", "block  10/100  10%"}));
  EXPECT_EQ(feed(p, {10}), (Lines{"block  10/100  10%"}));
}

TEST(CliOutputStatus, AStatusLineIsOverwrittenAndEndedByTheNextLine) {
  std::ostringstream out, err, quietErr;
  CliOutput o(out, err, false), q(out, quietErr, true);
  o.Status("block 1/2  50%");
  o.Status("block 2/2 100%");
  o.Result("done");
  o.Progress("next");
  o.Status("block 1/2  50%");
  o.Error("failed");
  o.Notice("power up");
  EXPECT_EQ(out.str(), "done\n");
  EXPECT_EQ(err.str(), "\rblock 1/2  50%\rblock 2/2 100%\nnext\n\rblock 1/2  50%\nqx310-cli: failed\npower up\n");
  // Quiet: no status and no progress, but errors and notices the user must act on.
  q.Status("block 1/2  50%");
  q.Progress("next");
  q.Notice("power up");
  q.Error("failed");
  EXPECT_EQ(quietErr.str(), "power up\nqx310-cli: failed\n");
}

}  // namespace
