#include <algorithm>

#include "serial/net_port.h"
#include "serial/port_list.h"

namespace {
constexpr char kDevPrefix[] = "/dev/";
constexpr size_t kDevPrefixLength = sizeof(kDevPrefix) - 1;
}  // namespace

std::string PortShortName(const std::string& path) {
  if (path.size() > kDevPrefixLength && path.compare(0, kDevPrefixLength, kDevPrefix) == 0)
    return path.substr(kDevPrefixLength);
  return path;
}

std::string PortPathFor(const std::string& shown, const std::vector<std::string>& listed) {
  if (shown.empty() || serial::IsNetPortName(shown)) return shown;
  if (std::find(listed.begin(), listed.end(), shown) != listed.end()) return shown;
  for (const std::string& p : listed)
    if (PortShortName(p) == shown) return p;
#ifndef _WIN32
  if (shown[0] != '/') return kDevPrefix + shown;
#endif
  return shown;
}
