// Tool entry (states 2 and 3) of the link-state machine, step by step.
#include "link_test_support.h"

namespace {

class EntryTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    port.AddPort("P");
    ASSERT_TRUE(port.Open("P", 115200, 8, 0, 0));
    machine.SetLinkToTools(true);  // a tool owned the link before
  }
};

struct EntryCase {
  const char* name;
  int state;
  bool showTip, configLogVisible, downloadVisible;
  std::deque<std::string> replies;  // one per probe ('|' splits blocks); none: silent
  int probes;
  Calls trace;                      // where each step left the machine
  Calls calls;                      // the view's calls, from the start on
};

[[maybe_unused]] void PrintTo(const EntryCase& c, std::ostream* os) { *os << c.name; }

const Calls kOneProbe{"2/2/0/0", "2/3/0/0", "2/0/0/0"};
const Calls kThreeFailedProbes{"2/2/0/0", "2/4/0/0", "2/1/1/0", "2/2/1/0", "2/4/1/0",
                               "2/1/2/0", "2/2/2/0", "2/4/2/0", "2/0/0/0"};

const EntryCase kEntryCases[] = {
    // The tip stays: the workspace closes it once it has loaded.
    {"ConfigurationWithCmdOk", linkstate::kEnterConfigOrDownload, true, true, false, {kOk}, 1, kOneProbe,
     {"tip text 4", "tip shown", "main off", "config entered", "status confirmed"}},
    {"ConfigurationWithoutTipWhenTheLogWindowIsHidden", linkstate::kEnterConfigOrDownload, false, false,
     false, {kOk}, 1, kOneProbe, {"status confirmed"}},
    {"DownloadWithCmdOkClosesTheTip", linkstate::kEnterConfigOrDownload, true, false, true, {kOk}, 1, kOneProbe,
     {"tip text 3", "tip shown", "main off", "download entered", "tip hidden", "main on", "front",
      "status confirmed"}},
    // CMD OK is the wrong reply: sent again, then CMD ERROR.
    {"DebugWantsCmdErrorAndRetriesOnCmdOk", linkstate::kEnterDebug, true, false, false,
     {kOk, "\r\nCMD ER|ROR\r\n"}, 2, {"3/2/0/0", "3/4/0/0", "3/1/1/0", "3/2/1/0", "3/3/1/0", "0/0/0/0"},
     {"tip text 2", "tip shown", "main off", "debug receive on", "status confirmed", "tip hidden", "main on",
      "front"}},
    // The tool gets the link anyway.
    {"ConfigurationGivesUpAfterThreeProbesWithTheMessage", linkstate::kEnterConfigOrDownload, true, true,
     false, {kError, kError, kError, kOk}, 3, kThreeFailedProbes,
     {"tip text 4", "tip shown", "main off", "tip hidden", "main on", "front", "config failed"}},
    {"SilentDeviceDownloadEndsSilently", linkstate::kEnterConfigOrDownload, true, false, true, {}, 3,
     kThreeFailedProbes, {"tip text 3", "tip shown", "main off", "tip hidden", "main on", "front"}},
    // No status change and no debug receive switch.
    {"SilentDeviceDebugEndsSilently", linkstate::kEnterDebug, true, false, false, {}, 3,
     {"3/2/0/0", "3/4/0/0", "3/1/1/0", "3/2/1/0", "3/4/1/0", "3/1/2/0", "3/2/2/0", "3/4/2/0", "0/0/0/0"},
     {"tip text 2", "tip shown", "main off", "tip hidden", "main on"}},
};

TipText TipFor(const EntryCase& c) {
  return c.state == linkstate::kEnterDebug ? TipText::kEnteringDebug
         : c.downloadVisible               ? TipText::kEnteringDownload
                                           : TipText::kEnteringConfig;
}

class EntryTableTest : public EntryTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryTableTest, EndsAsTheTableSays) {
  const EntryCase& c = GetParam();
  script["P"] = c.replies;
  view.configLogVisible = c.configLogVisible;
  view.downloadVisible = c.downloadVisible;
  machine.StartEntry(c.state, TipFor(c), c.showTip);
  EXPECT_FALSE(machine.LinkToTools());
  EXPECT_EQ(Where(), std::to_string(c.state) + "/1/0/0");
  EXPECT_EQ(RunSteps(), c.trace);
  EXPECT_EQ(view.Log(), c.calls);
  EXPECT_EQ(Probes("P"), c.probes);
  // The tools own the link whatever the ending: nothing more to do.
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_FALSE(machine.Step());
}

INSTANTIATE_TEST_SUITE_P(Entry, EntryTableTest, ::testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Measures real time: at scale 1 each probe would wait 5 s.
class EntryRealtime : public EntryTest {};

TEST_F(EntryRealtime, UnwrittenProbeCountsAsAFailureWithoutWaiting) {
  port.SetWriteLimit(0);
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  Timing::SetScale(1.0);  // a wait would take 5 s per probe
  const int64_t start = Timing::NowMs();
  EXPECT_EQ(RunSteps(), (Calls{"3/4/0/0", "3/1/1/0", "3/4/1/0", "3/1/2/0", "3/4/2/0", "0/0/0/0"}));
  EXPECT_LT(Timing::NowMs() - start, linkstate::kProbeWaitMs - 1000);
}

TEST_F(EntryTest, CancelEndsAnEntryAndLeavesNobodyTheLink) {
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  ASSERT_TRUE(machine.Step());  // probe sent
  view.ClearCalls();
  machine.Cancel();
  // Not detecting: the port stays open.
  EXPECT_TRUE(port.IsOpen());
  EXPECT_FALSE(machine.LinkToTools());
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_EQ(view.Log(), (Calls{"cancel load", "main on"}));
  EXPECT_FALSE(machine.Step());
}

TEST_F(EntryTest, LateReplyAfterTheWaitIsKeptForTheNextProbeOnly) {
  // Nothing arrives for the first probe; a reply that comes between probes is matched
  // only by the next probe's wait, when the next block arrives.
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  RunSteps(2);  // send, wait: no reply
  EXPECT_EQ(Where(), "3/4/0/0");
  machine.OnReceived(kError.data(), static_cast<int>(kError.size()));
  EXPECT_EQ(machine.Reply(), 0);
  script["P"] = {"\r\n"};  // any block during the next wait completes the match
  RunSteps();
  EXPECT_EQ(Probes("P"), 2);
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_EQ(view.Log().back(), "front");
}

}  // namespace
