#pragma once
// The console's display: a read-only text view that holds the whole rendered log
// but lays out and paints only the rows on screen, so that appending a block or
// redrawing 512 KiB of hex stays cheap. Lines break at "\r\n", "\r" or "\n" and
// wrap at the view's width (in hex view only between byte pairs). Text can be
// selected with the mouse and copied (Ctrl+C, context menu).
#include <QAbstractScrollArea>
#include <QString>
#include <vector>

class LogView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit LogView(QWidget* parent = nullptr);

  // Replaces the whole text / appends to it; both scroll to the last row.
  void SetText(const QString& text);
  void AppendText(const QString& text);
  // Rows wrap only at multiples of this many characters (3 for hex pairs).
  void SetWrapUnit(int chars);
  // The shown text, lines joined by '\n'.
  const QString& Text() const { return text_; }
  QString SelectedText() const;
  void SelectAll();
  int RowCount() const { return totalRows_; }

 protected:
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void changeEvent(QEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  struct Line {
    int start;   // offset in text_
    int length;  // characters, without the '\n'
    int cols;    // display columns (wide characters count 2)
    bool wide;   // holds a wide character
  };
  struct Row {
    int start;
    int length;
  };
  void AddChars(const QString& chunk);
  void Recount(size_t fromLine);
  std::vector<Row> RowsOf(const Line& line) const;
  int ColsPerRow() const;
  void UpdateMetrics();
  void UpdateScrollBar(bool toEnd);
  int HitTest(const QPoint& pos) const;
  void Copy() const;

  QString text_;
  std::vector<Line> lines_;
  std::vector<int> firstRow_;  // row index of each line's first row
  int totalRows_ = 1;
  int wrapUnit_ = 1;
  int cols_ = 80;
  qreal charWidth_ = 8;
  int rowHeight_ = 16;
  bool pendingCr_ = false;  // the last appended character was '\r'
  int anchor_ = 0;          // selection [min(anchor_, cursor_), max(...))
  int cursor_ = 0;
};
