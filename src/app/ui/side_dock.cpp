#include "app/ui/side_dock.h"

#include <algorithm>

namespace {
// v moved into [low, high - size]; low when size does not fit.
int Inside(int v, int size, int low, int high) { return std::max(low, std::min(v, high - size)); }
}  // namespace

QRect FitInside(const QRect& area, const QRect& frame) {
  QRect fitted(frame.topLeft(), frame.size().boundedTo(area.size()));
  fitted.moveTo(Inside(frame.x(), fitted.width(), area.x(), area.x() + area.width()),
                Inside(frame.y(), fitted.height(), area.y(), area.y() + area.height()));
  return fitted;
}

SideDock PlaceSideWindow(const QRect& area, const QRect& main, const QSize& sideFrame, bool mayMoveMain) {
  SideDock d{mayMoveMain ? FitInside(area, main) : main, {}};
  const int areaRight = area.x() + area.width();  // one past the last column
  const int areaBottom = area.y() + area.height();
  const int sideWidth = std::min(sideFrame.width(), area.width());
  const int sideHeight = std::clamp(d.main.height() - kSideDockShorter, 1, area.height());
  const int pairWidth = d.main.width() + sideWidth - kSideDockOverlap;
  int besideX = d.main.x() + d.main.width() - kSideDockOverlap;
  if (besideX + sideWidth > areaRight && mayMoveMain && pairWidth <= area.width()) {
    d.main.moveLeft(areaRight - pairWidth);
    besideX = d.main.x() + d.main.width() - kSideDockOverlap;
  }
  int sideX = besideX;
  if (sideX + sideWidth > areaRight) {
    // Inside the main window's right edge, or the screen's where the main window runs past it.
    sideX = std::max(area.x(), std::min(d.main.x() + d.main.width(), areaRight) - sideWidth);
  }
  d.side = QRect(sideX, Inside(d.main.y(), sideHeight, area.y(), areaBottom), sideWidth, sideHeight);
  return d;
}
