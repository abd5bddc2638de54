#pragma once
// CQuarvelDlg: the main window. Port bar (port, baud and parity combos, open/close and
// auto-detect buttons, status box), the tool menu switching between the debug console,
// the download page and the configuration workspace, the please-wait tip, and the two
// threads: the receive thread (the port's only reader, ReceivePump) and the link-state
// thread (auto-detection and tool entry, LinkMachine). It is the view of both and the
// tools' host: it holds the three tools in a list and reaches them through ITool (only the
// entry rules read the debug console's professional mode and switch its receiving on, as
// the link machine asks), and owns the arbiter of the port's line that their operations
// and background writers share.
#include <QDialog>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/link_machine.h"
#include "app/link_view.h"
#include "app/receive_pump.h"
#include "serial/line_arbiter.h"
#include "serial/port_identity.h"
#include "widgets/fraction_layout.h"
#include "widgets/tool.h"
#include "widgets/tool_host.h"

class CComTipDlg;
class CDebug;
class CRTUCfgDlg;
class CRTUDown;
class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QTimer;

class CQuarvelDlg : public QDialog, public ILinkView, public IToolHost {
  Q_OBJECT
 public:
  // Control ids of the port bar and the menu commands.
  static constexpr int kGroupId = 1355;
  static constexpr int kPortComboId = 1357;
  static constexpr int kBaudComboId = 1307;
  static constexpr int kParityComboId = 1308;
  static constexpr int kOpenButtonId = 1353;
  static constexpr int kDetectButtonId = 1354;
  static constexpr int kStatusId = 1360;
  static constexpr int kDebugToolCmd = 32777;
  static constexpr int kDownloadToolCmd = 32775;
  static constexpr int kConfigToolCmd = 32773;
  // How often the adapter of a vanished port is looked for (no faster: it costs a listing).
  static constexpr int kReconnectCheckMs = 1000;
  // Room beside the longest line of the port list: the item's margins and a scroll bar.
  static constexpr int kPortListPadding = 40;

  // The ports to list (the port combo's entries), asked at start and on every auto-detect.
  using PortSource = std::function<std::vector<std::string>()>;

  // The identities of the system's ports (adapter, USB ids, serial number), asked with the
  // port list; ports not among them are shown by their path.
  using IdentitySource = std::function<std::vector<SerialPortInfo>()>;

  // probePorts: the search's handle per listed port (null: a CSerial each).
  CQuarvelDlg(ISerialPort& port, PortSource ports, QWidget* parent = nullptr,
              PortDetector::PortFactory probePorts = {});
  ~CQuarvelDlg() override;
  // Before the window is shown: where the port identities come from (tests give a fake tree).
  void SetPortIdentities(IdentitySource source) { identities_ = std::move(source); }
  // The screen's available area the windows are kept in (tests give one; default: that of
  // the screen the window is on).
  void SetScreenArea(std::function<QRect()> area) { screenArea_ = std::move(area); }

  // Stops the threads and the pages (part of closing; also run by the destructor).
  void Shutdown();
  // Closing: the window's geometry is remembered for the next run.
  void done(int result) override;

  // Handlers (also used by tests).
  void OnOpenCloseButton();
  void OnAutoDetect();
  void OnDebugTool();
  void OnDownloadTool();
  void OnConfigTool();
  // "打开配置文件": a .cfg file on the configuration workspace without a device
  // (offline editing); usable with the port closed. OpenConfigFile: the same for path.
  void OnOpenFile();
  bool OpenConfigFile(const QString& path);
  // The tip's cancel.
  void Cancel();
  // True while the window waits for the adapter of a vanished port to come back.
  bool WaitingForReconnect() const { return awaited_.has_value(); }
  void ShowAbout();

  // IToolHost
  ISerialPort& Port() override { return port_; }
  LineArbiter& Line() override { return line_; }
  bool LinkToTools() const override { return link_.LinkToTools(); }
  QWidget* MainWindow() override { return this; }

  // For tests and the screenshot.
  LinkMachine& Link() { return link_; }
  CComTipDlg* Tip() const { return tip_; }
  CDebug* DebugPage() const { return debug_; }
  CRTUDown* DownloadPage() const { return download_; }
  CRTUCfgDlg* Workspace() const { return cfg_; }
  QComboBox* PortCombo() const { return portCombo_; }
  // The full path of the port the combo shows (what opening it opens).
  QString CurrentPortPath() const;
  QComboBox* BaudCombo() const { return baudCombo_; }
  QComboBox* ParityCombo() const { return parityCombo_; }
  QPushButton* OpenButton() const { return openButton_; }
  QPushButton* DetectButton() const { return detectButton_; }
  QLineEdit* StatusBox() const { return status_; }
  QAction* ToolAction(int command) const;
  bool MainWindowEnabled() const;
  // True once the start-up detection has been started (the window was shown).
  bool Started() const { return started_; }

  // The status texts.
  static QString StatusText(LinkStatus status);

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef Q_OS_WIN
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

 private:
  // ILinkView (UI thread, see link_view.h)
  void RunOnUi(const std::function<void()>& fn) override;
  void SelectPort(int index) override;
  void SetPortButtonOpen(bool open) override;
  void SetStatus(LinkStatus status) override;
  void EnableCombos(bool enable) override;
  void SetTipMessage(TipText text) override;
  void ShowTip(bool show) override;
  void EnableMainWindow(bool enable) override;
  void BringToFront() override;
  void DebugReceiveOnIfVisible() override;
  bool ConfigLogVisible() override;
  bool DownloadVisible() override;
  void CancelPendingLoad() override;
  void OnLinkOutcome(const LinkOutcome& outcome) override;
  // Remembers the port on which the device answered, with the settings it was opened with.
  void RememberDevicePort(const std::string& port, const QString& baud, const QString& parity);
  // The remembered baud rate and parity in the combos (when they are ones the combos offer).
  void ShowRememberedSettings();
  // The search ended without a device and these ports were refused for lack of permission.
  void ReportPortsDenied(const std::vector<std::string>& ports);

  // The device went away (receive thread; the port is closed already).
  void PortVanished();
  // After the message about a vanished port: waits for the same adapter to come back
  // (checked every kReconnectCheckMs; the tip "等待设备重新连接…" until cancelled), then
  // reopens it with the same settings and enters the chosen tool again.
  void StartReconnectWait(SerialPortInfo gone);
  void CheckReconnect();
  void StopReconnectWait();
  // Opens path with the baud rate and parity the combos show and hands the port to the
  // tools; false (nothing shown) when it does not open.
  bool OpenPort(const QString& path);

  // The two threads: the port's only reader, and the detection and tool-entry steps.
  void ReceiveThreadProc() { pump_.Run(); }
  void LinkStateThreadProc() { link_.Run(); }

  void BuildPortBar();
  void BuildMenu();
  void Start();
  // Fills the port combo from the port source; false (after the message) when there is none.
  bool FillPortList();
  // Shows a listed port's path by its short name in the field, and what would be opened
  // as the tooltip.
  void OnPortTextChanged(const QString& text);
  // The full paths in the port combo, in order.
  std::vector<std::string> ListedPorts() const;
  ITool& ToolOf(LinkTool kind) const;
  // The menu's tool commands: the page switch, the port check, then the entry.
  void ChooseTool(LinkTool kind);
  void SwitchTool(LinkTool kind);
  // Brings the device on the open port into the state tool needs: the probe entry of the
  // link machine, or, with the device in professional mode, what stands for it.
  void EnterTool(ITool& tool);
  // Ends the wait of a tool entry: tip hidden, main window enabled.
  void EndEntryWait();
  // The steps of closing the port by hand (also when the device vanished).
  void ClosePortByHand();
  void RefreshPortBar();
  void LayoutWindow();
  // The tools' side windows (the workspace's log window) at the window's right edge, both
  // kept inside the screen's available area (side_dock.h). mayMoveMain: the main window may
  // move (and shrink) for a side window that is shown; not while the user moves or resizes it.
  void DockSideWindows(bool mayMoveMain = false);
  QRect ScreenArea() const;
  void FitOnScreen();
  void FitPortBar();

  ISerialPort& port_;
  LineArbiter line_;  // outlives the tools: they are deleted first
  PortSource portSource_;
  IdentitySource identities_ = ListSerialPortInfos;
  std::function<QRect()> screenArea_;
  LinkMachine link_;
  ReceivePump pump_;
  std::thread receiveThread_;
  std::thread linkThread_;
  // Of the last port list: the adapters behind the listed ports.
  std::vector<SerialPortInfo> listedIdentities_;
  // The tool last chosen (shown); entered again when the device comes back.
  LinkTool chosenTool_ = LinkTool::kDebug;
  // The adapter waited for after its port vanished, and the timer of the checks.
  std::optional<SerialPortInfo> awaited_;
  QTimer* reconnectTimer_ = nullptr;
  bool startQueued_ = false;
  bool started_ = false;
  bool shutDown_ = false;

  QMenuBar* menuBar_ = nullptr;
  QAction* debugAction_ = nullptr;
  QAction* downloadAction_ = nullptr;
  QAction* configAction_ = nullptr;
  QAction* openFileAction_ = nullptr;
  QWidget* client_ = nullptr;
  QGroupBox* group_ = nullptr;
  QLabel* portLabel_ = nullptr;
  QLabel* baudLabel_ = nullptr;
  QLabel* parityLabel_ = nullptr;
  QComboBox* portCombo_ = nullptr;
  QComboBox* baudCombo_ = nullptr;
  QComboBox* parityCombo_ = nullptr;
  QPushButton* openButton_ = nullptr;
  QPushButton* detectButton_ = nullptr;
  QLineEdit* status_ = nullptr;
  CDebug* debug_ = nullptr;
  CRTUDown* download_ = nullptr;
  CRTUCfgDlg* cfg_ = nullptr;
  CComTipDlg* tip_ = nullptr;
  // The tools in the order in which received data is offered to them.
  std::vector<ITool*> tools_;
  FractionLayout layout_;
};
