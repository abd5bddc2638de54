#include "app/ui/quarvel_app.h"

#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/app_options.h"
#include "app/ui/app_globals.h"
#include "app/ui/com_tip_dlg.h"
#include "app/ui/quarvel_dlg.h"
#include "serial/port_list.h"
#include "sim/rtu_sim.h"

namespace {
// How often the screenshot run looks whether the start-up detection has ended.
constexpr int kScreenshotPollMs = 50;
}

CQuarvelApp::CQuarvelApp(int& argc, char** argv) : QApplication(argc, argv) {}

CQuarvelApp::~CQuarvelApp() {
  if (sim_) sim_->Stop();
}

int CQuarvelApp::InitInstance() {
  std::vector<std::string> args;
  const QStringList qargs = arguments();
  for (int i = 1; i < qargs.size(); ++i) args.push_back(qargs[i].toStdString());
  const AppOptions options = ParseAppOptions(args);
  for (const auto& a : options.unknown) std::fprintf(stderr, "qx310-tools: ignoring argument %s\n", a.c_str());

  std::string simPort;
  if (options.demo) {
    sim_ = std::make_unique<RtuSimulator>();
    if (sim_->Start()) {
      simPort = sim_->PortName();
    } else {
      std::fprintf(stderr, "qx310-tools: the built-in simulator could not start\n");
      sim_.reset();
    }
  }
  const std::vector<std::string> named = options.ports;
  auto source = [simPort, named] { return ComposePortList(simPort, ListSerialPorts(), named); };

  int code = 0;
  {
    CQuarvelDlg dlg(g_Serial, source);
    if (!options.open.empty()) {
      const QString file = QString::fromLocal8Bit(options.open.c_str());
      QTimer::singleShot(0, &dlg, [&dlg, file] { dlg.OpenConfigFile(file); });
    }
    if (!options.screenshot.empty()) {
      // Saves the window once the start-up detection is over, then closes it.
      const QString path = QString::fromStdString(options.screenshot);
      auto* poll = new QTimer(&dlg);
      QObject::connect(poll, &QTimer::timeout, &dlg, [&dlg, poll, path, &code] {
        if (!dlg.Started() || dlg.Link().Busy() || dlg.Tip()->isVisible()) return;
        poll->stop();
        // One more turn of the event loop so that the last changes are painted.
        QTimer::singleShot(kScreenshotPollMs, &dlg, [&dlg, path, &code] {
          if (!dlg.grab().save(path, "PNG")) {
            std::fprintf(stderr, "qx310-tools: cannot write %s\n", path.toLocal8Bit().constData());
            code = 1;
          }
          dlg.done(0);
        });
      });
      poll->start(kScreenshotPollMs);
    }
    dlg.exec();
  }
  if (sim_) sim_->Stop();
  return code;
}
