#include "app/ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

QIcon QuarvelIcon() {
  // The program's SVG icon, rendered once per size (packaging/icons), so that it is sharp in
  // the title bar, the task bar and the about box alike, without an SVG library at run time.
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256})
    icon.addFile(QStringLiteral(":/icons/qx310-tools-%1.png").arg(size), QSize(size, size));
  return icon;
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(QStringLiteral("关于 Quarvel"));
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("aboutIcon"));
  icon->setPixmap(QuarvelIcon().pixmap(32, 32));
  auto* text = new QLabel(QStringLiteral("Quarvel，1.0 版"), this);
  text->setObjectName(QStringLiteral("aboutText"));
  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addWidget(text, 1);
  row->addWidget(ok);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(row);
}
