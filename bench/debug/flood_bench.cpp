// Floods the debug console through a pseudo-terminal at the highest rate the
// line takes and prints: bytes sent against bytes logged, whether the final log
// is exactly the newest bytes sent, the longest stall of the UI event loop, and
// the CPU the console used (during the flood and idle afterwards).
//
//   bench_flood_bench [--seconds N] [--text [--stamps]]   our console (hex view unless
//        --text; --stamps: the text view with a time stamp per line)
//   bench_flood_bench --external [--seconds N]   only the flood: prints "PTY <path>",
//        reads "PID <n>" from stdin once another terminal program has that port
//        open, floods it and prints that process's CPU (used by flood_vs_cutecom.sh)
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "base/timing.h"
#include "debug/ui/debug_dlg.h"
#include "serial/serial.h"
#include "serial/line_arbiter.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"

namespace {

// Byte i of the flood: a function of its position only, so any tail can be rebuilt.
char StreamByte(uint64_t i) {
  uint64_t x = i * 0x9E3779B97F4A7C15ull;
  x ^= x >> 29;
  return static_cast<char>(x >> 17);
}

double ThreadCpuSeconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

double ProcessCpuSeconds() {
  rusage ru{};
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

double OtherProcessCpuSeconds(int pid) {
  std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  // Fields after the command: state is field 3; utime and stime are fields 14 and 15.
  unsigned long utime = 0, stime = 0;
  const char* p = stat.c_str() + close + 2;
  for (int field = 3; field < 14 && *p; ++field) p = std::strchr(p, ' ') + 1;
  std::sscanf(p, "%lu %lu", &utime, &stime);
  return static_cast<double>(utime + stime) / sysconf(_SC_CLK_TCK);
}

struct Pty {
  int master = -1;
  std::string slave;
  bool Open() {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
    slave = ptsname(master);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    return true;
  }
};

// Writes the stream into the master side until the time is up; returns bytes taken.
uint64_t Flood(int master, int seconds, double* cpu) {
  const double cpu0 = ThreadCpuSeconds();
  const int64_t end = Timing::NowMs() + seconds * 1000LL;
  char chunk[4096];
  uint64_t sent = 0;
  while (Timing::NowMs() < end) {
    pollfd p{master, POLLOUT, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    for (size_t i = 0; i < sizeof chunk; ++i) chunk[i] = StreamByte(sent + i);
    const ssize_t n = write(master, chunk, sizeof chunk);
    if (n > 0) sent += static_cast<uint64_t>(n);
  }
  *cpu = ThreadCpuSeconds() - cpu0;
  return sent;
}

class BenchHost : public IToolHost {
 public:
  explicit BenchHost(ISerialPort& p) : port_(p) {}
  ISerialPort& Port() override { return port_; }
  LineArbiter& Line() override { return line_; }
  bool LinkToTools() const override { return true; }
  QWidget* MainWindow() override { return nullptr; }

 private:
  ISerialPort& port_;
  LineArbiter line_;
};

// Measures how long a call posted to the UI thread waits before it runs.
class StallWatch {
 public:
  void Start() {
    thread_ = std::thread([this] { Run(); });
  }
  void Stop() {
    stop_ = true;
    {
      std::lock_guard<std::mutex> lock(m_);
      answered_ = true;
    }
    cv_.notify_all();
    if (thread_.joinable()) thread_.join();
  }
  int64_t LongestMs() const { return longest_.load(); }

 private:
  void Run() {
    while (!stop_) {
      const int64_t posted = Timing::NowMs();
      {
        std::lock_guard<std::mutex> lock(m_);
        answered_ = false;
      }
      QMetaObject::invokeMethod(qApp, [this, posted] {
        const int64_t wait = Timing::NowMs() - posted;
        if (wait > longest_) longest_ = wait;
        std::lock_guard<std::mutex> lock(m_);
        answered_ = true;
        cv_.notify_all();
      }, Qt::QueuedConnection);
      std::unique_lock<std::mutex> lock(m_);
      cv_.wait(lock, [this] { return answered_; });
      lock.unlock();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> longest_{0};
  std::mutex m_;
  std::condition_variable cv_;
  bool answered_ = true;
};

// Runs the UI event loop for ms (waiting for events, not polling).
void Pump(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

int RunExternal(int seconds) {
  Pty pty;
  if (!pty.Open()) {
    std::perror("pty");
    return 1;
  }
  std::cout << "PTY " << pty.slave << std::endl;
  std::string word;
  int pid = 0;
  if (!(std::cin >> word >> pid) || word != "PID" || pid <= 0) return 1;
  // Drop whatever the program may have queued before the flood.
  const double cpu0 = OtherProcessCpuSeconds(pid);
  double writerCpu = 0;
  const uint64_t sent = Flood(pty.master, seconds, &writerCpu);
  const double cpu = OtherProcessCpuSeconds(pid) - cpu0;
  std::printf("bytes taken by the port : %llu (%.2f MB/s)\n", static_cast<unsigned long long>(sent),
              sent / 1e6 / seconds);
  std::printf("CPU of the program      : %.1f %% of one core\n", 100.0 * cpu / seconds);
  std::fflush(stdout);
  close(pty.master);
  return 0;
}

int RunConsole(int argc, char** argv, int seconds, bool hexView, bool stamps) {
  QApplication app(argc, argv);
  Pty pty;
  if (!pty.Open()) {
    std::perror("pty");
    return 1;
  }
  CSerial serial;
  if (!serial.Open(pty.slave, 115200, 8, serial::kOneStopBit, serial::kParityNone)) {
    std::fprintf(stderr, "cannot open %s: %s\n", pty.slave.c_str(), serial.LastOpenError().c_str());
    return 1;
  }
  BenchHost host(serial);
  CDebug page;
  page.Init(&host);
  page.resize(1000, 700);
  page.show();
  page.SetReceiving(true);
  qobject_cast<QCheckBox*>(page.Control(CDebug::kHexViewBox))->setChecked(hexView);
  qobject_cast<QCheckBox*>(page.Control(CDebug::kTimeStampBox))->setChecked(stamps);
  Pump(300);

  std::atomic<bool> stopRx{false};
  std::atomic<double> rxCpu{0};
  std::thread rx([&] {
    const double c0 = ThreadCpuSeconds();
    std::string buf(serial::kMaxReadBytes + 1, '\0');
    while (!stopRx.load()) {
      const int n = serial.Read(buf.data());
      if (n < 0) break;
      if (n > 0) page.OnSerialData(buf.data(), n);
    }
    rxCpu = ThreadCpuSeconds() - c0;
  });

  StallWatch watch;
  watch.Start();
  const double uiCpu0 = ThreadCpuSeconds();
  const double procCpu0 = ProcessCpuSeconds();
  uint64_t sent = 0;
  double writerCpu = 0;
  QEventLoop flooding;
  std::thread writer([&] {
    sent = Flood(pty.master, seconds, &writerCpu);
    QMetaObject::invokeMethod(&flooding, &QEventLoop::quit, Qt::QueuedConnection);
  });
  flooding.exec();
  writer.join();
  // Let the receive thread take what is still queued and the display catch up.
  const int64_t drainEnd = Timing::NowMs() + 10000;
  while (page.Log().TotalAppended() < sent && Timing::NowMs() < drainEnd) Pump(20);
  Pump(200);
  const double uiCpu = ThreadCpuSeconds() - uiCpu0;
  const double procCpu = ProcessCpuSeconds() - procCpu0;
  watch.Stop();

  // Idle: nothing arrives; the console should use next to no CPU.
  const double idle0 = ProcessCpuSeconds();
  Pump(2000);
  const double idleCpu = ProcessCpuSeconds() - idle0;

  stopRx = true;
  rx.join();
  const uint64_t logged = page.Log().TotalAppended();
  const std::string log = page.Log().Bytes();
  bool tailMatches = logged == sent;
  for (size_t i = 0; tailMatches && i < log.size(); ++i)
    tailMatches = log[i] == StreamByte(sent - log.size() + i);
  page.RefreshDisplay();
  const QString shown = page.DisplayText();
  const bool displayMatches =
      !hexView || shown.size() == static_cast<qsizetype>(log.size() * 3);

  std::printf("flood                    : %d s, %s view%s, receive block up to %d bytes\n", seconds,
              hexView ? "hex" : "text", stamps ? " with time stamps" : "", serial::kMaxReadBytes);
  std::printf("bytes sent               : %llu (%.2f MB/s)\n", static_cast<unsigned long long>(sent),
              sent / 1e6 / seconds);
  std::printf("bytes logged (sum of R)  : %llu, lost %lld\n", static_cast<unsigned long long>(logged),
              static_cast<long long>(sent) - static_cast<long long>(logged));
  std::printf("final log                : R:%zu, equals the newest bytes sent: %s; display complete: %s\n",
              log.size(), tailMatches ? "yes" : "NO", displayMatches ? "yes" : "NO");
  std::printf("longest UI stall         : %lld ms (target < 50 ms)\n",
              static_cast<long long>(watch.LongestMs()));
  std::printf("CPU, UI thread           : %.1f %% of one core\n", 100.0 * uiCpu / seconds);
  std::printf("CPU, receive thread      : %.1f %% of one core\n", 100.0 * rxCpu.load() / seconds);
  std::printf("CPU, console (no writer) : %.1f %% of one core\n",
              100.0 * (procCpu - writerCpu) / seconds);
  std::printf("CPU, flood writer        : %.1f %% of one core\n", 100.0 * writerCpu / seconds);
  std::printf("CPU, idle afterwards     : %.2f %% of one core (2 s)\n", 100.0 * idleCpu / 2.0);
  std::fflush(stdout);

  UiBridge::Shutdown();
  page.Shutdown();
  serial.Close();
  close(pty.master);
  return tailMatches ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = 10;
  bool hexView = true;
  bool external = false;
  bool stamps = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--seconds" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
    else if (a == "--text") hexView = false;
    else if (a == "--external") external = true;
    else if (a == "--stamps") stamps = true;
  }
  return external ? RunExternal(seconds) : RunConsole(argc, argv, seconds, hexView && !stamps, stamps);
}
