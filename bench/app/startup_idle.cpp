// Start-up time and idle CPU of the tool, first with the built-in simulator (as `--demo`
// runs it, in the same process), then with the simulator program on its own.
//   bench_app_startup_idle [idle seconds, default 10]
// Prints: the time from the program's start to the main window shown, to the device found,
// and the CPU the tool's process uses while the port is open and nothing arrives.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ui/quarvel_dlg.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "widgets/ui_bridge.h"

extern char** environ;

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

// The main window on port name until the device is found, then idleSeconds with the
// event loop running as in the program. False when the device was not found.
bool MeasureIdle(QApplication& app, const std::string& name, int idleSeconds, const char* label,
                 const QElapsedTimer* sinceStart) {
  CSerial port;
  CQuarvelDlg dlg(port, [name] { return std::vector<std::string>{name}; });
  dlg.show();
  RunUntil([&] { return dlg.windowHandle() && dlg.windowHandle()->isExposed(); }, 10000);
  const qint64 shownMs = sinceStart ? sinceStart->elapsed() : 0;
  if (!RunUntil([&] { return dlg.Started() && dlg.Link().LinkToTools() && port.IsOpen(); }, 30000)) {
    std::fprintf(stderr, "%s: the device was not found\n", label);
    return false;
  }
  if (sinceStart) {
    std::printf("start to window shown: %lld ms\n", static_cast<long long>(shownMs));
    std::printf("start to device found: %lld ms\n", static_cast<long long>(sinceStart->elapsed()));
  }
  RunUntil([] { return false; }, 500);  // settle
  const double cpu0 = CpuMs();
  QElapsedTimer wall;
  wall.start();
  QTimer::singleShot(idleSeconds * 1000, &app, &QCoreApplication::quit);
  app.exec();
  const double cpuMs = CpuMs() - cpu0;
  const double wallMs = static_cast<double>(wall.elapsed());
  std::printf("idle with the port open, %s (%d s): %.1f ms CPU = %.3f %% of one core (target < 0.3 %%)\n",
              label, idleSeconds, cpuMs, 100.0 * cpuMs / wallMs);
  return true;
}

// Starts the simulator program; its first output line is the port name.
pid_t StartSimProgram(std::string& name) {
  int out[2];
  if (pipe(out) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  char* argv[] = {const_cast<char*>(QX310_SIM_PATH), nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, QX310_SIM_PATH, &actions, nullptr, argv, environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  char c = 0;
  while (pid > 0 && read(out[0], &c, 1) == 1 && c != '\n') name += c;
  close(out[0]);
  return pid;
}

}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  const int idleSeconds = argc > 1 ? std::atoi(argv[1]) : 10;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);

  bool ok = false;
  {
    RtuSimulator sim;
    if (!sim.Start()) {
      std::fprintf(stderr, "simulator did not start\n");
      return 1;
    }
    ok = MeasureIdle(app, sim.PortName(), idleSeconds, "built-in simulator", &sinceStart);
    sim.Stop();
  }
  UiBridge::Restart();  // the first main window's shutdown closed the bridge
  std::string name;
  const pid_t pid = StartSimProgram(name);
  if (pid <= 0 || name.empty()) {
    std::fprintf(stderr, "the simulator program did not start\n");
    return 1;
  }
  ok = MeasureIdle(app, name, idleSeconds, "simulator program", nullptr) && ok;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  return ok ? 0 : 1;
}
