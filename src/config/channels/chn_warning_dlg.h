#pragma once
// Tab "报警参数" of every source page: the alarm limits or trigger of the source, and the
// linkage (the output an alarm switches and the state it sets) and camera action that
// all three kinds of source share.
//
// The linkage and camera parameters of a record family always follow one another:
// capture interval, camera number, camera delay, linkage target, linkage state (ids
// c … c + 4). A newly created window applies its own fields first, then linkage target,
// linkage state and the three camera fields.
#include <vector>

#include "config/channels/chn_sub_dlg.h"

class CRTUCfgChnWarningBase : public CRTUCfgChnSubDlg {
  Q_OBJECT
 public:
  // Shows or hides the labels, controls and hints of the linkage and camera fields;
  // hidden fields keep their values and are still saved.
  void ShowAlarmLinkage(bool show) override;

  int CameraIntervalId() const { return cameraId_; }
  int LinkageTargetId() const { return cameraId_ + 3; }
  int LinkageStateId() const { return cameraId_ + 4; }

 protected:
  // cameraIntervalId: the family's capture interval (its …LRMCAMSEC parameter).
  CRTUCfgChnWarningBase(int cameraIntervalId, QWidget* parent);
  // Declares the five shared fields; call after the page's own fields.
  void AddLinkageFields();
  // Builds and binds the shared rows (linkage in the right column's first two rows,
  // camera rows from cameraRow on); call after the page's own rows are bound.
  void BuildLinkageRows(int cameraRow);

 private:
  int cameraId_;
  std::vector<Row> linkageRows_;
};

// Serial, ADC, SDI and GRAY sources: upper and lower limit and threshold.
class CRTUCfgChnWarningDlg : public CRTUCfgChnWarningBase {
  Q_OBJECT
 public:
  // firstId: the family's upper limit (…LRMUPP): 73 Adc, 100 Com, 119 Sdi, 138 Gray;
  // lower limit, threshold and the shared fields follow it.
  explicit CRTUCfgChnWarningDlg(int firstId, QWidget* parent = nullptr);

 protected:
  void BuildControls() override;

 private:
  int firstId_;
};

// Digital inputs (the "In io" records): input switch and trigger condition. Its source
// page has no "更多参数", so the linkage and camera fields are always shown.
class CRTUCfgChnWarningDiDlg : public CRTUCfgChnWarningBase {
  Q_OBJECT
 public:
  static constexpr int kSwitchId = 32;
  static constexpr int kTriggerId = 33;
  static constexpr int kCameraIntervalId = 34;
  explicit CRTUCfgChnWarningDiDlg(QWidget* parent = nullptr);
  void ShowAlarmLinkage(bool) override {}

 protected:
  void BuildControls() override;
};

// Pulse counters (the "Counter" records): the counter's threshold.
class CRTUCfgChnWarningRainDlg : public CRTUCfgChnWarningBase {
  Q_OBJECT
 public:
  static constexpr int kThresholdId = 51;
  static constexpr int kCameraIntervalId = 52;
  explicit CRTUCfgChnWarningRainDlg(QWidget* parent = nullptr);

 protected:
  void BuildControls() override;
};
