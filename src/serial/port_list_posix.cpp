// Serial ports of a Linux machine: the tty devices in sysfs that have a device
// behind them. On-board 8250/16550 UART slots are listed only when a UART was
// found in them (their "type" is not 0); the phantom ttyS slots are left out.
#include <dirent.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "serial/port_list.h"

namespace {

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

std::string ReadFirstLine(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// Natural order: ttyS2 before ttyS10, ttyACM0 before ttyUSB0.
bool NaturalLess(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
      size_t i2 = i, j2 = j;
      while (i2 < a.size() && std::isdigit(static_cast<unsigned char>(a[i2]))) ++i2;
      while (j2 < b.size() && std::isdigit(static_cast<unsigned char>(b[j2]))) ++j2;
      unsigned long x = std::stoul(a.substr(i, std::min<size_t>(i2 - i, 9)));
      unsigned long y = std::stoul(b.substr(j, std::min<size_t>(j2 - j, 9)));
      if (x != y) return x < y;
      i = i2;
      j = j2;
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

std::vector<std::string> ListSerialPorts() {
  const std::string sys = "/sys/class/tty/";
  std::vector<std::string> names;
  DIR* dir = ::opendir(sys.c_str());
  if (!dir) return {};
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string base = sys + name;
    if (!Exists(base + "/device")) continue;  // virtual consoles, ptys
    if (name.rfind("ttyS", 0) == 0) {
      std::string type = ReadFirstLine(base + "/type");
      if (type.empty() || type == "0") continue;  // no UART in this slot
    }
    if (!Exists("/dev/" + name)) continue;
    names.push_back(name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end(), NaturalLess);
  std::vector<std::string> ports;
  ports.reserve(names.size());
  for (const auto& n : names) ports.push_back("/dev/" + n);
  return ports;
}
