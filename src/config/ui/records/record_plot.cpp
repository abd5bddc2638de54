#include "config/ui/records/record_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <map>

#include "widgets/ui_bridge.h"

namespace {

qint64 ParseTime(const QString& text) {
  static const QRegularExpression re(QStringLiteral(
      R"(^\s*(\d{4})[/-](\d{1,2})[/-](\d{1,2})[\sT,]+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*$)"));
  const QRegularExpressionMatch m = re.match(text);
  if (!m.hasMatch()) return -1;
  const QDate date(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
  const QTime time(m.captured(4).toInt(), m.captured(5).toInt(),
                   m.captured(6).isEmpty() ? 0 : m.captured(6).toInt());
  if (!date.isValid() || !time.isValid()) return -1;
  return QDateTime(date, time).toMSecsSinceEpoch();
}

// A round step of about range / 5.
double NiceStep(double range) {
  if (range <= 0) return 1;
  const double raw = range / 5;
  const double mag = std::pow(10.0, std::floor(std::log10(raw)));
  for (double f : {1.0, 2.0, 5.0, 10.0})
    if (raw <= f * mag) return f * mag;
  return 10 * mag;
}

const QColor kColours[] = {QColor(31, 119, 180), QColor(214, 39, 40),  QColor(44, 160, 44),
                           QColor(255, 127, 14), QColor(148, 103, 189), QColor(140, 86, 75),
                           QColor(227, 119, 194), QColor(23, 190, 207)};

}  // namespace

std::vector<RecordSeries> ParseRecordCsv(std::string_view csv) {
  std::vector<RecordSeries> out;
  std::map<QString, size_t> index;
  const QStringList lines = FromGbk(csv).split(QLatin1Char('\n'));
  for (QString line : lines) {
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const QStringList f = line.split(QLatin1Char(','));
    if (f.size() < 5) continue;
    bool ok = false;
    const double value = f[2].trimmed().toDouble(&ok);
    const qint64 t = ParseTime(f[4]);
    if (!ok || !std::isfinite(value) || t < 0) continue;
    const QString element = f[1].trimmed();
    const QString unit = f[3].trimmed();
    const QString name = unit.isEmpty() ? element : element + QStringLiteral(" (") + unit + ')';
    auto [it, added] = index.emplace(name, out.size());
    if (added) out.push_back({name, {}});
    out[it->second].points.emplace_back(t, value);
  }
  for (RecordSeries& s : out)
    std::stable_sort(s.points.begin(), s.points.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
  return out;
}

CRecordPlot::CRecordPlot(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("recordPlot"));
  setAutoFillBackground(true);
  QPalette p = palette();
  p.setColor(QPalette::Window, Qt::white);
  setPalette(p);
}

void CRecordPlot::SetSeries(std::vector<RecordSeries> series) {
  series_ = std::move(series);
  update();
}

int CRecordPlot::PointCount() const {
  int n = 0;
  for (const RecordSeries& s : series_) n += static_cast<int>(s.points.size());
  return n;
}

void CRecordPlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QFontMetrics fm(font());
  if (PointCount() == 0) {
    p.setPen(Qt::gray);
    p.drawText(rect(), Qt::AlignCenter, QStringLiteral("无记录"));
    return;
  }
  qint64 t0 = series_.front().points.empty() ? 0 : series_.front().points.front().first;
  qint64 t1 = t0;
  double v0 = 0, v1 = 0;
  bool first = true;
  for (const RecordSeries& s : series_) {
    for (const auto& [t, v] : s.points) {
      if (first) {
        t0 = t1 = t;
        v0 = v1 = v;
        first = false;
      }
      t0 = std::min(t0, t);
      t1 = std::max(t1, t);
      v0 = std::min(v0, v);
      v1 = std::max(v1, v);
    }
  }
  if (t1 == t0) t1 = t0 + 60000;
  const double step = NiceStep(v1 - v0 > 0 ? v1 - v0 : std::max(1.0, std::fabs(v0)));
  v0 = std::floor(v0 / step) * step;
  v1 = std::ceil(v1 / step) * step;
  if (v1 <= v0) v1 = v0 + step;

  // Legend on top, one line per row of names that fit.
  const int lineH = fm.height();
  int lx = 8, ly = 4;
  std::vector<QPoint> legendAt;
  for (const RecordSeries& s : series_) {
    const int w = 18 + fm.horizontalAdvance(s.name) + 12;
    if (lx + w > width() && lx > 8) {
      lx = 8;
      ly += lineH;
    }
    legendAt.emplace_back(lx, ly);
    lx += w;
  }
  auto valueText = [&](double v) { return QString::number(std::fabs(v) < step / 1e6 ? 0.0 : v, 'g', 6); };
  int left = 0;
  for (double v = v0; v <= v1 + step / 2; v += step) left = std::max(left, fm.horizontalAdvance(valueText(v)));
  left += 8;
  const QRect area(left + 4, ly + lineH + 8, width() - left - 16, height() - ly - 3 * lineH - 12);
  if (area.width() < 20 || area.height() < 20) return;

  auto xOf = [&](qint64 t) { return area.left() + double(t - t0) / double(t1 - t0) * area.width(); };
  auto yOf = [&](double v) { return area.bottom() - (v - v0) / (v1 - v0) * area.height(); };

  // Grid and axis texts.
  p.setPen(QColor(225, 225, 225));
  for (double v = v0; v <= v1 + step / 2; v += step) p.drawLine(QPointF(area.left(), yOf(v)), QPointF(area.right(), yOf(v)));
  p.setPen(Qt::black);
  p.drawRect(area);
  for (double v = v0; v <= v1 + step / 2; v += step) {
    p.drawText(QRectF(0, yOf(v) - lineH / 2.0, left, lineH), Qt::AlignRight | Qt::AlignVCenter,
               valueText(v));
  }
  const bool sameDay = QDateTime::fromMSecsSinceEpoch(t0).date() == QDateTime::fromMSecsSinceEpoch(t1).date();
  const QString fmt = sameDay ? QStringLiteral("HH:mm") : QStringLiteral("yyyy/M/d HH:mm");
  const int labels = std::max(2, area.width() / (fm.horizontalAdvance(QStringLiteral("0000/00/00 00:00")) + 16));
  for (int i = 0; i < labels; ++i) {
    const qint64 t = t0 + (t1 - t0) * i / (labels - 1);
    const double x = xOf(t);
    p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
    const QString text = QDateTime::fromMSecsSinceEpoch(t).toString(fmt);
    const int w = fm.horizontalAdvance(text);
    const double tx = std::clamp(x - w / 2.0, 0.0, double(width() - w));
    p.drawText(QPointF(tx, area.bottom() + 6 + fm.ascent()), text);
  }
  if (sameDay)
    p.drawText(QPointF(area.left(), area.bottom() + 6 + lineH + fm.ascent()),
               QDateTime::fromMSecsSinceEpoch(t0).toString(QStringLiteral("yyyy/M/d")));

  // Series and legend.
  for (size_t i = 0; i < series_.size(); ++i) {
    const RecordSeries& s = series_[i];
    const QColor colour = kColours[i % std::size(kColours)];
    QPainterPath path;
    for (size_t k = 0; k < s.points.size(); ++k) {
      const QPointF pt(xOf(s.points[k].first), yOf(s.points[k].second));
      if (k == 0) path.moveTo(pt);
      else path.lineTo(pt);
    }
    p.setPen(QPen(colour, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    if (s.points.size() <= 60) {
      p.setBrush(colour);
      for (const auto& [t, v] : s.points) p.drawEllipse(QPointF(xOf(t), yOf(v)), 2.5, 2.5);
    }
    const QPoint at = legendAt[i];
    p.fillRect(QRect(at.x(), at.y() + lineH / 2 - 2, 14, 4), colour);
    p.setPen(Qt::black);
    p.drawText(QPoint(at.x() + 18, at.y() + fm.ascent()), s.name);
  }
}
