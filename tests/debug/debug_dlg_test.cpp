// The console page offscreen: on a scripted port, and its mode dialogue against the simulator.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdlib>
#include <memory>

#include "base/cp936.h"
#include "base/timing.h"
#include "debug/debug_text.h"
#include "debug/ui/debug_dlg.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/port_reader.h"
#include "support/qt_wait.h"
#include "support/scripted_port.h"
#include "support/test_host.h"
#include "support/tip_catcher.h"
#include "widgets/ui_bridge.h"
#include "widgets/user_settings.h"

namespace {

// A page whose save dialog and mode question are scripted.
class TestDebugPage : public CDebug {
 public:
  QString savePath;           // what the save dialog "chooses" ("" = cancel)
  QString lastDefaultName;    // the name it was offered
  bool confirmAnswer = true;  // the answer to the mode question
  QString lastQuestion;
  QuickSendEntry nextEntry;   // what the quick-send dialog "returns"
  bool entryAccepted = true;  // false: the dialog is cancelled
  int entryAsked = 0;

 protected:
  QString AskSavePath(const QString& defaultName) override {
    lastDefaultName = defaultName;
    return savePath;
  }
  bool Confirm(const QString& question) override {
    lastQuestion = question;
    return confirmAnswer;
  }
  bool AskQuickSend(QuickSendEntry& entry) override {
    ++entryAsked;
    if (entryAccepted) entry = nextEntry;
    return entryAccepted;
  }
};

// The page on a port, its "提示" boxes caught.
class PageTest : public ::testing::Test {
 protected:
  explicit PageTest(ISerialPort& port) : host(port) {}
  void SetUp() override {
    UiBridge::Restart();
    // Quick-send entries go to a file of this test's own, never to the user's settings.
    ASSERT_TRUE(settingsDir.isValid());
    usersettings::UseFile(settingsDir.filePath(QStringLiteral("qx310-tools.ini")));
    page.Init(&host);
    page.resize(800, 600);
  }
  void TearDown() override {
    page.Shutdown();
    QCoreApplication::processEvents();  // calls refused at shutdown leave the queue unrun
    UiBridge::Restart();
    usersettings::UseFile({});
  }
  template <class T>
  T* Get(int id) {
    return qobject_cast<T*>(page.Control(id));
  }
  QLineEdit* Input() { return Get<QLineEdit>(CDebug::kInputEdit); }
  QCheckBox* Box(int id) { return Get<QCheckBox>(id); }
  QString Text(int id) { return Get<QLineEdit>(id)->text(); }
  void Click(int id) { Get<QAbstractButton>(id)->click(); }
  QString Shown() {
    page.RefreshDisplay();
    return page.DisplayText();
  }

  QTemporaryDir settingsDir;
  TestHost host;
  TestDebugPage page;
  TipCatcher tips;
};

class DebugPageTest : public PageTest {
 protected:
  DebugPageTest() : PageTest(port) {}
  ScriptedPort port;
};

TEST_F(DebugPageTest, TextWithNewlineAndTheEnterKey) {
  Box(CDebug::kNewlineBox)->setChecked(true);
  Input()->setText(QStringLiteral("AT"));
  Click(CDebug::kSendButton);
  EXPECT_EQ(port.Written(), "AT\r\n");
  EXPECT_EQ(Text(CDebug::kSentCount), "S:4");

  // Enter in the input edit (or anywhere on the page) sends and is consumed.
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(Input(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(port.Written(), "AT\r\nAT\r\n");
  QKeyEvent enter2(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
  QCoreApplication::sendEvent(page.Control(CDebug::kHexViewBox), &enter2);
  EXPECT_EQ(Text(CDebug::kSentCount), "S:12");

  // GBK text goes to the wire as GBK bytes.
  port.ClearWrites();
  Box(CDebug::kNewlineBox)->setChecked(false);
  Input()->setText(QStringLiteral("调试"));
  Click(CDebug::kSendButton);
  EXPECT_EQ(port.Written(), GBK("调试"));

  // While another operation owns the line a press sends nothing, counts nothing and
  // says why, each time.
  port.ClearWrites();
  {
    const LineArbiter::Lease lease = host.line.Hold(LineOwner::kDownload);
    const QString notice = QStringLiteral("下载进行中，暂停发送...");
    const int noted = Shown().count(notice);
    Click(CDebug::kSendButton);
    Click(CDebug::kSendButton);
    EXPECT_TRUE(port.Writes().empty());
    EXPECT_EQ(Text(CDebug::kSentCount), "S:16");
    EXPECT_TRUE(PumpUntil([&] { return Shown().count(notice) == noted + 2; }, 3000));
  }
  Click(CDebug::kSendButton);
  EXPECT_EQ(port.Written(), GBK("调试"));

  // Port closed: "请先打开串口" and nothing counted.
  port.Close();
  Click(CDebug::kSendButton);
  EXPECT_EQ(tips.Texts(), QStringList{QStringLiteral("请先打开串口")});
  EXPECT_EQ(Text(CDebug::kSentCount), "S:20");
}

// The parser's cases are in its own table; here the toggle, a send and each refusal's box.
TEST_F(DebugPageTest, HexSendKeepsEachModesLastInputAndRefusesBadInputWithABox) {
  auto* hex = Box(CDebug::kHexSendBox);
  Input()->setText(QStringLiteral("hello"));
  hex->setChecked(true);
  EXPECT_FALSE(page.Control(CDebug::kNewlineBox)->isEnabled());
  EXPECT_EQ(Input()->text(), "");  // no hex input yet
  Input()->setText(QStringLiteral("0102ab"));
  hex->setChecked(false);
  EXPECT_TRUE(page.Control(CDebug::kNewlineBox)->isEnabled());
  EXPECT_EQ(Input()->text(), "hello");
  hex->setChecked(true);
  EXPECT_EQ(Input()->text(), "01 02 AB ");
  Click(CDebug::kSendButton);
  EXPECT_EQ(port.Written(), "\x01\x02\xAB");
  EXPECT_EQ(Text(CDebug::kSentCount), "S:3");
  EXPECT_TRUE(tips.Texts().isEmpty());

  QString tooLong;
  for (int i = 0; i <= 5120; ++i) tooLong += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0'));
  port.ClearWrites();
  for (const QString& bad : {QStringLiteral("4G"), tooLong}) {
    Input()->setText(bad);
    Click(CDebug::kSendButton);
  }
  EXPECT_EQ(tips.Texts(), (QStringList{QStringLiteral("无效字符"), QStringLiteral("长度太长")}));
  EXPECT_TRUE(port.Writes().empty());
}

TEST_F(DebugPageTest, TimedSendStartsOnlyWithAPortAndAnIntervalAndWaitsWhileAnotherOperationHoldsTheLine) {
  Input()->setText(QStringLiteral("T"));
  auto* interval = Get<QLineEdit>(CDebug::kIntervalEdit);
  EXPECT_EQ(interval->text(), "100");
  interval->setText(QStringLiteral("0"));
  Box(CDebug::kTimedSendBox)->setChecked(true);
  EXPECT_FALSE(page.IsTimedSendRunning());  // interval 0
  port.Close();
  interval->setText(QStringLiteral("5"));
  EXPECT_FALSE(page.IsTimedSendRunning());  // port closed

  // The main window opens the port and marks the setting: the timer starts.
  port.Open("x", 115200, 8, 0, 0);
  page.MarkTimedSendForReevaluation();
  EXPECT_TRUE(page.IsTimedSendRunning());
  EXPECT_EQ(page.TimedSendInterval(), 5);
  EXPECT_TRUE(PumpUntil([&] { return port.Count("T") >= 3; }, kTestMarginMs));
  EXPECT_GE(Text(CDebug::kSentCount).mid(2).toInt(), 3);

  // While another tool's operation holds the line nothing goes out; the first tick of each
  // pause says so, and why.
  const std::pair<LineOwner, QString> pauses[] = {
      {LineOwner::kDownload, QStringLiteral("下载进行中，暂停发送...")},
      {LineOwner::kDownload, QStringLiteral("下载进行中，暂停发送...")},
      {LineOwner::kModeDialogue, QStringLiteral("模式切换进行中，暂停发送...")},
      {LineOwner::kConfig, QStringLiteral("配置操作进行中，暂停发送...")},
  };
  for (const auto& [owner, notice] : pauses) {
    const int sent = port.Count("T");
    const int noted = Shown().count(notice);
    LineArbiter::Lease lease = host.line.Hold(owner);
    EXPECT_TRUE(PumpUntil([&] { return Shown().count(notice) == noted + 1; }, kTestMarginMs)) << notice.toStdString();
    EXPECT_EQ(port.Count("T"), sent) << "a byte went out under " << notice.toStdString();
    lease.Release();
    EXPECT_TRUE(PumpUntil([&] { return port.Count("T") > sent; }, kTestMarginMs));
  }

  // Closed by hand: marked again, the timer stops.
  port.Close();
  page.MarkTimedSendForReevaluation();
  EXPECT_FALSE(page.IsTimedSendRunning());
  // Opened by any other way: the waiting setting starts on its own.
  port.Open("x", 115200, 8, 0, 0);
  EXPECT_TRUE(PumpUntil([&] { return page.IsTimedSendRunning(); }, CDebug::kTimedSendRecheckMs * 2 + kTestMarginMs));
  // A port that goes away under a running timer stops it without a box per tick.
  port.Close();
  EXPECT_TRUE(PumpUntil([&] { return !page.IsTimedSendRunning(); }, kTestMarginMs));
  EXPECT_TRUE(tips.Texts().isEmpty());
  // Unchecked: a later evaluation with the port open does not start it.
  Box(CDebug::kTimedSendBox)->setChecked(false);
  port.Open("x", 115200, 8, 0, 0);
  page.MarkTimedSendForReevaluation();
  EXPECT_FALSE(page.IsTimedSendRunning());
}

// Replacing an old file and leaving nothing behind on failure are the atomic writer's own tests.
TEST_F(DebugPageTest, SaveLogWritesRawBytesWhateverTheViewAndAFailureSaysSo) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string raw = std::string("A\0\r\n", 4) + GBK("调试") + "\xFF";
  page.OnSerialData(raw.data(), static_cast<int>(raw.size()));
  Box(CDebug::kHexViewBox)->setChecked(true);
  page.savePath = dir.filePath(QStringLiteral("log.txt"));
  Click(CDebug::kSaveLogButton);
  EXPECT_TRUE(page.lastDefaultName.startsWith(QStringLiteral("Log20")));  // the form: DebugText
  QFile f(page.savePath);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll().toStdString(), raw);

  page.savePath.clear();  // cancelled: nothing written
  Click(CDebug::kSaveLogButton);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("log.txt")});
  EXPECT_FALSE(page.SaveLogTo(dir.filePath(QStringLiteral("missing/log.txt"))));
  ASSERT_EQ(tips.Texts().size(), 1);
  EXPECT_TRUE(tips.Texts()[0].startsWith(QStringLiteral("保存日志失败：")));
}

// One stamp "[HH:MM:SS.mmm]" per line of the text view, of the block that brought the line's
// first byte; the stamp's own cases are the stamper's tests.
TEST_F(DebugPageTest, TimeStampsPerLineInTheTextViewAndTheSavedLogWhenSwitchedOn) {
  auto* stamps = Box(CDebug::kTimeStampBox);
  ASSERT_NE(stamps, nullptr);
  EXPECT_FALSE(stamps->isChecked());  // off by default
  EXPECT_EQ(stamps->text(), QStringLiteral("显示时间"));
  // "AT" and "OK\r\n" in two blocks of different milliseconds, then a line of its own.
  const int64_t before = WallClockMs();
  page.OnSerialData("AT", 2);
  const int64_t after = WallClockMs();
  ASSERT_TRUE(PumpUntil([&] { return WallClockMs() > after + 1; }, kTestMarginMs));
  page.OnSerialData("OK\r\n", 4);
  page.OnSerialData("next\n", 5);
  EXPECT_EQ(Shown(), QStringLiteral("ATOK\nnext\n"));

  stamps->setChecked(true);
  const QString shown = Shown();
  const QRegularExpression form(QStringLiteral(R"(^(\[\d\d:\d\d:\d\d\.\d{3}\])ATOK\n\[\d\d:\d\d:\d\d\.\d{3}\]next\n$)"));
  const QRegularExpressionMatch m = form.match(shown);
  ASSERT_TRUE(m.hasMatch()) << shown.toStdString();
  // The first line's stamp is the time of its first block, not of the block that ended it.
  bool ofFirstBlock = false;
  for (int64_t ms = before; ms <= after; ++ms) ofFirstBlock = ofFirstBlock || m.captured(1).toStdString() == LineStamper::Stamp(ms);
  EXPECT_TRUE(ofFirstBlock) << m.captured(1).toStdString();
  // A later block appends with its stamp; the counters count received bytes only.
  page.OnSerialData("tail", 4);
  EXPECT_TRUE(Shown().contains(QRegularExpression(QStringLiteral(R"(next\n\[\d\d:\d\d:\d\d\.\d{3}\]tail$)"))));
  EXPECT_EQ(Text(CDebug::kRecvCount), QStringLiteral("R:15"));
  EXPECT_EQ(Text(CDebug::kSentCount), QStringLiteral("S:0"));
  EXPECT_TRUE(port.Writes().empty());
  // The rest of that line reaches the display in a later refresh: still one stamp.
  page.OnSerialData(" end\n", 5);
  EXPECT_TRUE(Shown().contains(QRegularExpression(QStringLiteral(R"(next\n\[\d\d:\d\d:\d\d\.\d{3}\]tail end\n$)"))));
  EXPECT_EQ(Shown().count(QLatin1Char('[')), 3);

  // The hex view is the bytes alone.
  Box(CDebug::kHexViewBox)->setChecked(true);
  EXPECT_EQ(Shown(), QString::fromLatin1(debug_text::RenderHex("ATOK\r\nnext\ntail end\n")));
  Box(CDebug::kHexViewBox)->setChecked(false);
  EXPECT_EQ(Shown().count(QLatin1Char('[')), 3);

  // The saved log carries the stamps while they are on, the raw bytes otherwise.
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  auto saved = [&](const QString& name) {
    page.savePath = dir.filePath(name);
    Click(CDebug::kSaveLogButton);
    QFile f(page.savePath);
    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll()) : QStringLiteral("(none)");
  };
  const QString withStamps = saved(QStringLiteral("stamped.txt"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^\[[0-9:.]{12}\]ATOK\r\n\[[0-9:.]{12}\]next\n\[[0-9:.]{12}\]tail end\n$)"))
                  .match(withStamps).hasMatch()) << withStamps.toStdString();
  EXPECT_EQ(withStamps.left(14), m.captured(1));  // the display's stamp
  stamps->setChecked(false);
  EXPECT_EQ(saved(QStringLiteral("raw.txt")), QStringLiteral("ATOK\r\nnext\ntail end\n"));
  EXPECT_EQ(Shown(), QStringLiteral("ATOK\nnext\ntail end\n"));
}

// A quick-send entry goes out as the same input typed into the send box would.
TEST_F(DebugPageTest, QuickSendEntriesSendTheirExactBytesPersistAndStopAtEight) {
  auto* add = Get<QPushButton>(CDebug::kQuickAddButton);
  auto* first = Get<QPushButton>(CDebug::kQuickSendButton);
  ASSERT_NE(add, nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(page.QuickSends().empty());
  EXPECT_TRUE(first->isHidden());
  // The dialog is offered the send box's input; cancelled, nothing is kept.
  Input()->setText(QStringLiteral("typed"));
  page.entryAccepted = false;
  add->click();
  EXPECT_EQ(page.entryAsked, 1);
  EXPECT_TRUE(page.QuickSends().empty());
  page.entryAccepted = true;
  const std::vector<QuickSendEntry> entries = {
      {QStringLiteral("复位"), QStringLiteral("AT+RESET"), false},
      {QStringLiteral("读寄存器"), QStringLiteral("01 03 0a"), true},
      {QStringLiteral("坏"), QStringLiteral("01 0G"), true},
  };
  for (const QuickSendEntry& e : entries) {
    page.nextEntry = e;
    add->click();
  }
  ASSERT_EQ(page.QuickSends(), entries);
  EXPECT_FALSE(first->isHidden());
  EXPECT_EQ(first->text(), QStringLiteral("复位"));
  EXPECT_TRUE(Get<QPushButton>(CDebug::kQuickSendButton + 3)->isHidden());

  // Text with the send box's newline setting, hex without; the send box keeps its input.
  Box(CDebug::kNewlineBox)->setChecked(true);
  first->click();
  Click(CDebug::kQuickSendButton + 1);
  EXPECT_EQ(port.Writes(), (std::vector<std::string>{"AT+RESET", "\r\n", "\x01\x03\x0A"}));
  EXPECT_EQ(Text(CDebug::kSentCount), QStringLiteral("S:13"));
  EXPECT_EQ(Input()->text(), QStringLiteral("typed"));
  // Bad hex: the send box's box, nothing sent or counted.
  port.ClearWrites();
  Click(CDebug::kQuickSendButton + 2);
  EXPECT_EQ(tips.Texts(), QStringList{QStringLiteral("无效字符")});
  EXPECT_TRUE(port.Writes().empty());
  // Another owner holds the line: refused and told as a press of the send button.
  {
    const LineArbiter::Lease lease = host.line.Hold(LineOwner::kConfig);
    first->click();
    EXPECT_TRUE(port.Writes().empty());
    EXPECT_TRUE(PumpUntil([&] { return Shown().contains(QStringLiteral("配置操作进行中，暂停发送...")); }, kTestMarginMs));
  }
  port.Close();
  first->click();
  EXPECT_EQ(tips.Texts().last(), QStringLiteral("请先打开串口"));
  EXPECT_EQ(Text(CDebug::kSentCount), QStringLiteral("S:13"));
  port.Open("x", 115200, 8, 0, 0);

  // Edited and deleted (after the question); a page made afresh reads them back.
  page.nextEntry = {QStringLiteral("好"), QStringLiteral("0A0B"), true};
  page.EditQuickSend(2);
  page.confirmAnswer = false;
  page.DeleteQuickSend(0);
  EXPECT_EQ(page.lastQuestion, QStringLiteral("是否删除快捷发送“复位”？"));
  EXPECT_EQ(page.QuickSends().size(), 3u);
  page.confirmAnswer = true;
  page.DeleteQuickSend(0);
  const std::vector<QuickSendEntry> kept = {entries[1], page.nextEntry};
  EXPECT_EQ(page.QuickSends(), kept);
  EXPECT_TRUE(Get<QPushButton>(CDebug::kQuickSendButton + 2)->isHidden());
  port.ClearWrites();
  Click(CDebug::kQuickSendButton + 1);
  EXPECT_EQ(port.Written(), "\x0A\x0B");
  EXPECT_EQ(quicksend::Load(), kept);

  // Up to eight; the ninth is refused with a box and the dialog is not even shown.
  for (int i = 2; i < quicksend::kMaxEntries; ++i) {
    page.nextEntry = {QStringLiteral("第%1条").arg(i), QStringLiteral("AT+%1").arg(i), false};
    add->click();
  }
  ASSERT_EQ(page.QuickSends().size(), static_cast<size_t>(quicksend::kMaxEntries));
  EXPECT_FALSE(Get<QPushButton>(CDebug::kQuickSendButton + quicksend::kMaxEntries - 1)->isHidden());
  const int asked = page.entryAsked;
  add->click();
  EXPECT_EQ(page.entryAsked, asked);
  EXPECT_EQ(tips.Texts().last(), QStringLiteral("快捷发送最多8条，请先删除一条"));
  EXPECT_EQ(page.QuickSends().size(), static_cast<size_t>(quicksend::kMaxEntries));
  if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // the page in the smallest window, for a look
    Box(CDebug::kTimeStampBox)->setChecked(true);
    page.OnSerialData("OK\r\n+CSQ: 23\r\n", 14);
    page.resize(784, 508);
    page.show();
    Shown();
    page.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/console_quicksend_800x600.png"));
  }
  // A page made afresh (as at the next start) reads them back.
  {
    TestDebugPage again;
    again.Init(&host);
    EXPECT_EQ(again.QuickSends(), page.QuickSends());
    EXPECT_EQ(qobject_cast<QPushButton*>(again.Control(CDebug::kQuickSendButton + 1))->text(), QStringLiteral("好"));
  }  // its shutdown stops the UI bridge, as at exit; TearDown restarts it
}

// The edit dialog itself, as a user fills it in.
TEST_F(DebugPageTest, QuickSendDialogTakesNameTextAndHexAndNeedsText) {
  QuickSendEntry entry{QString(), QStringLiteral("old"), false};
  bool okWasEnabled = true;
  QTimer fill;
  fill.setInterval(5);
  QObject::connect(&fill, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog || dialog->objectName() != QStringLiteral("quickSendDialog")) return;
    fill.stop();
    auto* text = dialog->findChild<QLineEdit*>(QStringLiteral("quickText"));
    auto* ok = dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    text->clear();
    okWasEnabled = ok->isEnabled();
    text->setText(QStringLiteral("01 02"));
    dialog->findChild<QLineEdit*>(QStringLiteral("quickName"))->setText(QStringLiteral("  "));
    dialog->findChild<QCheckBox*>(QStringLiteral("quickHex"))->setChecked(true);
    ok->click();
  });
  fill.start();
  ASSERT_TRUE(quicksend::EditInDialog(&page, entry));
  EXPECT_FALSE(okWasEnabled);  // no text, no OK
  EXPECT_EQ(entry, (QuickSendEntry{QStringLiteral("01 02"), QStringLiteral("01 02"), true}));  // the text names it
}

TEST_F(DebugPageTest, ReceiveSwitchAndModeButtonsNeedAnOpenPort) {
  auto* button = Get<QPushButton>(CDebug::kRecvButton);
  EXPECT_EQ(button->text(), "开启接收");
  port.Close();
  for (int id : {CDebug::kRecvButton, CDebug::kSimpleModeButton, CDebug::kProModeButton}) Click(id);
  EXPECT_FALSE(page.IsReceiving());
  EXPECT_FALSE(page.IsModeDialogueRunning());
  EXPECT_TRUE(page.lastQuestion.isEmpty());
  EXPECT_EQ(tips.Texts(), QStringList(3, QStringLiteral("请先打开串口")));
  port.Open("x", 115200, 8, 0, 0);
  Click(CDebug::kRecvButton);
  EXPECT_TRUE(page.IsReceiving());
  EXPECT_EQ(button->text(), "关闭接收");
  Click(CDebug::kRecvButton);
  EXPECT_FALSE(page.IsReceiving());
  EXPECT_EQ(button->text(), "开启接收");
  page.SetReceiving(true);
  EXPECT_EQ(button->text(), "关闭接收");
}

// ---- the mode dialogue against the simulated RTU ----

class DebugDeviceTest : public PageTest {
 protected:
  DebugDeviceTest() : PageTest(serial) {}
  void SetUp() override {
    // The device's boot window becomes 750 ms: room enough for an "S" from a UI thread
    // that a loaded machine holds up.
    Timing::SetScale(0.25);
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(serial.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone));
    PageTest::SetUp();
    page.SetReceiving(true);
    // Plays the main window's receive thread.
    rx = std::make_unique<PortReader>(serial, [this](const char* d, int n) {
      if (page.IsReceiving()) page.OnSerialData(d, n);
    });
  }
  void TearDown() override {
    rx.reset();
    PageTest::TearDown();
    serial.Close();
    sim.Stop();
    Timing::SetScale(1.0);
  }
  // Asked and declined: nothing goes out; asked and accepted: the dialogue runs.
  void Enter(int button, const QString& question) {
    page.confirmAnswer = false;
    Click(button);
    EXPECT_EQ(page.lastQuestion, question);
    EXPECT_FALSE(page.IsModeDialogueRunning());
    page.confirmAnswer = true;
    Click(button);
  }

  RtuSimulator sim;
  CSerial serial;
  std::unique_ptr<PortReader> rx;
};

TEST_F(DebugDeviceTest, ProfessionalModeSucceedsAndSetsTheFlag) {
  Enter(CDebug::kProModeButton, QStringLiteral("是否进入专业模式？"));
  // Every wait of the dialogue: two rounds of a probe and two resets, then the banner wait.
  const int limit = Timing::Scaled(2 * (DebugModeDialogue::kProbeWaitMs + 2 * DebugModeDialogue::kResetWaitMs) +
                                   DebugModeDialogue::kBannerWaitMs) + kTestMarginMs;
  ASSERT_TRUE(PumpUntil([&] { return tips.Texts().contains(QStringLiteral("进入专业模式成功！")); }, limit))
      << tips.Texts().join(QLatin1Char('|')).toStdString();
  EXPECT_EQ(tips.Texts(), QStringList{QStringLiteral("进入专业模式成功！")});
  EXPECT_TRUE(page.IsProfessionalMode());
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  EXPECT_EQ(sim.CountReceived("---"), 1);
  EXPECT_EQ(sim.CountReceived("AT+RESET"), 1);
  EXPECT_GE(sim.PowerUpBytesReceived(), 1);
  EXPECT_TRUE(PumpUntil([&] { return page.isEnabled(); }, kTestMarginMs));
  // Blocks from the receive thread reach the display with no explicit refresh: the
  // notice, the echoed reset command and the device's banner.
  ASSERT_TRUE(PumpUntil([&] { return page.DisplayText().contains(QStringLiteral("CONFIGURE PROGRAM")); }, kTestMarginMs));
  const QString shown = page.DisplayText();
  EXPECT_TRUE(shown.startsWith(QStringLiteral("\n进入专业模式中,请等待...\n")));
  EXPECT_TRUE(shown.contains(QStringLiteral("AT+RESET\n")));
  page.ClearProfessionalMode();  // as the main window does when the port is closed by hand
  EXPECT_FALSE(page.IsProfessionalMode());
}

TEST_F(DebugDeviceTest, SimpleModeOnASilentDeviceFailsAfterTwoWaits) {
  sim.SetSilent(true);
  const int64_t t0 = Timing::NowMs();
  Enter(CDebug::kSimpleModeButton, QStringLiteral("是否进入简易模式？"));
  ASSERT_TRUE(PumpUntil([&] { return tips.Texts().contains(QStringLiteral("进入简易模式失败！")); },
                        Timing::Scaled(2 * DebugModeDialogue::kProbeWaitMs) + kTestMarginMs));
  EXPECT_GE(Timing::NowMs() - t0, 2 * Timing::Scaled(DebugModeDialogue::kProbeWaitMs) - 5);
  EXPECT_EQ(sim.CountReceived("---"), 2);
  EXPECT_EQ(tips.Texts(), QStringList{QStringLiteral("进入简易模式失败！")});
  EXPECT_FALSE(page.IsProfessionalMode());
  EXPECT_TRUE(PumpUntil([&] { return page.isEnabled(); }, kTestMarginMs));
  EXPECT_TRUE(Shown().startsWith(QStringLiteral("\n进入简易模式中,请等待...\n")));
  EXPECT_EQ(Text(CDebug::kRecvCount), QStringLiteral("R:28"));  // the notice's bytes alone
}

}  // namespace
