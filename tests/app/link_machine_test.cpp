// The link-state machine step by step and on its thread against a scripted port, and
// the receive thread's hand-over of every block to exactly one consumer.
#ifdef __linux__
#include <pthread.h>
#include <time.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/link_machine.h"
#include "serial/line_arbiter.h"
#include "app/link_view.h"
#include "app/receive_pump.h"
#include "base/timing.h"
#include "support/probe_ports.h"
#include "support/scripted_port.h"
#include "support/wait.h"

namespace {

using Calls = std::vector<std::string>;
const std::string kOk = "\r\nCMD OK\r\n", kError = "\r\nCMD ERROR\r\n";

// Records every view call as a short line ("status confirmed", "tip shown", ...).
class FakeView : public ILinkView {
 public:
  bool configLogVisible = false, downloadVisible = false;

  void RunOnUi(const std::function<void()>& fn) override {
    std::lock_guard<std::recursive_mutex> l(ui_);
    fn();
  }
  void SelectPort(int index) override { Add("select " + std::to_string(index)); }
  void SetPortButtonOpen(bool open) override { Add(open ? "button close" : "button open"); }
  void SetStatus(LinkStatus s) override {
    Add(s == LinkStatus::kClosed ? "status closed"
        : s == LinkStatus::kOpenUnconfirmed ? "status unconfirmed" : "status confirmed");
  }
  void EnableCombos(bool e) override { Add(e ? "combos on" : "combos off"); }
  void SetTipMessage(TipText t) override { Add("tip text " + std::to_string(static_cast<int>(t))); }
  void ShowTip(bool s) override { Add(s ? "tip shown" : "tip hidden"); }
  void EnableMainWindow(bool e) override { Add(e ? "main on" : "main off"); }
  void BringToFront() override { Add("front"); }
  void DebugReceiveOnIfVisible() override { Add("debug receive on"); }
  bool ConfigLogVisible() override { return configLogVisible; }
  bool DownloadVisible() override { return downloadVisible; }
  void CancelPendingLoad() override { Add("cancel load"); }
  // Logs the outcomes the main window acts on.
  void OnLinkOutcome(const LinkOutcome& o) override {
    const char* tool = o.tool == LinkTool::kConfig ? "config" : o.tool == LinkTool::kDownload ? "download" : "";
    if (o.end == LinkEnd::kEntered && *tool) Add(std::string(tool) + " entered");
    if (o.end == LinkEnd::kEntryFailed && o.tool == LinkTool::kConfig) Add("config failed");
    if (o.end == LinkEnd::kNotFound && !o.deniedPorts.empty()) {
      std::string s = "denied";
      for (const auto& p : o.deniedPorts) s += " " + p;
      Add(s);
    }
  }
  Calls Log() const { std::lock_guard<std::mutex> l(m_); return calls_; }
  void ClearCalls() { std::lock_guard<std::mutex> l(m_); calls_.clear(); }

 private:
  void Add(const std::string& s) { std::lock_guard<std::mutex> l(m_); calls_.push_back(s); }
  std::recursive_mutex ui_;
  mutable std::mutex m_;
  Calls calls_;
};

class LinkTest : public ::testing::Test {
 protected:
  // Probe waits of 5000 ms become 50 ms.
  static constexpr double kScale = 0.01;

  void SetUp() override {
    Timing::SetScale(kScale);
    port.OnlyNamedPorts();
    // The main window's own handle: tool entry probes go through it, answered here.
    port.SetScript([this](const std::string& bytes) {
      if (bytes != "---") return Blocks{};
      const std::string name = port.Name();
      auto& replies = script[name];
      {
        std::lock_guard<std::mutex> lock(probesMutex_);
        ++probes_[name];
      }
      if (replies.empty()) return Blocks{};
      // Each reply is a list of blocks separated by '|', handed to the machine at once.
      const std::string r = replies.front();
      replies.pop_front();
      for (size_t start = 0; start <= r.size() && !r.empty();) {
        const size_t bar = std::min(r.find('|', start), r.size());
        machine.OnReceived(r.data() + start, static_cast<int>(bar - start));
        start = bar + 1;
      }
      return Blocks{};
    });
  }
  void TearDown() override { Timing::SetScale(1.0); }

  // A port that the search and the main window's handle can open.
  void AddPort(const std::string& name) {
    port.AddPort(name);
    probe.present.insert(name);
  }

  // "state/step/retry", e.g. "1/3/0".
  std::string Where() const {
    return std::to_string(machine.LinkState()) + "/" + std::to_string(machine.LinkStep()) + "/" +
           std::to_string(machine.Retry());
  }
  // Runs steps until the machine is done (or limit steps) and returns where each step left it.
  Calls RunSteps(int limit = 100) {
    Calls trace;
    while (limit-- > 0 && machine.Step()) trace.push_back(Where());
    return trace;
  }
  // Probes written on the main window's handle while the port of that name was open.
  int Probes(const std::string& name) {
    std::lock_guard<std::mutex> lock(probesMutex_);
    return probes_[name];
  }

  ScriptedPort port{false};
  FakeView view;
  LineArbiter line;
  ProbePorts probe;  // the search's handles, one per listed port
  LinkMachine machine{port, view, &line, probe.Factory()};
  // Replies per port name, one per probe on the main window's handle.
  std::map<std::string, std::deque<std::string>> script;
  std::mutex probesMutex_;
  std::map<std::string, int> probes_;
};

struct DetectCase {
  const char* name;
  Calls ports;                 // the combo's entries, in order
  Calls present, denied;       // ports that open / refuse for lack of permission
  std::map<std::string, std::deque<std::string>> script;  // replies per probe ('|' splits blocks)
  std::map<std::string, int> probes;  // "---" per port; kAtMostOne, kAny: see below
  std::string device, open;    // the port found, the port left open ("" none)
  Calls calls;                 // the view's calls once the search has ended ({} not checked)
  std::string openBefore{};    // a port open when the search starts
};

[[maybe_unused]] void PrintTo(const DetectCase& c, std::ostream* os) { *os << c.name; }

// A port still probing when the device is found elsewhere: it got at most its first probe
// (a silent one) or any number (one that answered, how far it got depends on the threads).
constexpr int kAtMostOne = -1, kAny = -2;

const Calls kFoundCalls{"select 2", "button close", "status confirmed", "combos off", "tip hidden", "main on",
                        "debug receive on"};

const DetectCase kDetectCases[] = {
    // A cannot be opened; B silent, closed once C, opened at the same time, has answered
    // CMD ERROR: found.
    {"SkipsUnopenableAndSilentPortsAndFindsTheDevice", {"A", "B", "C"}, {"B", "C"}, {},
     {{"C", {kError}}}, {{"B", kAtMostOne}, {"C", 1}}, "C", "C", kFoundCalls},
    // A device in its running state answers CMD OK first; the second probe finds it. A port
    // answering CMD OK twice is no device.
    {"CmdOkIsNoDeviceButASecondProbeMayFindIt", {"A", "B"}, {"A", "B"}, {},
     {{"A", {kOk, kOk}}, {"B", {kOk, kError}}}, {{"A", kAny}, {"B", 2}}, "B", "B", {}},
    {"CmdOkTwiceIsNoDevice", {"A"}, {"A"}, {}, {{"A", {kOk, kOk}}}, {{"A", 2}}, "", "A", {}},
    {"SilentLastPortStaysOpenWithoutConfirmation", {"A", "B"}, {"A", "B"}, {}, {},
     {{"A", 2}, {"B", 2}}, "", "B",
     {"tip text 1", "tip hidden", "select 1", "button close", "status unconfirmed", "combos off", "main on"}},
    {"SilentPortsBeforeAnUnopenableLastOneEndClosed", {"A", "B"}, {"A"}, {}, {}, {{"A", 2}}, "", "",
     {"tip text 1", "tip hidden", "select 1", "button open", "status closed", "combos on", "main on"}},
    {"NoPortOpensAndPermissionRefusalsAreReportedAtTheEnd",
     {"/dev/ttyUSB0", "/dev/missing", "/dev/ttyACM0"}, {}, {"/dev/ttyUSB0", "/dev/ttyACM0"}, {}, {}, "", "",
     {"tip text 1", "tip hidden", "select 2", "button open", "status closed", "combos on", "main on",
      "denied /dev/ttyUSB0 /dev/ttyACM0"}},
    {"EmptyPortListEndsAtOnce", {}, {}, {}, {}, {}, "", "",
     {"tip text 1", "tip hidden", "select -1", "button open", "status closed", "combos on", "main on"}},
    // "\r\0\n" is not the reply: the first probe fails; the second gets a clean split reply.
    {"ReplySplitOverBlocksWithNulBytesIsMatched", {"A"}, {"A"}, {},
     {{"A", {std::string("\0\0\r\nCM", 6) + "|D ERR|" + std::string("OR\r\0", 4) + "|\n", "\r\nCMD ER|ROR\r|\n"}}},
     {{"A", 2}}, "A", "A", {}},
    {"ClosesAPortThatIsAlreadyOpen", {"A"}, {"A"}, {}, {{"A", {kError}}}, {{"A", 1}}, "A", "A", {}, "X"},
};

class DetectTest : public LinkTest, public ::testing::WithParamInterface<DetectCase> {};

TEST_P(DetectTest, EndsAsTheTableSays) {
  const DetectCase& c = GetParam();
  for (const auto& p : c.present) AddPort(p);
  for (const auto& p : c.denied) {
    port.DenyPort(p);
    probe.denied.insert(p);
  }
  probe.replies = c.script;
  if (!c.openBefore.empty()) {
    // A reply outside a probe wait is not taken as one.
    machine.OnReceived(kError.data(), static_cast<int>(kError.size()));
    machine.OnReceived("", 0);
    EXPECT_EQ(machine.Reply(), 0);
    port.AddPort(c.openBefore);
    ASSERT_TRUE(port.Open(c.openBefore, 9600, 8, 0, 0));
  }
  machine.StartDetection(c.ports);
  // While the search runs: the tip, the window and the combos disabled.
  EXPECT_EQ(view.Log(), (Calls{"combos off", "tip text 0", "tip shown", "main off"}));
  EXPECT_EQ(Where(), "1/1/0");
  EXPECT_FALSE(machine.LinkToTools());
  view.ClearCalls();

  // One step runs the whole search, one more ends it.
  EXPECT_EQ(RunSteps(), (Calls{c.device.empty() ? "1/5/0" : "1/3/0", "0/0/0"}));
  EXPECT_FALSE(machine.Busy());
  EXPECT_FALSE(machine.Step());
  // The main window's handle opens only the port it keeps.
  Calls opens;
  if (!c.openBefore.empty()) opens.push_back(c.openBefore);
  if (!c.open.empty()) opens.push_back(c.open);
  EXPECT_EQ(port.Opens(), opens);
  // Each listed port was opened on a handle of its own, probed as scripted and closed.
  machine.SettleDetection();
  for (const auto& p : c.ports) {
    EXPECT_NE(probe.Port(p), nullptr) << p;
    const int want = c.probes.count(p) ? c.probes.at(p) : 0;
    if (want == kAtMostOne) {
      EXPECT_LE(probe.Probes(p), 1) << p;
    } else if (want != kAny) {
      EXPECT_EQ(probe.Probes(p), want) << p;
    }
  }
  EXPECT_TRUE(probe.AllClosed());
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

// The device found by the search is gone before the main window's handle opens it: the
// search ends without a device, the port closed.
TEST_F(LinkTest, DeviceThatCannotBeReopenedEndsTheSearchWithoutADevice) {
  probe.present = {"A"};
  probe.replies["A"] = {kError};
  machine.StartDetection({"A"});
  EXPECT_EQ(RunSteps(), (Calls{"1/5/0", "0/0/0"}));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(machine.LinkToTools());
  EXPECT_EQ(machine.DevicePort(), -1);
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

// These measure real time: a probe waits many test margins, which cancel and stop must
// cut short.
class LinkThreadRealtime : public LinkThreadTest {};

TEST_F(LinkThreadRealtime, CancelOrStopDuringTheProbeWaitsEndEveryProbeAtOnceAndNothingRunsAfterwards) {
  AddPort("A");
  AddPort("B");
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  StartThread();
  machine.StartDetection({"A", "B"});
  // Both ports are probed at once.
  ASSERT_TRUE(WaitUntil([&] { return probe.Probes("A") == 1 && probe.Probes("B") == 1; }, kTestMarginMs));
  const int64_t cancelledAt = Timing::NowMs();
  view.ClearCalls();
  machine.Cancel();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(Where(), "0/0/0");
  EXPECT_TRUE(probe.AllClosed());
  const Calls cancelled{"button open", "status closed", "combos on", "cancel load", "main on"};
  EXPECT_EQ(view.Log(), cancelled);
  // The search ends well within its wait and applies nothing: no second probe, nothing opened.
  ASSERT_TRUE(WaitUntil([&] { return !machine.Busy(); }, Within(linkstate::kProbeWaitMs)));
  machine.SettleDetection();
  EXPECT_TRUE(AtOnce(Timing::NowMs() - cancelledAt, linkstate::kProbeWaitMs));
  EXPECT_EQ(probe.Probes("A"), 1);
  EXPECT_EQ(probe.Probes("B"), 1);
  EXPECT_TRUE(port.Opens().empty());
  EXPECT_EQ(view.Log(), cancelled);

  // Stop ends the probes at once too.
  probe.Forget();
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return probe.Probes("A") == 1; }, kTestMarginMs));
  const int64_t before = Timing::NowMs();
  machine.Stop();
  thread.join();
  machine.SettleDetection();
  EXPECT_TRUE(AtOnce(Timing::NowMs() - before, linkstate::kProbeWaitMs));
  EXPECT_EQ(probe.Probes("A"), 1);
  EXPECT_TRUE(probe.AllClosed());
  EXPECT_FALSE(port.IsOpen());
}

TEST_F(LinkThreadTest, DetectionRestartedRightAfterACancelProbesTheFirstPortAgain) {
  AddPort("A");
  probe.replies["A"] = {"", kError};
  Timing::SetScale(1.0);
  StartThread();
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return probe.Probes("A") == 1; }, kTestMarginMs));
  machine.Cancel();
  Timing::SetScale(kScale);
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitUntil([&] { return machine.LinkToTools(); }, Within(linkstate::kProbeWaitMs, 20)));
  EXPECT_EQ(port.Opens(), (Calls{"A"}));
  EXPECT_EQ(probe.Probes("A"), 2);
  EXPECT_EQ(machine.DevicePortName(), "A");
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
  AddPort("A");
  probe.replies["A"] = {kError};
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

const Calls kOneProbe{"2/2/0", "2/3/0", "2/0/0"};
const Calls kThreeFailedProbes{"2/2/0", "2/4/0", "2/1/1", "2/2/1", "2/4/1",
                               "2/1/2", "2/2/2", "2/4/2", "2/0/0"};

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
     {kOk, "\r\nCMD ER|ROR\r\n"}, 2, {"3/2/0", "3/4/0", "3/1/1", "3/2/1", "3/3/1", "0/0/0"},
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
     {"3/2/0", "3/4/0", "3/1/1", "3/2/1", "3/4/1", "3/1/2", "3/2/2", "3/4/2", "0/0/0"},
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
  EXPECT_EQ(Where(), std::to_string(c.state) + "/1/0");
  EXPECT_EQ(RunSteps(), c.trace);
  EXPECT_EQ(view.Log(), c.calls);
  EXPECT_EQ(Probes("P"), c.probes);
  // The tools own the link whatever the ending: nothing more to do.
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_FALSE(machine.Step());
}

INSTANTIATE_TEST_SUITE_P(Entry, EntryTableTest, ::testing::ValuesIn(kEntryCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Measures real time: each probe would wait many test margins.
class EntryRealtime : public EntryTest {};

TEST_F(EntryRealtime, UnwrittenProbeCountsAsAFailureWithoutWaiting) {
  port.SetWriteLimit(0);
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  const int64_t start = Timing::NowMs();
  EXPECT_EQ(RunSteps(), (Calls{"3/4/0", "3/1/1", "3/4/1", "3/1/2", "3/4/2", "0/0/0"}));
  // All three tries together end well within one probe's wait.
  EXPECT_TRUE(AtOnce(Timing::NowMs() - start, linkstate::kProbeWaitMs));
}

// A probe is not written while an operation owns the line (it would land inside a
// transfer): each attempt fails at once and the device receives nothing; once the line
// is free again the next entry's probe goes out.
TEST_F(EntryRealtime, ProbeIsNotWrittenWhileAnOperationOwnsTheLine) {
  script["P"] = {kOk};
  for (LineOwner owner : {LineOwner::kDownload, LineOwner::kConfig}) {
    const LineArbiter::Lease lease = line.Hold(owner);
    machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringConfig, true);
    EXPECT_EQ(RunSteps(), (Calls{"2/4/0", "2/1/1", "2/4/1", "2/1/2", "2/4/2", "2/0/0"}));
    EXPECT_EQ(Probes("P"), 0);
  }
  machine.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringConfig, true);
  EXPECT_EQ(RunSteps(), kOneProbe);
  EXPECT_EQ(Probes("P"), 1);
}

TEST_F(EntryTest, CancelEndsAnEntryAndLeavesNobodyTheLink) {
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  ASSERT_TRUE(machine.Step());  // probe sent
  view.ClearCalls();
  machine.Cancel();
  // Not detecting: the port stays open.
  EXPECT_TRUE(port.IsOpen());
  EXPECT_FALSE(machine.LinkToTools());
  EXPECT_EQ(Where(), "0/0/0");
  EXPECT_EQ(view.Log(), (Calls{"cancel load", "main on"}));
  EXPECT_FALSE(machine.Step());
}

TEST_F(EntryTest, LateReplyAfterTheWaitIsKeptForTheNextProbeOnly) {
  // Nothing arrives for the first probe; a reply that comes between probes is matched
  // only by the next probe's wait, when the next block arrives.
  machine.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
  RunSteps(2);  // send, wait: no reply
  EXPECT_EQ(Where(), "3/4/0");
  machine.OnReceived(kError.data(), static_cast<int>(kError.size()));
  EXPECT_EQ(machine.Reply(), 0);
  script["P"] = {"\r\n"};  // any block during the next wait completes the match
  RunSteps();
  EXPECT_EQ(Probes("P"), 2);
  EXPECT_EQ(Where(), "0/0/0");
  EXPECT_EQ(view.Log().back(), "front");
}

// --- the receive thread

// The tools as the receive thread sees them: a download page, a console, a workspace,
// in the main window's order, each logging what it is given.
class FakeTargets {
 public:
  std::atomic<bool> downloadActive{false}, debugReceiving{false};
  std::atomic<int> workMode{3};
  std::atomic<int> vanished{0};

  std::vector<IReceiver*> Receivers() { return {&download_, &debug_, &config_}; }
  std::vector<std::string> Log() const { std::lock_guard<std::mutex> l(m_); return log_; }

 private:
  struct Target : IReceiver {
    Target(FakeTargets& t, std::string w, std::function<bool()> f) : owner(t), who(std::move(w)), wants(std::move(f)) {}
    bool WantsData() const override { return wants(); }
    void OnData(const char* d, int n) override { owner.Got(who, d, n); }
    FakeTargets& owner;
    std::string who;
    std::function<bool()> wants;
  };
  void Got(const std::string& who, const char* d, int n) {
    std::lock_guard<std::mutex> l(m_);
    // Every block is NUL-terminated after its count bytes.
    log_.push_back(who + ":" + std::string(d, static_cast<size_t>(n)) + (d[n] == '\0' ? "" : "!unterminated"));
  }
  Target download_{*this, "download", [this] { return downloadActive.load(); }};
  Target debug_{*this, "debug", [this] { return debugReceiving.load(); }};
  Target config_{*this, "config", [this] { return workMode >= 0 && workMode <= 2; }};
  mutable std::mutex m_;
  std::vector<std::string> log_;
};

class ReceivePumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.OnlyNamedPorts();
    port.SetReadWait(0);  // returns at once, so that only the pump's own pause paces it
    pump.SetReceivers(targets.Receivers());
  }
  void OpenPort() {
    port.AddPort("P");
    ASSERT_TRUE(port.Open("P", 9600, 8, 0, 0));
    link.SetLinkToTools(true);
  }
  ScriptedPort port{false};
  FakeView view;
  LinkMachine link{port, view};
  FakeTargets targets;
  ReceivePump pump{port, link, [this] { ++targets.vanished; }};
};

TEST_F(ReceivePumpTest, DispatchOrder) {
  constexpr int kDownload = 0, kDebug = 1, kConfig = 2;
  struct Case {
    bool toTools, download, debug;
    int mode;
    int expected;
  };
  // Without the link the main window talks to the device; mode 3 is the idle workspace.
  const Case cases[] = {
      {false, true, true, 1, ReceivePump::kMatcher}, {true, true, true, 1, kDownload},
      {true, false, true, 1, kDebug},   {true, false, false, 0, kConfig},
      {true, false, false, 1, kConfig}, {true, false, false, 2, kConfig},
      {true, false, false, 3, ReceivePump::kNobody}, {true, false, false, -1, ReceivePump::kNobody},
  };
  for (const Case& c : cases) {
    link.SetLinkToTools(c.toTools);
    targets.downloadActive = c.download;
    targets.debugReceiving = c.debug;
    targets.workMode = c.mode;
    EXPECT_EQ(pump.Dispatch("x", 1), c.expected)
        << c.toTools << c.download << c.debug << " mode " << c.mode;
    EXPECT_EQ(pump.Dispatch("", 0), c.expected) << "empty blocks go to the same consumer";
  }
}

TEST_F(ReceivePumpTest, TurnReadsNulTerminatedBlocksAndAVanishedDeviceClosesThePortOnce) {
  EXPECT_EQ(pump.Turn(), 0);  // a closed port is not read
  EXPECT_EQ(port.ReadCalls(), 0);
  OpenPort();
  targets.debugReceiving = true;
  port.Feed("abc");
  port.Feed(std::string("x\0y", 3));
  EXPECT_EQ(pump.Turn(), 3);
  EXPECT_EQ(pump.Turn(), 3);
  EXPECT_EQ(pump.Turn(), 0);  // empty reads are handed over too
  EXPECT_EQ(targets.Log(), (std::vector<std::string>{"debug:abc", std::string("debug:x\0y", 9), "debug:"}));
  port.Vanish();
  EXPECT_EQ(pump.Turn(), serial::kReadVanished);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(targets.Log().size(), 3u);
  EXPECT_EQ(pump.Turn(), 0);
  EXPECT_EQ(port.ReadCalls(), 4);
  EXPECT_EQ(targets.vanished, 1);
}

TEST_F(ReceivePumpTest, RunPausesWhileNothingArrivesAndStops) {
  OpenPort();
  targets.workMode = 1;
  port.Feed("data");
  const int64_t start = Timing::NowMs();
  std::thread t([&] { pump.Run(); });
  // Runs until some hundred empty reads' worth of pauses have passed.
  ASSERT_TRUE(WaitUntil([&] { return !targets.Log().empty(); }, kTestMarginMs));
  WaitUntil([&] { return port.ReadCalls() > 20; }, 200 * ReceivePump::kIdlePauseMs);
  pump.Stop();
  t.join();
  const int64_t ran = Timing::NowMs() - start;
  EXPECT_EQ(targets.Log().front(), "config:data");
  // The fake returns at once: without the pause there would be a read every few microseconds.
  EXPECT_LE(port.ReadCalls(), ran / ReceivePump::kIdlePauseMs + 5);
  // Empty reads are handed over too (the consumers' clock).
  EXPECT_GE(targets.Log().size(), 2u);
}

// A closed port costs a look a kClosedPauseMs, not a read: what arrives once it is opened
// (by hand, while the pump runs) is handed over within one such pause.
TEST_F(ReceivePumpTest, APortOpenedWhileThePumpRunsIsReadWithinAClosedPause) {
  targets.workMode = 1;
  std::thread t([&] { pump.Run(); });
  std::this_thread::sleep_for(std::chrono::milliseconds(3 * ReceivePump::kClosedPauseMs));
  EXPECT_EQ(port.ReadCalls(), 0);
  port.Feed("late");
  OpenPort();
  const bool arrived = WaitUntil([&] { return !targets.Log().empty(); }, ReceivePump::kClosedPauseMs + kTestMarginMs);
  pump.Stop();
  t.join();
  ASSERT_TRUE(arrived);
  EXPECT_EQ(targets.Log().front(), "config:late");
}

}  // namespace
