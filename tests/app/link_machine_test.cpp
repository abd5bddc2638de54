// The link-state machine: auto-detection (state 1) and tool entry (states 2 and 3), step
// by step, and its thread.
#ifdef __linux__
#include <pthread.h>
#include <time.h>
#endif

#include <algorithm>
#include <chrono>
#include <thread>

#include "link_test_support.h"
#include "support/wait.h"

namespace {

struct DetectCase {
  const char* name;
  Calls ports;                 // the combo's entries, in order
  Calls present, denied;       // ports that open / refuse for lack of permission
  std::map<std::string, std::deque<std::string>> script;  // replies per probe ('|' splits blocks)
  std::map<std::string, int> probes;
  std::string device, open;    // the port found, the port left open ("" none)
  Calls calls;                 // the view's calls once the search has ended ({} not checked)
  Calls trace;                 // where each step left the machine ({} not checked)
};

[[maybe_unused]] void PrintTo(const DetectCase& c, std::ostream* os) { *os << c.name; }

const DetectCase kDetectCases[] = {
    // A cannot be opened; B opened, no reply twice, given up; C opened, CMD ERROR: found.
    {"SkipsUnopenableAndSilentPortsAndFindsTheDevice", {"A", "B", "C"}, {"B", "C"}, {},
     {{"C", {kError}}}, {{"B", 2}, {"C", 1}}, "C", "C",
     {"select 2", "button close", "status confirmed", "combos off", "tip hidden", "main on", "debug receive on"},
     {"1/5/0/0", "1/1/0/1", "1/2/0/1", "1/4/0/1", "1/2/1/1", "1/4/1/1", "1/5/0/1", "1/1/0/2", "1/2/0/2",
      "1/3/0/2", "0/0/0/0"}},
    {"CmdOkIsNoDeviceButASecondProbeMayFindIt", {"A", "B"}, {"A", "B"}, {},
     {{"A", {kOk, kOk}}, {"B", {kOk, kError}}}, {{"A", 2}, {"B", 2}}, "B", "B", {}, {}},
    {"SilentLastPortStaysOpenWithoutConfirmation", {"A", "B"}, {"A", "B"}, {}, {},
     {{"A", 2}, {"B", 2}}, "", "B",
     {"tip text 1", "tip hidden", "select 1", "button close", "status unconfirmed", "combos off", "main on"},
     {}},
    {"NoPortOpensAndPermissionRefusalsAreReportedAtTheEnd",
     {"/dev/ttyUSB0", "/dev/missing", "/dev/ttyACM0"}, {}, {"/dev/ttyUSB0", "/dev/ttyACM0"}, {}, {}, "", "",
     {"tip text 1", "tip hidden", "select 2", "button open", "status closed", "combos on", "main on",
      "denied /dev/ttyUSB0 /dev/ttyACM0"},
     {}},
    {"EmptyPortListEndsAtOnce", {}, {}, {}, {}, {}, "", "", {}, {"1/5/0/0", "0/0/0/0"}},
    // "\r\0\n" is not the reply: the first probe fails; the second gets a clean split reply.
    {"ReplySplitOverBlocksWithNulBytesIsMatched", {"A"}, {"A"}, {},
     {{"A", {std::string("\0\0\r\nCM", 6) + "|D ERR|" + std::string("OR\r\0", 4) + "|\n", "\r\nCMD ER|ROR\r|\n"}}},
     {{"A", 2}}, "A", "A", {}, {}},
};

class DetectTest : public LinkTest, public ::testing::WithParamInterface<DetectCase> {};

TEST_P(DetectTest, EndsAsTheTableSays) {
  const DetectCase& c = GetParam();
  for (const auto& p : c.present) port.AddPort(p);
  for (const auto& p : c.denied) port.DenyPort(p);
  script = c.script;
  machine.StartDetection(c.ports);
  // While the search runs: the tip, the window and the combos disabled.
  EXPECT_EQ(view.Log(), (Calls{"combos off", "tip text 0", "tip shown", "main off"}));
  EXPECT_EQ(Where(), "1/1/0/0");
  EXPECT_FALSE(machine.LinkToTools());
  view.ClearCalls();

  const Calls trace = RunSteps();
  if (!c.trace.empty()) { EXPECT_EQ(trace, c.trace); }
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_FALSE(machine.Busy());
  EXPECT_FALSE(machine.Step());
  EXPECT_EQ(port.Opens(), c.ports);
  for (const auto& p : c.ports) EXPECT_EQ(Probes(p), c.probes.count(p) ? c.probes.at(p) : 0) << p;
  EXPECT_EQ(port.Name(), c.open);
  EXPECT_EQ(port.IsOpen() ? port.LastBaud() : 0, c.open.empty() ? 0 : linkstate::kDetectBaud);
  EXPECT_EQ(machine.LinkToTools(), !c.device.empty());
  EXPECT_EQ(machine.DevicePortName(), c.device);
  const auto at = std::find(c.ports.begin(), c.ports.end(), c.device);
  EXPECT_EQ(machine.DevicePort(), c.device.empty() ? -1 : static_cast<int>(at - c.ports.begin()));
  if (!c.calls.empty()) { EXPECT_EQ(view.Log(), c.calls); }
}

INSTANTIATE_TEST_SUITE_P(Detection, DetectTest, ::testing::ValuesIn(kDetectCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(LinkTest, DetectionClosesAPortThatIsAlreadyOpenAndIgnoresRepliesOutsideAProbeWait) {
  machine.OnReceived(kError.data(), static_cast<int>(kError.size()));
  machine.OnReceived("", 0);
  EXPECT_EQ(machine.Reply(), 0);
  port.AddPort("X");
  port.AddPort("A");
  ASSERT_TRUE(port.Open("X", 9600, 8, 0, 0));
  script["A"] = {kError};
  machine.StartDetection({"A"});
  RunSteps();
  EXPECT_EQ(port.Opens(), (Calls{"X", "A"}));
  EXPECT_EQ(port.Name(), "A");
}

// --- with the link-state thread running

class LinkThreadTest : public LinkTest {
 protected:
  void StartThread() { thread = std::thread([this] { machine.Run(); }); }
  void TearDown() override {
    machine.Stop();
    if (thread.joinable()) thread.join();
    LinkTest::TearDown();
  }
  std::thread thread;
};

// These measure real time: at scale 1 a probe waits 5 s, which cancel and stop must not.
class LinkThreadRealtime : public LinkThreadTest {};

TEST_F(LinkThreadRealtime, CancelDuringAProbeWaitClosesThePortAndNothingRunsAfterwards) {
  port.AddPort("A");
  port.AddPort("B");
  Timing::SetScale(1.0);
  StartThread();
  machine.StartDetection({"A", "B"});
  ASSERT_TRUE(WaitUntil([&] { return Probes("A") == 1; }, 5000));
  view.ClearCalls();
  machine.Cancel();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(Where(), "0/0/0/0");
  const Calls cancelled{"button open", "status closed", "combos on", "cancel load", "main on"};
  EXPECT_EQ(view.Log(), cancelled);
  // The waiting step ends well within its wait and applies nothing: no second probe, no port B.
  ASSERT_TRUE(WaitUntil([&] { return !machine.Busy(); }, linkstate::kProbeWaitMs - 1000));
  EXPECT_EQ(Probes("A"), 1);
  EXPECT_EQ(port.Opens(), (Calls{"A"}));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(view.Log(), cancelled);
}

TEST_F(LinkThreadTest, DetectionRestartedRightAfterACancelProbesTheFirstPortAgain) {
  port.AddPort("A");
  script["A"] = {"", kError};
  Timing::SetScale(1.0);
  StartThread();
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return Probes("A") == 1; }, 5000));
  machine.Cancel();
  Timing::SetScale(kScale);
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return machine.LinkToTools(); }, Within(linkstate::kProbeWaitMs, 20)));
  EXPECT_EQ(port.Opens(), (Calls{"A", "A"}));
  EXPECT_EQ(Probes("A"), 2);
  EXPECT_EQ(machine.DevicePortName(), "A");
}

TEST_F(LinkThreadRealtime, StopEndsAProbeWaitAtOnce) {
  port.AddPort("A");
  Timing::SetScale(1.0);
  StartThread();
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return Probes("A") == 1; }, 5000));
  const int64_t before = Timing::NowMs();
  machine.Stop();
  thread.join();
  EXPECT_LT(Timing::NowMs() - before, linkstate::kProbeWaitMs - 1000);
  EXPECT_EQ(Probes("A"), 1);
}

#ifdef __linux__
TEST_F(LinkThreadRealtime, IdleThreadUsesNoCpuAndTakesUpAStartAtOnce) {
  StartThread();
  clockid_t clock;
  ASSERT_EQ(pthread_getcpuclockid(thread.native_handle(), &clock), 0);
  // CPU the thread uses in 300 ms: a thread turning without a pause would use all of it.
  auto cpuMsIn300 = [&] {
    timespec a{}, b{};
    clock_gettime(clock, &a);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    clock_gettime(clock, &b);
    return (b.tv_sec - a.tv_sec) * 1000.0 + (b.tv_nsec - a.tv_nsec) / 1e6;
  };
  EXPECT_LT(cpuMsIn300(), 30.0);
  port.AddPort("A");
  script["A"] = {kError};
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return machine.LinkToTools(); }, linkstate::kIdleWaitMs / 2));
  // Once the tools own the link, the thread is idle again.
  EXPECT_LT(cpuMsIn300(), 30.0);
}
#endif

// --- tool entry

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
