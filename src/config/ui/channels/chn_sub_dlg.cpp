#include "config/ui/channels/chn_sub_dlg.h"

#include <QLabel>

#include "config/ui/station/station_widgets.h"

CRTUCfgChnSubDlg::CRTUCfgChnSubDlg(QWidget* parent) : QWidget(parent) {}

CfgField* CRTUCfgChnSubDlg::AddField(int id, const FieldCode& code) {
  auto* field = new CfgField(code, this);
  fields_[id] = field;
  order_.push_back(id);
  return field;
}

CfgField* CRTUCfgChnSubDlg::Field(int id) const {
  const auto it = fields_.find(id);
  return it == fields_.end() ? nullptr : it->second;
}

bool CRTUCfgChnSubDlg::SetField(int id, const std::string& text) {
  CfgField* f = Field(id);
  if (!f) return false;
  f->Set(text);
  return true;
}

std::optional<std::string> CRTUCfgChnSubDlg::GetField(int id) const {
  const CfgField* f = Field(id);
  return f ? f->Get() : std::nullopt;
}

void CRTUCfgChnSubDlg::Create() {
  if (created_) return;
  created_ = true;
  BuildControls();
  // Attach shows each stored value as it binds; fields not bound keep their stored text.
  layout_.Apply(this);
}

void CRTUCfgChnSubDlg::Attach(int id, QWidget* control) {
  if (CfgField* f = Field(id)) f->Attach(control);
}

void CRTUCfgChnSubDlg::Row::SetVisible(bool visible) const {
  for (QWidget* w : {static_cast<QWidget*>(label), control, static_cast<QWidget*>(hint)})
    if (w) w->setVisible(visible);
}

CRTUCfgChnSubDlg::Row CRTUCfgChnSubDlg::AddRow(int column, int row, const char* label,
                                               QWidget* control, const char* hint, double hintWidth,
                                               double labelWidth) {
  // Two columns of label, control and hint.
  const double x = column == 0 ? 0.02 : 0.51;
  const double y = 0.03 + row * (0.94 / kRows);
  const double h = 0.94 / kRows * 0.7;
  Row r;
  r.label = station_ui::MakeLabel(this, label);
  r.control = control;
  r.label->setBuddy(control);  // the label a touched field marks
  layout_.Add(r.label, x, y, labelWidth, h);
  layout_.Add(control, x + labelWidth, y, hint ? 0.13 : 0.25, h);
  if (hint) {
    r.hint = station_ui::MakeLabel(this, hint);
    layout_.Add(r.hint, x + labelWidth + 0.14, y, hintWidth, h);
  }
  return r;
}

void CRTUCfgChnSubDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  // "Tahoma" of one point per 35 pixels of client height.
  setFont(TahomaFont(height() / 35 * 96 / 72));
}
