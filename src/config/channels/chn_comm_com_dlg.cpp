#include "config/channels/chn_comm_com_dlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

#include "config/channel_sensor_codes.h"
#include "config/station/station_widgets.h"

namespace codes = sensor_codes;

CRTUCfgChnCommComDlg::CRTUCfgChnCommComDlg(QWidget* parent) : CRTUCfgChnSubDlg(parent) {
  setObjectName(QStringLiteral("chnCommComPage"));
  AddField(kInterfaceId, codes::kInterface);
  AddField(kBaudId, codes::kBaud);
  AddField(kParityId, codes::kParity);
  AddField(kSlaveId);
  AddField(kFunctionId);
  AddField(kRegisterId);
  AddField(kRegisterCountId);
  AddField(kValueLayoutId, codes::kValueLayout);
  AddField(kSensorProtocolId, codes::kSensorProtocol);
}

void CRTUCfgChnCommComDlg::BuildControls() {
  // The group frame sits behind the MODBUS rows of the right column; its rows stay
  // children of the page like every other control.
  modbus_ = new QGroupBox(QStringLiteral("MODBUS"), this);
  Layout().Add(modbus_, 0.495, 0.075, 0.49, 0.66);

  auto list = [this](const char* role) { return station_ui::MakeList(this, role, 0, {}, true); };
  auto edit = [this](const char* role) { return station_ui::MakeEdit(this, role, 0); };
  QComboBox* interfaceList = list("comTypeCombo");
  QComboBox* baud = list("comSpeedCombo");
  QComboBox* parity = list("comParityCombo");
  QComboBox* protocol = list("sensorTypeCombo");
  QLineEdit* slave = edit("mbAddrEdit");
  QLineEdit* function = edit("mbFuncEdit");
  QLineEdit* reg = edit("mbRegAddrEdit");
  QLineEdit* regCount = edit("mbRegNumEdit");
  QComboBox* layout = list("mbDataTypeCombo");

  AddRow(0, 0, "串口类型：", interfaceList);
  AddRow(0, 1, "串口波特率：", baud);
  AddRow(0, 2, "串口校验位：", parity);
  AddRow(0, 3, "传感器协议：", protocol);
  AddRow(1, 1, "设备地址：", slave, "(0~255)");
  AddRow(1, 2, "功能码：", function, "(0~255)");
  AddRow(1, 3, "寄存器地址：", reg, "(0~65535)");
  AddRow(1, 4, "寄存器个数：", regCount, "(0~255)");
  AddRow(1, 5, "数据结构：", layout);
  modbus_->lower();

  Attach(kInterfaceId, interfaceList);
  Attach(kBaudId, baud);
  Attach(kParityId, parity);
  Attach(kSlaveId, slave);
  Attach(kFunctionId, function);
  Attach(kRegisterId, reg);
  Attach(kRegisterCountId, regCount);
  Attach(kValueLayoutId, layout);
  Attach(kSensorProtocolId, protocol);
}
