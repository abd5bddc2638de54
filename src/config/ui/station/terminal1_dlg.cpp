#include "config/ui/station/terminal1_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"

using namespace station_ui;
namespace codes = station_codes;

namespace {
const FieldTable& kTable = field_tables::kTerminal;
}  // namespace

CRTUCfgTerminal1Dlg::CRTUCfgTerminal1Dlg(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("terminalMorePage"));
  heartbeat = MakeEdit(this, "heartbeatEdit", kHeartbeatId);
  uploadByLose = MakeList(this, "uploadByLoseCombo", kUploadByLoseId, codes::kUploadByLose.items, true);
  simNo = MakeEdit(this, "simNoEdit", kSimNoId);
  lowVolt = MakeEdit(this, "lowVoltEdit", kLowVoltId);
  addressType = MakeList(this, "addressTypeCombo", kAddressTypeId, codes::kAddressTypeItems, true);
  waterOrder = MakeList(this, "waterOrderCombo", kWaterOrderId, codes::kWaterOrderItems, true);
  hourlySwitch = MakeList(this, "hourlySwitchCombo", kHourlySwitchId, codes::kHourlySwitchItems, true);
  evenInterval = MakeEdit(this, "evenIntervalEdit", kEvenIntervalId);
  alarmInterval = MakeEdit(this, "alarmIntervalEdit", kAlarmIntervalId);
  rainBegin = MakeEdit(this, "rainBeginEdit", kRainBeginId);
  timeStep = MakeEdit(this, "timeStepEdit", kTimeStepId);
  stationType = MakeList(this, "stationTypeCombo", kStationTypeId, codes::kStationTypeItems, true);

  AddRow(0, 0, LabelOf(kTable, "heartbeatEdit"), heartbeat, "(单位秒)");
  AddRow(0, 1, LabelOf(kTable, "uploadByLoseCombo"), uploadByLose);
  AddRow(0, 2, LabelOf(kTable, "simNoEdit"), simNo);
  AddRow(0, 3, LabelOf(kTable, "lowVoltEdit"), lowVolt, "(V)");
  addressTypeRow_ = AddRow(0, 4, LabelOf(kTable, "addressTypeCombo"), addressType);
  waterOrderRow_ = AddRow(0, 5, LabelOf(kTable, "waterOrderCombo"), waterOrder);
  hydrologyRows_.push_back(AddRow(1, 0, LabelOf(kTable, "hourlySwitchCombo"), hourlySwitch, nullptr, 1342));
  hydrologyRows_.push_back(AddRow(1, 1, LabelOf(kTable, "evenIntervalEdit"), evenInterval, "(0~24H)", 1343, 1344));
  hydrologyRows_.push_back(AddRow(1, 2, LabelOf(kTable, "alarmIntervalEdit"), alarmInterval, nullptr, 1345));
  hydrologyRows_.push_back(AddRow(1, 3, LabelOf(kTable, "rainBeginEdit"), rainBegin, "(0~24H)", 1346, 1347));
  hydrologyRows_.push_back(AddRow(1, 4, LabelOf(kTable, "timeStepEdit"), timeStep, "(1~65535min)", 1348, 1349));
  hydrologyRows_.push_back(AddRow(1, 5, LabelOf(kTable, "stationTypeCombo"), stationType, nullptr, 1350));

  for (QComboBox* list : {uploadByLose, addressType, waterOrder, hourlySwitch, stationType})
    SelectItem(list, 0);
  layout_.Apply(this);
}

CRTUCfgTerminal1Dlg::Row CRTUCfgTerminal1Dlg::AddRow(int column, int row, const char* label,
                                                     QWidget* field, const char* hint,
                                                     int labelId, int hintId) {
  const double x = column == 0 ? 0.02 : 0.51;
  const double y = 0.04 + row * 0.16;
  Row r;
  QLabel* l = MakeLabel(this, label, labelId);
  layout_.Add(l, x, y, 0.18, 0.11);
  layout_.Add(field, x + 0.18, y, 0.14, 0.11);
  r.push_back(l);
  r.push_back(field);
  if (hint) {
    QLabel* h = MakeLabel(this, hint, hintId);
    layout_.Add(h, x + 0.33, y, 0.16, 0.11);
    r.push_back(h);
  }
  return r;
}

void CRTUCfgTerminal1Dlg::ShowRow(const Row& row, bool show) {
  for (QWidget* w : row) w->setVisible(show);
}

void CRTUCfgTerminal1Dlg::ShowAddressTypeRow(bool show) { ShowRow(addressTypeRow_, show); }
void CRTUCfgTerminal1Dlg::ShowWaterOrderRow(bool show) { ShowRow(waterOrderRow_, show); }
void CRTUCfgTerminal1Dlg::ShowHydrologyRows(bool show) {
  for (const Row& r : hydrologyRows_) ShowRow(r, show);
}

void CRTUCfgTerminal1Dlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
}
