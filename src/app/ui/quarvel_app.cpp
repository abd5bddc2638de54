#include "app/ui/quarvel_app.h"

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/app_options.h"
#include "app/ui/app_settings.h"
#include "app/ui/app_globals.h"
#include "app/ui/com_tip_dlg.h"
#include "app/ui/quarvel_dlg.h"
#include "config/cfg_machine.h"
#include "config/ui/cfg_dlg.h"
#include "widgets/message_box.h"
#include "widgets/qt_translation.h"
#include "widgets/ui_bridge.h"
#include "serial/port_list.h"
#include "sim/rtu_sim.h"

namespace {
// How often the screenshot run looks whether the start-up detection has ended.
constexpr int kScreenshotPollMs = 50;
}

CQuarvelApp::CQuarvelApp(int& argc, char** argv) : QApplication(argc, argv) {
  // The names under which the remembered settings are kept (app_settings.h).
  setOrganizationName(QString::fromLatin1(appsettings::kOrganization));
  setApplicationName(QString::fromLatin1(appsettings::kApplication));
}

CQuarvelApp::~CQuarvelApp() {
  if (sim_) sim_->Stop();
}

int CQuarvelApp::InitInstance() {
  // Qt's dialogs and buttons in the system's language; the program's own texts are its own.
  InstallQtTranslation(*this, QLocale::system());
  std::vector<std::string> args;
  const QStringList qargs = arguments();
  for (int i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
  const AppOptions options = ParseAppOptions(args);
  QString demoRefused;
  for (const auto& a : options.unknown) std::fprintf(stderr, "qx310-tools: ignoring argument %s\n", a.c_str());

  std::string simPort;
  if (options.demo) {
#ifdef _WIN32
    // Said on stderr and in a box: a program started from Explorer has no console.
    std::fprintf(stderr, "qx310-tools: --demo is not available on Windows: the built-in simulator needs a pseudo-terminal\n");
    demoRefused = QStringLiteral("内置模拟器需要伪终端，在 Windows 上不可用（--demo）。请连接设备。");
#else
    sim_ = std::make_unique<RtuSimulator>();
    if (sim_->Start()) {
      simPort = sim_->PortName();
    } else {
      std::fprintf(stderr, "qx310-tools: the built-in simulator could not start\n");
      sim_.reset();
    }
#endif
  }
  const std::vector<std::string> named = options.ports;
  const auto source = appsettings::PortList(simPort, named, [] { return ListSerialPorts(); });

  int code = 0;
  {
    CQuarvelDlg dlg(g_Serial, source);
    if (!options.open.empty()) {
      const QString file = PathText(options.open);
      QTimer::singleShot(0, &dlg, [&dlg, file] { dlg.OpenConfigFile(file); });
    }
    if (!options.screenshot.empty()) {
      // Nobody is there to answer a box: each is printed and answered.
      TipBox::SetUnattended([](const QString& text) {
        std::fprintf(stderr, "qx310-tools: 提示: %s\n", text.trimmed().toUtf8().constData());
      });
    }
    if (!demoRefused.isEmpty()) QTimer::singleShot(0, &dlg, [&dlg, demoRefused] { TipBox::Show(&dlg, demoRefused); });
    if (!options.tool.empty() || !options.screenshot.empty()) StartAfterDetection(dlg, options, code);
    dlg.exec();
  }
  TipBox::SetUnattended({});
  if (sim_) sim_->Stop();
  return code;
}

void CQuarvelApp::StartAfterDetection(CQuarvelDlg& dlg, const AppOptions& options, int& code) {
  // Polled on the UI thread: first the start-up detection ends; then the --tool entry is
  // made and, for the configuration tool, the parameters load; then the screenshot.
  const int command = options.tool == "debug"      ? CQuarvelDlg::kDebugToolCmd
                      : options.tool == "download" ? CQuarvelDlg::kDownloadToolCmd
                      : options.tool == "config"   ? CQuarvelDlg::kConfigToolCmd
                                                   : 0;
  const QString path = PathText(options.screenshot);
  auto* poll = new QTimer(&dlg);
  auto toolChosen = std::make_shared<bool>(false);
  auto loadSeen = std::make_shared<bool>(false);
  QObject::connect(poll, &QTimer::timeout, &dlg, [&dlg, poll, command, path, toolChosen, loadSeen, &code] {
    CRTUCfgDlg* ws = dlg.Workspace();
    const bool loading = ws->LoadRequested() || ws->WorkMode() == kModeOperation;
    if (loading) *loadSeen = true;
    if (!dlg.Started() || dlg.Link().Busy() || dlg.Tip()->isVisible()) return;
    if (command != 0 && !*toolChosen) {
      *toolChosen = true;
      dlg.ToolAction(command)->trigger();
      return;
    }
    // The configuration tool's entry ends in a load, or, when the device does not answer,
    // in a box and the wait for its power-up.
    if (command == CQuarvelDlg::kConfigToolCmd && dlg.Port().IsOpen() && ws->WorkMode() != kModeWaitPowerUp &&
        (!*loadSeen || loading))
      return;
    poll->stop();
    if (path.isEmpty()) return;
    // Late enough for the tree's caption pass after a load and for the last changes to be painted.
    QTimer::singleShot(CRTUCfgDlg::kCaptionTimerMs + kScreenshotPollMs, &dlg, [&dlg, path, &code] {
      if (!dlg.grab().save(path, "PNG")) {
        std::fprintf(stderr, "qx310-tools: cannot write %s\n", LocalPath(path).c_str());
        code = 1;
      }
      dlg.done(0);
    });
  });
  poll->start(kScreenshotPollMs);
}
