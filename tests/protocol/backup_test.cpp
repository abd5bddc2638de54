// Backups: file names, the folder, and the rotation of its own files.
#include "protocol/backup.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <set>

#include <gtest/gtest.h>

#include "base/utf8_path.h"
#include "support/env.h"
#ifdef _WIN32
#include "base/win32_text.h"
#endif

namespace fs = std::filesystem;

TEST(BackupNames, TimeAndAFileNameSafeDevice) {
  std::tm t{};
  t.tm_year = 2026 - 1900, t.tm_mon = 11, t.tm_mday = 7, t.tm_hour = 21, t.tm_min = 30, t.tm_sec = 5;
  const std::pair<std::string, std::string> cases[] = {
      {"0012345678", "20261207-213005_0012345678.cfg"},
      {"/dev/ttyUSB0", "20261207-213005__dev_ttyUSB0.cfg"},
      {"..\\a b*?\xd5\xbe", "20261207-213005__._a_b____.cfg"},  // no hidden file; GBK bytes
      {"", "20261207-213005_device.cfg"},
  };
  for (const auto& [device, name] : cases) {
    EXPECT_EQ(BackupFileName(t, device), name) << device;
    EXPECT_TRUE(IsBackupFileName(name)) << name;
  }
  EXPECT_EQ(PortFileNamePart("/dev/pts/3"), "pts_3");
}

TEST(BackupNames, FolderFromTheEnvironment) {
  SetEnv(kBackupDirVariable, nullptr);
#ifdef _WIN32
  // The known folder, not the variable (which a program started by another can lack).
  SetEnv("LOCALAPPDATA", "C:\\l");
  EXPECT_EQ(DefaultBackupFolder(), LocalAppDataFolder() + "\\qx310-tools\\backups");
  EXPECT_NE(DefaultBackupFolder().rfind("C:\\l", 0), 0u);
  SetEnv("LOCALAPPDATA", nullptr);
#else
  SetEnv("XDG_DATA_HOME", "relative");  // not absolute: ignored
  SetEnv("HOME", "/h");
  EXPECT_EQ(DefaultBackupFolder(), "/h/.local/share/qx310-tools/backups");
  SetEnv("XDG_DATA_HOME", "/x");
  EXPECT_EQ(DefaultBackupFolder(), "/x/qx310-tools/backups");
#endif
  SetEnv(kBackupDirVariable, "/srv/b");
  EXPECT_EQ(DefaultBackupFolder(), "/srv/b");
}

TEST(BackupFolder, KeepsTheNewestOfItsOwnAndRefusesAFolderItCannotMake) {
  // A folder with a Chinese name, as under a Chinese user's profile.
  const fs::path top = fs::temp_directory_path() / ("qx-backup-test-" + std::to_string(getpid()));
  const fs::path dir = top / PathFromUtf8("测试用户的备份");
  fs::create_directories(dir);
  const std::set<std::string> old = {"20240101-000000_a.cfg", "20250101-000000_b.cfg", "20250101-000001_c.cfg"};
  const std::set<std::string> foreign = {"notes.cfg", "20200101-000000_x.txt", "file"};
  for (const std::string& n : old) std::ofstream(dir / n) << "old";
  for (const std::string& n : foreign) std::ofstream(dir / n) << "keep";

  const BackupResult r = WriteBackup(PathToUtf8(dir), "Modem Apn:  X\r\n", "d", std::time(nullptr), 2);
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(PathFromUtf8(r.path).parent_path(), dir) << r.path;  // the name as given, in UTF-8
  std::set<std::string> expected = foreign;
  expected.insert({"20250101-000001_c.cfg", PathToUtf8(PathFromUtf8(r.path).filename())});
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, expected);

  for (const std::string folder : {PathToUtf8(dir / "file" / "sub"), std::string()}) {
    const BackupResult bad = WriteBackup(folder, "text", "d", std::time(nullptr));
    EXPECT_FALSE(bad.ok || bad.error.empty()) << folder;
  }
  fs::remove_all(top);
}
