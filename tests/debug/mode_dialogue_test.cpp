// The simple / professional mode dialogue against a scripted device, with time
// scaled down; every wait below is derived from the dialogue's own limits.
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

#include "base/cp936.h"
#include "base/timing.h"
#include "debug/mode_dialogue.h"
#include "debug/receive_log.h"
#include "support/port_reader.h"
#include "support/scripted_port.h"
#include "support/wait.h"

namespace {

constexpr double kScale = 0.004;

// The console page as the dialogue sees it. The power-cycle box blocks like a
// real one until CloseWaitingMessage (or the test) closes it.
class FakeView : public IDebugModeView {
 public:
  DebugModeDialogue* dialogue = nullptr;
  std::function<void()> beforeEnable;  // runs on the mode thread before EnablePage

  ~FakeView() override { StopBannerTimer(); }

  void ShowMessage(const std::string& text, const std::function<bool()>& skip) override {
    std::unique_lock<std::mutex> lock(m_);
    if (skip && skip()) {
      ++seen_.skipped;
      cv_.notify_all();
      return;
    }
    seen_.messages.push_back(text);
    seen_.enabledAtMessage.push_back(enabled_);
    boxOpen_ = true;
    cv_.notify_all();
    if (skip) cv_.wait(lock, [this] { return !boxOpen_; });  // the waiting box
    boxOpen_ = false;
    cv_.notify_all();
  }
  void EnablePage(bool enabled) override {
    if (beforeEnable) beforeEnable();
    std::lock_guard<std::mutex> lock(m_);
    enabled_ = enabled;
  }
  void StartBannerTimer() override {
    StopBannerTimer();
    ticking_ = true;
    timer_ = std::thread([this] {
      while (ticking_) {
        dialogue->OnBannerTick();
        Timing::Sleep(DebugModeDialogue::kBannerTickMs);
      }
    });
  }
  void StopBannerTimer() override {
    ticking_ = false;
    if (timer_.joinable()) timer_.join();
  }
  void CloseWaitingMessage() override {
    std::lock_guard<std::mutex> lock(m_);
    ++seen_.closes;
    boxOpen_ = false;
    cv_.notify_all();
  }
  void LogChanged() override { ++logChanges; }

  // Waits until n messages were shown (or skipped) / the waiting box is open; false after ms.
  bool WaitMessages(size_t n, int ms) {
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms),
                        [&] { return seen_.messages.size() + seen_.skipped >= n; });
  }
  bool WaitBoxOpen(int ms) {
    std::unique_lock<std::mutex> lock(m_);
    return cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return boxOpen_; });
  }
  struct Seen {
    std::vector<std::string> messages;
    std::vector<bool> enabledAtMessage;  // the page's state as each box opened
    size_t skipped = 0;
    int closes = 0;
  };
  Seen Get() {
    std::lock_guard<std::mutex> lock(m_);
    return seen_;
  }
  std::vector<std::string> Messages() { return Get().messages; }
  bool Ticking() const { return ticking_; }
  std::atomic<int> logChanges{0};

 private:
  std::mutex m_;
  std::condition_variable cv_;
  Seen seen_;
  bool enabled_ = false;  // the page is disabled when a dialogue begins
  bool boxOpen_ = false;
  std::atomic<bool> ticking_{false};
  std::thread timer_;
};

// What the scripted device answers.
struct Device {
  std::atomic<bool> answerProbe{true};
  std::atomic<bool> probeError{false};
  std::atomic<bool> answerReset{true};
  std::atomic<bool> bootWindow{false};  // restarted or powered up: the next "S" gets the banner
};

class ModeDialogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(kScale);
    view.dialogue = &dlg;
    port.SetScript([this](const std::string& w) { return Answer(w); });
    dlg.Start();
  }
  void TearDown() override {
    dlg.Stop();
    view.StopBannerTimer();
    reader.Stop();
    Timing::SetScale(1.0);
  }
  void Deliver(const char* d, int n) {
    log.Append(std::string(d, static_cast<size_t>(n)));
    dlg.OnReceive(d, n);
  }
  Blocks Answer(const std::string& w) {
    if (w == "---" && dev.answerProbe) {
      // Split over two blocks, with a NUL in front: matched on the accumulated text.
      return {std::string("\0\r\nCMD ", 7), dev.probeError ? "ERROR\r\n" : "OK\r\n"};
    } else if (w == "AT+RESET\r\n" && dev.answerReset) {
      dev.bootWindow = true;
      return {"AT+RESET\r\n\r\nOK\r\n"};
    } else if (w == "S" && dev.bootWindow.exchange(false)) {
      return {"\r\nCONFIGURE PROGRAM\r\n"};
    }
    return {};
  }
  // Waits for the dialogue's end: limit = the sum of its waits, scaled, plus a margin.
  bool WaitMessages(size_t n, int unscaledLimitMs) {
    return view.WaitMessages(n, Timing::Scaled(unscaledLimitMs) + 3000);
  }
  static std::string Gbk(const char* s) { return GBK(s); }

  ScriptedPort port;
  ReceiveLog log;
  FakeView view;
  DebugModeDialogue dlg{port, log, view};
  Device dev;
  PortReader reader{port, [this](const char* d, int n) { Deliver(d, n); }};
};

TEST_F(ModeDialogueTest, SimpleModeSucceedsOnCmdOk) {
  dlg.Begin(DebugModeDialogue::kSimple);
  ASSERT_TRUE(WaitMessages(1, DebugModeDialogue::kProbeWaitMs));
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入简易模式成功！")});
  EXPECT_EQ(view.Get().enabledAtMessage, std::vector<bool>{false});  // enabled after the box
  EXPECT_FALSE(dlg.IsProMode());
  EXPECT_EQ(port.Writes(), std::vector<std::string>{"---"});
  const std::string notice = Gbk("\r\n进入简易模式中,请等待...\r\n");
  EXPECT_EQ(notice.size(), 28u);
  EXPECT_EQ(log.Bytes().substr(0, 28), notice);
  EXPECT_GE(view.logChanges.load(), 1);
  EXPECT_TRUE(WaitUntil([this] { return !dlg.IsRunning(); }, kTestMarginMs));
}

TEST_F(ModeDialogueTest, SimpleModeFailsAfterTwoWaitsOnSilenceOrError) {
  dev.answerProbe = false;
  const int64_t t0 = Timing::NowMs();
  dlg.Begin(DebugModeDialogue::kSimple);
  ASSERT_TRUE(WaitMessages(1, 2 * DebugModeDialogue::kProbeWaitMs));
  EXPECT_GE(Timing::NowMs() - t0, 2 * Timing::Scaled(DebugModeDialogue::kProbeWaitMs) - 2);
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入简易模式失败！")});
  EXPECT_EQ(view.Get().enabledAtMessage, std::vector<bool>{true});  // enabled before the box
  EXPECT_EQ(port.Count("---"), 2);
  EXPECT_EQ(port.Count("S"), 0);
  EXPECT_FALSE(view.Ticking());

  // "\r\nCMD ERROR\r\n" fails each probe at once.
  port.ClearWrites();
  dev.answerProbe = true;
  dev.probeError = true;
  dlg.Begin(DebugModeDialogue::kSimple);
  ASSERT_TRUE(WaitMessages(2, 2 * DebugModeDialogue::kProbeWaitMs));
  EXPECT_EQ(view.Messages().back(), Gbk("进入简易模式失败！"));
  EXPECT_EQ(port.Count("---"), 2);
}

// These measure real time: a full probe wait (5 s) must not be spent.
class ModeDialogueRealtime : public ModeDialogueTest {};

TEST_F(ModeDialogueRealtime, ClosedPortFailsWithoutWaiting) {
  Timing::SetScale(1.0);  // a probe wait would take the full 5 s
  port.Close();
  const int64_t t0 = Timing::NowMs();
  dlg.Begin(DebugModeDialogue::kSimple);
  ASSERT_TRUE(WaitMessages(1, 0));
  EXPECT_LT(Timing::NowMs() - t0, DebugModeDialogue::kProbeWaitMs - 1000);
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入简易模式失败！")});
  EXPECT_TRUE(port.Writes().empty());
}

TEST_F(ModeDialogueTest, ProfessionalModeSucceedsAndSetsFlag) {
  dlg.Begin(DebugModeDialogue::kProfessional);
  ASSERT_TRUE(WaitMessages(1, DebugModeDialogue::kProbeWaitMs + DebugModeDialogue::kResetWaitMs +
                                  DebugModeDialogue::kBannerWaitMs));
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入专业模式成功！")});
  EXPECT_TRUE(dlg.IsProMode());
  EXPECT_FALSE(view.Ticking());
  const auto writes = port.Writes();
  ASSERT_GE(writes.size(), 3u);
  EXPECT_EQ(writes[0], "---");
  EXPECT_EQ(writes[1], "AT+RESET\r\n");
  for (size_t i = 2; i < writes.size(); ++i) EXPECT_EQ(writes[i], "S");  // S only after the reset
  // The log holds the notice and the echoed reset command before the device's reply.
  const std::string bytes = log.Bytes();
  EXPECT_EQ(bytes.find(Gbk("\r\n进入专业模式中,请等待...\r\n")), 0u);
  EXPECT_NE(bytes.find("AT+RESET\r\n"), std::string::npos);
  EXPECT_NE(bytes.find("CONFIGURE PROGRAM"), std::string::npos);

  // A new entry clears the flag at once.
  dev.answerProbe = false;
  dlg.Begin(DebugModeDialogue::kSimple);
  EXPECT_FALSE(dlg.IsProMode());
  ASSERT_TRUE(WaitMessages(2, 2 * DebugModeDialogue::kProbeWaitMs));
}

TEST_F(ModeDialogueTest, IgnoredResetLeadsToPowerCycleBoxClosedByBanner) {
  dev.answerReset = false;
  dlg.Begin(DebugModeDialogue::kProfessional);
  // Two rounds of one probe and two resets, then the power-cycle box.
  ASSERT_TRUE(view.WaitBoxOpen(Timing::Scaled(4 * DebugModeDialogue::kResetWaitMs +
                                               2 * DebugModeDialogue::kProbeWaitMs) + 3000));
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入专业模式错误, 请将设备重新上电！")});
  EXPECT_EQ(view.Get().enabledAtMessage, std::vector<bool>{true});
  const std::vector<std::string> expected{"---", "AT+RESET\r\n", "AT+RESET\r\n",
                                          "---", "AT+RESET\r\n", "AT+RESET\r\n"};
  auto writes = port.Writes();
  ASSERT_GE(writes.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(writes.begin(), writes.begin() + 6), expected);
  // "S" goes out every tick while the box waits.
  EXPECT_TRUE(WaitUntil([this] { return port.Count("S") >= 3; }, Within(DebugModeDialogue::kBannerTickMs, 3)));
  EXPECT_FALSE(dlg.IsProMode());

  // The user powers the device up: the banner closes the box and the dialogue succeeds.
  dev.bootWindow = true;
  ASSERT_TRUE(WaitMessages(2, DebugModeDialogue::kBannerWaitMs));
  EXPECT_EQ(view.Messages().back(), Gbk("进入专业模式成功！"));
  EXPECT_EQ(view.Get().closes, 1);
  EXPECT_TRUE(dlg.IsProMode());
  EXPECT_FALSE(view.Ticking());
}

TEST_F(ModeDialogueTest, SilentProbeGoesStraightToPowerUpWaitAndTimesOut) {
  dev.answerProbe = false;
  dlg.Begin(DebugModeDialogue::kProfessional);
  ASSERT_TRUE(view.WaitBoxOpen(Timing::Scaled(2 * DebugModeDialogue::kProbeWaitMs) + 3000));
  EXPECT_EQ(port.Count("AT+RESET\r\n"), 0);
  // The user presses OK without powering the device: the 60 s wait runs out.
  const int64_t t0 = Timing::NowMs();
  view.CloseWaitingMessage();
  ASSERT_TRUE(WaitMessages(2, DebugModeDialogue::kBannerWaitMs));
  EXPECT_GE(Timing::NowMs() - t0, Timing::Scaled(DebugModeDialogue::kBannerWaitMs) - 2);
  EXPECT_EQ(view.Messages().back(), Gbk("进入专业模式失败！"));
  EXPECT_FALSE(dlg.IsProMode());
  EXPECT_FALSE(view.Ticking());
}

TEST_F(ModeDialogueTest, BannerBeforeTheBoxOpensSkipsTheBox) {
  // The device is powered up already: the first "S" is answered before the box
  // would open; the box is skipped instead of waiting for a click.
  dev.answerProbe = false;
  dev.bootWindow = true;
  // Hold the mode thread just before its box until the banner has been matched.
  view.beforeEnable = [this] {
    WaitUntil([this] { return view.Get().closes > 0; }, kTestMarginMs);
  };
  dlg.Begin(DebugModeDialogue::kProfessional);
  ASSERT_TRUE(WaitMessages(2, 2 * DebugModeDialogue::kProbeWaitMs));
  EXPECT_EQ(view.Get().skipped, 1u);
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入专业模式成功！")});
  EXPECT_TRUE(dlg.IsProMode());
}

TEST_F(ModeDialogueTest, LargeBlocksDoNotHideTheReply) {
  port.SetScript([](const std::string& w) {
    // The middle block is larger than the whole reply buffer.
    return w != "---" ? Blocks{} : Blocks{std::string(900, 'x'), std::string(5000, '\0') + "\r\nCMD", " OK\r\n"};
  });
  dlg.Begin(DebugModeDialogue::kSimple);
  ASSERT_TRUE(WaitMessages(1, DebugModeDialogue::kProbeWaitMs));
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入简易模式成功！")});
}

TEST_F(ModeDialogueTest, NoticeRestartsAFullLogAndBeginIsIgnoredWhileRunning) {
  log.Append(std::string(ReceiveLog::kCapacity - 10, 'z'));
  dev.answerProbe = false;
  dlg.Begin(DebugModeDialogue::kSimple);
  EXPECT_EQ(log.Bytes(), Gbk("\r\n进入简易模式中,请等待...\r\n"));
  dlg.Begin(DebugModeDialogue::kProfessional);  // ignored: one dialogue at a time
  ASSERT_TRUE(WaitMessages(1, 2 * DebugModeDialogue::kProbeWaitMs));
  EXPECT_EQ(view.Messages(), std::vector<std::string>{Gbk("进入简易模式失败！")});
  EXPECT_EQ(log.Bytes().size(), 28u);
}

TEST_F(ModeDialogueRealtime, StopEndsAWaitAtOnce) {
  Timing::SetScale(1.0);  // the full 5 s probe wait: Stop must not wait for it
  dev.answerProbe = false;
  dlg.Begin(DebugModeDialogue::kSimple);
  ASSERT_TRUE(WaitUntil([this] { return port.Count("---") == 1; }, kTestMarginMs));
  const int64_t t0 = Timing::NowMs();
  dlg.Stop();
  EXPECT_LT(Timing::NowMs() - t0, DebugModeDialogue::kProbeWaitMs - 1000);
  EXPECT_TRUE(view.Messages().empty());  // no failure box for a stop
  dlg.Begin(DebugModeDialogue::kSimple);  // ignored after Stop
  EXPECT_FALSE(dlg.IsRunning());
}

}  // namespace
