#include "config/channel_sensor_codes.h"

#include "config/station_codes.h"

namespace sensor_codes {
namespace {

constexpr const char* kValueLayouts[] = {
    "Unsigned 16bit AB",   "Unsigned 16bit BA",   "Signed 16bit AB",     "Signed 16bit BA",
    "Unsigned 32bit ABCD", "Unsigned 32bit BADC", "Unsigned 32bit CDAB", "Unsigned 32bit DCBA",
    "Signed 32bit ABCD",   "Signed 32bit BADC",   "Signed 32bit CDAB",   "Signed 32bit DCBA",
    "Float ABCD",          "Float BADC",          "Float CDAB",          "Float DCBA"};
constexpr const char* kSensorProtocols[] = {"MODBUS RTU", "OTT"};

// The interface list is the transmission port's list, read by number.
const station_codes::CodedList& InterfaceList() {
  static const station_codes::CodedList list{station_codes::kTransComType.items,
                                             station_codes::kTransComType.values, 0, true};
  return list;
}

}  // namespace

const FieldCode kInterface{
    station_codes::kTransComType.items,
    [](std::string_view value, int) { return station_codes::ItemOfValue(InterfaceList(), value); },
    [](std::string_view, int item) -> std::optional<std::string> {
      if (item < 0) return std::nullopt;
      return station_codes::ValueOfItem(InterfaceList(), item);
    }};
const FieldCode kBaud = TextField(station_codes::kTransSpeedItems);
const FieldCode kParity = TextField(station_codes::kTransParityItems);
const FieldCode kValueLayout{kValueLayouts, field_code::PositionItem, field_code::PositionValue};
const FieldCode kSensorProtocol{kSensorProtocols, field_code::PositionItem, field_code::PositionValue};

}  // namespace sensor_codes
