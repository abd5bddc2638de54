#include "protocol/backup.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "base/atomic_file.h"
#include "base/cp936.h"
#include "base/log_text.h"
#include "base/utf8_path.h"
#ifdef _WIN32
#include "base/win32_text.h"
#endif
#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace fs = std::filesystem;

namespace {

constexpr int kStationAddressId = 4;  // "Device address:", the station address
constexpr size_t kStampLength = 15;   // "YYYYMMDD-HHMMSS"

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The file's age for the rotation: the time in its name, then its modification time (two
// backups within one second), then its name.
struct Aged {
  std::string name;
  fs::file_time_type written;
  bool operator<(const Aged& o) const {
    const int c = name.compare(0, kStampLength, o.name, 0, kStampLength);
    if (c != 0) return c < 0;
    if (written != o.written) return written < o.written;
    return name < o.name;
  }
};

void Prune(const fs::path& folder, int keep) {
  std::error_code ec;
  std::vector<Aged> backups;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = PathToUtf8(it->path().filename());
    std::error_code fileEc;
    if (!IsBackupFileName(name) || !it->is_regular_file(fileEc)) continue;
    backups.push_back({name, it->last_write_time(fileEc)});
  }
  if (static_cast<int>(backups.size()) <= keep) return;
  std::sort(backups.begin(), backups.end());
  for (size_t i = 0; i + keep < backups.size(); ++i) fs::remove(folder / PathFromUtf8(backups[i].name), ec);
}

}  // namespace

void SetTableFromDevice(bool fromDevice) { BoundValueFlags().fromDevice.store(fromDevice); }
bool TableFromDevice() { return BoundValueFlags().fromDevice.load(); }

std::string DefaultBackupFolder() {
  if (std::string dir = EnvUtf8(kBackupDirVariable); !dir.empty()) return dir;
  fs::path base;
#ifdef _WIN32
  std::string local = LocalAppDataFolder();
  if (local.empty()) local = EnvUtf8("LOCALAPPDATA");
  if (!local.empty()) base = PathFromUtf8(local);
#else
  if (std::string xdg = EnvUtf8("XDG_DATA_HOME"); !xdg.empty() && fs::path(xdg).is_absolute()) {
    base = xdg;
  } else if (std::string home = EnvUtf8("HOME"); !home.empty()) {
    base = fs::path(home) / ".local" / "share";
  }
#endif
  if (base.empty()) return {};
  return PathToUtf8(base / "qx310-tools" / "backups");
}

std::string SafeFileNamePart(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const bool safe = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == '-' || c == '.';
    out += safe ? c : '_';
  }
  // No hidden file, no "." or "..".
  if (!out.empty() && out.front() == '.') out.front() = '_';
  return out.empty() ? std::string("device") : out;
}

std::string PortFileNamePart(std::string_view port) {
  if (port.rfind("/dev/", 0) == 0) port.remove_prefix(5);
  return SafeFileNamePart(port);
}

std::string BackupFileName(const std::tm& local, std::string_view device) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return std::string(stamp) + "_" + SafeFileNamePart(device) + ".cfg";
}

bool IsBackupFileName(std::string_view name) {
  if (name.size() < kStampLength + 6 || name.substr(name.size() - 4) != ".cfg") return false;
  return AllDigits(name.substr(0, 8)) && name[8] == '-' && AllDigits(name.substr(9, 6)) &&
         name[kStampLength] == '_';
}

BackupResult WriteBackup(const std::string& folder, const std::string& listing,
                         std::string_view device, std::time_t now, int keep) {
  BackupResult result;
  if (folder.empty()) {
    result.error = std::string("no folder for backups (set ") + kBackupDirVariable + ")";
    return result;
  }
  std::error_code ec;
  const fs::path dir = PathFromUtf8(folder);
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir, ec)) {
    result.error = "cannot create the backup folder " + folder;
    return result;
  }
  const std::string name = BackupFileName(LocalTime(now), device);
  // Devices handled at once in this process may back up under the same name in the same
  // second: the free name is found and taken under one lock.
  static std::mutex naming;
  std::lock_guard<std::mutex> lock(naming);
  fs::path path = dir / PathFromUtf8(name);
  // Never over an earlier backup: a second one within the same second gets "-2", "-3" ...
  for (int n = 2; fs::exists(path, ec) && n < 1000; ++n)
    path = dir / PathFromUtf8(name.substr(0, name.size() - 4) + "-" + std::to_string(n) + ".cfg");
  const std::string file = PathToUtf8(path);
  std::string error;
  if (!WriteFileAtomically(file, listing, &error)) {
    result.error = error.empty() ? "cannot write " + file : error;
    return result;
  }
  result.ok = true;
  result.path = file;
  Prune(dir, keep);
  return result;
}

std::string BackupDeviceName(const std::string& port) {
  std::string station = GetParamText(kStationAddressId, 0).value_or(std::string());
  while (!station.empty() && station.back() == ' ') station.pop_back();
  return station.empty() ? PortFileNamePart(port) : station;
}

BackupGuard::BackupGuard(bool enabled, std::string folder)
    : enabled_(enabled), folder_(std::move(folder)) {}

bool BackupGuard::Before(bool loaded, const std::string& port, const Log& log, std::string* why) {
  if (!enabled_) return true;
  if (!loaded) {
    if (log) log(GBK("未备份：尚未从设备载入参数\r\n"));
    return true;
  }
  const std::string folder = folder_.empty() ? DefaultBackupFolder() : folder_;
  const BackupResult r = WriteBackup(folder, BuildListing(), BackupDeviceName(port), std::time(nullptr));
  if (!r.ok) {
    error_ = r.error;
    const std::string text = GBK("备份失败，未写入设备：") + cp936::FromUtf8(r.error);
    if (log) log(text + "\r\n");
    if (why) *why = text;
    return false;
  }
  last_ = r.path;
  if (log) log(GBK("设备参数已备份到 ") + cp936::FromUtf8(r.path) + "\r\n");
  return true;
}
