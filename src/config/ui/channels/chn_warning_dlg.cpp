#include "config/ui/channels/chn_warning_dlg.h"

#include "config/ui/station/station_widgets.h"

namespace {
// The hints of the linkage rows (target, state, capture interval, camera, delay); the
// camera hints are long: they take the rest of the width.
constexpr const char* kLinkageHints[field_tables::kLinkageRows] = {
    nullptr, nullptr, "(0~65535)说明:0-只抓拍一次,65535-不抓拍", "(0~4)", "(0~255s)说明:0-不延迟"};
constexpr double kLongHint = 0.62;
}  // namespace

CRTUCfgChnWarningBase::CRTUCfgChnWarningBase(FieldTable table, int cameraRow, QWidget* parent)
    : CRTUCfgChnSubDlg(parent), table_(table), cameraRow_(cameraRow) {
  Q_ASSERT(table_.size() > field_tables::kLinkageRows);
  for (const FieldRow& r : table_) AddField(r.id, CodeOf(r));
}

int CRTUCfgChnWarningBase::CameraIntervalId() const {
  return table_[table_.size() - field_tables::kLinkageRows + 2].id;
}

void CRTUCfgChnWarningBase::BuildControls() {
  const size_t own = table_.size() - field_tables::kLinkageRows;
  std::vector<QWidget*> controls;
  for (size_t i = 0; i < table_.size(); ++i) {
    const FieldRow& r = table_[i];
    QWidget* control = r.control == FieldControl::Edit
                           ? static_cast<QWidget*>(station_ui::MakeEdit(this, r.role, 0))
                           : station_ui::MakeList(this, r.role, 0, {}, true);
    controls.push_back(control);
    if (i < own) {
      AddRow(0, static_cast<int>(i), r.label, control);
    } else {
      const int k = static_cast<int>(i - own);  // 0 target, 1 state, 2-4 the camera rows
      const char* hint = kLinkageHints[k];
      linkageRows_.push_back(k < 2 ? AddRow(1, k, r.label, control)
                                   : AddRow(0, cameraRow_ + k - 2, r.label, control, hint, kLongHint));
    }
  }
  for (size_t i = 0; i < table_.size(); ++i) Attach(table_[i].id, controls[i]);
  ShowAlarmLinkage(false);
}

void CRTUCfgChnWarningBase::ShowAlarmLinkage(bool show) {
  for (const Row& row : linkageRows_) row.SetVisible(show);
}

CRTUCfgChnWarningDlg::CRTUCfgChnWarningDlg(FieldTable table, QWidget* parent)
    : CRTUCfgChnWarningBase(table, 3, parent) {
  setObjectName(QStringLiteral("chnWarningPage"));
}

CRTUCfgChnWarningDiDlg::CRTUCfgChnWarningDiDlg(QWidget* parent)
    : CRTUCfgChnWarningBase(field_tables::kDiAlarm, 2, parent) {
  setObjectName(QStringLiteral("chnWarningDiPage"));
}

CRTUCfgChnWarningRainDlg::CRTUCfgChnWarningRainDlg(QWidget* parent)
    : CRTUCfgChnWarningBase(field_tables::kCounterAlarm, 2, parent) {
  setObjectName(QStringLiteral("chnWarningRainPage"));
}
