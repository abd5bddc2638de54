#pragma once
// The main window as a tool page sees it in a widget test: the port, the link handed
// to the tools, a parent for message boxes (none unless the test gives one), and a
// count of finished tool entries.
#include <QWidget>

#include "serial/serial_port.h"
#include "widgets/tool_host.h"

class TestHost : public IToolHost {
 public:
  explicit TestHost(ISerialPort& port, QWidget* mainWindow = nullptr)
      : port_(port), mainWindow_(mainWindow) {}
  ISerialPort& Port() override { return port_; }
  bool LinkToTools() const override { return true; }
  QWidget* MainWindow() override { return mainWindow_; }
  void EndToolEntry() override { ++entriesEnded; }
  bool DownloadRunning() const override { return downloadRunning; }

  int entriesEnded = 0;
  bool downloadRunning = false;

 private:
  ISerialPort& port_;
  QWidget* mainWindow_;
};
