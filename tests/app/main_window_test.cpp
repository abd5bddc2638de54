// The main window offscreen, against the simulator on pseudo-terminals.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QEventLoop>
#include <QElapsedTimer>
#include <cstring>
#include <memory>
#include <optional>

#include "app/ui/app_settings.h"
#include "app/ui/com_tip_dlg.h"
#include "app/ui/quarvel_dlg.h"
#include "base/cp936.h"
#include "base/timing.h"
#include "config/ui/cfg_dlg.h"
#include "debug/ui/debug_dlg.h"
#include "debug/ui/quick_send.h"
#include "download/download_worker.h"
#include "download/ui/download_dlg.h"
#include "protocol/backup.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/qt_wait.h"
#include "support/probe_ports.h"
#include "support/scripted_port.h"
#ifndef _WIN32
#include "support/silent_pty.h"
#include <time.h>
#include <unistd.h>
#endif
#include "support/tip_catcher.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

namespace appsettings {
// Remembered settings as a failure shows them.
void PrintTo(const LastPort& p, std::ostream* os) {
  *os << p.name.toStdString() << " " << p.baud.toStdString() << " " << p.parity.toStdString();
}
}  // namespace appsettings

namespace {

using Names = std::vector<std::string>;

const QString kConfirmed = QStringLiteral("串口已连接! 设备通信正常!");
const QString kUnconfirmed = QStringLiteral("串口已连接! 设备通信异常!");
const QString kClosed = QStringLiteral("串口未连接! 设备通信异常!");
const QColor kGreen(0, 200, 0), kRed(180, 0, 0);
constexpr char kMissingPort[] = "/dev/qx-test-no-such-port";

// Calls action (which opens a "提示" box, modally or later) and returns the first box's
// text ("" if none opened within ms); every box is closed.
QString CloseTipBoxDuring(const std::function<void()>& action, int ms,
                                 const std::function<void()>& inspect = {}) {
  TipCatcher closer(inspect);
  action();
  PumpUntil([&] { return !closer.Texts().isEmpty(); }, ms);
  return closer.Texts().value(0);
}

// Reads what the device received as the download's own sends, from its restart command
// to the end of its last frame: the restart command, probes, polls, 0x06 and frames. ""
// when every byte there is one of those and the last transfer's frames carry image, else
// what is wrong.
std::string NotTheDownloads(const std::string& bytes, const std::vector<uint8_t>& image) {
  size_t at = bytes.find("AT+RESET\r\n");
  if (at == std::string::npos) return "no restart command";
  std::string data;  // the frames' data since the last 0x06
  while (at < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (bytes.compare(at, 10, "AT+RESET\r\n") == 0) {
      at += 10;
    } else if (bytes.compare(at, 3, "---") == 0) {
      at += 3;
    } else if (byte == 'P' || byte == 0x06) {
      if (byte == 0x06) data.clear();
      ++at;
    } else if (byte == 0x02 && at + 3 <= bytes.size()) {
      const size_t n = static_cast<unsigned char>(bytes[at + 1]) * 256u + static_cast<unsigned char>(bytes[at + 2]);
      if (at + n + 5 > bytes.size()) break;
      unsigned char check = 0;
      for (size_t i = 0; i < n; ++i) check ^= static_cast<unsigned char>(bytes[at + 3 + i]);
      if (static_cast<unsigned char>(bytes[at + 3 + n]) != check) return "a frame's check byte is wrong at " + std::to_string(at);
      data.append(bytes, at + 3, n);
      const auto end = static_cast<unsigned char>(bytes[at + 4 + n]);
      at += n + 5;
      if (end == 0x03) return data == std::string(image.begin(), image.end()) ? "" : "the frames carry another image";
      if (end != 0x17) return "a frame ends wrongly at " + std::to_string(at - 1);
    } else {
      return "byte " + std::to_string(byte) + " at " + std::to_string(at) + " is not the download's";
    }
  }
  return "the last frame never came";
}

std::string Text(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) + "x" +
         std::to_string(r.height());
}

class MainWindowTest : public ::testing::Test {
 protected:
  // Probe waits of 5000 ms become 250 ms.
  static constexpr double kScale = 0.05;

  void SetUp() override {
    // Calls a previous window's threads queued before it shut down are dropped, not run.
    QCoreApplication::sendPostedEvents();
    UiBridge::Restart();
    Timing::SetScale(kScale);
    // Each test starts without remembered settings, and never touches the user's.
    ASSERT_TRUE(settingsDir.isValid());
    appsettings::UseFile(settingsDir.filePath(QStringLiteral("qx310-tools.ini")));
    ASSERT_TRUE(device.Start());
    ASSERT_TRUE(silent.Start());
    silent.SetSilent(true);
  }
  void TearDown() override {
    dlg.reset();
    QCoreApplication::sendPostedEvents();
    UiBridge::Restart();  // boxes shown by later suites in this process open again
    device.Stop();
    silent.Stop();
    Timing::SetScale(1.0);
    appsettings::UseFile({});
  }

  // Enough for a search over n ports or an entry of n probes, with room for slow builds.
  static int Deadline(int probes) { return Within(linkstate::kProbeWaitMs, probes) + 2 * kTestMarginMs; }

  void Open(const Names& ports, ISerialPort* use = nullptr, PortDetector::PortFactory probePorts = {}) {
    OpenWith([ports] { return ports; }, use, std::move(probePorts));
  }
  void OpenWith(CQuarvelDlg::PortSource ports, ISerialPort* use = nullptr, PortDetector::PortFactory probePorts = {}) {
    // A window this test closed before stopped the UI bridge in its shutdown, as at exit.
    dlg.reset();
    QCoreApplication::sendPostedEvents();
    UiBridge::Restart();
    dlg = std::make_unique<CQuarvelDlg>(use ? *use : port, std::move(ports), nullptr, std::move(probePorts));
    dlg->SetScreenArea([area = screenArea] { return area; });
    if (openAt) dlg->move(*openAt);
    dlg->show();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Started(); }, kTestMarginMs));
  }
  void OpenAndDetect(const Names& ports) {
    Open(ports);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(PumpUntil([&] { return !dlg->Link().Busy() && !dlg->Tip()->isVisible(); },
                          Deadline(2 * static_cast<int>(ports.size()))));
  }
  // How many of the port, baud and parity combos are enabled.
  int CombosEnabled() const {
    return dlg->PortCombo()->isEnabled() + dlg->BaudCombo()->isEnabled() + dlg->ParityCombo()->isEnabled();
  }
  QColor StatusColour() const { return dlg->StatusBox()->palette().color(QPalette::Text); }
  QString Menu(int cmd) const { return dlg->ToolAction(cmd)->text(); }
  // True once the workspace has loaded the parameters and ended the entry itself: the
  // window enabled, the tip gone, no load pending, the workspace idle.
  bool LoadEnded() const {
    return dlg->MainWindowEnabled() && !dlg->Tip()->isVisible() && !dlg->Workspace()->LoadRequested() &&
           dlg->Workspace()->WorkMode() == kModeIdle;
  }
  // Waits until a tool entry has ended (the link is the tools' again).
  bool EntryDone(int probes) {
    return PumpUntil([&] { return dlg->Link().LinkToTools() && !dlg->Link().Busy(); }, Deadline(probes));
  }

  // With a background writer running (started by startWriter, which says whether it
  // runs), the download tool is entered and a firmware image sent: it arrives byte for
  // byte, and between the restart command and the last frame the device got nothing the
  // download did not send.
  void DownloadWhile(const std::function<bool()>& startWriter) {
    OpenAndDetect({device.PortName()});
    ASSERT_TRUE(startWriter());
    TipCatcher boxes;  // a dialogue's ending, if it ends during the download
    dlg->ToolAction(CQuarvelDlg::kDownloadToolCmd)->trigger();
    ASSERT_TRUE(EntryDone(3));
    ASSERT_TRUE(PumpUntil([&] { return !dlg->Tip()->isVisible(); }, kTestMarginMs));
    QTemporaryDir dir;
    std::vector<uint8_t> image(10000);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 131 + i / 97);
    QFile file(dir.filePath(QStringLiteral("fw.bin")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
    file.close();
    CRTUDown* page = dlg->DownloadPage();
    page->findChild<QLineEdit*>(QStringLiteral("pathEdit"))->setText(file.fileName());
    device.ClearReceived();
    page->findChild<QPushButton*>(QStringLiteral("downloadButton"))->click();
    ASSERT_TRUE(page->IsDownloadActive());
    ASSERT_TRUE(PumpUntil([&] { return device.ImagesCompleted() == 1 && !page->IsDownloadActive(); },
                          Deadline(4) + Timing::Scaled(DownloadWorker::kBlockAckMs) * 3))
        << page->LogText();
    EXPECT_EQ(device.ReceivedImage(), std::string(image.begin(), image.end()));
    EXPECT_EQ(NotTheDownloads(device.ReceivedBytes(), image), "");
  }

  QTemporaryDir settingsDir;
  RtuSimulator device, silent;
  CSerial port;
  std::unique_ptr<CQuarvelDlg> dlg;
  // The screen's available area the window keeps to: room for the window and its log
  // window side by side, unless a test gives a smaller screen; and where the window opens.
  QRect screenArea{0, 0, 2560, 1400};
  std::optional<QPoint> openAt;
};

TEST_F(MainWindowTest, StartUpDetectionFindsTheDeviceAndToolEntriesTakeTheLinkWithTheLogWindowDocked) {
  Open({kMissingPort, silent.PortName(), device.PortName()});
  // While the search runs: the tip with its message, the window's controls disabled.
  EXPECT_TRUE(dlg->Tip()->isVisible());
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("串口检测中，请稍后..."));
  EXPECT_FALSE(dlg->MainWindowEnabled());
  EXPECT_EQ(CombosEnabled(), 0);
  EXPECT_EQ(dlg->windowTitle(), QStringLiteral("QX310-TOOLS-V3.01"));
  EXPECT_EQ(dlg->BaudCombo()->currentText(), QStringLiteral("115200"));
  EXPECT_EQ(dlg->ParityCombo()->currentText(), QStringLiteral("None"));

  ASSERT_TRUE(PumpUntil([&] { return dlg->Link().LinkToTools() && !dlg->Tip()->isVisible(); }, Deadline(6)));
  // The silent port was probed at the same time and closed once the device had answered:
  // no second probe.
  EXPECT_LE(silent.CountReceived("---"), 1);
  EXPECT_EQ(port.Name(), device.PortName());
  EXPECT_EQ(dlg->CurrentPortPath().toStdString(), device.PortName());
  EXPECT_EQ(dlg->StatusBox()->text(), kConfirmed);
  EXPECT_EQ(StatusColour(), kGreen);
  EXPECT_EQ(dlg->OpenButton()->text(), QStringLiteral("关闭串口"));
  EXPECT_EQ(CombosEnabled(), 0);
  EXPECT_TRUE(dlg->MainWindowEnabled());
  // The debug page is shown: it receives from now on. The workspace's device operations
  // are offered before it is entered.
  EXPECT_TRUE(dlg->DebugPage()->IsReceiving());
  EXPECT_TRUE(dlg->Workspace()->Button(CRTUCfgDlg::kLoadId)->isEnabled());
  EXPECT_EQ(Menu(CQuarvelDlg::kDebugToolCmd), QStringLiteral("调试工具√"));

  device.ClearReceived();
  TipCatcher closer;  // the workspace reports its load in a box
  dlg->ToolAction(CQuarvelDlg::kConfigToolCmd)->trigger();
  EXPECT_TRUE(dlg->Workspace()->isVisible());
  EXPECT_FALSE(dlg->DebugPage()->isVisible());
  EXPECT_EQ(Menu(CQuarvelDlg::kConfigToolCmd), QStringLiteral("配置工具√"));
  EXPECT_EQ(Menu(CQuarvelDlg::kDebugToolCmd), QStringLiteral("调试工具"));
  EXPECT_FALSE(dlg->DebugPage()->IsReceiving());
  EXPECT_TRUE(dlg->Tip()->isVisible());
  EXPECT_FALSE(dlg->MainWindowEnabled());
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("进入配置中，请稍后..."));
  // The run-state device answers "---" with CMD OK and enters its configuration state.
  ASSERT_TRUE(EntryDone(3));
  EXPECT_EQ(device.CountReceived("---"), 1);
  EXPECT_TRUE(device.WaitForState(RtuSimulator::State::Config, kTestMarginMs));
  EXPECT_EQ(dlg->StatusBox()->text(), kConfirmed);
  // The workspace loads the parameters and then ends the entry itself.
  ASSERT_TRUE(PumpUntil([&] { return LoadEnded(); }, Deadline(10))) << closer.Texts().join('|').toStdString();

  // The workspace's log window is docked at the right edge and follows the window.
  QWidget* log = dlg->Workspace()->LogWindow();
  ASSERT_NE(log, nullptr);
  EXPECT_TRUE(log->isVisible());
  auto docked = [&] {
    const QRect main = dlg->frameGeometry(), l = log->frameGeometry();
    return l.x() == main.x() + main.width() - 9 && l.y() == main.y() && l.height() == main.height() - 5;
  };
  EXPECT_TRUE(PumpUntil(docked, kTestMarginMs));
  const int width = log->width();
  dlg->move(dlg->pos() + QPoint(40, 25));
  EXPECT_TRUE(PumpUntil(docked, kTestMarginMs));
  dlg->resize(dlg->width() + 60, dlg->height() - 50);
  EXPECT_TRUE(PumpUntil(docked, kTestMarginMs));
  EXPECT_EQ(log->width(), width);  // its own width is kept

  // From the configuration state, "---" answers CMD ERROR: what the debug tool needs.
  device.ClearReceived();
  dlg->ToolAction(CQuarvelDlg::kDebugToolCmd)->trigger();
  EXPECT_FALSE(log->isVisible());
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("进入调试中，请稍后..."));
  ASSERT_TRUE(EntryDone(3));
  ASSERT_TRUE(PumpUntil([&] { return !dlg->Tip()->isVisible(); }, kTestMarginMs));
  EXPECT_EQ(device.CountReceived("---"), 1);
  EXPECT_EQ(device.GetState(), RtuSimulator::State::Run);
  EXPECT_TRUE(dlg->DebugPage()->IsReceiving());
  EXPECT_TRUE(dlg->MainWindowEnabled());
  EXPECT_EQ(dlg->Link().LinkState(), 0);

  // The download tool: CMD OK from the run state; the tip closes, no box.
  dlg->ToolAction(CQuarvelDlg::kDownloadToolCmd)->trigger();
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("进入升级中，请稍后..."));
  ASSERT_TRUE(EntryDone(3));
  EXPECT_TRUE(PumpUntil([&] { return !dlg->Tip()->isVisible() && dlg->MainWindowEnabled(); }, kTestMarginMs));
  EXPECT_FALSE(TipBox::IsOpen());

  // The about box shows the program and its icon.
  QString title, text;
  QImage icon;
  QTimer::singleShot(0, [&] {
    PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, kTestMarginMs);
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("aboutText"))) text = label->text();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("aboutIcon"))) icon = label->pixmap().toImage();
    box->findChild<QPushButton*>()->click();
  });
  dlg->ShowAbout();
  EXPECT_EQ(title, QStringLiteral("关于 Quarvel"));
  EXPECT_EQ(text, QStringLiteral("Quarvel，1.0 版"));
  // Drawn from the resource: an opaque body on a transparent ground; the window carries it too.
  ASSERT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon.pixelColor(16, 16).alpha(), 255);
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
  EXPECT_FALSE(dlg->windowIcon().isNull());
}

// On a 1366x768 screen (a task bar of 40 pixels) the window and its log window do not fit
// side by side: the log window docks inside the window's right edge, and both stay whole on
// the screen, "清除日志" included, also when the user drags the window past the edge.
TEST_F(MainWindowTest, OnA1366x768ScreenTheWindowAndItsLogWindowStayWhole) {
  screenArea = QRect(0, 0, 1366, 728);
  openAt = QPoint(300, 20);
  OpenAndDetect({device.PortName()});
  ASSERT_EQ(port.Name(), device.PortName());
  TipCatcher closer;  // the workspace reports its load in a box
  dlg->ToolAction(CQuarvelDlg::kConfigToolCmd)->trigger();
  ASSERT_TRUE(EntryDone(3));
  ASSERT_TRUE(PumpUntil([&] { return LoadEnded(); }, Deadline(10))) << closer.Texts().join('|').toStdString();
  QWidget* log = dlg->Workspace()->LogWindow();
  ASSERT_NE(log, nullptr);
  ASSERT_TRUE(log->isVisible());
  auto* clear = log->findChild<QPushButton*>(QStringLiteral("clearLogButton"));
  ASSERT_NE(clear, nullptr);
  ASSERT_EQ(clear->text(), QStringLiteral("清除日志"));
  auto whole = [&] {
    const QRect button(clear->mapToGlobal(QPoint(0, 0)), clear->size());
    return screenArea.contains(dlg->frameGeometry()) && screenArea.contains(log->frameGeometry()) &&
           screenArea.contains(button);
  };
  // Docked inside: the log window's right edge is the window's.
  auto inside = [&] {
    const QRect main = dlg->frameGeometry(), l = log->frameGeometry();
    return l.x() + l.width() == main.x() + main.width() && l.y() == main.y() && l.height() == main.height() - 5;
  };
  EXPECT_TRUE(PumpUntil([&] { return whole() && inside(); }, kTestMarginMs))
      << "window " << Text(dlg->frameGeometry()) << ", log " << Text(log->frameGeometry());
  EXPECT_EQ(log->width(), 420);  // its own width is kept
  if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // the screen, for a look at the pair
    QImage screen(1366, 768, QImage::Format_RGB32);
    screen.fill(QColor(40, 60, 90));
    QPainter painter(&screen);
    painter.drawPixmap(dlg->geometry().topLeft(), dlg->grab());
    painter.drawPixmap(log->geometry().topLeft(), log->grab());
    painter.fillRect(QRect(0, 728, 1366, 40), QColor(20, 20, 20));  // the task bar
    painter.end();
    screen.save(QString::fromLocal8Bit(dir) + QStringLiteral("/window_pair_1366x768.png"));
  }

  // Dragged by the user 200 pixels to the right, partly past the edge: the window stays
  // where it was put, the log window stays on the screen.
  const QPoint dragged = dlg->pos() + QPoint(200, 0);
  dlg->move(dragged);
  EXPECT_TRUE(PumpUntil([&] {
    const QRect l = log->frameGeometry();
    return dlg->pos() == dragged && screenArea.contains(l) && l.x() + l.width() == 1366;
  }, kTestMarginMs));
}

// The port on which the device answered is remembered with its baud rate and parity, and
// the window's geometry when it closes; the next start lists that port first and opens the
// window where it was; --reset-settings (appsettings::Reset) forgets them.
TEST_F(MainWindowTest, TheDevicesPortAndTheWindowAreRememberedForTheNextStartUntilReset) {
  const Names system{silent.PortName(), device.PortName()};
  const auto source = appsettings::PortList("", {}, [&] { return system; });
  EXPECT_EQ(source(), system);  // nothing remembered yet: the system's order
  openAt = QPoint(40, 30);
  OpenWith(source);
  ASSERT_TRUE(PumpUntil([&] { return !dlg->Link().Busy() && !dlg->Tip()->isVisible(); }, Deadline(4)));
  ASSERT_EQ(port.Name(), device.PortName());
  using Last = appsettings::LastPort;
  const QString devicePath = QString::fromStdString(device.PortName());
  EXPECT_EQ(appsettings::RememberedPort(), (Last{devicePath, "115200", "None"}));

  // Opened by hand at other settings, the device answers a tool entry: those are kept.
  dlg->OpenButton()->click();  // close
  dlg->BaudCombo()->setCurrentText(QStringLiteral("57600"));
  dlg->ParityCombo()->setCurrentText(QStringLiteral("Even"));
  dlg->OpenButton()->click();
  ASSERT_TRUE(port.IsOpen());
  dlg->ToolAction(CQuarvelDlg::kDebugToolCmd)->trigger();
  ASSERT_TRUE(EntryDone(3));
  // Written when the window hears of the entry's end (the link is the tools' just before).
  EXPECT_TRUE(PumpUntil([&] { return appsettings::RememberedPort() == Last{devicePath, "57600", "Even"}; },
                        kTestMarginMs));
  dlg->resize(700, 500);
  dlg->move(60, 45);
  ASSERT_TRUE(PumpUntil([&] { return dlg->size() == QSize(700, 500); }, kTestMarginMs));
  const QRect closedAt = dlg->geometry();
  dlg->done(0);  // closed by the user
  dlg.reset();

  // The next start: the device's port is listed first, the window is where it was.
  openAt.reset();
  EXPECT_EQ(source(), (Names{device.PortName(), silent.PortName()}));
  OpenWith(source);
  EXPECT_EQ(dlg->geometry(), closedAt);
  EXPECT_EQ(dlg->PortCombo()->itemData(0).toString(), devicePath);
  ASSERT_TRUE(PumpUntil([&] { return !dlg->Link().Busy() && !dlg->Tip()->isVisible(); }, Deadline(4)));
  EXPECT_EQ(port.Name(), device.PortName());
  // Found by the search, which opens it at 115200 8N1.
  EXPECT_EQ(appsettings::RememberedPort(), (Last{devicePath, "115200", "None"}));
  dlg.reset();

  // Forgotten: the system's order again, the window at its first size.
  ASSERT_TRUE(appsettings::Reset());
  EXPECT_EQ(appsettings::RememberedPort(), std::nullopt);
  EXPECT_TRUE(appsettings::RememberedGeometry().isEmpty());
  EXPECT_EQ(source(), system);
  Open(system);
  EXPECT_EQ(dlg->size(), QSize(1200, 720));

  // A remembered port that is gone is not listed; one named on the command line is, first.
  appsettings::RememberPort({QString::fromLatin1(kMissingPort), "9600", "Odd"});
  EXPECT_EQ(source(), system);
  EXPECT_EQ(appsettings::PortList("", {device.PortName(), kMissingPort}, [&] { return system; })(),
            (Names{kMissingPort, silent.PortName(), device.PortName()}));
}

// A search without a device that leaves no port open shows the remembered baud rate and
// parity, for the port the user opens by hand; values the combos do not offer are left out.
TEST_F(MainWindowTest, ASearchWithoutADeviceShowsTheRememberedBaudRateAndParity) {
  appsettings::RememberPort({QString::fromLatin1(kMissingPort), "57600", "Even"});
  OpenAndDetect({kMissingPort});
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(dlg->BaudCombo()->currentText(), QStringLiteral("57600"));
  EXPECT_EQ(dlg->ParityCombo()->currentText(), QStringLiteral("Even"));
  dlg.reset();

  appsettings::RememberPort({QString::fromLatin1(kMissingPort), "fast", "Sideways"});
  OpenAndDetect({kMissingPort});
  EXPECT_EQ(dlg->BaudCombo()->currentText(), QStringLiteral("115200"));
  EXPECT_EQ(dlg->ParityCombo()->currentText(), QStringLiteral("None"));
  dlg.reset();

  // A port that opens but stays silent stays open at 115200 8N1: the combos say so.
  appsettings::RememberPort({QString::fromStdString(silent.PortName()), "57600", "Even"});
  OpenAndDetect({silent.PortName()});
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(dlg->BaudCombo()->currentText(), QStringLiteral("115200"));
  EXPECT_EQ(dlg->ParityCombo()->currentText(), QStringLiteral("None"));
}

// The console in the window at its first size, time stamps on and eight quick-send entries
// kept from an earlier run: every label is whole.
TEST_F(MainWindowTest, TheConsolesTimeStampsAndQuickSendEntriesFitTheFirstWindowSize) {
  std::vector<QuickSendEntry> entries;
  const char* const names[][2] = {{"查询版本", "AT+VER?"}, {"复位", "AT+RESET"},   {"读信号", "AT+CSQ?"},
                                  {"读IMEI", "AT+IMEI?"},  {"对时", "AT+CLK?"},    {"心跳包", "FE 01 00 FF"},
                                  {"寄存器读", "01 03 00 00 00 0A C5 CD"}, {"退出配置", "AT+EXIT"}};
  for (const auto& [name, text] : names)
    entries.push_back({QString::fromUtf8(name), QString::fromUtf8(text), text[0] == 'F' || text[0] == '0'});
  quicksend::Save(entries);
  OpenAndDetect({kMissingPort});
  ASSERT_EQ(dlg->size(), QSize(1200, 720));
  CDebug* page = dlg->DebugPage();
  ASSERT_TRUE(page->isVisible());
  EXPECT_EQ(page->QuickSends(), entries);
  auto* stamps = qobject_cast<QCheckBox*>(page->Control(CDebug::kTimeStampBox));
  stamps->setChecked(true);
  for (const char* block : {"AT+VER?\r\n", "QX310 V2.1", ".07\r\nOK\r\n", "AT+CSQ?\r\n+CSQ: 23\r\nOK\r\n"})
    page->OnSerialData(block, static_cast<int>(std::strlen(block)));
  page->RefreshDisplay();
  EXPECT_EQ(page->DisplayText().count(QLatin1Char('[')), 6);  // six lines, one stamp each

  auto fits = [](QWidget* w, const QString& text, int chrome) {
    return w->fontMetrics().horizontalAdvance(text) + chrome <= w->width();
  };
  EXPECT_TRUE(fits(stamps, stamps->text(), 24)) << stamps->width();
  auto* hexView = qobject_cast<QCheckBox*>(page->Control(CDebug::kHexViewBox));
  EXPECT_TRUE(fits(hexView, hexView->text(), 24));
  auto* add = qobject_cast<QPushButton*>(page->Control(CDebug::kQuickAddButton));
  EXPECT_TRUE(fits(add, add->text(), 8)) << add->width();
  for (int i = 0; i < quicksend::kMaxEntries; ++i) {
    auto* b = qobject_cast<QPushButton*>(page->Control(CDebug::kQuickSendButton + i));
    EXPECT_EQ(b->text(), entries[static_cast<size_t>(i)].name);  // not elided
    EXPECT_TRUE(b->isVisible());
    EXPECT_TRUE(fits(b, b->text(), 8)) << b->text().toStdString();
  }
  for (QLabel* label : page->findChildren<QLabel*>())
    EXPECT_TRUE(fits(label, label->text(), 0)) << label->text().toStdString();
  if (const char* dir = std::getenv("QX310_SHOTS_DIR"))  // for a look at the console
    dlg->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/console_stamps_quicksend.png"));
}

// On a screen smaller than the first window size the window shrinks to it; at 1024x720 and on
// an 800x600 screen every text of the port bar still shows whole: the labels, both texts of
// the open button, the longest baud rate and parity, a port's short name and every status.
TEST_F(MainWindowTest, ThePortBarsTextsShowWholeOnSmallerScreens) {
  screenArea = QRect(0, 0, 800, 600);
  openAt = QPoint(0, 0);
  OpenAndDetect({kMissingPort});
  for (const QSize window : {QSize(800, 600), QSize(1024, 720)}) {
    if (window.width() == 1024) {  // 800x600: what the screen made of the window
      dlg->SetScreenArea([] { return QRect(0, 0, 1024, 768); });
      dlg->resize(window - (dlg->frameGeometry().size() - dlg->size()));
    }
    QCoreApplication::processEvents();
    const std::string at = std::to_string(window.width()) + "x" + std::to_string(window.height());
    ASSERT_LE(dlg->frameGeometry().width(), window.width()) << at;
    ASSERT_LE(dlg->frameGeometry().height(), window.height()) << at;
    QWidget* bar = dlg->OpenButton()->parentWidget();
    for (QLabel* label : bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly))
      EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
          << label->text().toStdString() << " at " << at;
    for (QPushButton* b : {dlg->OpenButton(), dlg->DetectButton()})
      for (const QString& text : {b->text(), QStringLiteral("关闭串口")})
        EXPECT_LE(b->fontMetrics().horizontalAdvance(text) + 8, b->width()) << text.toStdString() << " at " << at;
    // A combo's text goes into its edit field (beside the arrow, inside the frame).
    auto field = [](QComboBox* combo) {
      QStyleOptionComboBox option;
      option.initFrom(combo);
      option.editable = combo->isEditable();
      return combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    };
    const std::pair<QComboBox*, QString> combos[] = {{dlg->PortCombo(), QStringLiteral("ttyUSB10")},
                                                     {dlg->BaudCombo(), QStringLiteral("115200")},
                                                     {dlg->ParityCombo(), QStringLiteral("Space")}};
    for (const auto& [combo, text] : combos)
      EXPECT_LE(combo->fontMetrics().horizontalAdvance(text) + 4, field(combo).width())
          << text.toStdString() << " at " << at;
    for (const LinkStatus status : {LinkStatus::kClosed, LinkStatus::kOpenUnconfirmed, LinkStatus::kOpenConfirmed}) {
      const QString text = CQuarvelDlg::StatusText(status);
      EXPECT_LE(dlg->StatusBox()->fontMetrics().horizontalAdvance(text) + 10, dlg->StatusBox()->width())
          << text.toStdString() << " at " << at;
    }
    if (const char* dir = std::getenv("QX310_SHOTS_DIR"))
      dlg->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/main_window_%1.png").arg(QString::fromStdString(at)));
  }
}

// The entry endings themselves (three probes, the other tools') are the link machine's tests.
TEST_F(MainWindowTest, SilentDeviceEntryEndsWithTheConfigurationMessage) {
  OpenAndDetect({device.PortName()});
  device.SetSilent(true);
  device.ClearReceived();
  // Configuration: three probes, then the message; the tool gets the link anyway.
  const QString text = CloseTipBoxDuring(
      [&] { dlg->ToolAction(CQuarvelDlg::kConfigToolCmd)->trigger(); }, Deadline(3));
  EXPECT_EQ(text, QStringLiteral("载入参数失败，请将设备重新上电！"));
  EXPECT_EQ(device.CountReceived("---"), 3);
  EXPECT_TRUE(EntryDone(0));
  EXPECT_FALSE(dlg->Tip()->isVisible());
  EXPECT_EQ(dlg->Workspace()->WorkMode(), kModeWaitPowerUp);
}

TEST_F(MainWindowTest, PortsOpenedByHandShowShortNamesOnlyTheDevicesTurnsGreenAndAVanishedDeviceClosesIt) {
  OpenAndDetect({device.PortName(), silent.PortName()});
  QComboBox* combo = dlg->PortCombo();
  const std::string devicePath = device.PortName(), silentPath = silent.PortName();
  ASSERT_EQ(devicePath.rfind("/dev/pts/", 0), 0u);
  auto shown = [&] { return combo->currentText().toStdString(); };
  // Found on the first port: the field shows "pts/N", the tooltip and the list the paths.
  EXPECT_EQ(shown(), devicePath.substr(5));
  EXPECT_EQ(combo->toolTip().toStdString(), devicePath);
  ASSERT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->itemText(1).toStdString(), silentPath);
  EXPECT_EQ(combo->itemData(0, Qt::ToolTipRole).toString().toStdString(), devicePath);

  SetTableFromDevice(true);    // as after a load
  dlg->OpenButton()->click();  // close
  EXPECT_FALSE(port.IsOpen());
  EXPECT_FALSE(TableFromDevice()) << "a backup would hold the previous device's values";
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);
  EXPECT_EQ(CombosEnabled(), 3);
  EXPECT_FALSE(dlg->Link().LinkToTools());

  // At the default window size a network port typed by hand shows whole in the field, and
  // so do the longest baud rate and status text in theirs (the text's width, the frame and
  // the line edit's inner margins).
  const QString network = QStringLiteral("rfc2217://192.168.100.200:4001");
  combo->setEditText(network);
  EXPECT_EQ(combo->currentText(), network);
  const std::pair<const QLineEdit*, QString> fields[] = {
      {combo->lineEdit(), network},
      {dlg->BaudCombo()->lineEdit(), QStringLiteral("115200")},
      {dlg->StatusBox(), CQuarvelDlg::StatusText(LinkStatus::kOpenConfirmed)}};
  for (const auto& [field, text] : fields)
    EXPECT_LE(field->fontMetrics().horizontalAdvance(text) + 10, field->width()) << text.toStdString();

  // A short name typed by hand opens the listed port it names: open, but no device on it.
  combo->setEditText(QString::fromStdString(silentPath.substr(5)));
  EXPECT_EQ(combo->toolTip().toStdString(), silentPath);
  dlg->OpenButton()->click();
  ASSERT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), silentPath);
  EXPECT_EQ(dlg->StatusBox()->text(), kUnconfirmed);
  EXPECT_EQ(StatusColour(), kRed);
  EXPECT_EQ(CombosEnabled(), 0);
  EXPECT_TRUE(dlg->Link().LinkToTools());

  // Chosen from the list, also when the chosen one is picked again.
  dlg->OpenButton()->click();
  combo->setCurrentIndex(1);
  EXPECT_EQ(shown(), silentPath.substr(5));
  combo->setCurrentIndex(0);
  combo->showPopup();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(combo->view(), &enter);
  EXPECT_FALSE(combo->view()->isVisible());
  EXPECT_EQ(shown(), devicePath.substr(5));
  dlg->ParityCombo()->setCurrentText(QStringLiteral("Even"));
  dlg->OpenButton()->click();
  ASSERT_TRUE(port.IsOpen());
  EXPECT_EQ(port.Name(), devicePath);
  EXPECT_EQ(dlg->StatusBox()->text(), kConfirmed);
  EXPECT_EQ(StatusColour(), kGreen);

  SetTableFromDevice(true);
  const QString text = CloseTipBoxDuring([&] { device.VanishPort(); }, kTestMarginMs);
  EXPECT_EQ(text, QStringLiteral("串口已断开！请检查设备连接后重新打开串口。"));
  EXPECT_FALSE(TableFromDevice());
  EXPECT_FALSE(port.IsOpen());
  // The window waits for the device to come back until the user cancels the wait.
  ASSERT_TRUE(PumpUntil([&] { return dlg->WaitingForReconnect(); }, kTestMarginMs));
  dlg->Tip()->findChild<QPushButton*>()->click();
  EXPECT_FALSE(dlg->WaitingForReconnect());
  EXPECT_FALSE(dlg->Tip()->isVisible());
  EXPECT_TRUE(dlg->MainWindowEnabled());
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);
  EXPECT_EQ(dlg->OpenButton()->text(), QStringLiteral("开启串口"));
  EXPECT_EQ(CombosEnabled(), 3);
  EXPECT_FALSE(dlg->Link().LinkToTools());
}

#ifndef _WIN32
// The device's port as a link that the tests remove and make again, pointing at a new
// pseudo-terminal, as an adapter unplugged and plugged back comes back under its old name.
class ReconnectTest : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    silent.Stop();  // nothing else runs while the window's idle cost is measured
    link = linkDir.filePath(QStringLiteral("rtu")).toStdString();
    ASSERT_TRUE(linkDir.isValid());
    ASSERT_EQ(::symlink(device.PortName().c_str(), link.c_str()), 0);
  }
  // The device on the link with the workspace loaded from it.
  void OpenWorkspace() {
    Open({link});
    ASSERT_TRUE(PumpUntil([&] { return dlg->Link().LinkToTools() && !dlg->Tip()->isVisible(); }, Deadline(2)));
    ASSERT_EQ(port.Name(), link);
    TipCatcher closer;
    dlg->ToolAction(CQuarvelDlg::kConfigToolCmd)->trigger();
    ASSERT_TRUE(WorkspaceLoaded()) << closer.Texts().join('|').toStdString();
  }
  bool WorkspaceLoaded() {
    return PumpUntil([&] {
      return dlg->Link().LinkToTools() && !dlg->Link().Busy() && LoadEnded() && TableFromDevice();
    }, Deadline(12));
  }
  // Unplugged: the message is answered, then the window waits with its tip.
  void Unplug() {
    const QString text = CloseTipBoxDuring([&] {
      device.VanishPort();
      ::unlink(link.c_str());
    }, kTestMarginMs);
    EXPECT_EQ(text, QStringLiteral("串口已断开！请检查设备连接后重新打开串口。"));
    ASSERT_TRUE(PumpUntil([&] { return dlg->WaitingForReconnect() && dlg->Tip()->isVisible(); }, kTestMarginMs));
    EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("等待设备重新连接…"));
    EXPECT_FALSE(dlg->MainWindowEnabled());
    EXPECT_FALSE(port.IsOpen());
  }
  // Plugged back: a new pseudo-terminal behind the same link.
  void PlugBack() {
    device.Stop();
    ASSERT_TRUE(device.Start());
    device.ClearReceived();
    ASSERT_EQ(::symlink(device.PortName().c_str(), link.c_str()), 0);
  }
  // The CPU time this process used while the window's event loop ran for ms (no test
  // polling meanwhile), as a share of one core.
  static double CpuShareWhileIdle(int ms) {
    const auto cpu = [] {
      timespec t{};
      ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
      return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    };
    QElapsedTimer wall;
    const double before = cpu();
    wall.start();
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    return (cpu() - before) / static_cast<double>(wall.elapsed());
  }

  QTemporaryDir linkDir;
  std::string link;
};

TEST_F(ReconnectTest, AnUnpluggedDeviceIsReopenedWhenItComesBackAndTheWorkspaceReloadsWithoutABusyWait) {
  int checks = 0;
  ASSERT_NO_FATAL_FAILURE(OpenWorkspace());
  dlg->SetPortIdentities([&] {
    ++checks;
    return std::vector<SerialPortInfo>{};
  });
  ASSERT_NO_FATAL_FAILURE(Unplug());

  // Waiting: at most one look for the port a second, and next to no CPU.
  checks = 0;
  QElapsedTimer waited;
  waited.start();
  const double share = CpuShareWhileIdle(3000);
  EXPECT_LE(checks, waited.elapsed() / CQuarvelDlg::kReconnectCheckMs + 1);
  EXPECT_GE(checks, 2);
  EXPECT_LT(share, 0.05) << "a busy wait";
  std::printf("CPU while waiting for the device: %.2f %% of a core\n", share * 100);
  EXPECT_TRUE(dlg->WaitingForReconnect());

  // Back: opened again on the same port with the same settings, the workspace entered
  // again and loaded from the device.
  ASSERT_NO_FATAL_FAILURE(PlugBack());
  TipCatcher closer;
  ASSERT_TRUE(PumpUntil([&] { return port.IsOpen(); }, 2 * CQuarvelDlg::kReconnectCheckMs + kTestMarginMs));
  EXPECT_FALSE(dlg->WaitingForReconnect());
  EXPECT_EQ(port.Name(), link);
  EXPECT_EQ(dlg->CurrentPortPath().toStdString(), link);
  EXPECT_EQ(dlg->BaudCombo()->currentText(), QStringLiteral("115200"));
  EXPECT_EQ(dlg->ParityCombo()->currentText(), QStringLiteral("None"));
  EXPECT_EQ(dlg->OpenButton()->text(), QStringLiteral("关闭串口"));
  EXPECT_EQ(CombosEnabled(), 0);
  ASSERT_TRUE(WorkspaceLoaded()) << closer.Texts().join('|').toStdString();
  EXPECT_EQ(device.CountReceived("---"), 1) << "entered as from the menu";
  EXPECT_GE(device.CountReceived("AT+SHOW"), 1) << "the parameters were read again";
  EXPECT_TRUE(dlg->Workspace()->isVisible());
}

TEST_F(ReconnectTest, ADeviceThatStaysAwayIsWaitedForUntilCancelledThenTheWindowIsAsAfterAnUnplug) {
  ASSERT_NO_FATAL_FAILURE(OpenWorkspace());
  ASSERT_NO_FATAL_FAILURE(Unplug());
  QEventLoop loop;
  QTimer::singleShot(3 * CQuarvelDlg::kReconnectCheckMs, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_TRUE(dlg->WaitingForReconnect());
  EXPECT_TRUE(dlg->Tip()->isVisible());
  EXPECT_FALSE(port.IsOpen());
  if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // for a look at the tip over the window
    QPixmap shot = dlg->grab();
    QPainter painter(&shot);
    painter.drawPixmap(dlg->Tip()->geometry().topLeft() - dlg->geometry().topLeft(), dlg->Tip()->grab());
    painter.end();
    shot.save(QString::fromLocal8Bit(dir) + QStringLiteral("/reconnect_tip.png"));
  }

  auto* cancel = dlg->Tip()->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  EXPECT_EQ(cancel->text(), QStringLiteral("取消操作"));
  cancel->click();
  EXPECT_FALSE(dlg->WaitingForReconnect());
  EXPECT_FALSE(dlg->Tip()->isVisible());
  EXPECT_TRUE(dlg->MainWindowEnabled());
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);
  EXPECT_EQ(dlg->OpenButton()->text(), QStringLiteral("开启串口"));
  EXPECT_EQ(CombosEnabled(), 3);
  EXPECT_FALSE(TableFromDevice());

  // Coming back after the cancel opens nothing.
  ASSERT_NO_FATAL_FAILURE(PlugBack());
  QTimer::singleShot(2 * CQuarvelDlg::kReconnectCheckMs, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(device.CountReceived("---"), 0);
}
#endif

// Ports whose adapter the system knows are listed by name and adapter, their tooltip the
// path and serial number; what is opened stays the path.
TEST_F(MainWindowTest, PortListNamesEachAdapterAndOpensItsPath) {
  const std::string ch340 = "/dev/qx-test-ttyUSB0", ftdi = "/dev/qx-test-ttyUSB1";
  dlg = std::make_unique<CQuarvelDlg>(port, [&] { return Names{ch340, ftdi, device.PortName()}; });
  dlg->SetPortIdentities([&] {
    return std::vector<SerialPortInfo>{
        {.name = ch340, .description = "USB-Serial CH340", .vid = "1a86", .pid = "7523"},
        {.name = ftdi, .description = "FTDI FT232R USB UART", .vid = "0403", .pid = "6001", .serial = "A50285BI"},
    };
  });
  dlg->show();
  ASSERT_TRUE(PumpUntil([&] { return dlg->Started() && !dlg->Link().Busy() && !dlg->Tip()->isVisible(); },
                        Deadline(2)));
  QComboBox* combo = dlg->PortCombo();
  ASSERT_EQ(combo->count(), 3);
  EXPECT_EQ(combo->itemText(0), QStringLiteral("qx-test-ttyUSB0 \u2014 USB-Serial CH340 (1a86:7523)"));
  EXPECT_EQ(combo->itemText(1), QStringLiteral("qx-test-ttyUSB1 \u2014 FTDI FT232R USB UART (0403:6001)"));
  EXPECT_EQ(combo->itemText(2).toStdString(), device.PortName());  // nothing known: the path
  EXPECT_EQ(combo->itemData(1, Qt::ToolTipRole).toString().toStdString(), ftdi + "\nserial number A50285BI");
  EXPECT_EQ(combo->itemData(0, Qt::ToolTipRole).toString().toStdString(), ch340);
  // The device was found on the third entry; choosing another shows its short name and opens its path.
  EXPECT_EQ(port.Name(), device.PortName());
  dlg->OpenButton()->click();  // close
  combo->setCurrentIndex(1);
  EXPECT_EQ(combo->currentText(), QStringLiteral("qx-test-ttyUSB1"));
  EXPECT_EQ(dlg->CurrentPortPath().toStdString(), ftdi);
  EXPECT_EQ(combo->toolTip().toStdString(), ftdi);
  // The open list shows every line whole, however narrow the field.
  combo->showPopup();
  QCoreApplication::processEvents();
  for (int i = 0; i < combo->count(); ++i)
    EXPECT_LE(combo->view()->fontMetrics().horizontalAdvance(combo->itemText(i)) + 10, combo->view()->viewport()->width())
        << combo->itemText(i).toStdString();
  if (const char* dir = std::getenv("QX310_SHOTS_DIR")) {  // for a look at the list
    combo->view()->window()->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/port_list.png"));
    dlg->grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/main_window_ports.png"));
  }
  combo->hidePopup();
}

TEST_F(MainWindowTest, SearchWithoutADeviceTimesOutAndAToolChosenWithThePortClosedSwitchesFirstThenWarns) {
  OpenAndDetect({silent.PortName()});
  // The last port opened but stayed silent: it stays open, unconfirmed.
  EXPECT_TRUE(port.IsOpen());
  EXPECT_EQ(dlg->StatusBox()->text(), kUnconfirmed);
  EXPECT_EQ(CombosEnabled(), 0);
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("串口检测超时..."));
  EXPECT_TRUE(dlg->Workspace()->Button(CRTUCfgDlg::kLoadId)->isEnabled());
  SetTableFromDevice(true);
  dlg->findChild<QPushButton*>(QStringLiteral("detectButton"))->click();
  EXPECT_FALSE(TableFromDevice());
  EXPECT_TRUE(dlg->Tip()->isVisible());
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("串口检测中，请稍后..."));
  ASSERT_TRUE(PumpUntil([&] { return !dlg->Link().Busy() && !dlg->Tip()->isVisible(); }, Deadline(2)));
  EXPECT_EQ(silent.CountReceived("---"), 4);

  dlg->OpenButton()->click();  // close
  ASSERT_FALSE(port.IsOpen());
  bool switched = false;
  const QString text = CloseTipBoxDuring([&] { dlg->ToolAction(CQuarvelDlg::kDownloadToolCmd)->trigger(); }, kTestMarginMs, [&] {
    switched = dlg->DownloadPage()->isVisible() && !dlg->DebugPage()->isVisible() &&
               Menu(CQuarvelDlg::kDownloadToolCmd) + Menu(CQuarvelDlg::kDebugToolCmd) == QStringLiteral("下载工具√调试工具");
  });
  EXPECT_EQ(text, QStringLiteral("请先打开串口"));
  EXPECT_TRUE(switched);
  EXPECT_EQ(dlg->Link().LinkState(), 0);
  EXPECT_FALSE(dlg->Tip()->isVisible());
}

TEST_F(MainWindowTest, PortsRefusedForLackOfPermissionAreNamedWithTheFix) {
  ScriptedPort refusing(false);
  refusing.OnlyNamedPorts();
  refusing.DenyPort("/dev/ttyUSB7");
  refusing.DenyPort("/dev/ttyACM2");
  ProbePorts probes;  // the search's handles refuse the same ports
  probes.denied = {"/dev/ttyUSB7", "/dev/ttyACM2"};
  // The search ends without a device and says which ports it could not open, and why.
  const QString report = CloseTipBoxDuring(
      [&] { Open({"/dev/ttyUSB7", "/dev/ttyS0", "/dev/ttyACM2"}, &refusing, probes.Factory()); }, Deadline(0));
  EXPECT_TRUE(report.contains(QStringLiteral("/dev/ttyUSB7")) && report.contains(QStringLiteral("/dev/ttyACM2")))
      << report.toStdString();
  EXPECT_FALSE(report.contains(QStringLiteral("/dev/ttyS0")));
#ifndef Q_OS_WIN
  EXPECT_TRUE(report.contains(QStringLiteral("dialout")));
#endif
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);

  // Opening by hand: the usual message, then the reason and the fix.
  dlg->PortCombo()->setCurrentIndex(0);
  const QString text = CloseTipBoxDuring([&] { dlg->OpenButton()->click(); }, kTestMarginMs);
  EXPECT_TRUE(text.startsWith(QStringLiteral(">>> 请先以正确参数打开串口...")));
  EXPECT_TRUE(text.contains(QStringLiteral("/dev/ttyUSB7")));
#ifndef Q_OS_WIN
  EXPECT_TRUE(text.contains(QStringLiteral("sudo usermod -aG dialout")));
#endif
  // A port that is merely missing gets the usual message only.
  dlg->PortCombo()->setCurrentIndex(1);
  EXPECT_EQ(CloseTipBoxDuring([&] { dlg->OpenButton()->click(); }, kTestMarginMs),
            QStringLiteral(">>> 请先以正确参数打开串口..."));
  EXPECT_FALSE(refusing.IsOpen());
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);
  EXPECT_EQ(CombosEnabled(), 3);
  dlg.reset();  // before the port it uses
}

// Background writers stay quiet while a firmware download owns the line.
TEST_F(MainWindowTest, DownloadStartedWhileTheWorkspaceWaitsForPowerUpArrivesWhole) {
  DownloadWhile([&] {
    // A configuration entry the device does not answer leaves the workspace sending "S".
    device.SetSilent(true);
    CloseTipBoxDuring([&] { dlg->ToolAction(CQuarvelDlg::kConfigToolCmd)->trigger(); }, Deadline(3));
    device.SetSilent(false);
    const int before = device.PowerUpBytesReceived();
    return dlg->Workspace()->WorkMode() == kModeWaitPowerUp &&
           PumpUntil([&] { return device.PowerUpBytesReceived() >= before + 3; }, Within(kPowerUpTickMs, 3));
  });
}

TEST_F(MainWindowTest, DownloadStartedWhileTheConsoleSendsOnATimerArrivesWhole) {
  DownloadWhile([&] {
    CDebug* console = dlg->DebugPage();
    qobject_cast<QCheckBox*>(console->Control(CDebug::kNewlineBox))->setChecked(true);
    qobject_cast<QLineEdit*>(console->Control(CDebug::kInputEdit))->setText(QStringLiteral("AT"));
    qobject_cast<QLineEdit*>(console->Control(CDebug::kIntervalEdit))->setText(QStringLiteral("5"));
    qobject_cast<QCheckBox*>(console->Control(CDebug::kTimedSendBox))->setChecked(true);
    return PumpUntil([&] { return device.CountReceived("AT") >= 3; }, kTestMarginMs);  // 5 ms apart
  });
  EXPECT_TRUE(dlg->DebugPage()->IsTimedSendRunning());
  EXPECT_TRUE(dlg->DebugPage()->Log().Bytes().find(GBK("下载进行中，暂停发送...")) != std::string::npos);
}

TEST_F(MainWindowTest, DownloadStartedWhileAModeDialogueWaitsForTheBannerArrivesWhole) {
  Timing::SetScale(0.1);  // the dialogue's 60 s banner wait outlasts the download
  DownloadWhile([&] {
    // The probe refused twice: the dialogue asks for a power cycle and sends "S".
    device.SetErrorFor("---", 2);
    CloseTipBoxDuring([&] { qobject_cast<QPushButton*>(dlg->DebugPage()->Control(CDebug::kProModeButton))->click(); },
                      Deadline(2));
    const int before = device.PowerUpBytesReceived();
    return dlg->DebugPage()->IsModeDialogueRunning() &&
           PumpUntil([&] { return device.PowerUpBytesReceived() >= before + 3; }, Within(DebugModeDialogue::kBannerTickMs, 3));
  });
}

// Measures real time: closing must not wait out the probe wait, made many test margins long.
class MainWindowRealtime : public MainWindowTest {};

#ifndef _WIN32
// Start-up detection with four silent ports, a silent device and a missing name listed
// before the device: every port is probed at once, so the device is found well within one
// probe wait (one port at a time it would take ten); the texts and end state are the
// usual ones, and every other port is closed.
TEST_F(MainWindowRealtime, StartUpDetectionProbesEveryPortAtOnce) {
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  std::vector<std::unique_ptr<SilentPty>> ptys(4);
  Names ports{kMissingPort};
  for (auto& p : ptys) {
    p = std::make_unique<SilentPty>();
    ports.push_back(p->Name());
  }
  ports.push_back(silent.PortName());
  ports.push_back(device.PortName());
  QElapsedTimer t;
  t.start();
  Open(ports);
  EXPECT_TRUE(dlg->Tip()->isVisible());
  EXPECT_EQ(dlg->Tip()->Message(), QStringLiteral("串口检测中，请稍后..."));
  EXPECT_FALSE(dlg->MainWindowEnabled());
  ASSERT_TRUE(PumpUntil([&] { return dlg->Link().LinkToTools() && !dlg->Tip()->isVisible(); },
                        Within(linkstate::kProbeWaitMs)));
  EXPECT_TRUE(AtOnce(t.elapsed(), linkstate::kProbeWaitMs)) << t.elapsed() << " ms";
  EXPECT_EQ(port.Name(), device.PortName());
  EXPECT_EQ(dlg->PortCombo()->currentIndex(), 6);
  EXPECT_EQ(dlg->StatusBox()->text(), kConfirmed);
  EXPECT_EQ(StatusColour(), kGreen);
  EXPECT_EQ(dlg->OpenButton()->text(), QStringLiteral("关闭串口"));
  EXPECT_EQ(CombosEnabled(), 0);
  EXPECT_TRUE(dlg->MainWindowEnabled());
  EXPECT_TRUE(dlg->DebugPage()->IsReceiving());
  // The device got its two probes and runs; the silent ones at most their first.
  EXPECT_EQ(device.ReceivedCommands(), (Names{"---", "---"}));
  EXPECT_EQ(device.GetState(), RtuSimulator::State::Run);
  EXPECT_LE(silent.CountReceived("---"), 1);
  for (auto& p : ptys) {
    EXPECT_LE(p->Received().size(), 3u) << p->Name();
    EXPECT_TRUE(PumpUntil([&] { return !p->InUse(); }, kTestMarginMs)) << p->Name();
  }
}
#endif

TEST_F(MainWindowRealtime, ClosingWhileAProbeWaitsEndsPromptly) {
  Timing::SetScale(ScaleOutlastingMargins(linkstate::kProbeWaitMs));
  Open({silent.PortName()});
  ASSERT_TRUE(silent.WaitForReceived("---", 1, kTestMarginMs));
  QElapsedTimer t;
  t.start();
  dlg->close();
  dlg.reset();
  EXPECT_TRUE(AtOnce(t.elapsed(), linkstate::kProbeWaitMs)) << t.elapsed() << " ms";
}

}  // namespace
