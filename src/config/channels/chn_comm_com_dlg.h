#pragma once
// Tab "通信参数" of a serial sensor source: the RTU interface the sensor hangs on, its
// line settings, the sensor protocol and, for MODBUS sensors, slave address, function
// code, registers and the layout of the value in them. The fields do not depend on
// each other: every field stays visible and enabled whatever the protocol.
#include "config/channels/chn_sub_dlg.h"

class QGroupBox;

class CRTUCfgChnCommComDlg : public CRTUCfgChnSubDlg {
  Q_OBJECT
 public:
  // Parameters of the "Com" records shown here, in the order a new window applies them.
  static constexpr int kInterfaceId = 82;
  static constexpr int kBaudId = 93;
  static constexpr int kParityId = 94;
  static constexpr int kSlaveId = 95;
  static constexpr int kFunctionId = 96;
  static constexpr int kRegisterId = 97;
  static constexpr int kRegisterCountId = 98;
  static constexpr int kValueLayoutId = 99;
  static constexpr int kSensorProtocolId = 161;

  explicit CRTUCfgChnCommComDlg(QWidget* parent = nullptr);

  QGroupBox* ModbusGroup() const { return modbus_; }

 protected:
  void BuildControls() override;

 private:
  QGroupBox* modbus_ = nullptr;
};
