#pragma once
// The main window offscreen, with a device and a silent device on pseudo-terminals, the
// real serial port with every open recorded, and "提示" boxes closed as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <memory>
#include <mutex>

#include "app/ui/com_tip_dlg.h"
#include "app/ui/quarvel_dlg.h"
#include "base/timing.h"
#include "config/ui/cfg_dlg.h"
#include "debug/ui/debug_dlg.h"
#include "download/ui/download_dlg.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/qt_wait.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

using Names = std::vector<std::string>;

inline const QString kConfirmed = QStringLiteral("串口已连接! 设备通信正常!");
inline const QString kUnconfirmed = QStringLiteral("串口已连接! 设备通信异常!");
inline const QString kClosed = QStringLiteral("串口未连接! 设备通信异常!");
inline const QColor kGreen(0, 200, 0), kRed(180, 0, 0);
inline constexpr char kMissingPort[] = "/dev/qx-test-no-such-port";

// The real CSerial, with every Open attempt recorded.
class RecordingPort : public CSerial {
 public:
  bool Open(const std::string& name, int baud, int bits, int stop, int parity) override {
    {
      std::lock_guard<std::mutex> l(m_);
      opens_.push_back(name);
    }
    return CSerial::Open(name, baud, bits, stop, parity);
  }
  Names TakeOpens() {
    std::lock_guard<std::mutex> l(m_);
    return std::exchange(opens_, {});
  }

 private:
  std::mutex m_;
  Names opens_;
};

// While alive, closes every "提示" box that opens (as a user pressing OK) and keeps its
// text; inspect runs while each box is still open.
class BoxCloser {
 public:
  explicit BoxCloser(std::function<void()> inspect = {}) {
    QObject::connect(&poll_, &QTimer::timeout, [this, inspect] {
      if (!TipBox::IsOpen()) return;
      texts_ << TipBox::OpenText();
      if (inspect) inspect();
      TipBox::CloseOpen();
    });
    poll_.start(5);
  }
  const QStringList& Texts() const { return texts_; }

 private:
  QTimer poll_;
  QStringList texts_;
};

// Calls action (which opens a "提示" box, modally or later) and returns the first box's
// text ("" if none opened within ms); every box is closed.
inline QString CloseTipBoxDuring(const std::function<void()>& action, int ms,
                                 const std::function<void()>& inspect = {}) {
  BoxCloser closer(inspect);
  action();
  PumpUntil([&] { return !closer.Texts().isEmpty(); }, ms);
  return closer.Texts().value(0);
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
    ASSERT_TRUE(device.Start());
    ASSERT_TRUE(silent.Start());
    silent.SetSilent(true);
  }
  void TearDown() override {
    dlg.reset();
    QCoreApplication::sendPostedEvents();
    device.Stop();
    silent.Stop();
    Timing::SetScale(1.0);
  }

  // Enough for a search over n ports or an entry of n probes, with room for slow builds.
  static int Deadline(int probes) { return probes * Timing::Scaled(linkstate::kProbeWaitMs) + 15000; }

  void Open(const Names& ports, ISerialPort* use = nullptr) {
    dlg = std::make_unique<CQuarvelDlg>(use ? *use : port, [ports] { return ports; });
    dlg->show();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Started(); }, 5000));
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
  // Waits until a tool entry has ended (the link is the tools' again).
  bool EntryDone(int probes) {
    return PumpUntil([&] { return dlg->Link().LinkToTools() && !dlg->Link().Busy(); }, Deadline(probes));
  }

  RtuSimulator device, silent;
  RecordingPort port;
  std::unique_ptr<CQuarvelDlg> dlg;
};
