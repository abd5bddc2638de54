#include "config/channels/chn_warning_dlg.h"

#include "config/channel_alarm_codes.h"
#include "config/station/station_widgets.h"

namespace codes = alarm_codes;

namespace {
// Offsets from the upper limit of a CRTUCfgChnWarningDlg family.
constexpr int kLowerOffset = 1;
constexpr int kThresholdOffset = 2;
constexpr int kCameraOffset = 3;
// Offsets of the shared fields from the capture interval.
constexpr int kCameraNumber = 1;
constexpr int kCameraDelay = 2;
constexpr int kTarget = 3;
constexpr int kState = 4;
}  // namespace

CRTUCfgChnWarningBase::CRTUCfgChnWarningBase(int cameraIntervalId, QWidget* parent)
    : CRTUCfgChnSubDlg(parent), cameraId_(cameraIntervalId) {}

void CRTUCfgChnWarningBase::AddLinkageFields() {
  AddField(cameraId_ + kTarget, codes::kLinkageTarget);
  AddField(cameraId_ + kState, codes::kLinkageState);
  AddField(cameraId_);
  AddField(cameraId_ + kCameraNumber);
  AddField(cameraId_ + kCameraDelay);
}

void CRTUCfgChnWarningBase::BuildLinkageRows(int cameraRow) {
  auto list = [this](const char* role) { return station_ui::MakeList(this, role, 0, {}, true); };
  auto edit = [this](const char* role) { return station_ui::MakeEdit(this, role, 0); };
  QWidget* target = list("relatedTypeCombo");
  QWidget* state = list("relatedValueCombo");
  QWidget* interval = edit("alarmCameraSecEdit");
  QWidget* camera = edit("alarmCameraIdEdit");
  QWidget* delay = edit("alarmCameraDelayEdit");
  // The camera hints are long: they take the rest of the width.
  constexpr double kLongHint = 0.62;
  linkageRows_ = {AddRow(1, 0, "报警联动类型：", target), AddRow(1, 1, "报警联动类型值：", state),
                  AddRow(0, cameraRow, "报警抓拍间隔：", interval, "(0~65535)说明:0-只抓拍一次,65535-不抓拍", kLongHint),
                  AddRow(0, cameraRow + 1, "报警摄像头路数：", camera, "(0~4)", kLongHint),
                  AddRow(0, cameraRow + 2, "报警摄像头延迟：", delay, "(0~255s)说明:0-不延迟", kLongHint)};
  Attach(cameraId_ + kTarget, target);
  Attach(cameraId_ + kState, state);
  Attach(cameraId_, interval);
  Attach(cameraId_ + kCameraNumber, camera);
  Attach(cameraId_ + kCameraDelay, delay);
}

void CRTUCfgChnWarningBase::ShowAlarmLinkage(bool show) {
  for (const Row& row : linkageRows_) row.SetVisible(show);
}

CRTUCfgChnWarningDlg::CRTUCfgChnWarningDlg(int firstId, QWidget* parent)
    : CRTUCfgChnWarningBase(firstId + kCameraOffset, parent), firstId_(firstId) {
  setObjectName(QStringLiteral("chnWarningPage"));
  AddField(firstId);
  AddField(firstId + kLowerOffset);
  AddField(firstId + kThresholdOffset);
  AddLinkageFields();
}

void CRTUCfgChnWarningDlg::BuildControls() {
  QWidget* upper = station_ui::MakeEdit(this, "alarmUpperEdit", 0);
  QWidget* lower = station_ui::MakeEdit(this, "alarmLowerEdit", 0);
  QWidget* threshold = station_ui::MakeEdit(this, "alarmValueEdit", 0);
  AddRow(0, 0, "报警上限值：", upper);
  AddRow(0, 1, "报警下限值：", lower);
  AddRow(0, 2, "报警阈值：", threshold);
  Attach(firstId_, upper);
  Attach(firstId_ + kLowerOffset, lower);
  Attach(firstId_ + kThresholdOffset, threshold);
  BuildLinkageRows(3);
  ShowAlarmLinkage(false);
}

CRTUCfgChnWarningDiDlg::CRTUCfgChnWarningDiDlg(QWidget* parent) : CRTUCfgChnWarningBase(kCameraIntervalId, parent) {
  setObjectName(QStringLiteral("chnWarningDiPage"));
  AddField(kSwitchId, codes::kInputSwitch);
  AddField(kTriggerId, codes::kTrigger);
  AddLinkageFields();
}

void CRTUCfgChnWarningDiDlg::BuildControls() {
  QWidget* onOff = station_ui::MakeList(this, "ioIfOpenCombo", 0, {}, true);
  QWidget* trigger = station_ui::MakeList(this, "ioAlarmOpCombo", 0, {}, true);
  AddRow(0, 0, "采集开关：", onOff);
  AddRow(0, 1, "报警触发方式：", trigger);
  Attach(kSwitchId, onOff);
  Attach(kTriggerId, trigger);
  BuildLinkageRows(2);
}

CRTUCfgChnWarningRainDlg::CRTUCfgChnWarningRainDlg(QWidget* parent) : CRTUCfgChnWarningBase(kCameraIntervalId, parent) {
  setObjectName(QStringLiteral("chnWarningRainPage"));
  AddField(kThresholdId);
  AddLinkageFields();
}

void CRTUCfgChnWarningRainDlg::BuildControls() {
  QWidget* threshold = station_ui::MakeEdit(this, "counterAlarmValueEdit", 0);
  AddRow(0, 0, "报警阈值：", threshold);
  Attach(kThresholdId, threshold);
  BuildLinkageRows(2);
  ShowAlarmLinkage(false);
}
