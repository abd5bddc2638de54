#include "config/ui/station/com_trans_dlg.h"

#include <QComboBox>
#include <QLabel>

#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;
namespace codes = station_codes;

CRTUCfgComTransDlg::CRTUCfgComTransDlg(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("comTransPage"));
  // The rows of field_tables::kComTrans, top to bottom, with their control ids.
  const int ctrlIds[] = {kTypeId, kSpeedId, kParityId};
  QComboBox* lists[3] = {};
  Q_ASSERT(field_tables::kComTrans.size() == 3);
  for (int r = 0; r < 3; ++r) {
    const FieldRow& row = field_tables::kComTrans[static_cast<size_t>(r)];
    QLabel* label = MakeLabel(this, row.label);
    lists[r] = MakeList(this, row.role, ctrlIds[r], CodeOf(row).items, true);
    layout_.Add(label, 0.05, 0.06 + r * 0.1, 0.25, 0.06);
    layout_.Add(lists[r], 0.31, 0.06 + r * 0.1, 0.25, 0.06);
  }
  type_ = lists[0];
  speed_ = lists[1];
  parity_ = lists[2];
  BindRows(fields_, field_tables::kComTrans, this);
  layout_.Apply(this);
}

void CRTUCfgComTransDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
