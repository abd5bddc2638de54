#pragma once
// The workspace on a real serial port against the simulated device: the fixture of the
// device suites (station and channel pages).
#include <memory>
#include <string>
#include <vector>

#include "base/cp936.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "ui_support.h"

// Real time: the device's 3 s boot window, AT+SHOW's 16 s limit, a setter's 1 s limit and
// the pause after each answered command. At 0.5 (a 500 ms setter limit), four sanitizer
// runs side by side on two cores missed a setter's reply: it was sent again.
constexpr double kScale = 1.0;
constexpr int kLongWaitMs = 120000;  // bound (unscaled) for an operation to finish

class DeviceTest : public WorkspaceFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(port.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone));
    StartWorkspace(port, kScale);
    receive = std::make_unique<ReceiveHelper>(port, *ws);
    ws->ShowLogWindow(true);
  }
  void StopFeeding() override {
    if (receive) receive->Stop();
  }
  void TearDown() override {
    WorkspaceFixture::TearDown();
    port.Close();
    sim.Stop();
  }

  // The tool entry's probe: "---" answered "CMD OK" leaves the device configurable.
  void Probe() {
    receive->Capture(true);
    ASSERT_EQ(port.Write("---", 3), 3);
    ASSERT_TRUE(PumpUntil([&] { return receive->Captured().find("\r\nCMD OK\r\n") != std::string::npos; },
                          kLongWaitMs));
    receive->Capture(false);
  }
  // What the main window does when 配置工具 is chosen and the device answers the probe.
  void Enter() {
    Probe();
    ws->OnEntryOutcome({.end = EntryEnd::kEntered, .endWait = [this] { ++entriesEnded; }});
  }
  void EnterAndLoad(TipCatcher& boxes) {
    Enter();
    ASSERT_TRUE(PumpUntil([&] { return boxes.Saw(QStringLiteral("载入RTU设备参数成功 ...\r\n")); },
                          kLongWaitMs));
    ASSERT_TRUE(WaitIdle(kLongWaitMs));
  }
  // Position of text in the log after position from (npos when missing).
  size_t LogFind(const std::string& text, size_t from = 0) const { return ws->LogText().find(text, from); }
  // Setter lines (not probes, not AT+SHOW) the device received.
  std::vector<std::string> Setters() const {
    std::vector<std::string> out;
    for (const auto& c : sim.ReceivedCommands())
      if (c.rfind("AT+", 0) == 0 && c != "AT+SHOW") out.push_back(c);
    return out;
  }
  void Click(int id) { ws->Button(id)->click(); }

  RtuSimulator sim;
  CSerial port;
  std::unique_ptr<ReceiveHelper> receive;
  int entriesEnded = 0;  // the main window's waits the workspace ended
};
