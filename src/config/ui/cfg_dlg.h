#pragma once
// The configuration workspace (placeholder until the workspace lands; the
// members the main window uses are final).
#include <QWidget>
#include <atomic>
#include <string>

class IToolHost;

// m_nWorkMode values.
enum WorkMode { kModeWaitPowerUp = 0, kModeOperation = 1, kModeRecovery = 2, kModeIdle = 3 };

class CRTUCfgDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CRTUCfgDlg(QWidget* parent = nullptr);
  ~CRTUCfgDlg() override;

  void InitWorkspace(IToolHost* host);
  // Time-stamped log line (any thread); text in code page 936.
  void AppendLog(const std::string& text);
  // Enables or disables the tree and the operation buttons (UI thread).
  void EnableOperations(bool enable);
  int WorkMode() const { return m_nWorkMode.load(); }
  void SetWorkMode(int mode) { m_nWorkMode.store(mode); }
  // Asks the worker to load the parameters (after the configuration tool was entered).
  void RequestLoad() { m_bLoadRequested.store(true); }
  // The log window (docked at the main window's right edge); nullptr when none.
  QWidget* LogWindow() { return nullptr; }
  // Shows or hides the log window and sets the toggle button (">>" hidden, "<<" shown).
  void ShowLogWindow(bool show);
  void Shutdown();

  // Receive entry (receive thread).
  void OnSerialData(const char* data, int count);

 protected:
  IToolHost* host_ = nullptr;
  std::atomic<int> m_nWorkMode{kModeIdle};
  std::atomic<bool> m_bLoadRequested{false};
};
