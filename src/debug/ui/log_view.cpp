#include "debug/ui/log_view.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QtMath>
#include <QScrollBar>
#include <algorithm>

namespace {
bool IsWide(QChar c) {
  const char16_t u = c.unicode();
  return (u <= 0x115F || (u >= 0x2E80 && u <= 0xA4CF) || (u >= 0xAC00 && u <= 0xD7A3) ||
                         (u >= 0xF900 && u <= 0xFAFF) || (u >= 0xFE30 && u <= 0xFE4F) ||
                         (u >= 0xFF00 && u <= 0xFF60) || (u >= 0xFFE0 && u <= 0xFFE6));
}
int ColsOf(QChar c) { return c.unicode() >= 0x1100 && IsWide(c) ? 2 : 1; }
}  // namespace

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  viewport()->setCursor(Qt::IBeamCursor);
  setFocusPolicy(Qt::StrongFocus);
  lines_.push_back({0, 0, 0, false});
  firstRow_.push_back(0);
  UpdateMetrics();
}

void LogView::SetText(const QString& text) {
  text_.clear();
  lines_.assign(1, Line{0, 0, 0, false});
  firstRow_.assign(1, 0);
  pendingCr_ = false;
  anchor_ = cursor_ = 0;
  AddChars(text);
  Recount(0);
  UpdateScrollBar(true);
  viewport()->update();
}

void LogView::AppendText(const QString& text) {
  if (text.isEmpty()) return;
  const size_t open = lines_.size() - 1;
  AddChars(text);
  Recount(open);
  UpdateScrollBar(true);
  viewport()->update();
}

void LogView::SetWrapUnit(int chars) {
  wrapUnit_ = chars < 1 ? 1 : chars;
  UpdateMetrics();
}

void LogView::AddChars(const QString& chunk) {
  // Line breaks become '\n' in text_; "\r\n" is one break even across appends.
  // Runs between breaks are appended whole.
  text_.reserve(text_.size() + chunk.size());
  const QChar* d = chunk.constData();
  const qsizetype n = chunk.size();
  qsizetype i = 0;
  while (i < n) {
    if (pendingCr_ && d[i] == QLatin1Char('\n')) {
      pendingCr_ = false;
      ++i;
      continue;
    }
    pendingCr_ = false;
    qsizetype j = i;
    int cols = 0;
    bool wide = false;
    for (; j < n && d[j] != QLatin1Char('\r') && d[j] != QLatin1Char('\n'); ++j) {
      const int w = ColsOf(d[j]);
      cols += w;
      wide = wide || w == 2;
    }
    Line& last = lines_.back();
    text_.append(d + i, j - i);
    last.length += static_cast<int>(j - i);
    last.cols += cols;
    last.wide = last.wide || wide;
    if (j < n) {
      pendingCr_ = d[j] == QLatin1Char('\r');
      text_.append(QLatin1Char('\n'));
      lines_.push_back({static_cast<int>(text_.size()), 0, 0, false});
      ++j;
    }
    i = j;
  }
}

int LogView::ColsPerRow() const { return cols_; }

std::vector<LogView::Row> LogView::RowsOf(const Line& line) const {
  std::vector<Row> rows;
  if (!line.wide) {
    for (int off = 0; off < line.length || off == 0; off += cols_) {
      rows.push_back({line.start + off, std::min(cols_, line.length - off)});
      if (line.length == 0) break;
    }
    return rows;
  }
  int start = 0, used = 0;
  for (int i = 0; i < line.length; ++i) {
    const int w = ColsOf(text_[line.start + i]);
    if (used + w > cols_ && i > start) {
      rows.push_back({line.start + start, i - start});
      start = i;
      used = 0;
    }
    used += w;
  }
  rows.push_back({line.start + start, line.length - start});
  return rows;
}

void LogView::Recount(size_t fromLine) {
  firstRow_.resize(lines_.size());
  int row = fromLine == 0 ? 0 : firstRow_[fromLine];
  for (size_t i = fromLine; i < lines_.size(); ++i) {
    firstRow_[i] = row;
    const Line& l = lines_[i];
    row += l.wide ? static_cast<int>(RowsOf(l).size()) : std::max(1, (l.length + cols_ - 1) / cols_);
  }
  totalRows_ = row;
}

void LogView::UpdateMetrics() {
  const QFontMetricsF fm(font());
  charWidth_ = std::max<qreal>(1, fm.horizontalAdvance(QLatin1Char('0')));
  rowHeight_ = std::max(1, qCeil(fm.lineSpacing()));
  int cols = std::max(1, static_cast<int>((viewport()->width() - 4) / charWidth_));
  if (wrapUnit_ > 1) cols = std::max(wrapUnit_, cols / wrapUnit_ * wrapUnit_);
  const bool atEnd = verticalScrollBar()->value() >= verticalScrollBar()->maximum();
  if (cols != cols_) {
    cols_ = cols;
    Recount(0);
  }
  UpdateScrollBar(atEnd);
  viewport()->update();
}

void LogView::UpdateScrollBar(bool toEnd) {
  const int visible = std::max(1, viewport()->height() / rowHeight_);
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, totalRows_ - visible));
  bar->setPageStep(visible);
  if (toEnd) bar->setValue(bar->maximum());
}

void LogView::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateMetrics();
}

void LogView::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::FontChange) UpdateMetrics();
}

void LogView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), palette().base());
  p.setFont(font());
  const int selFrom = std::min(anchor_, cursor_), selTo = std::max(anchor_, cursor_);
  const int first = verticalScrollBar()->value();
  size_t li = static_cast<size_t>(
      std::upper_bound(firstRow_.begin(), firstRow_.end(), first) - firstRow_.begin() - 1);
  int skip = first - firstRow_[li];
  const int ascent = QFontMetrics(font()).ascent();
  for (int y = 0; y < viewport()->height() && li < lines_.size(); ++li, skip = 0) {
    const std::vector<Row> rows = RowsOf(lines_[li]);
    for (size_t r = static_cast<size_t>(skip); r < rows.size() && y < viewport()->height(); ++r) {
      const Row& row = rows[r];
      QString seg = text_.mid(row.start, row.length);
      seg.replace(QLatin1Char('\t'), QLatin1Char(' '));
      const int a = std::max(selFrom, row.start), b = std::min(selTo, row.start + row.length);
      if (a < b) {
        int x0 = 0, x1 = 0;
        for (int i = row.start; i < b; ++i) (i < a ? x0 : x1) += ColsOf(text_[i]);
        p.fillRect(QRectF(2 + x0 * charWidth_, y, x1 * charWidth_, rowHeight_), palette().highlight());
      }
      p.setPen(palette().text().color());
      p.drawText(2, y + ascent, seg);
      y += rowHeight_;
    }
  }
}

int LogView::HitTest(const QPoint& pos) const {
  const int row = verticalScrollBar()->value() + std::max(0, pos.y()) / rowHeight_;
  if (row >= totalRows_) return static_cast<int>(text_.size());
  const size_t li = static_cast<size_t>(
      std::upper_bound(firstRow_.begin(), firstRow_.end(), row) - firstRow_.begin() - 1);
  const std::vector<Row> rows = RowsOf(lines_[li]);
  const Row& r = rows[std::min(rows.size() - 1, static_cast<size_t>(row - firstRow_[li]))];
  int cols = 0;
  for (int i = r.start; i < r.start + r.length; ++i) {
    const int w = ColsOf(text_[i]);
    if ((pos.x() - 2) < (cols + w / 2.0) * charWidth_) return i;
    cols += w;
  }
  return r.start + r.length;
}

void LogView::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) {
    anchor_ = cursor_ = HitTest(e->position().toPoint());
    viewport()->update();
  }
  QAbstractScrollArea::mousePressEvent(e);
}

void LogView::mouseMoveEvent(QMouseEvent* e) {
  if (e->buttons() & Qt::LeftButton) {
    cursor_ = HitTest(e->position().toPoint());
    viewport()->update();
  }
}

QString LogView::SelectedText() const {
  const int a = std::min(anchor_, cursor_), b = std::max(anchor_, cursor_);
  return text_.mid(a, b - a);
}

void LogView::SelectAll() {
  anchor_ = 0;
  cursor_ = static_cast<int>(text_.size());
  viewport()->update();
}

void LogView::Copy() const {
  if (anchor_ != cursor_) QApplication::clipboard()->setText(SelectedText());
}

void LogView::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::Copy)) {
    Copy();
  } else if (e->matches(QKeySequence::SelectAll)) {
    SelectAll();
  } else {
    QAbstractScrollArea::keyPressEvent(e);
  }
}

void LogView::contextMenuEvent(QContextMenuEvent* e) {
  QMenu menu(this);
  QAction* copy = menu.addAction(QStringLiteral("复制"), this, [this] { Copy(); });
  copy->setEnabled(anchor_ != cursor_);
  menu.addAction(QStringLiteral("全选"), this, [this] { SelectAll(); });
  menu.exec(e->globalPos());
}
