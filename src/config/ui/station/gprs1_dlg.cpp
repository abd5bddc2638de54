#include "config/ui/station/gprs1_dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <iterator>

#include "config/ui/station/station_widgets.h"

using namespace station_ui;

namespace {
// The edits' control ids, in the order of field_tables::kCenterOther.
constexpr int kCtrlIds[] = {1265, 1266, 1267, 1268, 1269, 1270};
}  // namespace

CRTUCfgGprs1Dlg::CRTUCfgGprs1Dlg(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("centerOtherPage"));
  auto* group = new QGroupBox(QStringLiteral("拨号设置"), this);
  SetControlId(group, 1271);
  layout_.Add(group, 0.03, 0.03, 0.94, 0.52);
  static_assert(std::size(kCtrlIds) == kFields);
  Q_ASSERT(field_tables::kCenterOther.size() == kFields);
  for (int i = 0; i < kFields; ++i) {
    const FieldRow& f = field_tables::kCenterOther[static_cast<size_t>(i)];
    QLabel* label = MakeLabel(this, f.label);
    edits_[i] = MakeEdit(this, f.role, kCtrlIds[i]);
    // Four rows inside the group, two below it.
    const double y = i < 4 ? 0.1 + i * 0.11 : 0.62 + (i - 4) * 0.11;
    layout_.Add(label, 0.07, y, 0.3, 0.07);
    layout_.Add(edits_[i], 0.38, y, 0.45, 0.07);
  }
  BindRows(fields_, field_tables::kCenterOther, this);
  layout_.Apply(this);
}

QLineEdit* CRTUCfgGprs1Dlg::EditOf(int id) const {
  for (int i = 0; i < kFields; ++i)
    if (field_tables::kCenterOther[static_cast<size_t>(i)].id == id) return edits_[i];
  return nullptr;
}

void CRTUCfgGprs1Dlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
