#include "cli/cli_ports.h"

#include <algorithm>
#include <cstdio>

#include "protocol/backup.h"

namespace {

const char* ResultText(int status) {
  switch (status) {
    case kExitOk: return "ok";
    case kExitCancelled: return "cancelled";
    case kExitUsage: return "bad usage";
    case kExitPort: return "port failed";
    case kExitNoAnswer: return "no answer";
    case kExitRefused: return "refused";
    case kExitFile: return "file error";
    default: return "failed";
  }
}

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text + "  ";
}

}  // namespace

std::string OutputForPort(const std::string& output, const std::string& port) {
  static const std::string kMark = "{port}";
  std::string out = output;
  const std::string name = PortFileNamePart(port);
  for (size_t at = out.find(kMark); at != std::string::npos; at = out.find(kMark, at + name.size()))
    out.replace(at, kMark.size(), name);
  return out;
}

std::string PortRunTable(const std::vector<PortRun>& runs) {
  size_t width = 4;
  for (const PortRun& r : runs) width = std::max(width, r.port.size());
  std::string t = Padded("port", width) + Padded("result", 16) + Padded("written", 7) + "seconds\n";
  for (const PortRun& r : runs) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f", r.seconds);
    const std::string result = std::string(ResultText(r.status)) + " (" + std::to_string(r.status) + ")";
    t += Padded(r.port, width) + Padded(result, 16) +
         Padded(r.written < 0 ? "-" : std::to_string(r.written), 7) + seconds + "\n";
  }
  return t;
}

int WorstStatus(const std::vector<PortRun>& runs) {
  int worst = kExitOk;
  for (const PortRun& r : runs) worst = std::max(worst, r.status);
  return worst;
}
