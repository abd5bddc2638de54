#pragma once
// CTimeTipDlg: the progress tip of the record and camera pages. The owner sets the
// message, shows and hides it and polls the cancel flag from its worker; "取消" asks
// "确定取消吗？" and raises the flag on OK. The tip stays open; the owner decides.
#include <QDialog>
#include <atomic>

#include "widgets/fraction_layout.h"

class QLabel;
class QPushButton;

class CTimeTipDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMessageId = 1351;
  static constexpr int kCancelId = 1352;

  explicit CTimeTipDlg(QWidget* parent = nullptr);

  void SetMessage(const QString& text);
  QString Message() const;
  // The cancel flag (any thread).
  bool CancelRequested() const { return m_nCancel.load() != 0; }
  void ResetCancel() { m_nCancel.store(0); }
  QPushButton* CancelButton() const { return cancelButton_; }

 protected:
  // Esc and the close box ask like the button does.
  void reject() override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OnCancel();

  std::atomic<int> m_nCancel{0};
  QLabel* message_;
  QPushButton* cancelButton_;
  FractionLayout layout_;
};
