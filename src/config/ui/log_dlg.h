#pragma once
// The configuration workspace's log window: a separate window docked at the main
// window's right edge, showing the workspace's log, with four buttons for the device
// queries and for clearing the log. The log text itself belongs to the workspace.
#include <QWidget>
#include <cstdint>
#include <string>

#include "widgets/fraction_layout.h"

class QPlainTextEdit;
class QPushButton;

class CLogDlg : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kLogId = 1027;
  static constexpr int kVersionId = 1028;
  static constexpr int kSignalId = 1029;
  static constexpr int kImeiId = 1030;
  static constexpr int kClearId = 1031;

  explicit CLogDlg(QWidget* owner = nullptr);

  // Shows text (code page 936) after what is shown, or instead of it when replace is
  // set, and scrolls to the last line.
  void ShowText(const std::string& text, bool replace);
  QString Text() const;

  QPlainTextEdit* LogEdit() const { return edit_; }
  QPushButton* Button(int id) const;
  // "设备版本", "设备信号" and "设备IMEI" need a device: greyed while there is none.
  void EnableDeviceOperations(bool enable);

 signals:
  void versionClicked();
  void signalClicked();
  void imeiClicked();
  void clearClicked();
  // The close box hid the window.
  void closedByUser();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ScrollToEnd();

  QPlainTextEdit* edit_ = nullptr;
  QPushButton* version_ = nullptr;
  QPushButton* signal_ = nullptr;
  QPushButton* imei_ = nullptr;
  QPushButton* clear_ = nullptr;
  FractionLayout layout_;
};
