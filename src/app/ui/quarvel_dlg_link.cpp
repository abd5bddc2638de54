// CQuarvelDlg as the view of the link-state machine and the tools' host; its threads and
// their shutdown.
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <algorithm>

#include "app/ui/app_settings.h"
#include "app/ui/com_tip_dlg.h"
#include "app/ui/quarvel_dlg.h"
#include "base/cp936.h"
#include "config/ui/cfg_dlg.h"
#include "debug/ui/debug_dlg.h"
#include "download/ui/download_dlg.h"
#include "serial/net_port.h"
#include "serial/port_identity.h"
#include "serial/serial_port.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

void CQuarvelDlg::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  StopReconnectWait();
  // Stop flags and events first, then no worker may block on the UI thread any more,
  // then wait for the threads; the widgets go after that.
  link_.Stop();
  pump_.Stop();
  UiBridge::Shutdown();
  if (receiveThread_.joinable()) receiveThread_.join();
  if (linkThread_.joinable()) linkThread_.join();
  debug_->Shutdown();
  download_->Shutdown();
  cfg_->Shutdown();
  tip_->hide();
  port_.Close();
}

void CQuarvelDlg::EndEntryWait() {
  ShowTip(false);
  EnableMainWindow(true);
}

// ---------------------------------------------------------------- ILinkView

void CQuarvelDlg::RunOnUi(const std::function<void()>& fn) { UiBridge::Invoke(fn); }

void CQuarvelDlg::SelectPort(int index) { portCombo_->setCurrentIndex(index); }

void CQuarvelDlg::SetPortButtonOpen(bool open) {
  openButton_->setText(open ? QStringLiteral("关闭串口") : QStringLiteral("开启串口"));
}

void CQuarvelDlg::SetStatus(LinkStatus status) {
  status_->setText(StatusText(status));
  // Green only for "设备通信正常", red otherwise; in every state of the box.
  const QColor colour = status == LinkStatus::kOpenConfirmed ? QColor(0, 200, 0) : QColor(180, 0, 0);
  QPalette pal = status_->palette();
  for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    pal.setColor(g, QPalette::Text, colour);
  status_->setPalette(pal);
}

void CQuarvelDlg::EnableCombos(bool enable) {
  for (QComboBox* c : {portCombo_, baudCombo_, parityCombo_}) c->setEnabled(enable);
}

void CQuarvelDlg::SetTipMessage(TipText text) {
  switch (text) {
    case TipText::kDetecting: tip_->SetMessage(QStringLiteral("串口检测中，请稍后...")); break;
    case TipText::kDetectTimeout: tip_->SetMessage(QStringLiteral("串口检测超时...")); break;
    case TipText::kEnteringDebug: tip_->SetMessage(QStringLiteral("进入调试中，请稍后...")); break;
    case TipText::kEnteringDownload: tip_->SetMessage(QStringLiteral("进入升级中，请稍后...")); break;
    case TipText::kEnteringConfig: tip_->SetMessage(QStringLiteral("进入配置中，请稍后...")); break;
  }
}

void CQuarvelDlg::ShowTip(bool show) {
  if (!show) {
    tip_->hide();
    return;
  }
  tip_->show();
  tip_->raise();
}

void CQuarvelDlg::EnableMainWindow(bool enable) {
  // The window's contents, not the window: the tip (a child window) stays usable, and
  // the window can still be closed while the device is being waited for.
  menuBar_->setEnabled(enable);
  client_->setEnabled(enable);
}

void CQuarvelDlg::BringToFront() {
  raise();
  activateWindow();
}

void CQuarvelDlg::DebugReceiveOnIfVisible() {
  if (debug_->isVisible()) debug_->SetReceiving(true);
}

bool CQuarvelDlg::ConfigLogVisible() { return ToolOf(LinkTool::kConfig).OnScreen(); }

bool CQuarvelDlg::DownloadVisible() { return ToolOf(LinkTool::kDownload).OnScreen(); }

void CQuarvelDlg::CancelPendingLoad() {
  for (ITool* tool : tools_) tool->OnEntryOutcome({.end = EntryEnd::kCancelled});
}

// What the main window shows and does at the end of a detection or a tool entry.
void CQuarvelDlg::OnLinkOutcome(const LinkOutcome& outcome) {
  switch (outcome.end) {
    case LinkEnd::kEntered:
      // The device answered on the open port, opened with what the combos show.
      if (port_.IsOpen()) RememberDevicePort(port_.Name(), baudCombo_->currentText(), parityCombo_->currentText());
      [[fallthrough]];
    case LinkEnd::kEntryFailed:
      // The workspace hides the tip itself once it has loaded the parameters.
      if (outcome.tool != LinkTool::kNone)
        ToolOf(outcome.tool).OnEntryOutcome(
            {.end = outcome.end == LinkEnd::kEntered ? EntryEnd::kEntered : EntryEnd::kFailed,
             .endWait = [this] { EndEntryWait(); }});
      return;
    case LinkEnd::kNotFound:
      // Nothing open: a port opened by hand next gets the settings that last worked.
      if (!port_.IsOpen()) ShowRememberedSettings();
      // A last port left open offers the workspace's device operations, as one opened by hand.
      else ToolOf(LinkTool::kConfig).OnPortOpened();
      if (!outcome.deniedPorts.empty()) ReportPortsDenied(outcome.deniedPorts);
      return;
    case LinkEnd::kFound:
      // The search opens the device's port at 115200 8N1.
      RememberDevicePort(outcome.port, QString::number(linkstate::kDetectBaud), QStringLiteral("None"));
      // The workspace's device operations are offered at once, as on a port opened by hand.
      ToolOf(LinkTool::kConfig).OnPortOpened();
      return;
  }
}

void CQuarvelDlg::RememberDevicePort(const std::string& port, const QString& baud, const QString& parity) {
  if (port.empty()) return;
  appsettings::RememberPort({QString::fromStdString(port), baud, parity});
}

void CQuarvelDlg::ShowRememberedSettings() {
  const std::optional<appsettings::LastPort> last = appsettings::RememberedPort();
  if (!last) return;
  // A value edited by hand into something the combos do not offer is left alone.
  if (baudCombo_->findText(last->baud) >= 0) baudCombo_->setCurrentText(last->baud);
  if (parityCombo_->findText(last->parity) >= 0) parityCombo_->setCurrentText(last->parity);
}

void CQuarvelDlg::ReportPortsDenied(const std::vector<std::string>& ports) {
  QStringList names;
  for (const auto& p : ports) names << QString::fromStdString(p);
#ifdef Q_OS_WIN
  const QString text = QStringLiteral("以下串口拒绝访问，可能正被其他程序使用：\n%1").arg(names.join('\n'));
#else
  const QString text = QStringLiteral("没有打开以下串口的权限：\n%1\n请把当前用户加入 dialout 组"
                                      "（sudo usermod -aG dialout $USER），重新登录后再检测。")
                           .arg(names.join('\n'));
#endif
  // After the search has ended, without holding up the link-state thread.
  UiBridge::Post([this, text] { TipBox::Show(this, text); });
}

// ---------------------------------------------------------------- receive thread

void CQuarvelDlg::PortVanished() {
  UiBridge::Post([this] {
    const std::string path = CurrentPortPath().toStdString();
    ClosePortByHand();
    RefreshPortBar();
    TipBox::Show(this, QStringLiteral("串口已断开！请检查设备连接后重新打开串口。"));
    // A device server's connection is not waited for: nothing tells when it would take one
    // again short of connecting, which may take seconds each time.
    if (serial::IsNetPortName(path)) return;
    const auto listed = std::find_if(listedIdentities_.begin(), listedIdentities_.end(),
                                     [&](const SerialPortInfo& p) { return p.name == path; });
    StartReconnectWait(listed != listedIdentities_.end() ? *listed : SerialPortInfo{.name = path});
  });
}

// ---------------------------------------------------------------- reconnect

void CQuarvelDlg::StartReconnectWait(SerialPortInfo gone) {
  if (shutDown_ || port_.IsOpen()) return;
  awaited_ = std::move(gone);
  if (!reconnectTimer_) {
    reconnectTimer_ = new QTimer(this);
    reconnectTimer_->setInterval(kReconnectCheckMs);
    connect(reconnectTimer_, &QTimer::timeout, this, [this] { CheckReconnect(); });
  }
  tip_->SetMessage(QStringLiteral("等待设备重新连接…"));
  ShowTip(true);
  EnableMainWindow(false);
  reconnectTimer_->start();
  CheckReconnect();  // plugged back while the message was shown
}

void CQuarvelDlg::StopReconnectWait() {
  if (reconnectTimer_) reconnectTimer_->stop();
  if (!awaited_) return;
  awaited_.reset();
  ShowTip(false);
  EnableMainWindow(true);
}

void CQuarvelDlg::CheckReconnect() {
  if (!awaited_ || shutDown_) return;
  // The system's ports with their adapters, and the listed ones known by their path alone.
  std::vector<SerialPortInfo> present = identities_ ? identities_() : std::vector<SerialPortInfo>{};
  for (std::string& name : portSource_ ? portSource_() : std::vector<std::string>{})
    if (std::none_of(present.begin(), present.end(), [&](const SerialPortInfo& p) { return p.name == name; }))
      present.push_back({.name = std::move(name)});
  const QString path = QString::fromStdString(SameAdapterPath(*awaited_, present));
  // A port listed again may not open yet (its permissions follow its node): tried again at
  // the next check.
  if (path.isEmpty() || !OpenPort(path)) return;
  StopReconnectWait();
  // The port bar as after opening it by hand, the field showing the port opened.
  if (portCombo_->findData(path) < 0) FillPortList();
  if (const int index = portCombo_->findData(path); index >= 0) portCombo_->setCurrentIndex(index);
  else portCombo_->setEditText(path);
  RefreshPortBar();
  EnterTool(ToolOf(chosenTool_));
}
