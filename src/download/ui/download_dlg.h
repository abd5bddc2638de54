#pragma once
// The firmware download page (placeholder until the download tool lands; the
// members the main window uses are final).
#include <QWidget>
#include <atomic>
#include <string>

class IToolHost;

class CRTUDown : public QWidget {
  Q_OBJECT
 public:
  explicit CRTUDown(QWidget* parent = nullptr);
  ~CRTUDown() override;

  void Init(IToolHost* host);
  bool IsDownloadActive() const { return m_bDownloadActive.load(); }
  // Starts or stops the download (UI thread).
  void ToggleDownload();
  // Time-stamped log line (any thread); text in code page 936.
  void AppendLog(const std::string& text);
  void Shutdown();

  // Receive entry (receive thread).
  void OnSerialData(const char* data, int count);

 protected:
  IToolHost* host_ = nullptr;
  std::atomic<bool> m_bDownloadActive{false};
};
