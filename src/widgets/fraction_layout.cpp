#include "widgets/fraction_layout.h"

#include <QFontDatabase>
#include <cmath>

void FractionLayout::Add(QWidget* w, double left, double top, double width, double height) {
  items_.push_back({w, QRectF(left, top, width, height)});
}

void FractionLayout::Apply(const QWidget* parent) const {
  const QRect r = parent->rect();
  for (const Item& it : items_) {
    if (!it.widget) continue;
    it.widget->setGeometry(static_cast<int>(std::lround(r.width() * it.rect.left())),
                           static_cast<int>(std::lround(r.height() * it.rect.top())),
                           static_cast<int>(std::lround(r.width() * it.rect.width())),
                           static_cast<int>(std::lround(r.height() * it.rect.height())));
  }
}

int PointsToPixels(const QWidget* w, int points) { return points * w->logicalDpiY() / 72; }

QFont TahomaFont(int pixelHeight) {
  static const bool hasTahoma = QFontDatabase::families().contains(QStringLiteral("Tahoma"));
  QFont f = hasTahoma ? QFont(QStringLiteral("Tahoma")) : QFont();
  f.setPixelSize(pixelHeight < 8 ? 8 : pixelHeight);
  return f;
}
