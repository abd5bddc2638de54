#include "config/channel_sensor_codes.h"

#include "base/cstr.h"

namespace sensor_codes {
namespace {

constexpr const char* kValueLayouts[] = {
    "Unsigned 16bit AB",   "Unsigned 16bit BA",   "Signed 16bit AB",     "Signed 16bit BA",
    "Unsigned 32bit ABCD", "Unsigned 32bit BADC", "Unsigned 32bit CDAB", "Unsigned 32bit DCBA",
    "Signed 32bit ABCD",   "Signed 32bit BADC",   "Signed 32bit CDAB",   "Signed 32bit DCBA",
    "Float ABCD",          "Float BADC",          "Float CDAB",          "Float DCBA"};
constexpr const char* kSensorProtocols[] = {"MODBUS RTU", "OTT"};

}  // namespace

// The interface list is the transmission port's list, read by number. The station lists
// are constant-initialised, so copying them here is safe in any start-up order.
const CodedList kInterface{station_codes::kTransComType.items, station_codes::kTransComType.values, 0,
                           true};
const Items kBaudItems = station_codes::kTransSpeedItems;
const Items kParityItems = station_codes::kTransParityItems;
const Items kValueLayoutItems{kValueLayouts};
const Items kSensorProtocolItems{kSensorProtocols};

std::string SignedNumberOfItem(int item) { return cstr::FormatD(item); }

}  // namespace sensor_codes
