#pragma once
// CQuarvelApp: the application. Reads the command line, starts the built-in simulator
// with --demo, and runs the main window until it closes.
#include <QApplication>
#include <memory>

class CQuarvelDlg;
class RtuSimulator;
struct AppOptions;

class CQuarvelApp : public QApplication {
  Q_OBJECT
 public:
  CQuarvelApp(int& argc, char** argv);
  ~CQuarvelApp() override;

  // Runs the main window; returns the exit code.
  int InitInstance();

 private:
  // --tool and --screenshot: chooses the tool once the start-up detection has ended, and
  // saves the window once that has settled (code is 1 when the file cannot be written).
  static void StartAfterDetection(CQuarvelDlg& dlg, const AppOptions& options, int& code);

  std::unique_ptr<RtuSimulator> sim_;
};
