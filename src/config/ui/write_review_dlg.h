#pragma once
// The review before a write: one row per parameter instance the write would send
// (label, the device's value, the new value, in sending order), each with a check box,
// all ticked; "写入" sends the ticked rows, "取消" sends nothing.
#include <QDialog>

#include "config/write_plan.h"

class QTableWidget;
class QPushButton;

class CWriteReviewDlg : public QDialog {
  Q_OBJECT
 public:
  CWriteReviewDlg(const WritePlan& plan, QWidget* parent = nullptr);

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
