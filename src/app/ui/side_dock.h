#pragma once
// Where the main window and a side window docked at its right edge go on a screen, so that
// both stay inside the screen's available area (its work area: without the task bar).
#include <QRect>
#include <QSize>

// The side window overlaps the main window's right edge by this much, and is this much
// shorter than the main window.
constexpr int kSideDockOverlap = 9;
constexpr int kSideDockShorter = 5;

struct SideDock {
  QRect main;  // the main window's frame
  QRect side;  // the side window's frame
};

// frame made no larger than area and moved as little as needed to lie inside it.
QRect FitInside(const QRect& area, const QRect& frame);

// The frames for a main window whose frame is main and a side window whose frame is
// sideFrame large (its height follows the main window's). The side window goes beside the
// main window when it fits there. Otherwise, when mayMoveMain, the main window moves left
// (and, when it is larger than area, shrinks to it) so that both fit side by side; when
// even that is too wide, or the main window must stay where it is (the user is moving it),
// the side window docks inside the main window's right edge, within area.
SideDock PlaceSideWindow(const QRect& area, const QRect& main, const QSize& sideFrame, bool mayMoveMain);
