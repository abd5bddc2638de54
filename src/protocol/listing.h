#pragma once
// The parameter listing (the device's reply to AT+SHOW) and the .cfg file,
// which has the same form.
#include <atomic>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "protocol/param_table.h"

// Set by the parser (and the terminal page): 0 hydrology, 1 "水资源16", 2 "水资源21";
// those of the value set bound on the calling thread.
inline std::atomic<int>& ListingProtocolKind() { return BoundValueFlags().protocolKind; }
inline std::atomic<int>& ListingWaterOrderSeen() { return BoundValueFlags().waterOrderSeen; }
inline std::atomic<int>& ListingAddressTypeSeen() { return BoundValueFlags().addressTypeSeen; }

// Stores every labelled value of the text in the table. 1 when at least one value
// was stored. Also the AT+SHOW reply handler.
int ParseListing(const char* text, int length);
// The instances (parameter id, 0-based index) text gives a value for, as ParseListing
// would store them; the table is not touched.
std::set<std::pair<int, int>> ListedInstances(std::string_view text);

constexpr int kListingMaxBytes = 40960;
// The whole table in listing form (device texts, CR LF lines, at most 40960 bytes).
std::string BuildListing();

// .cfg files.
enum class CfgFileResult { Ok, CannotOpen, Empty, TooLarge, ReadError };
constexpr long kCfgFileMaxBytes = 40960;  // 40961 bytes and more are refused
// Reads a .cfg file (1..40960 bytes) into text without parsing it.
CfgFileResult ReadCfgFile(const std::string& path, std::string& text);
