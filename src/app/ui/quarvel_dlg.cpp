// CQuarvelDlg: construction, layout, the port bar and the tool menu.
#include "app/ui/quarvel_dlg.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>

#include "app/ui/about_dlg.h"
#include "app/ui/app_settings.h"
#include "app/ui/com_tip_dlg.h"
#include "app/ui/row_fit.h"
#include "app/ui/side_dock.h"
#include "base/cp936.h"
#include "base/cstr.h"
#include "base/version.h"
#include "config/ui/cfg_dlg.h"
#include "debug/ui/debug_dlg.h"
#include "download/ui/download_dlg.h"
#include "protocol/backup.h"
#include "serial/port_identity.h"
#include "serial/port_list.h"
#include "serial/port_texts.h"
#include "serial/serial_port.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

#ifdef Q_OS_WIN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace {
constexpr int kAboutCommand = 0x10;

const QString kTitle = QStringLiteral("QX310-TOOLS-V" QX310_VERSION);
const QString kOpenText = QStringLiteral("开启串口");
const QString kCloseText = QStringLiteral("关闭串口");

QString MenuText(const QString& name, bool chosen) { return chosen ? name + QStringLiteral("√") : name; }

QFont PointFont(const QWidget* w, int points) { return TahomaFont(points * w->logicalDpiY() / 72); }
// Room beside a text: a line edit's inner margins, a field's frame, a button's padding.
constexpr int kFieldTextMargin = 6;
constexpr int kFieldFrame = 2;
constexpr int kButtonTextMargin = 12;
}  // namespace

CQuarvelDlg::CQuarvelDlg(ISerialPort& port, PortSource ports, QWidget* parent,
                         PortDetector::PortFactory probePorts)
    : QDialog(parent), port_(port), portSource_(std::move(ports)),
      link_(port_, *this, &line_, std::move(probePorts)),
      pump_(port_, link_, [this] { PortVanished(); }) {
  setObjectName(QStringLiteral("mainWindow"));
  setWindowIcon(QuarvelIcon());
  setWindowTitle(kTitle);
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  BuildMenu();
  BuildPortBar();
  SetStatus(LinkStatus::kClosed);

  debug_ = new CDebug(client_);
  download_ = new CRTUDown(client_);
  cfg_ = new CRTUCfgDlg(client_);
  tip_ = new CComTipDlg(this);
  for (QWidget* page : {static_cast<QWidget*>(debug_), static_cast<QWidget*>(download_),
                        static_cast<QWidget*>(cfg_)}) {
    layout_.Add(page, 0.01, 0.11, 0.98, 0.88);
    page->hide();
  }
  debug_->Init(this);
  cfg_->InitWorkspace(this);
  download_->Init(this);
  tools_ = {download_, debug_, cfg_};
  pump_.SetReceivers({tools_.begin(), tools_.end()});
  tip_->Init(this, [this] { Cancel(); });
  resize(1200, 720);  // wide enough for the port bar's texts
  // The size and place of the last run; kept on the screen when shown (DockSideWindows).
  if (const QByteArray geometry = appsettings::RememberedGeometry(); !geometry.isEmpty()) restoreGeometry(geometry);
  LayoutWindow();
  debug_->show();
}

CQuarvelDlg::~CQuarvelDlg() {
  Shutdown();
  // The tools before the line arbiter they hold leases of (members go before children).
  tools_.clear();
  delete debug_;
  delete download_;
  delete cfg_;
  debug_ = nullptr;
  download_ = nullptr;
  cfg_ = nullptr;
}

void CQuarvelDlg::BuildMenu() {
  menuBar_ = new QMenuBar(this);
  menuBar_->setNativeMenuBar(false);
  auto add = [&](const QString& text, const char* name, void (CQuarvelDlg::*handler)()) {
    QAction* a = menuBar_->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    connect(a, &QAction::triggered, this, handler);
    return a;
  };
  debugAction_ = add(QStringLiteral("调试工具√"), "debugToolAction", &CQuarvelDlg::OnDebugTool);
  downloadAction_ = add(QStringLiteral("下载工具"), "downloadToolAction", &CQuarvelDlg::OnDownloadTool);
  configAction_ = add(QStringLiteral("配置工具"), "configToolAction", &CQuarvelDlg::OnConfigTool);
  openFileAction_ = add(QStringLiteral("打开配置文件"), "openFileAction", &CQuarvelDlg::OnOpenFile);
}

void CQuarvelDlg::BuildPortBar() {
  client_ = new QWidget(this);
  client_->setObjectName(QStringLiteral("client"));
  group_ = new QGroupBox(client_);
  portLabel_ = new QLabel(QStringLiteral("串口号："), client_);
  baudLabel_ = new QLabel(QStringLiteral("波特率："), client_);
  parityLabel_ = new QLabel(QStringLiteral("校验位："), client_);
  auto combo = [&](const char* name, const QStringList& items) {
    auto* c = new QComboBox(client_);
    c->setObjectName(QString::fromLatin1(name));
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->addItems(items);
    return c;
  };
  portCombo_ = combo("portCombo", {});
  // The field shows a listed port by its short name (ttyUSB0, pts/3); the list and the
  // tooltip show the full path, which is what gets opened. The combo puts an item's full
  // text into the field whenever it sets its current item (even the same one again).
  connect(portCombo_->lineEdit(), &QLineEdit::textChanged, this, &CQuarvelDlg::OnPortTextChanged);
  baudCombo_ = combo("baudCombo", {"300", "600", "1200", "2400", "4800", "9600", "14400", "19200",
                                   "38400", "56000", "57600", "115200"});
  parityCombo_ = combo("parityCombo", {"None", "Odd", "Even", "Mark", "Space"});
  openButton_ = new QPushButton(kOpenText, client_);
  openButton_->setObjectName(QStringLiteral("openButton"));
  detectButton_ = new QPushButton(QStringLiteral("自动检测"), client_);
  detectButton_->setObjectName(QStringLiteral("detectButton"));
  for (QPushButton* b : {openButton_, detectButton_}) b->setAutoDefault(false);
  status_ = new QLineEdit(client_);
  status_->setObjectName(QStringLiteral("statusEdit"));
  status_->setReadOnly(true);
  status_->setFocusPolicy(Qt::NoFocus);
  connect(openButton_, &QPushButton::clicked, this, &CQuarvelDlg::OnOpenCloseButton);
  connect(detectButton_, &QPushButton::clicked, this, &CQuarvelDlg::OnAutoDetect);

  // The combos are as high as the buttons: their lists open by themselves. At the default
  // size the port field holds a network port's name whole (rfc2217://192.168.100.200:4001)
  // and every other control its longest text ("115200", "串口已连接! 设备通信正常!").
  layout_.Add(group_, 0.01, 0, 0.98, 0.1);
  layout_.Add(portLabel_, 0.02, 0.03, 0.05, 0.05);
  layout_.Add(portCombo_, 0.075, 0.033, 0.27, 0.045);
  layout_.Add(baudLabel_, 0.35, 0.03, 0.05, 0.05);
  layout_.Add(baudCombo_, 0.405, 0.033, 0.085, 0.045);
  layout_.Add(parityLabel_, 0.5, 0.03, 0.05, 0.05);
  layout_.Add(parityCombo_, 0.555, 0.033, 0.07, 0.045);
  layout_.Add(openButton_, 0.635, 0.033, 0.07, 0.045);
  layout_.Add(detectButton_, 0.715, 0.033, 0.07, 0.045);
  layout_.Add(status_, 0.79, 0.033, 0.19, 0.045);
}

QAction* CQuarvelDlg::ToolAction(int command) const {
  switch (command) {
    case kDebugToolCmd: return debugAction_;
    case kDownloadToolCmd: return downloadAction_;
    case kConfigToolCmd: return configAction_;
    default: return nullptr;
  }
}

bool CQuarvelDlg::MainWindowEnabled() const { return client_->isEnabled() && menuBar_->isEnabled(); }

QString CQuarvelDlg::StatusText(LinkStatus status) {
  switch (status) {
    case LinkStatus::kClosed: return QStringLiteral("串口未连接! 设备通信异常!");
    case LinkStatus::kOpenUnconfirmed: return QStringLiteral("串口已连接! 设备通信异常!");
    case LinkStatus::kOpenConfirmed: return QStringLiteral("串口已连接! 设备通信正常!");
  }
  return {};
}

// ---------------------------------------------------------------- start and layout

void CQuarvelDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!startQueued_) FitOnScreen();
  DockSideWindows(true);
  if (!startQueued_) {
    startQueued_ = true;
    // After the window is on screen, so that the tip opens above it.
    QTimer::singleShot(0, this, [this] { Start(); });
  }
}

void CQuarvelDlg::done(int result) {
  if (started_) appsettings::RememberGeometry(saveGeometry());
  QDialog::done(result);
}

void CQuarvelDlg::Start() {
  if (shutDown_) return;
#ifdef Q_OS_WIN
  if (HMENU sys = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE)) {
    AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(sys, MF_STRING, kAboutCommand, L"关于 Quarvel(&A)...");
  }
#endif
  baudCombo_->setCurrentText(QStringLiteral("115200"));
  parityCombo_->setCurrentText(QStringLiteral("None"));
  FillPortList();
  receiveThread_ = std::thread([this] { ReceiveThreadProc(); });
  linkThread_ = std::thread([this] { LinkStateThreadProc(); });
  link_.StartDetection(ListedPorts());
  started_ = true;
}

bool CQuarvelDlg::FillPortList() {
  portCombo_->clear();
  const std::vector<std::string> ports = portSource_ ? portSource_() : std::vector<std::string>{};
  if (ports.empty()) {
    TipBox::Show(this, QStringLiteral("没发现串口，程序不能正常执行，请检查串口，退出！"));
    return false;
  }
  std::vector<SerialPortInfo> known = identities_ ? identities_() : std::vector<SerialPortInfo>{};
  for (const auto& p : ports) {
    // A port whose adapter the system knows is shown by name and adapter, its tooltip the
    // path and serial number; any other by its path. The path is what is opened.
    const auto info = std::find_if(known.begin(), known.end(), [&](const SerialPortInfo& i) { return i.name == p; });
    const bool identified = info != known.end() && PortLabel(*info) != PortShortName(p);
    const QString path = QString::fromStdString(p);
    portCombo_->addItem(identified ? QString::fromStdString(PortLabel(*info)) : path, path);
    portCombo_->setItemData(portCombo_->count() - 1,
                            identified ? QString::fromStdString(PortDetails(*info)) : path, Qt::ToolTipRole);
  }
  portCombo_->setCurrentIndex(0);
  // The list opens wide enough for the longest line ("ttyUSB0 — USB-Serial CH340 (1a86:7523)"),
  // even where the field itself is narrower.
  int widest = 0;
  for (int i = 0; i < portCombo_->count(); ++i)
    widest = std::max(widest, portCombo_->view()->fontMetrics().horizontalAdvance(portCombo_->itemText(i)));
  portCombo_->view()->setMinimumWidth(widest + kPortListPadding);
  // The adapters behind the listed ports, for finding one again after it was unplugged.
  listedIdentities_ = std::move(known);
  return true;
}

void CQuarvelDlg::OnPortTextChanged(const QString& text) {
  if (const int index = portCombo_->findText(text); index >= 0) {
    const QString path = portCombo_->itemData(index).toString();
    const QString shortName = QString::fromStdString(PortShortName(path.toStdString()));
    if (shortName != text) {
      portCombo_->lineEdit()->setText(shortName);  // comes back here with the short name
      portCombo_->lineEdit()->setCursorPosition(0);
      return;
    }
  }
  portCombo_->setToolTip(CurrentPortPath());
}

QString CQuarvelDlg::CurrentPortPath() const {
  return QString::fromStdString(PortPathFor(portCombo_->currentText().toStdString(), ListedPorts()));
}

std::vector<std::string> CQuarvelDlg::ListedPorts() const {
  std::vector<std::string> names;
  for (int i = 0; i < portCombo_->count(); ++i) names.push_back(portCombo_->itemData(i).toString().toStdString());
  return names;
}

void CQuarvelDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  if (!isMinimized()) LayoutWindow();
}

void CQuarvelDlg::moveEvent(QMoveEvent* event) {
  QDialog::moveEvent(event);
  DockSideWindows();
}

void CQuarvelDlg::LayoutWindow() {
  const int menuHeight = menuBar_->sizeHint().height();
  menuBar_->setGeometry(0, 0, width(), menuHeight);
  client_->setGeometry(0, menuHeight, width(), height() - menuHeight);
  layout_.Apply(client_);
  // The fonts follow the height, but no further than a 5:3 window's (the first size), so
  // that in a narrower window they shrink with the widths of the controls.
  const int h = std::min(client_->height(), client_->width() * 3 / 5);
  const QFont small = PointFont(this, h / 60);
  const QFont large = PointFont(this, h / 51);
  for (QWidget* w : {static_cast<QWidget*>(group_), static_cast<QWidget*>(portLabel_),
                     static_cast<QWidget*>(baudLabel_), static_cast<QWidget*>(parityLabel_),
                     static_cast<QWidget*>(openButton_), static_cast<QWidget*>(detectButton_)})
    w->setFont(small);
  for (QWidget* w : {static_cast<QWidget*>(portCombo_), static_cast<QWidget*>(baudCombo_),
                     static_cast<QWidget*>(parityCombo_), static_cast<QWidget*>(status_)})
    w->setFont(large);
  FitPortBar();
  DockSideWindows();
}

// Where the window is too narrow for a text of the port bar, the bar's row is packed so that
// every text shows whole (the port field gives up its room first); otherwise it stays as the
// fractions place it.
void CQuarvelDlg::FitPortBar() {
  auto textWidth = [](const QWidget* w, const QStringList& texts) {
    int widest = 0;
    for (const QString& t : texts) widest = std::max(widest, w->fontMetrics().horizontalAdvance(t));
    return widest;
  };
  // A combo's text goes into its edit field, beside the arrow and inside the frame.
  auto comboNeed = [&](QComboBox* combo, const QStringList& texts) {
    QStyleOptionComboBox option;
    option.initFrom(combo);
    option.editable = true;
    const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo);
    return textWidth(combo, texts) + kFieldTextMargin + (combo->width() - field.width());
  };
  auto items = [](const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) texts << combo->itemText(i);
    return texts;
  };
  const std::pair<QWidget*, int> row[] = {
      {portLabel_, textWidth(portLabel_, {portLabel_->text()})},
      // A port's short name: not the list's long lines with the adapter's name, nor a long
      // network address typed by hand (it scrolls in the field rather than push the row off).
      {portCombo_, comboNeed(portCombo_, {QStringLiteral("ttyUSB10")})},
      {baudLabel_, textWidth(baudLabel_, {baudLabel_->text()})},
      {baudCombo_, comboNeed(baudCombo_, items(baudCombo_))},
      {parityLabel_, textWidth(parityLabel_, {parityLabel_->text()})},
      {parityCombo_, comboNeed(parityCombo_, items(parityCombo_))},
      {openButton_, textWidth(openButton_, {kOpenText, kCloseText}) + kButtonTextMargin},
      {detectButton_, textWidth(detectButton_, {detectButton_->text()}) + kButtonTextMargin},
      {status_, textWidth(status_, {StatusText(LinkStatus::kClosed), StatusText(LinkStatus::kOpenUnconfirmed),
                                    StatusText(LinkStatus::kOpenConfirmed)}) + kFieldTextMargin + 2 * kFieldFrame},
  };
  std::vector<RowSlot> placed;
  for (const auto& [w, need] : row) placed.push_back({w->x(), w->width(), need});
  const std::vector<RowSpan> spans = FitRow(placed);
  for (size_t i = 0; i < spans.size(); ++i) {
    QWidget* w = row[i].first;
    w->setGeometry(spans[i].x, w->y(), spans[i].width, w->height());
  }
}

QRect CQuarvelDlg::ScreenArea() const {
  if (screenArea_) return screenArea_();
  if (const QScreen* s = screen()) return s->availableGeometry();
  return {};
}

// On a screen smaller than the first size (or than the size remembered from a larger
// screen) the window starts as large as the screen's work area allows, inside it.
void CQuarvelDlg::FitOnScreen() {
  const QRect area = ScreenArea();
  if (!area.isValid() || isMaximized() || isFullScreen()) return;
  const QRect frame = frameGeometry(), fitted = FitInside(area, frame);
  if (fitted.size() != frame.size()) resize(fitted.size() - (frame.size() - size()));
  if (fitted.topLeft() != frame.topLeft()) move(fitted.topLeft());
}

void CQuarvelDlg::DockSideWindows(bool mayMoveMain) {
  const QRect area = ScreenArea();
  for (ITool* tool : tools_) {
    QWidget* side = tool->SideWindow();
    if (!side) continue;
    const QRect main = frameGeometry(), sideFrame = side->frameGeometry();
    // Without a screen (none attached) the side window is only docked.
    const QRect within = area.isValid() ? area : QRect(main.topLeft(), QSize(1 << 20, 1 << 20));
    const bool moveMain = mayMoveMain && isVisible() && !isMinimized() && side->isVisible();
    const SideDock d = PlaceSideWindow(within, main, sideFrame.size(), moveMain);
    if (d.main != main) {
      // The frame's own size stays: the window's is what resize takes.
      if (d.main.size() != main.size()) resize(d.main.size() - (main.size() - size()));
      move(d.main.topLeft());  // calls back here (moveEvent) with the main window in place
    }
    side->move(d.side.topLeft());
    // The frame's margins as they are now: moving the main window may have docked the side
    // window already (moveEvent), resizing it since sideFrame was taken.
    const QSize margins = side->frameGeometry().size() - side->size();
    side->resize(std::max(1, d.side.width() - margins.width()), std::max(1, d.side.height() - margins.height()));
  }
}

// ---------------------------------------------------------------- about box

void CQuarvelDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

void CQuarvelDlg::contextMenuEvent(QContextMenuEvent* event) {
  // Where the window system offers no menu of our own, the about box is here.
  QMenu menu(this);
  QAction* about = menu.addAction(QStringLiteral("关于 Quarvel(&A)..."));
  if (menu.exec(event->globalPos()) == about) ShowAbout();
}

#ifdef Q_OS_WIN
bool CQuarvelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  const MSG* msg = static_cast<const MSG*>(message);
  if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand) {
    ShowAbout();
    *result = 0;
    return true;
  }
  return QDialog::nativeEvent(eventType, message, result);
}
#endif

// ---------------------------------------------------------------- port bar

void CQuarvelDlg::OnOpenCloseButton() {
  if (!port_.IsOpen()) {
    const QString name = CurrentPortPath();
    if (!OpenPort(name)) {
      QString text = QStringLiteral(">>> 请先以正确参数打开串口...");
      if (port_.LastOpenDeniedPermission()) {
#ifdef Q_OS_WIN
        text += QStringLiteral("\n\n串口 %1 拒绝访问：它可能正被其他程序使用。请关闭占用它的程序后再打开。").arg(name);
#else
        text += QStringLiteral("\n\n没有打开串口 %1 的权限。请把当前用户加入 dialout 组"
                               "（sudo usermod -aG dialout $USER），重新登录后再打开。").arg(name);
#endif
      }
      TipBox::Show(this, text);
      return;
    }
  } else {
    ClosePortByHand();
  }
  RefreshPortBar();
}

bool CQuarvelDlg::OpenPort(const QString& path) {
  const long baud = cstr::Atol(baudCombo_->currentText().toStdString());
  const QString p = parityCombo_->currentText();
  const int parity = p == QLatin1String("Odd")     ? serial::kParityOdd
                     : p == QLatin1String("Even")  ? serial::kParityEven
                     : p == QLatin1String("Mark")  ? serial::kParityMark
                     : p == QLatin1String("Space") ? serial::kParitySpace
                                                   : serial::kParityNone;
  // A port of the last search may still be ending its sequence on its own handle (at
  // most one reply wait); it is free once that ends.
  link_.SettleDetection();
  if (!port_.Open(path.toStdString(), static_cast<int>(baud), 8, serial::kOneStopBit, parity)) return false;
  link_.SetLinkToTools(true);
  for (ITool* tool : tools_) tool->OnPortOpened();
  return true;
}

void CQuarvelDlg::ClosePortByHand() {
  port_.Close();
  // The next device on this port has not been read: its backup must not hold this one's values.
  SetTableFromDevice(false);
  link_.SetLinkToTools(false);
  // The download stops, the console stops receiving, the workspace turns idle once its
  // worker has really left its operation (so that one started after reopening never runs
  // under the old one).
  for (ITool* tool : tools_) tool->OnPortClosed();
}

void CQuarvelDlg::RefreshPortBar() {
  const bool open = port_.IsOpen();
  SetPortButtonOpen(open);
  if (!open) {
    SetStatus(LinkStatus::kClosed);
  } else {
    // Green only on the port where the search found the device.
    const std::string device = link_.DevicePortName();
    const bool confirmed = !device.empty() && CurrentPortPath().toStdString() == device;
    SetStatus(confirmed ? LinkStatus::kOpenConfirmed : LinkStatus::kOpenUnconfirmed);
  }
  EnableCombos(!open);
}

void CQuarvelDlg::OnAutoDetect() {
  if (port_.IsOpen()) port_.Close();
  SetTableFromDevice(false);
  portCombo_->clear();
  SetPortButtonOpen(false);
  SetStatus(LinkStatus::kClosed);
  if (!FillPortList()) return;
  link_.StartDetection(ListedPorts());
}

void CQuarvelDlg::Cancel() {
  // The tip's cancel ends a wait for the device to come back, else the search or entry.
  if (awaited_) {
    StopReconnectWait();
    return;
  }
  link_.Cancel();
}

// ---------------------------------------------------------------- tool menu

// Every kind but kNone has its tool; callers never ask for kNone.
ITool& CQuarvelDlg::ToolOf(LinkTool kind) const {
  for (ITool* tool : tools_)
    if (tool->Kind() == kind) return *tool;
  return *tools_.back();
}

void CQuarvelDlg::SwitchTool(LinkTool kind) {
  chosenTool_ = kind;
  for (ITool* tool : tools_) tool->Choose(tool->Kind() == kind);
  DockSideWindows(true);
  debugAction_->setText(MenuText(QStringLiteral("调试工具"), kind == LinkTool::kDebug));
  downloadAction_->setText(MenuText(QStringLiteral("下载工具"), kind == LinkTool::kDownload));
  configAction_->setText(MenuText(QStringLiteral("配置工具"), kind == LinkTool::kConfig));
}

void CQuarvelDlg::ChooseTool(LinkTool kind) {
  SwitchTool(kind);
  if (!port_.IsOpen()) {
    TipBox::Show(this, QString::fromUtf8(serial::kOpenPortFirstText));
    return;
  }
  EnterTool(ToolOf(kind));
}

void CQuarvelDlg::OnDebugTool() { ChooseTool(LinkTool::kDebug); }
void CQuarvelDlg::OnDownloadTool() { ChooseTool(LinkTool::kDownload); }
void CQuarvelDlg::OnConfigTool() { ChooseTool(LinkTool::kConfig); }

void CQuarvelDlg::EnterTool(ITool& tool) {
  // In professional mode the device is in a command state already: the tools that need
  // "CMD OK" send no probe, and the debug tool first leaves that mode.
  const bool professional = debug_->IsProfessionalMode();
  static const std::string kProfessional = GBK("当前处于专业模式中！\r\n");
  switch (tool.Kind()) {
    case LinkTool::kDebug:
      if (professional) {
        if (!TipBox::AskOkCancel(this, QStringLiteral("是否退出专业模式？"))) return;
        debug_->ClearProfessionalMode();
      }
      link_.StartEntry(linkstate::kEnterDebug, TipText::kEnteringDebug, true);
      return;
    case LinkTool::kDownload:
      if (professional) {
        tool.AppendLog(kProfessional);
        return;
      }
      link_.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringDownload, true);
      return;
    case LinkTool::kConfig:
      if (!professional) {
        link_.StartEntry(linkstate::kEnterConfigOrDownload, TipText::kEnteringConfig, tool.OnScreen());
        return;
      }
      // Entered without a probe; the workspace loads and ends the wait itself.
      if (!tool.OnScreen()) return;
      tool.OnEntryOutcome({.end = EntryEnd::kEntered, .probed = false, .endWait = [this] { EndEntryWait(); }});
      tool.AppendLog(kProfessional);
      SetTipMessage(TipText::kEnteringConfig);
      ShowTip(true);
      EnableMainWindow(false);
      return;
    case LinkTool::kNone:
      return;
  }
}

void CQuarvelDlg::OnOpenFile() {
  const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开配置文件"), {},
                                                    QStringLiteral("配置文件(*.cfg);;所有文件(*.*)"));
  if (!path.isEmpty()) OpenConfigFile(path);
}

bool CQuarvelDlg::OpenConfigFile(const QString& path) {
  SwitchTool(LinkTool::kConfig);
  return cfg_->OpenOffline(path);
}
