// Serial ports of a Linux machine and their identities, from sysfs (port_identity.h).
#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "serial/port_identity.h"
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

// The canonical path of an existing file; "" when it does not exist.
std::string RealPath(const std::string& path) {
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) return {};
  std::string out = real;
  ::free(real);
  return out;
}

std::string Parent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> DirEntries(const std::string& path) {
  std::vector<std::string> names;
  DIR* dir = ::opendir(path.c_str());
  if (!dir) return names;
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

// The identity of a listed tty: the USB device above its device (the first directory up
// the tree with idVendor and idProduct, within the sysfs tree), else its driver's name.
void ReadIdentity(const std::string& sysRoot, const std::string& ttyDir, SerialPortInfo& info) {
  const std::string top = RealPath(sysRoot);
  for (std::string dir = RealPath(ttyDir + "/device"); !dir.empty() && dir.size() > top.size() &&
                                                       dir.compare(0, top.size(), top) == 0;
       dir = Parent(dir)) {
    if (!Exists(dir + "/idVendor") || !Exists(dir + "/idProduct")) continue;
    info.vid = ReadFirstLine(dir + "/idVendor");
    info.pid = ReadFirstLine(dir + "/idProduct");
    info.serial = ReadFirstLine(dir + "/serial");
    const std::string maker = ReadFirstLine(dir + "/manufacturer");
    const std::string product = ReadFirstLine(dir + "/product");
    // "FTDI" + "FT232R USB UART"; a product that names its maker already is taken alone.
    if (maker.empty() || product.rfind(maker, 0) == 0) info.description = product;
    else if (product.empty()) info.description = maker;
    else info.description = maker + " " + product;
    return;
  }
  const std::string driver = RealPath(ttyDir + "/device/driver");
  if (!driver.empty()) info.description = BaseName(driver);
}

}  // namespace

std::vector<SerialPortInfo> ListSysfsPorts(const std::string& sysRoot, const std::string& devRoot) {
  const std::string classDir = sysRoot + "/class/tty/";
  std::vector<std::string> names;
  for (const std::string& name : DirEntries(classDir)) {
    const std::string base = classDir + name;
    if (!Exists(base + "/device")) continue;  // virtual consoles, ptys
    if (name.rfind("ttyS", 0) == 0) {
      std::string type = ReadFirstLine(base + "/type");
      if (type.empty() || type == "0") continue;  // no UART in this slot
    }
    if (!Exists(devRoot + "/" + name)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  const std::string byIdDir = devRoot + "/serial/by-id";
  const std::vector<std::string> byId = DirEntries(byIdDir);
  std::vector<SerialPortInfo> ports;
  ports.reserve(names.size());
  for (const auto& n : names) {
    SerialPortInfo info{.name = "/dev/" + n};
    ReadIdentity(sysRoot, classDir + n, info);
    const std::string device = RealPath(devRoot + "/" + n);
    for (const std::string& link : byId)
      if (RealPath(byIdDir + "/" + link) == device) info.byId = byIdDir + "/" + link;
    ports.push_back(std::move(info));
  }
  return ports;
}

std::vector<SerialPortInfo> ListSerialPortInfos() { return ListSysfsPorts("/sys", "/dev"); }
