// Auto-detection (state 1) of the link-state machine, step by step.
#ifdef __linux__
#include <pthread.h>
#include <time.h>
#endif

#include <chrono>
#include <thread>

#include "link_test_support.h"

namespace {

using Calls = std::vector<std::string>;

TEST_F(LinkTest, DetectionSkipsUnopenableAndSilentPortsAndFindsTheDevice) {
  port.AddPort("B");
  port.AddPort("C");
  script["C"] = {kCmdError};
  machine.StartDetection({"A", "B", "C"});
  EXPECT_EQ(view.Calls(), (Calls{"combos off", "tip text 0", "tip shown", "main off"}));
  EXPECT_EQ(Where(), "1/1/0/0");
  EXPECT_FALSE(machine.LinkToTools());
  view.ClearCalls();

  EXPECT_EQ(RunSteps(), (Calls{
                            "1/5/0/0",  // A cannot be opened
                            "1/1/0/1",  // next port
                            "1/2/0/1",  // B opened
                            "1/4/0/1",  // no reply
                            "1/2/1/1",  // probe once more
                            "1/4/1/1",  // no reply again
                            "1/5/0/1",  // give up on B
                            "1/1/0/2",  // next port
                            "1/2/0/2",  // C opened
                            "1/3/0/2",  // CMD ERROR: found
                            "0/0/0/0",  // done
                        }));
  EXPECT_EQ(port.Opens(), (Calls{"A", "B", "C"}));
  EXPECT_EQ(port.Probes("B"), 2);
  EXPECT_EQ(port.Probes("C"), 1);
  EXPECT_EQ(port.LastBaud(), linkstate::kDetectBaud);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), "C");
  EXPECT_TRUE(machine.LinkToTools());
  EXPECT_EQ(machine.DevicePort(), 2);
  EXPECT_EQ(machine.DevicePortName(), "C");
  EXPECT_FALSE(machine.Busy());
  EXPECT_EQ(view.Calls(), (Calls{"select 2", "button close", "status confirmed", "combos off",
                                 "tip hidden", "main on", "debug receive on"}));
}

TEST_F(LinkTest, CmdOkIsNoDeviceButASecondProbeMayFindIt) {
  port.AddPort("A");
  port.AddPort("B");
  script["A"] = {kCmdOk, kCmdOk};  // answered twice with CMD OK: skipped
  script["B"] = {kCmdOk, kCmdError};
  machine.StartDetection({"A", "B"});
  RunSteps();
  EXPECT_EQ(port.Probes("A"), 2);
  EXPECT_EQ(port.Probes("B"), 2);
  EXPECT_EQ(machine.DevicePortName(), "B");
  EXPECT_EQ(port.Name(), "B");
}

TEST_F(LinkTest, SilentLastPortStaysOpenWithoutConfirmation) {
  port.AddPort("A");
  port.AddPort("B");
  machine.StartDetection({"A", "B"});
  view.ClearCalls();
  RunSteps();
  EXPECT_EQ(port.Probes("A"), 2);
  EXPECT_EQ(port.Probes("B"), 2);
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), "B");
  EXPECT_FALSE(machine.LinkToTools());
  EXPECT_EQ(machine.DevicePort(), -1);
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_EQ(view.Calls(), (Calls{"tip text 1", "tip hidden", "select 1", "button close",
                                 "status unconfirmed", "combos off", "main on"}));
}

TEST_F(LinkTest, NoPortOpensAndPermissionRefusalsAreReportedAtTheEnd) {
  port.DenyPort("/dev/ttyUSB0");
  port.DenyPort("/dev/ttyACM0");
  machine.StartDetection({"/dev/ttyUSB0", "/dev/missing", "/dev/ttyACM0"});
  view.ClearCalls();
  RunSteps();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(view.Calls(), (Calls{"tip text 1", "tip hidden", "select 2", "button open",
                                 "status closed", "combos on", "main on",
                                 "denied /dev/ttyUSB0 /dev/ttyACM0"}));
}

TEST_F(LinkTest, EmptyPortListEndsAtOnce) {
  machine.StartDetection({});
  EXPECT_EQ(RunSteps(), (Calls{"1/5/0/0", "0/0/0/0"}));
  EXPECT_FALSE(machine.Busy());
  EXPECT_FALSE(machine.Step());
}

TEST_F(LinkTest, DetectionClosesAPortThatIsAlreadyOpen) {
  port.AddPort("X");
  port.AddPort("A");
  ASSERT_TRUE(port.Open("X", 9600, 8, 0, 0));
  script["A"] = {kCmdError};
  machine.StartDetection({"A"});
  RunSteps();
  EXPECT_EQ(port.Opens(), (Calls{"X", "A"}));
  EXPECT_EQ(port.Name(), "A");
}

TEST_F(LinkTest, ReplySplitOverBlocksWithNulBytesIsMatched) {
  port.AddPort("A");
  script["A"] = {std::string("\0\0\r\nCM", 6) + "|D ERR|" + std::string("OR\r\0", 4) + "|\n"};
  // "\r\0\n" is not the reply: the first probe fails; the second gets a clean split reply.
  script["A"].push_back("\r\nCMD ER|ROR\r|\n");
  machine.StartDetection({"A"});
  RunSteps();
  EXPECT_EQ(port.Probes("A"), 2);
  EXPECT_EQ(machine.DevicePortName(), "A");
}

TEST_F(LinkTest, RepliesOutsideAProbeWaitAreNotMatched) {
  machine.OnReceived(kCmdError.data(), static_cast<int>(kCmdError.size()));
  EXPECT_EQ(machine.Reply(), 0);
  // Zero-length hand-overs change nothing either.
  machine.OnReceived("", 0);
  EXPECT_EQ(machine.Reply(), 0);
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
  template <class Pred>
  bool WaitFor(Pred pred, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!pred()) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
  }
  // A bound for anything that takes a few probe waits.
  static int Deadline() { return Timing::Scaled(linkstate::kProbeWaitMs) * 20 + 2000; }
  std::thread thread;
};

TEST_F(LinkThreadTest, CancelDuringAProbeWaitClosesThePortAndNothingRunsAfterwards) {
  port.AddPort("A");
  port.AddPort("B");
  Timing::SetScale(1.0);  // the probe wait is the full 5 s: cancel must not wait for it
  StartThread();
  machine.StartDetection({"A", "B"});
  ASSERT_TRUE(WaitFor([&] { return port.Probes("A") == 1; }, 5000));
  view.ClearCalls();
  const auto before = std::chrono::steady_clock::now();
  machine.Cancel();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(Where(), "0/0/0/0");
  EXPECT_EQ(view.Calls(), (Calls{"button open", "status closed", "combos on", "cancel load", "main on"}));
  // The waiting step ends at once and applies nothing: no second probe, no port B.
  Timing::SetScale(kScale);
  ASSERT_TRUE(WaitFor([&] { return !machine.Busy(); }, 1000));
  std::this_thread::sleep_for(std::chrono::milliseconds(Timing::Scaled(linkstate::kProbeWaitMs) * 3));
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(2500));
  EXPECT_EQ(port.Probes("A"), 1);
  EXPECT_EQ(port.Opens(), (Calls{"A"}));
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(view.Calls().size(), 5u);
}

TEST_F(LinkThreadTest, DetectionRestartedRightAfterACancelProbesTheFirstPortAgain) {
  port.AddPort("A");
  script["A"] = {"", kCmdError};
  Timing::SetScale(1.0);
  StartThread();
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitFor([&] { return port.Probes("A") == 1; }, 5000));
  machine.Cancel();
  Timing::SetScale(kScale);
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitFor([&] { return machine.LinkToTools(); }, Deadline()));
  EXPECT_EQ(port.Opens(), (Calls{"A", "A"}));
  EXPECT_EQ(port.Probes("A"), 2);
  EXPECT_EQ(machine.DevicePortName(), "A");
}

TEST_F(LinkThreadTest, StopEndsAProbeWaitAtOnce) {
  port.AddPort("A");
  Timing::SetScale(1.0);
  StartThread();
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitFor([&] { return port.Probes("A") == 1; }, 5000));
  const auto before = std::chrono::steady_clock::now();
  machine.Stop();
  thread.join();
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(1000));
  EXPECT_EQ(port.Probes("A"), 1);
}

#ifdef __linux__
TEST_F(LinkThreadTest, IdleThreadUsesNoCpuAndTakesUpAStartAtOnce) {
  StartThread();
  clockid_t clock;
  ASSERT_EQ(pthread_getcpuclockid(thread.native_handle(), &clock), 0);
  auto cpuMs = [&] {
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
  };
  const double before = cpuMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // A thread turning without a pause would use the whole 300 ms.
  EXPECT_LT(cpuMs() - before, 30.0);

  port.AddPort("A");
  script["A"] = {kCmdError};
  machine.StartDetection({"A"});
  ASSERT_TRUE(WaitFor([&] { return machine.LinkToTools(); }, linkstate::kIdleWaitMs / 2));
  // Once the tools own the link, the thread is idle again.
  const double after = cpuMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_LT(cpuMs() - after, 30.0);
}
#endif

}  // namespace
