// Start-up time and idle CPU of the tool with the built-in simulator (as `--demo` runs it).
//   bench_app_startup_idle [idle seconds, default 10]
// Prints: the time from the program's start to the main window shown, to the device found,
// and the CPU the whole process uses while the port is open and nothing arrives.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>

#include "app/ui/quarvel_dlg.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"

namespace {

double CpuMs() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return (ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) * 1000.0 + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1000.0;
}

template <class Pred>
bool RunUntil(Pred pred, int ms) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  RtuSimulator sim;
  if (!sim.Start()) {
    std::fprintf(stderr, "simulator did not start\n");
    return 1;
  }
  CSerial port;
  const std::string name = sim.PortName();
  {
    CQuarvelDlg dlg(port, [name] { return std::vector<std::string>{name}; });
    dlg.show();
    RunUntil([&] { return dlg.windowHandle() && dlg.windowHandle()->isExposed(); }, 10000);
    const qint64 shownMs = sinceStart.elapsed();
    if (!RunUntil([&] { return dlg.Started() && dlg.Link().LinkToTools() && port.IsOpen(); }, 30000)) {
      std::fprintf(stderr, "the device was not found\n");
      return 1;
    }
    const qint64 foundMs = sinceStart.elapsed();
    std::printf("start to window shown: %lld ms\n", static_cast<long long>(shownMs));
    std::printf("start to device found: %lld ms\n", static_cast<long long>(foundMs));

    // Settle, then measure with the event loop running as in the program.
    RunUntil([] { return false; }, 500);
    const double cpu0 = CpuMs();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();
    const double cpuMs = CpuMs() - cpu0;
    const double wallMs = static_cast<double>(wall.elapsed());
    std::printf("idle with the port open (%d s): %.1f ms CPU = %.2f %% of one core (target < 1 %%)\n",
                idleSeconds, cpuMs, 100.0 * cpuMs / wallMs);
  }
  sim.Stop();
  return 0;
}
