// Where the main window and its docked log window go, on screens of several sizes.
#include <gtest/gtest.h>

#include "app/ui/side_dock.h"

namespace {

// The main window's frame as the program opens it (1024x720 and a title bar) and the log
// window's (420 wide).
const QSize kMain(1024, 750);
const QSize kLog(420, 640);

bool Whole(const QRect& area, const QRect& r) { return area.contains(r); }

// Beside: the log window overlaps the main window's right edge by 9 and is 5 shorter.
bool Beside(const SideDock& d) {
  return d.side.x() == d.main.x() + d.main.width() - kSideDockOverlap && d.side.y() == d.main.y() &&
         d.side.height() == d.main.height() - kSideDockShorter;
}

TEST(SideDock, BesideWhenItFitsElseTheMainWindowMovesLeftElseTheLogDocksInside) {
  // Room enough: nothing moves.
  const QRect wide(0, 0, 1920, 1040);
  SideDock d = PlaceSideWindow(wide, QRect({200, 100}, kMain), kLog, true);
  EXPECT_EQ(d.main, QRect({200, 100}, kMain));
  EXPECT_TRUE(Beside(d));
  EXPECT_EQ(d.side.width(), kLog.width());

  // 1600 wide: beside the window at x 300 the log would end at 1735; the window moves left
  // just so far that the log ends at the screen's edge.
  const QRect laptop(0, 0, 1600, 860);
  d = PlaceSideWindow(laptop, QRect({300, 40}, kMain), kLog, true);
  EXPECT_TRUE(Beside(d));
  EXPECT_EQ(d.side.x() + d.side.width(), 1600);
  EXPECT_EQ(d.main.x(), 1600 - (1024 + 420 - kSideDockOverlap));
  EXPECT_EQ(d.main.y(), 40);
  EXPECT_EQ(d.main.size(), kMain);

  // 1366x768 with a 40-pixel task bar: the pair (1435) is wider than the screen, so the log
  // docks inside the main window's right edge; the window loses the height it cannot have.
  const QRect small(0, 0, 1366, 728);
  d = PlaceSideWindow(small, QRect({100, 20}, kMain), kLog, true);
  EXPECT_EQ(d.main, QRect(100, 0, 1024, 728));
  EXPECT_EQ(d.side, QRect(100 + 1024 - 420, 0, 420, 728 - kSideDockShorter));
  EXPECT_TRUE(Whole(small, d.main) && Whole(small, d.side));
}

TEST(SideDock, WhileTheUserMovesTheWindowItStaysAndTheLogKeepsInsideTheScreen) {
  const QRect screen(0, 0, 1600, 860);
  // Dragged partly past the right edge: the main window is where the user put it; the log
  // docks at the screen's edge, over the main window.
  SideDock d = PlaceSideWindow(screen, QRect({900, 50}, kMain), kLog, false);
  EXPECT_EQ(d.main, QRect({900, 50}, kMain));
  EXPECT_EQ(d.side, QRect(1600 - 420, 50, 420, 750 - kSideDockShorter));
  // Dragged up past the top: the log comes down into the screen.
  d = PlaceSideWindow(screen, QRect({100, -80}, kMain), kLog, false);
  EXPECT_EQ(d.main.topLeft(), QPoint(100, -80));
  EXPECT_TRUE(Whole(screen, d.side));
  EXPECT_EQ(d.side.x(), 100 + 1024 - kSideDockOverlap);
}

TEST(SideDock, OnEveryScreenBothStayWholeAndAPlacementStaysPut) {
  // Screens and work areas: a task bar at the bottom or on the left, a second monitor to the
  // right of a first one (its area starts at x 1920), a portrait and a tiny screen.
  const QRect areas[] = {{0, 0, 1366, 728},   {0, 0, 1280, 760},  {48, 0, 1552, 900},
                         {1920, 0, 1600, 860}, {0, 0, 1080, 1880}, {0, 0, 800, 600},
                         {0, 0, 3840, 2120},   {-1440, 0, 1440, 860}};
  const QPoint starts[] = {{0, 0}, {400, 300}, {-200, -50}, {1900, 10}, {3000, 500}};
  for (const QRect& area : areas) {
    for (const QPoint& at : starts) {
      SCOPED_TRACE(testing::Message() << "area " << area.x() << "," << area.y() << " " << area.width() << "x"
                                      << area.height() << " from " << at.x() << "," << at.y());
      const SideDock d = PlaceSideWindow(area, QRect(at, kMain), kLog, true);
      EXPECT_TRUE(Whole(area, d.main));
      EXPECT_TRUE(Whole(area, d.side));
      // Side by side wherever the pair fits, else the log inside the main window's edge.
      if (1024 + 420 - kSideDockOverlap <= area.width()) {
        EXPECT_TRUE(Beside(d));
      } else {
        EXPECT_EQ(d.side.x() + d.side.width(), std::min(d.main.x() + d.main.width(), area.x() + area.width()));
      }
      // The windows' own move calls back with the main window in place: nothing changes.
      for (bool mayMove : {true, false}) {
        const SideDock again = PlaceSideWindow(area, d.main, d.side.size(), mayMove);
        EXPECT_EQ(again.main, d.main);
        EXPECT_EQ(again.side, d.side);
      }
    }
  }
}

}  // namespace
