#include "app/ui/com_tip_dlg.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>

CComTipDlg::CComTipDlg(QWidget* parent)
    : QDialog(parent),
      message_(new QLabel(this)),
      elapsed_(new QLabel(this)),
      cancelButton_(new QPushButton(QStringLiteral("取消操作"), this)),
      clock_(new QTimer(this)) {
  setObjectName(QStringLiteral("comTip"));
  message_->setObjectName(QStringLiteral("tipMessage"));
  elapsed_->setObjectName(QStringLiteral("tipElapsed"));
  cancelButton_->setObjectName(QStringLiteral("tipCancel"));
  message_->setAlignment(Qt::AlignCenter);
  elapsed_->setAlignment(Qt::AlignCenter);
  cancelButton_->setAutoDefault(false);
  layout_.Add(message_, 0.1, 0.2, 0.8, 0.1);
  layout_.Add(elapsed_, 0.1, 0.4, 0.8, 0.1);
  layout_.Add(cancelButton_, 0.25, 0.6, 0.5, 0.2);
  connect(cancelButton_, &QPushButton::clicked, this, &CComTipDlg::reject);
  connect(clock_, &QTimer::timeout, this, &CComTipDlg::Tick);
  clock_->setInterval(kTickMs);
  resize(320, 160);
}

void CComTipDlg::Init(QWidget* owner, std::function<void()> cancel) {
  owner_ = owner;
  cancel_ = std::move(cancel);
  setWindowTitle(QStringLiteral("提示"));
  SetMessage(QStringLiteral("串口检测中，请稍后..."));
}

void CComTipDlg::SetMessage(const QString& text) { message_->setText(text); }
QString CComTipDlg::Message() const { return message_->text(); }
QString CComTipDlg::Elapsed() const { return elapsed_->text(); }

void CComTipDlg::Tick() {
  if (isVisible()) {
    if (tenths_ % 10 == 0) elapsed_->setText(QStringLiteral("%1 s").arg(tenths_ / 10));
    ++tenths_;
  } else if (tenths_ != 0) {
    tenths_ = 0;
  }
}

void CComTipDlg::reject() {
  if (cancel_) cancel_();
  QDialog::reject();
}

void CComTipDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (owner_) {
    const QRect o = owner_->frameGeometry();
    move(o.center() - QPoint(width() / 2, height() / 2));
  }
  // The clock runs only while the tip is shown and starts from 0 s each time.
  tenths_ = 0;
  Tick();
  clock_->start();
}

void CComTipDlg::hideEvent(QHideEvent* event) {
  clock_->stop();
  Tick();
  QDialog::hideEvent(event);
}

void CComTipDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  layout_.Apply(this);
  const QFont f = TahomaFont(height() / 15 * logicalDpiY() / 72);
  for (QWidget* w : {static_cast<QWidget*>(message_), static_cast<QWidget*>(elapsed_),
                     static_cast<QWidget*>(cancelButton_)})
    w->setFont(f);
}
