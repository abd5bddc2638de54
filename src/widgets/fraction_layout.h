#pragma once
// Places widgets at fixed fractions of a parent's client rectangle, and sizes a
// "Tahoma" font (falling back to the system font) from the client size.
#include <QFont>
#include <QRectF>
#include <QWidget>
#include <vector>

class FractionLayout {
 public:
  // rect: left, top, width, height as fractions (0..1) of the client area.
  void Add(QWidget* w, double left, double top, double width, double height);
  // Places every widget in the client rectangle of parent.
  void Apply(const QWidget* parent) const;

 private:
  struct Item {
    QWidget* widget;
    QRectF rect;
  };
  std::vector<Item> items_;
};

// A "Tahoma" font of the given pixel height (at least 8), falling back to the default family.
QFont TahomaFont(int pixelHeight);
// A point size as a pixel height for TahomaFont, at the widget's vertical resolution.
int PointsToPixels(const QWidget* w, int points);
