#include "app/ui/about_dlg.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

QIcon QuarvelIcon() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(0, 90, 160));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  p.setPen(QPen(QColor(255, 255, 255), 2.5));
  // A wave over a mast: a telemetry station by the water.
  p.drawLine(QPointF(16, 6), QPointF(16, 20));
  QPainterPath wave;
  wave.moveTo(5, 24);
  wave.cubicTo(10, 19, 12, 29, 16, 24);
  wave.cubicTo(20, 19, 22, 29, 27, 24);
  p.setBrush(Qt::NoBrush);
  p.drawPath(wave);
  p.end();
  return QIcon(pm);
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("aboutBox"));
  setWindowTitle(QStringLiteral("关于 Quarvel"));
  auto* icon = new QLabel(this);
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
