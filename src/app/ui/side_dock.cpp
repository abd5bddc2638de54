#include "app/ui/side_dock.h"

#include <algorithm>

namespace {
// v moved into [low, high - size]; low when size does not fit.
int Inside(int v, int size, int low, int high) { return std::max(low, std::min(v, high - size)); }
}  // namespace

SideDock PlaceSideWindow(const QRect& area, const QRect& main, const QSize& sideFrame, bool mayMoveMain) {
  SideDock d{main, {}};
  const int areaRight = area.x() + area.width();  // one past the last column
  const int areaBottom = area.y() + area.height();
  if (mayMoveMain) {
    d.main.setSize(main.size().boundedTo(area.size()));
    d.main.moveTo(Inside(main.x(), d.main.width(), area.x(), areaRight),
                  Inside(main.y(), d.main.height(), area.y(), areaBottom));
  }
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
