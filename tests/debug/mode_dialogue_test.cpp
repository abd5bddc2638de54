// The mode dialogue against a scripted device; every wait derives from its own limits.
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

using D = DebugModeDialogue;

// The console page as the dialogue sees it. The power-cycle box (the one that can be
// skipped) blocks like a real one until CloseWaitingMessage (or the test) closes it.
class FakeView : public IDebugModeView {
 public:
  struct Seen {
    std::vector<std::string> messages;
    std::vector<bool> enabledAtMessage;  // the page's state as each box opened
    size_t skipped = 0;
    int closes = 0;
    bool boxOpen = false;
  };
  DebugModeDialogue* dialogue = nullptr;
  std::function<void()> beforeEnable;  // runs on the mode thread before EnablePage
  std::atomic<int> logChanges{0};
  std::atomic<int> ticksKeptBack{0};  // "S" ticks the line's owner kept back

  ~FakeView() override { StopBannerTimer(); }
  void ShowMessage(const std::string& text, const std::function<bool()>& skip) override {
    std::unique_lock<std::mutex> lock(m_);
    if (skip && skip()) {
      ++seen_.skipped;
      return;
    }
    seen_.messages.push_back(text);
    seen_.enabledAtMessage.push_back(enabled_);
    seen_.boxOpen = skip != nullptr && !shut_;
    cv_.wait(lock, [this] { return !seen_.boxOpen; });
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
      for (; ticking_; Timing::Sleep(D::kBannerTickMs)) if (!dialogue->OnBannerTick()) ++ticksKeptBack;
    });
  }
  void StopBannerTimer() override {
    ticking_ = false;
    if (timer_.joinable()) timer_.join();
  }
  void CloseWaitingMessage() override { Close(false); }
  void Shutdown() { Close(true); }  // boxes return at once from now on, as the page's do then
  void LogChanged() override { ++logChanges; }

  Seen Get() {
    std::lock_guard<std::mutex> lock(m_);
    return seen_;
  }
  void Forget() {  // and the page is disabled again, as before a dialogue
    std::lock_guard<std::mutex> lock(m_);
    seen_ = {};
    enabled_ = false;
  }
  bool Ticking() const { return ticking_; }

 private:
  void Close(bool shut) {
    std::lock_guard<std::mutex> lock(m_);
    seen_.closes += !shut;
    shut_ = shut_ || shut;
    seen_.boxOpen = false;
    cv_.notify_all();
  }
  std::mutex m_;
  std::condition_variable cv_;
  Seen seen_;
  bool enabled_ = false;  // the page is disabled when a dialogue begins
  bool shut_ = false;
  std::atomic<bool> ticking_{false};
  std::thread timer_;
};

class ModeDialogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(0.004);
    view.dialogue = &dlg;
    port.SetScript([this](const std::string& w) { return Answer(w); });
    dlg.Start();
  }
  void TearDown() override {
    view.Shutdown();
    dlg.Stop();
    view.StopBannerTimer();
    reader.Stop();
    Timing::SetScale(1.0);
  }
  // A device that answers the probe and the reset; restarted or powered up, it answers
  // the next "S" with the banner.
  Blocks Answer(const std::string& w) {
    if (w == "---" && answerProbe) return {CmdOk()};
    if (w == "AT+RESET\r\n" && answerReset) {
      bootWindow = true;
      return {"AT+RESET\r\n\r\nOK\r\n"};
    }
    if (w == "S" && bootWindow.exchange(false)) return {"\r\nCONFIGURE PROGRAM\r\n"};
    return {};
  }
  // Waits for n boxes (shown or skipped) within the given dialogue time, scaled, plus a margin.
  bool WaitMessages(size_t n, int unscaledLimitMs) {
    return WaitUntil([&] { return view.Get().messages.size() + view.Get().skipped >= n; }, Within(unscaledLimitMs));
  }
  std::vector<std::string> Messages() { return view.Get().messages; }

  ScriptedPort port;
  ReceiveLog log;
  FakeView view;
  LineArbiter line;
  DebugModeDialogue dlg{port, log, view, line};
  std::atomic<bool> answerProbe{true}, answerReset{true}, bootWindow{false};
  PortReader reader{port, [this](const char* d, int n) {
                      log.Append(std::string(d, static_cast<size_t>(n)));
                      dlg.OnReceive(d, n);
                    }};
};

TEST_F(ModeDialogueTest, SimpleModeSucceedsOnCmdOkAndFailsAfterTwoProbes) {
  const std::string split("\0\r\nCMD ", 7);
  const struct {
    const char* what;
    Blocks reply;  // to each "---"
    const char* message;
    int probes;
  } cases[] = {
      // Matched on the accumulated text: split over two blocks, with a NUL in front.
      {"CMD OK split", {split, "OK\r\n"}, "进入简易模式成功！", 1},
      // The middle block is larger than the whole reply buffer.
      {"large blocks", {std::string(900, 'x'), std::string(5000, '\0') + "\r\nCMD", " OK\r\n"}, "进入简易模式成功！", 1},
      {"CMD ERROR", {split, "ERROR\r\n"}, "进入简易模式失败！", 2},  // fails each probe at once
      {"silence", {}, "进入简易模式失败！", 2},
  };
  const std::string notice = GBK("\r\n进入简易模式中,请等待...\r\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    port.SetScript([this, reply = c.reply](const std::string& w) {
      if (w != "---") return Blocks{};
      dlg.Begin(D::kProfessional);  // ignored: one dialogue at a time
      return reply;
    });
    port.ClearWrites();
    view.Forget();
    log.Append(std::string(ReceiveLog::kCapacity - 10 - log.Length(), 'z'));  // the notice restarts it
    const int64_t t0 = Timing::NowMs();
    dlg.Begin(D::kSimple);
    ASSERT_TRUE(WaitMessages(1, 2 * D::kProbeWaitMs));
    EXPECT_GE(Timing::NowMs() - t0, c.reply.empty() ? 2 * Timing::Scaled(D::kProbeWaitMs) - 2 : 0);  // silence waits
    EXPECT_EQ(Messages(), std::vector<std::string>{GBK(c.message)});
    // The page is enabled after a success box, before a failure box.
    EXPECT_EQ(view.Get().enabledAtMessage, std::vector<bool>{c.probes == 2});
    EXPECT_EQ(port.Writes(), std::vector<std::string>(c.probes, "---"));
    EXPECT_EQ(log.Bytes().compare(0, notice.size(), notice), 0);
    EXPECT_FALSE(dlg.IsProMode());
    EXPECT_FALSE(view.Ticking());
    EXPECT_TRUE(WaitUntil([this] { return !dlg.IsRunning(); }, kTestMarginMs));
  }
  EXPECT_GE(view.logChanges.load(), 1);
}

TEST_F(ModeDialogueTest, IgnoredResetLeadsToPowerCycleBoxClosedByBanner) {
  answerReset = false;
  dlg.Begin(D::kProfessional);
  // Two rounds of one probe and two resets, then the power-cycle box.
  ASSERT_TRUE(WaitUntil([this] { return view.Get().boxOpen; }, Within(4 * D::kResetWaitMs + 2 * D::kProbeWaitMs)));
  EXPECT_EQ(Messages(), std::vector<std::string>{GBK("进入专业模式错误, 请将设备重新上电！")});
  EXPECT_EQ(view.Get().enabledAtMessage, std::vector<bool>{true});
  const std::vector<std::string> expected{"---", "AT+RESET\r\n", "AT+RESET\r\n",
                                          "---", "AT+RESET\r\n", "AT+RESET\r\n"};
  auto writes = port.Writes();
  ASSERT_GE(writes.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(writes.begin(), writes.begin() + 6), expected);
  // "S" goes out every tick while the box waits: the dialogue owns the line.
  EXPECT_TRUE(WaitUntil([this] { return port.Count("S") >= 3; }, Within(D::kBannerTickMs, 3)));
  EXPECT_FALSE(dlg.IsProMode());
  EXPECT_EQ(line.Owner(), LineOwner::kModeDialogue);
  {
    // A firmware download takes the line: the ticks are kept back until it ends.
    LineArbiter::Lease download = line.Hold(LineOwner::kDownload);
    const int sent = port.Count("S");
    EXPECT_TRUE(WaitUntil([this] { return view.ticksKeptBack >= 3; }, Within(D::kBannerTickMs, 3)));
    EXPECT_EQ(port.Count("S"), sent);
  }
  const int sent = port.Count("S");
  EXPECT_TRUE(WaitUntil([&] { return port.Count("S") > sent; }, Within(D::kBannerTickMs, 3)));

  // The user powers the device up: the banner closes the box and the dialogue succeeds.
  bootWindow = true;
  ASSERT_TRUE(WaitMessages(2, D::kBannerWaitMs));
  EXPECT_EQ(Messages().back(), GBK("进入专业模式成功！"));
  EXPECT_EQ(view.Get().closes, 1);
  EXPECT_TRUE(dlg.IsProMode());
  EXPECT_FALSE(view.Ticking());
  EXPECT_EQ(line.Owner(), LineOwner::kNone) << "the dialogue let the line go";
  // A new entry clears the flag at once.
  answerProbe = false;
  dlg.Begin(D::kSimple);
  EXPECT_FALSE(dlg.IsProMode());
}

TEST_F(ModeDialogueTest, SilentProbeGoesStraightToPowerUpWaitAndTimesOut) {
  answerProbe = false;
  dlg.Begin(D::kProfessional);
  ASSERT_TRUE(WaitUntil([this] { return view.Get().boxOpen; }, Within(2 * D::kProbeWaitMs)));
  EXPECT_EQ(port.Count("AT+RESET\r\n"), 0);
  // The user presses OK without powering the device: the 60 s wait runs out.
  const int64_t t0 = Timing::NowMs();
  view.CloseWaitingMessage();
  ASSERT_TRUE(WaitMessages(2, D::kBannerWaitMs));
  EXPECT_GE(Timing::NowMs() - t0, Timing::Scaled(D::kBannerWaitMs) - 2);
  EXPECT_EQ(Messages().back(), GBK("进入专业模式失败！"));
  EXPECT_FALSE(dlg.IsProMode());
  EXPECT_FALSE(view.Ticking());
}

TEST_F(ModeDialogueTest, BannerBeforeTheBoxOpensSkipsTheBox) {
  // The device is powered up already: the first "S" is answered before the box
  // would open; the box is skipped instead of waiting for a click.
  answerProbe = false;
  bootWindow = true;
  // Hold the mode thread just before its box until the banner has been matched.
  view.beforeEnable = [this] { WaitUntil([this] { return view.Get().closes > 0; }, kTestMarginMs); };
  dlg.Begin(D::kProfessional);
  ASSERT_TRUE(WaitMessages(2, 2 * D::kProbeWaitMs));
  EXPECT_EQ(view.Get().skipped, 1u);
  EXPECT_EQ(Messages(), std::vector<std::string>{GBK("进入专业模式成功！")});
  EXPECT_TRUE(dlg.IsProMode());
}

// Real time: neither a closed port nor a stop may spend a probe wait, made many test margins long.
class ModeDialogueRealtime : public ModeDialogueTest {};

TEST_F(ModeDialogueRealtime, ClosedPortFailsAndStopEndsAWaitWithoutWaiting) {
  Timing::SetScale(ScaleOutlastingMargins(D::kProbeWaitMs));
  port.Close();
  int64_t t0 = Timing::NowMs();
  dlg.Begin(D::kSimple);
  ASSERT_TRUE(WaitMessages(1, 0));
  EXPECT_TRUE(AtOnce(Timing::NowMs() - t0, D::kProbeWaitMs));
  EXPECT_EQ(Messages(), std::vector<std::string>{GBK("进入简易模式失败！")});
  EXPECT_TRUE(port.Writes().empty());
  ASSERT_TRUE(WaitUntil([this] { return !dlg.IsRunning(); }, kTestMarginMs));

  port.Open("x", 115200, 8, 0, 0);
  answerProbe = false;
  dlg.Begin(D::kSimple);
  ASSERT_TRUE(WaitUntil([this] { return port.Count("---") == 1; }, kTestMarginMs));
  t0 = Timing::NowMs();
  dlg.Stop();
  EXPECT_TRUE(AtOnce(Timing::NowMs() - t0, D::kProbeWaitMs));
  EXPECT_EQ(Messages().size(), 1u);  // no failure box for a stop
  dlg.Begin(D::kSimple);  // ignored after Stop
  EXPECT_FALSE(dlg.IsRunning());
}

}  // namespace
