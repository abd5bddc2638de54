#include "app/ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>
#include <QVBoxLayout>

QIcon QuarvelIcon() {
  // Drawn once per size from the program's SVG icon, so that it is sharp in the title bar,
  // the task bar and the about box alike.
  QSvgRenderer svg(QStringLiteral(":/qx310-tools.svg"));
  QIcon icon;
  if (!svg.isValid()) return icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    svg.render(&p);
    p.end();
    icon.addPixmap(pm);
  }
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
