#pragma once
// Encodings of a serial sensor source's communication settings (the "Com" records'
// interface, line settings, MODBUS value layout and sensor protocol). Qt-free: items
// are UTF-8 as the widgets show them, values are device texts.
#include "config/field_code.h"

namespace sensor_codes {

// Parameter 82, the RTU interface the sensor hangs on: atoi 1 "RS232-0", 2 "RS232-1",
// 3 "RS485-0", 4 "RS485-1"; any other value, or none, shows "不使用" ("0").
extern const FieldCode kInterface;
// Parameters 93 (baud rate) and 94 (data bits, parity, stop bits) travel as the list's
// text, untranslated; the lists suggest the usual settings.
extern const FieldCode kBaud;
extern const FieldCode kParity;
// Parameter 99: the position of the value layout ("Unsigned 16bit AB" 0 … "Float DCBA" 15).
extern const FieldCode kValueLayout;
// Parameter 161: the position of the sensor protocol ("MODBUS RTU" 0, "OTT" 1).
extern const FieldCode kSensorProtocol;

}  // namespace sensor_codes
