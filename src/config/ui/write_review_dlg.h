#pragma once
// The review before a write: one row per parameter instance the write would send, in
// sending order, each with a check box, all ticked; "写入" sends the ticked rows, "取消"
// sends nothing. A row says where the pages show the field ("通道07 › 通道存储长度"),
// the device's and the new value as the page shows them with the device text beside
// ("开启 (1)"), and in its tooltip the listing label and the command line.
#include <QDialog>
#include <vector>

#include "config/write_plan.h"

class QTableWidget;
class QPushButton;

class CWriteReviewDlg : public QDialog {
  Q_OBJECT
 public:
  // channelKinds: the kind code of each channel, so that a source's field names the
  // channel node bound to it (empty: the source alone).
  CWriteReviewDlg(const WritePlan& plan, QWidget* parent = nullptr, std::vector<int> channelKinds = {});

  // The ticked rows.
  WriteSelection Selection() const;
  QTableWidget* Table() const { return table_; }
  QPushButton* WriteButton() const { return write_; }
  QPushButton* CancelButton() const { return cancel_; }

 private:
  WritePlan plan_;
  QTableWidget* table_ = nullptr;
  QPushButton* write_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
