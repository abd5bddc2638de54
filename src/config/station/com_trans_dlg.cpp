#include "config/station/com_trans_dlg.h"

#include <QComboBox>
#include <QLabel>

#include "config/station/station_widgets.h"
#include "config/station_codes.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;
namespace codes = station_codes;

CRTUCfgComTransDlg::CRTUCfgComTransDlg(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("comTransPage"));
  QLabel* typeLabel = MakeLabel(this, "传输串口类型：");
  type_ = MakeList(this, "transTypeCombo", kTypeId, codes::kTransComType.items, true);
  QLabel* speedLabel = MakeLabel(this, "传输串口波特率：");
  speed_ = MakeList(this, "transSpeedCombo", kSpeedId, codes::kTransSpeedItems, true);
  QLabel* parityLabel = MakeLabel(this, "传输串口校验位：");
  parity_ = MakeList(this, "transParityCombo", kParityId, codes::kTransParityItems, true);
  QWidget* rows[3][2] = {{typeLabel, type_}, {speedLabel, speed_}, {parityLabel, parity_}};
  for (int r = 0; r < 3; ++r) {
    layout_.Add(rows[r][0], 0.05, 0.06 + r * 0.1, 0.25, 0.06);
    layout_.Add(rows[r][1], 0.31, 0.06 + r * 0.1, 0.25, 0.06);
  }
  fields_.Add(158, 0, type_, codes::kTransComTypeField);
  fields_.Add(159, 0, speed_, TextField(codes::kTransSpeedItems));
  fields_.Add(160, 0, parity_, TextField(codes::kTransParityItems));
  layout_.Apply(this);
}

void CRTUCfgComTransDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
