#pragma once
// Tab "报警参数" of every source page: the alarm limits or trigger of the source, and the
// linkage (the output an alarm switches and the state it sets) and camera action that
// all kinds of source share. Each page shows the rows of its alarm table
// (config/field_tables.h): its own rows down the left column, then the five linkage
// rows (target and state at the top of the right column, the camera rows on the left
// from cameraRow on), in the order a newly created window applies them.
#include <vector>

#include "config/ui/channels/chn_sub_dlg.h"
#include "config/field_tables.h"

class CRTUCfgChnWarningBase : public CRTUCfgChnSubDlg {
  Q_OBJECT
 public:
  // Shows or hides the labels, controls and hints of the linkage and camera fields;
  // hidden fields keep their values and are still saved.
  void ShowAlarmLinkage(bool show) override;

  // The family's capture interval (its …LRMCAMSEC parameter).
  int CameraIntervalId() const;

 protected:
  CRTUCfgChnWarningBase(FieldTable table, int cameraRow, QWidget* parent);
  // Builds and binds every row; the linkage and camera rows start hidden.
  void BuildControls() override;

 private:
  FieldTable table_;
  int cameraRow_;
  std::vector<Row> linkageRows_;
};

// Serial, ADC, SDI and GRAY sources: upper and lower limit and threshold (table:
// field_tables::kComAlarm, kAdcAlarm, kSdiAlarm or kGrayAlarm).
class CRTUCfgChnWarningDlg : public CRTUCfgChnWarningBase {
  Q_OBJECT
 public:
  explicit CRTUCfgChnWarningDlg(FieldTable table, QWidget* parent = nullptr);
};

// Digital inputs (field_tables::kDiAlarm): input switch and trigger condition. Its source
// page has no "更多参数", so the linkage and camera fields are always shown.
class CRTUCfgChnWarningDiDlg : public CRTUCfgChnWarningBase {
  Q_OBJECT
 public:
  explicit CRTUCfgChnWarningDiDlg(QWidget* parent = nullptr);
  void ShowAlarmLinkage(bool) override {}
};

// Pulse counters (field_tables::kCounterAlarm): the counter's threshold.
class CRTUCfgChnWarningRainDlg : public CRTUCfgChnWarningBase {
  Q_OBJECT
 public:
  explicit CRTUCfgChnWarningRainDlg(QWidget* parent = nullptr);
};
