// The receive thread's hand-over of every block to exactly one consumer.
#include "app/receive_pump.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "link_test_support.h"
#include "support/wait.h"

namespace {

class FakeTargets : public IReceiveTargets {
 public:
  std::atomic<bool> downloadActive{false}, debugReceiving{false};
  std::atomic<int> workMode{3};
  std::atomic<int> vanished{0};

  bool DownloadActive() override { return downloadActive; }
  void DownloadData(const char* d, int n) override { Got("download", d, n); }
  bool DebugReceiving() override { return debugReceiving; }
  void DebugData(const char* d, int n) override { Got("debug", d, n); }
  int ConfigWorkMode() override { return workMode; }
  void ConfigData(const char* d, int n) override { Got("config", d, n); }
  void PortVanished() override { ++vanished; }

  std::vector<std::string> Log() const { std::lock_guard<std::mutex> l(m_); return log_; }

 private:
  void Got(const std::string& who, const char* d, int n) {
    std::lock_guard<std::mutex> l(m_);
    // Every block is NUL-terminated after its count bytes.
    log_.push_back(who + ":" + std::string(d, static_cast<size_t>(n)) + (d[n] == '\0' ? "" : "!unterminated"));
  }
  mutable std::mutex m_;
  std::vector<std::string> log_;
};

class ReceivePumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port.OnlyNamedPorts();
    port.SetReadWait(0);  // returns at once, so that only the pump's own pause paces it
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
  ReceivePump pump{port, link, targets};
};

TEST_F(ReceivePumpTest, DispatchOrder) {
  struct Case {
    bool toTools, download, debug;
    int mode;
    ReceivePump::Consumer expected;
  };
  // Without the link the main window talks to the device; mode 3 is the idle workspace.
  const Case cases[] = {
      {false, true, true, 1, ReceivePump::kMatcher}, {true, true, true, 1, ReceivePump::kDownload},
      {true, false, true, 1, ReceivePump::kDebug},   {true, false, false, 0, ReceivePump::kConfig},
      {true, false, false, 1, ReceivePump::kConfig}, {true, false, false, 2, ReceivePump::kConfig},
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

TEST_F(ReceivePumpTest, TurnReadsNulTerminatedBlocksAndHandsOverEmptyOnes) {
  OpenPort();
  targets.debugReceiving = true;
  port.Feed("abc");
  port.Feed(std::string("x\0y", 3));
  EXPECT_EQ(pump.Turn(), 3);
  EXPECT_EQ(pump.Turn(), 3);
  EXPECT_EQ(pump.Turn(), 0);
  EXPECT_EQ(targets.Log(), (std::vector<std::string>{"debug:abc", std::string("debug:x\0y", 9), "debug:"}));
}

TEST_F(ReceivePumpTest, ClosedPortIsNotReadAndAVanishedDeviceClosesThePortOnce) {
  EXPECT_EQ(pump.Turn(), 0);
  EXPECT_EQ(port.ReadCalls(), 0);
  OpenPort();
  targets.debugReceiving = true;
  port.Vanish();
  EXPECT_EQ(pump.Turn(), serial::kReadVanished);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(targets.vanished, 1);
  EXPECT_TRUE(targets.Log().empty());
  EXPECT_EQ(pump.Turn(), 0);
  EXPECT_EQ(port.ReadCalls(), 1);
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

}  // namespace
