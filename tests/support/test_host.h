#pragma once
// The main window as a tool page sees it in a widget test: the port, the arbiter of its
// line (tests hold leases on it to stand for another tool's operation), the link handed
// to the tools, and a parent for message boxes (none unless the test gives one).
#include <QWidget>

#include "serial/line_arbiter.h"
#include "serial/serial_port.h"
#include "widgets/tool_host.h"

class TestHost : public IToolHost {
 public:
  explicit TestHost(ISerialPort& port, QWidget* mainWindow = nullptr)
      : port_(port), mainWindow_(mainWindow) {}
  ISerialPort& Port() override { return port_; }
  LineArbiter& Line() override { return line; }
  bool LinkToTools() const override { return true; }
  QWidget* MainWindow() override { return mainWindow_; }

  LineArbiter line;

 private:
  ISerialPort& port_;
  QWidget* mainWindow_;
};
