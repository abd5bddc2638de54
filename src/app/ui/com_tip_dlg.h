#pragma once
// CComTipDlg: the main window's please-wait tip. Shows a message and the whole seconds
// since it was shown ("0 s", "1 s", ...); its button "取消操作" (and Esc or the close box)
// calls the owner's cancel and hides the tip.
#include <QDialog>
#include <functional>

#include "widgets/fraction_layout.h"

class QLabel;
class QPushButton;
class QTimer;

class CComTipDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kMessageId = 1001;
  static constexpr int kElapsedId = 1002;
  static constexpr int kCancelId = 2;
  // One turn of the clock.
  static constexpr int kTickMs = 100;

  explicit CComTipDlg(QWidget* parent = nullptr);

  // Once: the owner to centre on and its cancel operation; title "提示", message
  // "串口检测中，请稍后...".
  void Init(QWidget* owner, std::function<void()> cancel);
  void SetMessage(const QString& text);
  QString Message() const;
  QString Elapsed() const;

  // One turn of the clock: while shown, the elapsed text changes every ten turns;
  // hidden, the count starts over. The timer calls it; tests may call it directly.
  void Tick();

 protected:
  void reject() override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* owner_ = nullptr;
  std::function<void()> cancel_;
  QLabel* message_;
  QLabel* elapsed_;
  QPushButton* cancelButton_;
  QTimer* clock_;
  int tenths_ = 0;
  FractionLayout layout_;
};
