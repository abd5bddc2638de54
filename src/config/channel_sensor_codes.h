#pragma once
// Value codes of a serial sensor source's communication settings (the "Com"
// records' interface, line settings, MODBUS value layout and sensor protocol).
// Qt-free: items are UTF-8 as the widgets show them, values are device texts.
#include <string>

#include "config/station_codes.h"

namespace sensor_codes {

using station_codes::CodedList;
using station_codes::Items;

// Parameter 82 (the RTU interface the sensor hangs on): atoi 1 "RS232-0", 2 "RS232-1",
// 3 "RS485-0", 4 "RS485-1"; any other value, or none, shows "不使用" ("0").
extern const CodedList kInterface;

// Parameters 93 (baud rate) and 94 (data bits, parity, stop bits) travel as the
// list's text, untranslated; the lists offer these items.
extern const Items kBaudItems;
extern const Items kParityItems;

// Parameter 99: the position of the value layout in this list; no selection is "-1".
extern const Items kValueLayoutItems;
// Parameter 161: the position of the sensor protocol; no selection is "4294967295"
// (station_codes::NumberOfItem).
extern const Items kSensorProtocolItems;

// "%d" of a list position: no selection (-1) gives "-1".
std::string SignedNumberOfItem(int item);

}  // namespace sensor_codes
