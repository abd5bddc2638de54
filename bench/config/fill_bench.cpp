// Figures of the configuration workspace's load: the time from a complete listing
// having arrived to every page control filled (target: under 100 ms), split into
// the parse, the fill on the UI thread, the fill as the worker does it (one call
// through the UI bridge), and a whole load from the reply's arrival to the
// workspace enabled again; then the first selection of each channel node, which creates
// its source page (target: under 50 ms).
#include <QApplication>
#include <QPushButton>
#include <QTreeWidget>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "base/timing.h"
#include "config/ui/cfg_dlg.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "serial/serial_port.h"
#include "sim/rtu_sim.h"
#include "serial/line_arbiter.h"
#include "widgets/tool_host.h"

namespace {

double Ms(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct Stats {
  std::vector<double> v;
  void Add(double x) { v.push_back(x); }
  void Print(const char* what) {
    std::sort(v.begin(), v.end());
    std::printf("%-44s median %7.2f ms   min %7.2f ms   max %7.2f ms   (%zu runs)\n", what,
                v[v.size() / 2], v.front(), v.back(), v.size());
  }
};

// A device that answers AT+SHOW with the listing at once, from its own thread.
class InstantDevice : public ISerialPort {
 public:
  std::string listing;
  CRTUCfgDlg* ws = nullptr;
  std::atomic<int64_t> deliveredNs{0};

  bool Open(const std::string&, int, int, int, int) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return true; }
  int Read(char*) override { return 0; }
  int Write(const char* data, int length) override {
    if (std::string(data, static_cast<size_t>(length)) == "AT+SHOW\r\n") {
      std::thread([this] {
        const std::string reply = "AT+SHOW\r\n" + listing + "\r\nOK\r\n";
        ws->OnSerialData(reply.data(), static_cast<int>(reply.size()));
        deliveredNs = std::chrono::steady_clock::now().time_since_epoch().count();
      }).detach();
    }
    return length;
  }
};

class Host : public IToolHost {
 public:
  explicit Host(ISerialPort& p) : port_(p) {}
  ISerialPort& Port() override { return port_; }
  LineArbiter& Line() override { return line_; }
  bool LinkToTools() const override { return true; }
  QWidget* MainWindow() override { return nullptr; }

 private:
  ISerialPort& port_;
  LineArbiter line_;
};

void Pump(const std::function<bool()>& done) {
  while (!done()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qgetenv("QT_QPA_PLATFORM").isEmpty()) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int runs = 20;

  InstantDevice device;
  device.listing = RtuSimulator().Listing();
  Host host(device);
  CRTUCfgDlg ws;
  device.ws = &ws;
  ws.InitWorkspace(&host);
  ws.resize(1000, 600);
  ws.show();
  QCoreApplication::processEvents();

  int instances = 0;
  for (int id = 0; id <= 163; ++id)
    if (const ParamEntry* e = FindParam(id)) instances += e->count;
  std::printf("listing: %zu bytes, %d parameter instances\n", device.listing.size(), instances);

  // Each run starts from empty pages, so that every listed value is put into its control.
  Stats parse, fillUi, fillWorker;
  for (int i = 0; i < runs; ++i) {
    ResetParamValues();
    ws.Machine().FillPagesFromTable();
    auto t0 = std::chrono::steady_clock::now();
    ParseListing(device.listing.data(), static_cast<int>(device.listing.size()));
    auto t1 = std::chrono::steady_clock::now();
    ws.Machine().FillPagesFromTable();
    auto t2 = std::chrono::steady_clock::now();
    parse.Add(Ms(t1 - t0));
    fillUi.Add(Ms(t2 - t1));
  }
  for (int i = 0; i < runs; ++i) {
    ResetParamValues();
    ws.Machine().FillPagesFromTable();
    ParseListing(device.listing.data(), static_cast<int>(device.listing.size()));
    std::atomic<bool> done{false};
    double ms = 0;
    std::thread worker([&] {
      auto t0 = std::chrono::steady_clock::now();
      ws.Machine().FillPagesFromTable();
      ms = Ms(std::chrono::steady_clock::now() - t0);
      done = true;
    });
    Pump([&] { return done.load(); });
    worker.join();
    fillWorker.Add(ms);
  }
  parse.Print("parse the listing (worker thread)");
  fillUi.Print("fill every page (on the UI thread)");
  fillWorker.Print("fill every page (worker, through the bridge)");

  // Whole loads: the reply pause scaled to 1 ms; from the reply's arrival to the
  // workspace idle with its buttons enabled.
  Timing::SetScale(0.001);
  Stats load;
  for (int i = 0; i < runs; ++i) {
    ResetParamValues();
    ws.Machine().FillPagesFromTable();
    device.deliveredNs = 0;
    ws.findChild<QPushButton*>(QStringLiteral("loadButton"))->click();
    Pump([&] {
      return device.deliveredNs.load() != 0 && ws.WorkMode() == kModeIdle &&
             ws.findChild<QPushButton*>(QStringLiteral("saveButton"))->isEnabled();
    });
    const int64_t end = std::chrono::steady_clock::now().time_since_epoch().count();
    load.Add((end - device.deliveredNs.load()) / 1e6 - Timing::Scaled(kReplyPauseMs));
  }
  load.Print("load: reply arrived -> pages filled, enabled");
  std::printf("target: under 100 ms\n");

  // The first selection of a channel node creates its source page (the listing binds
  // channels 1-25 to the 25 sources); a second selection only shows it.
  auto* tree = ws.findChild<QTreeWidget*>(QStringLiteral("pageTree"));
  QTreeWidgetItem* channels = tree->topLevelItem(0);
  auto select = [&](int n) {
    auto t0 = std::chrono::steady_clock::now();
    tree->setCurrentItem(channels->child(n));
    QCoreApplication::processEvents();  // laid out and painted
    return Ms(std::chrono::steady_clock::now() - t0);
  };
  Stats first, again;
  for (int n = 0; n < 25; ++n) first.Add(select(n));
  for (int n = 0; n < 25; ++n) again.Add(select(n));
  first.Print("channel node, source page created (first)");
  again.Print("channel node, source page exists");
  std::printf("target: under 50 ms\n");
  ws.Shutdown();
  return 0;
}
