// The search over several ports at once: the ranking within the grace time, the ports
// that finish their sequence after the result, cancel; then against the simulator on a
// pseudo-terminal with silent ports and an unopenable name listed before it.
#include <gtest/gtest.h>

#include <future>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "app/link_machine.h"
#include "app/port_detector.h"
#include "base/timing.h"
#include "support/probe_ports.h"
#include "support/wait.h"
#ifndef _WIN32
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/silent_pty.h"
#endif

namespace {

const std::string kOk = "\r\nCMD OK\r\n", kError = "\r\nCMD ERROR\r\n";

class DetectorTest : public ::testing::Test {
 protected:
  void TearDown() override { Timing::SetScale(1.0); }

  // Runs the search on its own thread (Run blocks until the result); every port but the
  // absent ones can be opened.
  void Start(std::vector<std::string> ports, const std::set<std::string>& absent = {}) {
    for (const auto& p : ports)
      if (!absent.count(p)) probes.present.insert(p);
    detector = std::make_unique<PortDetector>(ports, probes.Factory());
    result = std::async(std::launch::async, [this] { return detector->Run(); });
  }
  bool Done() { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }
  // Feeds a reply to the port of that name, as its device sends it.
  void Answer(const std::string& name, const std::string& reply) {
    ScriptedPort* p = probes.Port(name);
    ASSERT_NE(p, nullptr) << name;
    p->Feed(reply);
  }
  bool Closed(const std::string& name) {
    ScriptedPort* p = probes.Port(name);
    return p != nullptr && !p->IsOpen();
  }
  void WaitForProbes(const std::vector<std::string>& names, int count) {
    for (const auto& n : names)
      ASSERT_TRUE(WaitUntil([&] { return probes.Probes(n) == count; }, kTestMarginMs)) << n;
  }

  ProbePorts probes;
  std::unique_ptr<PortDetector> detector;
  std::future<PortDetector::Result> result;
};

TEST_F(DetectorTest, APortListedEarlierThatIdentifiesWithinTheGraceTimeWinsOverTheFirstOne) {
  // The grace time outlasts several test margins, so a reply the test sends within it is
  // within it however busy the machine is.
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kDetectGraceMs));
  probes.replies["A"] = {"", kOk};  // A answers its second probe "\r\nCMD OK\r\n" too
  Start({"A", "B", "C"});
  WaitForProbes({"A", "B", "C"}, 1);
  Answer("C", kError);
  ASSERT_TRUE(WaitUntil([&] { return Closed("C"); }, kTestMarginMs));
  // C has identified, but A and B may still do so within the grace time.
  EXPECT_FALSE(Done());
  Answer("B", kError);
  ASSERT_TRUE(WaitUntil([&] { return Closed("B"); }, kTestMarginMs));
  EXPECT_FALSE(Done());
  // A answers both probes "\r\nCMD OK\r\n": no device. Nothing listed before B is left, so
  // B wins at once, without waiting out the grace time.
  const int64_t before = Timing::NowMs();
  Answer("A", kOk);
  ASSERT_EQ(result.wait_for(std::chrono::milliseconds(kTestMarginMs)), std::future_status::ready);
  EXPECT_TRUE(AtOnce(Timing::NowMs() - before, linkstate::kDetectGraceMs));
  const PortDetector::Result r = result.get();
  EXPECT_EQ(r.device, 1);
  EXPECT_FALSE(r.cancelled);
  detector->Settle();
  EXPECT_EQ(probes.Probes("A"), 2);
  EXPECT_TRUE(probes.AllClosed());
}

TEST_F(DetectorTest, TheFirstToIdentifyWinsAfterTheGraceTimeAndOtherPortsFinishWithoutDelayingIt) {
  // A probe's wait outlasts several margins; the grace time is far shorter.
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  probes.replies["A"] = {kOk};  // A runs its second probe, still unanswered when C wins
  Start({"A", "B", "C"});
  WaitForProbes({"A"}, 2);
  WaitForProbes({"B", "C"}, 1);
  const int64_t identified = Timing::NowMs();
  Answer("C", kError);
  ASSERT_EQ(result.wait_for(std::chrono::milliseconds(Within(linkstate::kDetectGraceMs))),
            std::future_status::ready);
  // The result comes after the grace time, long before A's or B's probe wait ends.
  EXPECT_GE(Timing::NowMs() - identified, Timing::Scaled(linkstate::kDetectGraceMs));
  EXPECT_TRUE(AtOnce(Timing::NowMs() - identified, linkstate::kProbeWaitMs));
  EXPECT_EQ(result.get().device, 2);
  // B, silent, is closed at once without its second probe; A still waits for the reply to
  // its second "---" and is closed as soon as that comes.
  ASSERT_TRUE(WaitUntil([&] { return Closed("B"); }, kTestMarginMs));
  EXPECT_EQ(probes.Probes("B"), 1);
  EXPECT_FALSE(Closed("A"));
  Answer("A", kError);
  ASSERT_TRUE(WaitUntil([&] { return Closed("A"); }, kTestMarginMs));
  detector->Settle();
  EXPECT_EQ(probes.Probes("A"), 2);
  EXPECT_EQ(probes.Probes("C"), 1);
}

TEST_F(DetectorTest, CancelEndsEveryProbeAtOnceAndUnopenablePortsAreReported) {
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  probes.replies["A"] = {kOk};  // even a port finishing its sequence is ended
  probes.denied = {"D"};
  Start({"A", "B", "D", "missing"}, {"missing"});
  WaitForProbes({"A"}, 2);
  WaitForProbes({"B"}, 1);
  const int64_t before = Timing::NowMs();
  detector->Cancel();
  ASSERT_EQ(result.wait_for(std::chrono::milliseconds(kTestMarginMs)), std::future_status::ready);
  const PortDetector::Result r = result.get();
  EXPECT_TRUE(r.cancelled);
  EXPECT_EQ(r.device, -1);
  detector->Settle();
  EXPECT_TRUE(AtOnce(Timing::NowMs() - before, linkstate::kProbeWaitMs));
  EXPECT_TRUE(probes.AllClosed());
  EXPECT_EQ(probes.Probes("A"), 2);
  EXPECT_EQ(probes.Probes("B"), 1);

  // Without a cancel: every port ends its sequence; the refused ones are named.
  Timing::SetScale(0.01);
  probes.Forget();
  Start({"D", "B", "missing", "A"}, {"missing"});
  const PortDetector::Result all = result.get();
  EXPECT_EQ(all.device, -1);
  EXPECT_FALSE(all.cancelled);
  EXPECT_EQ(all.denied, (std::vector<std::string>{"D"}));
  EXPECT_TRUE(all.lastOpened);
  EXPECT_EQ(probes.Probes("B"), 2);
  EXPECT_TRUE(probes.AllClosed());
}

#ifndef _WIN32
// Real ports: the simulator behind CSerial, silent pseudo-terminals, a missing name.
class DetectorSimTest : public ::testing::Test {
 protected:
  void SetUp() override { Timing::SetScale(1.0); }
  void TearDown() override { Timing::SetScale(1.0); }
  static PortDetector::PortFactory RealPorts() {
    return [] { return std::make_unique<CSerial>(); };
  }
};

TEST_F(DetectorSimTest, SilentAndMissingPortsListedFirstDoNotDelayTheSimulatorAndAreClosed) {
  // A silent port costs two probe waits in a search one port at a time; "at once" here is
  // well under one.
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  RtuSimulator sim;
  ASSERT_TRUE(sim.Start());
  std::vector<std::unique_ptr<SilentPty>> silent;
  std::vector<std::string> ports;
  for (int i = 0; i < 4; ++i) {
    silent.push_back(std::make_unique<SilentPty>());
    ASSERT_FALSE(silent.back()->Name().empty());
    ports.push_back(silent.back()->Name());
  }
  ports.push_back("/dev/qx-no-such-port");
  ports.push_back(sim.PortName());

  const int64_t start = Timing::NowMs();
  PortDetector detector(ports, RealPorts());
  const PortDetector::Result r = detector.Run();
  const int64_t took = Timing::NowMs() - start;
  EXPECT_EQ(r.device, 5);
  EXPECT_TRUE(AtOnce(took, linkstate::kProbeWaitMs)) << took << " ms";
  // The device received the two probes of its running state and is running again.
  EXPECT_EQ(sim.ReceivedCommands(), (std::vector<std::string>{"---", "---"}));
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Run);
  // Every silent port is closed at once, without a second probe (whether its first one went
  // out before the device answered depends on the threads).
  for (auto& s : silent) {
    EXPECT_LE(s->Received().size(), 3u) << s->Name();
    EXPECT_TRUE(WaitUntil([&] { return !s->InUse(); }, kTestMarginMs)) << s->Name();
  }
  detector.Settle();
  // The winner's handle is closed too: the caller can open the port.
  CSerial reopen;
  EXPECT_TRUE(reopen.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone));
  sim.Stop();
}

TEST_F(DetectorSimTest, TwoDevicesAnsweringTogetherGiveTheOneListedFirst) {
  // The grace time outlasts several margins; the device listed first answers a little
  // later than the other (paced at 115200 baud, scaled).
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kDetectGraceMs));
  RtuSimulator first, second;
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(second.Start());
  first.SetBaudPacing(115200);
  PortDetector detector({first.PortName(), second.PortName()}, RealPorts());
  EXPECT_EQ(detector.Run().device, 0);
  detector.Settle();
  // Both got exactly their two probes and run again.
  for (RtuSimulator* sim : {&first, &second}) {
    EXPECT_EQ(sim->ReceivedCommands(), (std::vector<std::string>{"---", "---"}));
    EXPECT_EQ(sim->GetState(), RtuSimulator::State::Run);
  }
  first.Stop();
  second.Stop();
}
#endif

}  // namespace
