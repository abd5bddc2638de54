#pragma once
// The "摄像头定时报" page: ten daily picture-report slots, each with a switch, an
// hour and a minute (field_tables::kCameraTimer): instance k is the row of slot k + 1.
#include <QWidget>
#include <string>

#include "config/cfg_page.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "widgets/fraction_layout.h"

class QCheckBox;
class QLineEdit;

class CRTUCfgCameraTimer : public QWidget, public CfgFieldPage {
  Q_OBJECT
 public:
  static constexpr int kSlots = 10;
  // Control ids of the rows, top to bottom (the hour edits' ids are not in row order).
  static constexpr int kCheckId[kSlots] = {1049, 1050, 1051, 1052, 1053,
                                           1054, 1055, 1056, 1057, 1058};
  static constexpr int kHourId[kSlots] = {1059, 1061, 1060, 1063, 1062,
                                          1064, 1066, 1065, 1068, 1067};
  static constexpr int kMinuteId[kSlots] = {1069, 1070, 1071, 1072, 1073,
                                            1074, 1075, 1076, 1077, 1078};

  explicit CRTUCfgCameraTimer(QWidget* parent = nullptr);

  // The parameters of field_tables::kCameraTimer.
  static bool Owns(int id) { return TableLists(field_tables::kCameraTimer, id); }

  QCheckBox* Switch(int row) const { return switch_[row]; }
  QLineEdit* Hour(int row) const { return hour_[row]; }
  QLineEdit* Minute(int row) const { return minute_[row]; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QCheckBox* switch_[kSlots] = {};
  QLineEdit* hour_[kSlots] = {};
  QLineEdit* minute_[kSlots] = {};
  FractionLayout layout_;
};
