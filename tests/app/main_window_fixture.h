#pragma once
// The main window offscreen, with a device and a silent device on pseudo-terminals.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <memory>

#include "app/ui/com_tip_dlg.h"
#include "app/ui/quarvel_dlg.h"
#include "base/timing.h"
#include "config/ui/cfg_dlg.h"
#include "debug/ui/debug_dlg.h"
#include "download/ui/download_dlg.h"
#include "gui_support.h"
#include "sim/rtu_sim.h"
#include "widgets/ui_bridge.h"


using Names = std::vector<std::string>;

inline const QString kConfirmed = QStringLiteral("串口已连接! 设备通信正常!");
inline const QString kUnconfirmed = QStringLiteral("串口已连接! 设备通信异常!");
inline const QString kClosed = QStringLiteral("串口未连接! 设备通信异常!");
inline const QColor kGreen(0, 200, 0);
inline const QColor kRed(180, 0, 0);
inline constexpr char kMissingPort[] = "/dev/qx-test-no-such-port";

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

  static int ProbeWait() { return Timing::Scaled(linkstate::kProbeWaitMs); }
  // Enough for a search over n ports or an entry of three probes, with room for slow builds.
  static int Deadline(int probes) { return probes * ProbeWait() + 10000; }

  void Open(const Names& ports, ISerialPort* use = nullptr) {
    dlg = std::make_unique<CQuarvelDlg>(use ? *use : port, [ports] { return ports; });
    dlg->show();
    ASSERT_TRUE(PumpUntil([&] { return dlg->Started(); }, 5000));
  }
  void OpenAndDetect(const Names& ports, ISerialPort* use = nullptr) {
    Open(ports, use);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(PumpUntil([&] { return !dlg->Link().Busy() && !dlg->Tip()->isVisible(); },
                          Deadline(2 * static_cast<int>(ports.size()))));
  }
  bool CombosEnabled() const {
    return dlg->PortCombo()->isEnabled() && dlg->BaudCombo()->isEnabled() && dlg->ParityCombo()->isEnabled();
  }
  bool CombosDisabled() const {
    return !dlg->PortCombo()->isEnabled() && !dlg->BaudCombo()->isEnabled() && !dlg->ParityCombo()->isEnabled();
  }
  QColor StatusColour() const { return dlg->StatusBox()->palette().color(QPalette::Text); }
  QString Menu(int cmd) const { return dlg->ToolAction(cmd)->text(); }
  // Waits until a tool entry has ended (the link is the tools' again).
  bool EntryDone(int probes) {
    return PumpUntil([&] { return dlg->Link().LinkToTools() && !dlg->Link().Busy(); }, Deadline(probes));
  }

  RtuSimulator device;
  RtuSimulator silent;
  RecordingPort port;
  std::unique_ptr<CQuarvelDlg> dlg;
};

