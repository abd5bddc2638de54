#include "app/ui/ok_cancel_box.h"

#include <QMessageBox>
#include <QPushButton>

bool AskOkCancel(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), text,
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.setObjectName(QStringLiteral("okCancelBox"));
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
  return box.exec() == QMessageBox::Ok;
}
