#pragma once
// The debug console page (placeholder until the console lands; the members the
// main window uses are final).
#include <QWidget>
#include <atomic>

class IToolHost;

class CDebug : public QWidget {
  Q_OBJECT
 public:
  explicit CDebug(QWidget* parent = nullptr);
  ~CDebug() override;

  void Init(IToolHost* host);
  // Receive switch (flag and button text "关闭接收"/"开启接收"). UI thread.
  void SetReceiving(bool on);
  bool IsReceiving() const { return m_bReceiving.load(); }
  // Professional-mode flag.
  bool IsProfessionalMode() const { return m_bProfessional.load(); }
  void ClearProfessionalMode() { m_bProfessional.store(false); }
  // The port was opened or closed by hand: the timed send decides again whether to run.
  void MarkTimedSendForReevaluation();
  // Stops threads and timers before the window goes (called once at exit, UI thread).
  void Shutdown();

  // Receive entry (receive thread).
  void OnSerialData(const char* data, int count);

 protected:
  IToolHost* host_ = nullptr;
  std::atomic<bool> m_bReceiving{false};
  std::atomic<bool> m_bProfessional{false};
};
