#pragma once
// The records of a read (or of a saved record file) drawn as value over time, one
// series per element and unit. Drawn with QPainter so that no chart module is needed.
#include <QDateTime>
#include <QString>
#include <QWidget>
#include <string_view>
#include <vector>

struct RecordSeries {
  QString name;  // element, and the unit in brackets when there is one
  std::vector<std::pair<qint64, double>> points;  // ms since the epoch (local time), value
};

// The series of a record file's text (code page 936, comma-separated lines: sequence
// number, element, value, unit, time). Lines without a number as value or without a
// readable time (YYYY/M/D or YYYY-M-D, then H:M or H:M:S) are skipped, the header
// among them. Points are in time order; series in order of first appearance.
std::vector<RecordSeries> ParseRecordCsv(std::string_view csv);

class CRecordPlot : public QWidget {
  Q_OBJECT
 public:
  explicit CRecordPlot(QWidget* parent = nullptr);

  void SetSeries(std::vector<RecordSeries> series);
  const std::vector<RecordSeries>& Series() const { return series_; }
  // The number of points over all series.
  int PointCount() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<RecordSeries> series_;
};
