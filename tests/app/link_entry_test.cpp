// Tool entry (states 2 and 3) of the link-state machine, step by step.
#include "link_test_support.h"

namespace {

using Calls = std::vector<std::string>;

class EntryTest : public LinkTest {
 protected:
  void SetUp() override {
    LinkTest::SetUp();
    port.AddPort("P");
    ASSERT_TRUE(port.Open("P", 115200, 8, 0, 0));
    machine.SetLinkToTools(true);  // a tool owned the link before
  }
};

TEST_F(EntryTest, ConfigurationEntryWithCmdOk) {
  script["P"] = {kCmdOk};
  view.configLogVisible = true;
  machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringConfig, true);
  EXPECT_FALSE(machine.LinkToTools());
  EXPECT_EQ(Where(), "2/1/0/0");
  EXPECT_EQ(view.Calls(), (Calls{"tip text 4", "tip shown", "main off"}));
  view.ClearCalls();
  EXPECT_EQ(RunSteps(), (Calls{"2/2/0/0", "2/3/0/0", "2/0/0/0"}));
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_EQ(port.Probes("P"), 1);
  // The tip stays: the workspace closes it once it has loaded.
  EXPECT_EQ(view.Calls(), (Calls{"config entered", "status confirmed"}));
  EXPECT_FALSE(machine.Step());  // the tools own the link: nothing more to do
}

TEST_F(EntryTest, DownloadEntryWithCmdOkClosesTheTip) {
  script["P"] = {kCmdOk};
  view.downloadVisible = true;
  machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringDownload, true);
  view.ClearCalls();
  RunSteps();
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_EQ(view.Calls(), (Calls{"download entered", "tip hidden", "main on", "front", "status confirmed"}));
}

TEST_F(EntryTest, ConfigurationEntryWithoutTipWhenTheLogWindowIsHidden) {
  script["P"] = {kCmdOk};
  machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringConfig, false);
  EXPECT_TRUE(view.Calls().empty());
  RunSteps();
  EXPECT_EQ(view.Calls(), (Calls{"status confirmed"}));
}

TEST_F(EntryTest, DebugEntryWantsCmdErrorAndRetriesOnCmdOk) {
  script["P"] = {kCmdOk, "\r\nCMD ER|ROR\r\n"};
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  view.ClearCalls();
  EXPECT_EQ(RunSteps(), (Calls{
                            "3/2/0/0",  // probe sent
                            "3/4/0/0",  // CMD OK is the wrong reply
                            "3/1/1/0",  // send again
                            "3/2/1/0",
                            "3/3/1/0",  // CMD ERROR
                            "0/0/0/0",
                        }));
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_EQ(port.Probes("P"), 2);
  EXPECT_EQ(view.Calls(), (Calls{"debug receive on", "status confirmed", "tip hidden", "main on", "front"}));
}

TEST_F(EntryTest, ConfigurationEntryGivesUpAfterThreeProbesWithTheMessage) {
  script["P"] = {kCmdError, kCmdError, kCmdError, kCmdOk};
  view.configLogVisible = true;
  machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringConfig, true);
  view.ClearCalls();
  EXPECT_EQ(RunSteps(), (Calls{"2/2/0/0", "2/4/0/0", "2/1/1/0", "2/2/1/0", "2/4/1/0", "2/1/2/0",
                               "2/2/2/0", "2/4/2/0", "2/0/0/0"}));
  EXPECT_EQ(port.Probes("P"), 3);
  // The tool gets the link anyway.
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_EQ(view.Calls(), (Calls{"tip hidden", "main on", "front", "config failed"}));
}

TEST_F(EntryTest, SilentDeviceDownloadAndDebugEntriesEndSilently) {
  view.downloadVisible = true;
  machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringDownload, true);
  view.ClearCalls();
  RunSteps();
  EXPECT_EQ(port.Probes("P"), 3);
  EXPECT_EQ(view.Calls(), (Calls{"tip hidden", "main on", "front"}));

  view.downloadVisible = false;
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  view.ClearCalls();
  RunSteps();
  EXPECT_EQ(port.Probes("P"), 6);
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_TRUE(machine.LinkToTools());
  // No status change and no debug receive switch.
  EXPECT_EQ(view.Calls(), (Calls{"tip hidden", "main on"}));
}

TEST_F(EntryTest, UnwrittenProbeCountsAsAFailureWithoutWaiting) {
  port.FailWrites(true);
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  Timing::SetScale(1.0);  // a wait would take 5 s per probe
  const int64_t start = Timing::NowMs();
  EXPECT_EQ(RunSteps(), (Calls{"3/4/0/0", "3/1/1/0", "3/4/1/0", "3/1/2/0", "3/4/2/0", "0/0/0/0"}));
  EXPECT_LT(Timing::NowMs() - start, 1000);
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
  EXPECT_EQ(view.Calls(), (Calls{"cancel load", "main on"}));
  EXPECT_FALSE(machine.Step());
}

TEST_F(EntryTest, LateReplyAfterTheWaitIsKeptForTheNextProbeOnly) {
  // Nothing arrives for the first probe; a reply that comes between probes is matched
  // only by the next probe's wait, when the next block arrives.
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  RunSteps(2);  // send, wait: no reply
  EXPECT_EQ(Where(), "3/4/0/0");
  machine.OnReceived(kCmdError.data(), static_cast<int>(kCmdError.size()));
  EXPECT_EQ(machine.Reply(), 0);
  script["P"] = {"\r\n"};  // any block during the next wait completes the match
  RunSteps();
  EXPECT_EQ(port.Probes("P"), 2);
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_EQ(view.Calls().back(), "front");
}

}  // namespace
