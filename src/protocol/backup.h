#pragma once
// Automatic backups: before the tool writes to a device (a write pass, a file apply, a
// factory reset, a firmware download) the device's values, as last loaded, are saved as
// a .cfg file in a per-user folder. One place for the folder, the names and the
// rotation, used by the desktop program and the command line. Qt-free.
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

constexpr char kBackupDirVariable[] = "QX310_BACKUP_DIR";
constexpr int kBackupKeep = 200;  // the newest this many backups are kept

// The backup folder: QX310_BACKUP_DIR when set; else the per-user data folder
// ($XDG_DATA_HOME or ~/.local/share, %LOCALAPPDATA% on Windows) + qx310-tools/backups.
// "" when none of these is known.
std::string DefaultBackupFolder();

// text with every character other than ASCII letters, digits, '-' and '.' made '_'
// (so a port "/dev/ttyUSB0" gives "_dev_ttyUSB0"); "device" for an empty text.
std::string SafeFileNamePart(std::string_view text);

// A port's name for a file name: without a leading "/dev/", made safe ("pts_3", "COM3").
std::string PortFileNamePart(std::string_view port);

// "YYYYMMDD-HHMMSS_<device>.cfg", device made file-name safe.
std::string BackupFileName(const std::tm& local, std::string_view device);

// True for a file name BackupFileName makes (possibly with a "-N" before ".cfg").
bool IsBackupFileName(std::string_view name);

struct BackupResult {
  bool ok = false;
  std::string path;   // the file written
  std::string error;  // why not, one line
};

// Writes listing (the .cfg text) as a new backup of device into folder (created when
// missing, never overwriting an earlier backup), then deletes the oldest backups there
// beyond keep. Files of other names are never touched.
BackupResult WriteBackup(const std::string& folder, const std::string& listing,
                         std::string_view device, std::time_t now, int keep = kBackupKeep);

// The device's name for a backup: its station address when the table holds one, else
// the port name.
std::string BackupDeviceName(const std::string& port);

// Whether the parameter table holds values read from a device (set by a successful
// load; cleared by whoever empties the table for another device).
void SetTableFromDevice(bool fromDevice);
bool TableFromDevice();

// The guard the front ends put before every write: backs up the table's values and says
// where in the log, or says why it could not and refuses. A table that was never loaded
// from the device holds no device values: nothing is written, the log says so, and the
// write goes on.
class BackupGuard {
 public:
  using Log = std::function<void(const std::string& gbk)>;
  // folder "" = DefaultBackupFolder(); enabled false = no backups (--no-backup).
  BackupGuard(bool enabled, std::string folder = {});

  // Before a write to the device on port. loaded: the table holds values read from the
  // device. log receives the lines for the log (code page 936). False when the backup
  // could not be written; *why is then the message to show (code page 936).
  bool Before(bool loaded, const std::string& port, const Log& log, std::string* why);
  // The file the last successful backup went to.
  const std::string& LastPath() const { return last_; }
  // Why the last backup failed (UTF-8, as the system says it).
  const std::string& LastError() const { return error_; }

 private:
  bool enabled_;
  std::string folder_;
  std::string last_;
  std::string error_;
};
