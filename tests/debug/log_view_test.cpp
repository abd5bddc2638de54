// The console's display widget: line breaks, wrapping, selection.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

#include "debug/ui/log_view.h"

// A mouse drag along the first row, from its start to x.
static void DragAlongFirstRow(LogView& v, int x) {
  QMouseEvent press(QEvent::MouseButtonPress, {1, 2}, {1, 2}, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(v.viewport(), &press);
  QMouseEvent move(QEvent::MouseMove, QPointF(x, 2), QPointF(x, 2), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(v.viewport(), &move);
}

TEST(LogView, LineBreaksOfEveryKindAcrossAppendsSelectAndCopy) {
  LogView v;
  v.resize(400, 300);
  v.show();
  v.AppendText(QStringLiteral("a\rb\n\r\nc\r"));
  v.AppendText(QStringLiteral("\nd"));  // "\r" + "\n" split over two appends: one break
  EXPECT_EQ(v.Text(), QStringLiteral("a\nb\n\nc\nd"));
  EXPECT_EQ(v.RowCount(), 5);
  v.SetText(QStringLiteral("x\r"));
  v.AppendText(QStringLiteral("y"));  // a lone "\r" is a break too
  EXPECT_EQ(v.Text(), QStringLiteral("x\ny"));
  v.SetText(QString());
  EXPECT_EQ(v.Text(), QString());
  EXPECT_EQ(v.RowCount(), 1);

  v.SetText(QStringLiteral("hello\nworld"));
  QKeyEvent selectAll(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
  QCoreApplication::sendEvent(&v, &selectAll);
  EXPECT_EQ(v.SelectedText(), QStringLiteral("hello\nworld"));
  QKeyEvent copy(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
  QCoreApplication::sendEvent(&v, &copy);
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello\nworld"));
  // A drag over the first row selects from where it started.
  DragAlongFirstRow(v, 300);
  EXPECT_EQ(v.SelectedText(), QStringLiteral("hello"));
  // New text clears the selection.
  v.SetText(QStringLiteral("x"));
  EXPECT_TRUE(v.SelectedText().isEmpty());
}

TEST(LogView, HexRowsWrapBetweenPairsAndFollowTheWidth) {
  LogView v;
  v.resize(300, 200);
  v.show();  // a hidden widget gets its resize events only when shown
  v.SetWrapUnit(3);
  QString hex;
  for (int i = 0; i < 1000; ++i) hex += QStringLiteral("%1 ").arg(i % 256, 2, 16, QLatin1Char('0'));
  v.SetText(hex);
  const int rows = v.RowCount();
  ASSERT_GT(rows, 1);
  // A drag across the first row selects whole pairs.
  DragAlongFirstRow(v, 299);
  EXPECT_GT(v.SelectedText().size(), 3);
  EXPECT_EQ(v.SelectedText().size() % 3, 0) << v.SelectedText().toStdString();
  // Wider: fewer rows; the view stays at its last row.
  v.resize(600, 200);
  EXPECT_LT(v.RowCount(), rows);
  EXPECT_EQ(v.verticalScrollBar()->value(), v.verticalScrollBar()->maximum());
  // Appending keeps the count consistent with a fresh layout of the same text.
  v.AppendText(QStringLiteral("AA BB "));
  const int appended = v.RowCount();
  LogView fresh;
  fresh.resize(600, 200);
  fresh.show();
  fresh.SetWrapUnit(3);
  fresh.SetText(hex + QStringLiteral("AA BB "));
  EXPECT_EQ(appended, fresh.RowCount());
}

TEST(LogView, WideCharactersTakeTwoColumns) {
  LogView narrow, wide;
  for (LogView* v : {&narrow, &wide}) {
    v->resize(200, 200);
    v->show();
  }
  narrow.SetText(QString(60, QLatin1Char('x')));
  wide.SetText(QString(60, QChar(0x8C03)));  // 调
  EXPECT_GT(wide.RowCount(), narrow.RowCount());
}
