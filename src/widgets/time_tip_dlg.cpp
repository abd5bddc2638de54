#include "widgets/time_tip_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "widgets/message_box.h"

CTimeTipDlg::CTimeTipDlg(QWidget* parent)
    : QDialog(parent), message_(new QLabel(this)), cancelButton_(new QPushButton(QStringLiteral("取消"), this)) {
  setObjectName(QStringLiteral("timeTip"));
  setWindowTitle(QStringLiteral("提示"));
  message_->setObjectName(QStringLiteral("timeTipMessage"));
  cancelButton_->setObjectName(QStringLiteral("timeTipCancel"));
  message_->setAlignment(Qt::AlignCenter);
  message_->setWordWrap(true);
  cancelButton_->setAutoDefault(false);
  layout_.Add(message_, 0.1, 0.2, 0.8, 0.3);
  layout_.Add(cancelButton_, 0.25, 0.6, 0.5, 0.2);
  connect(cancelButton_, &QPushButton::clicked, this, &CTimeTipDlg::OnCancel);
  resize(320, 160);
}

void CTimeTipDlg::SetMessage(const QString& text) { message_->setText(text); }
QString CTimeTipDlg::Message() const { return message_->text(); }

void CTimeTipDlg::OnCancel() {
  if (TipBox::AskOkCancel(this, QStringLiteral("确定取消吗？"))) m_nCancel.store(1);
}

void CTimeTipDlg::reject() { OnCancel(); }

void CTimeTipDlg::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  layout_.Apply(this);
  const QFont f = TahomaFont(height() / 15 * logicalDpiY() / 72);
  message_->setFont(f);
  cancelButton_->setFont(f);
}
