#pragma once
// CQuarvelApp: the application. Reads the command line, starts the built-in simulator
// with --demo, and runs the main window until it closes.
#include <QApplication>
#include <memory>

class RtuSimulator;

class CQuarvelApp : public QApplication {
  Q_OBJECT
 public:
  CQuarvelApp(int& argc, char** argv);
  ~CQuarvelApp() override;

  // Runs the main window; returns the exit code.
  int InitInstance();

 private:
  std::unique_ptr<RtuSimulator> sim_;
};
