// Backups: file names, the folder, writing without overwriting, and the rotation that
// deletes only the oldest of its own files.
#include "protocol/backup.h"

#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class BackupFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/qx-backup-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
  }
  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::string dir;
};

// Sets an environment variable for one scope (unset: nullopt).
class EnvScope {
 public:
  EnvScope(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) setenv(name, value->c_str(), 1);
    else unsetenv(name);
  }
  ~EnvScope() {
    if (old_) setenv(name_, old_->c_str(), 1);
    else unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::tm At(int year, int month, int day, int hour, int minute, int second) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return t;
}

}  // namespace

TEST(BackupNames, TimeAndSafeDeviceName) {
  const struct {
    std::string device;
    std::string name;
  } cases[] = {
      {"0012345678", "20261207-213005_0012345678.cfg"},
      {"/dev/ttyUSB0", "20261207-213005__dev_ttyUSB0.cfg"},
      {"a b*c?..\\d", "20261207-213005_a_b_c_.._d.cfg"},
      {"..", "20261207-213005__..cfg"},
      {"\xd5\xbe", "20261207-213005___.cfg"},  // code page 936 bytes
      {"", "20261207-213005_device.cfg"},
  };
  for (const auto& c : cases) {
    const std::string name = BackupFileName(At(2026, 12, 7, 21, 30, 5), c.device);
    EXPECT_EQ(name, c.name) << c.device;
    EXPECT_TRUE(IsBackupFileName(name)) << name;
  }
  EXPECT_EQ(PortFileNamePart("/dev/pts/3"), "pts_3");
  EXPECT_EQ(PortFileNamePart("COM3"), "COM3");
  for (const char* other : {"notes.cfg", "20261207-213005.cfg", "20261207_213005_x.cfg",
                            "2026120x-213005_x.cfg", "20261207-213005_x.cfg.tmp-1-0"})
    EXPECT_FALSE(IsBackupFileName(other)) << other;
}

TEST(BackupNames, FolderFromTheEnvironment) {
  const struct {
    std::optional<std::string> own, xdg, home;
    std::string folder;
  } cases[] = {
      {"/srv/b", "/x", "/h", "/srv/b"},
      {std::nullopt, "/x", "/h", "/x/qx310-tools/backups"},
      {std::nullopt, "relative", "/h", "/h/.local/share/qx310-tools/backups"},
      {std::nullopt, std::nullopt, "/h", "/h/.local/share/qx310-tools/backups"},
      {std::nullopt, std::nullopt, std::nullopt, ""},
  };
  for (const auto& c : cases) {
    EnvScope own(kBackupDirVariable, c.own), xdg("XDG_DATA_HOME", c.xdg), home("HOME", c.home);
    EXPECT_EQ(DefaultBackupFolder(), c.folder);
  }
}

TEST_F(BackupFolder, WritesEachBackupAsANewFileInAFolderItCreates) {
  const std::string folder = dir + "/a/b";
  const std::time_t now = std::time(nullptr);
  const BackupResult first = WriteBackup(folder, "Modem Apn:  ONE\r\n", "dev", now);
  const BackupResult second = WriteBackup(folder, "Modem Apn:  TWO\r\n", "dev", now);
  ASSERT_TRUE(first.ok) << first.error;
  ASSERT_TRUE(second.ok) << second.error;
  EXPECT_NE(first.path, second.path);
  EXPECT_EQ(Read(first.path), "Modem Apn:  ONE\r\n");
  EXPECT_EQ(Read(second.path), "Modem Apn:  TWO\r\n");
  EXPECT_TRUE(IsBackupFileName(fs::path(second.path).filename().string()));
}

TEST_F(BackupFolder, KeepsTheNewestAndLeavesOtherFilesAlone) {
  const char* old[] = {"20240101-000000_a.cfg", "20250101-000000_b.cfg", "20250101-000001_c.cfg"};
  const char* foreign[] = {"notes.cfg", "20200101-000000_x.txt", "mine.txt"};
  for (const char* n : old) std::ofstream(dir + "/" + n) << "old";
  for (const char* n : foreign) std::ofstream(dir + "/" + n) << "keep";
  const BackupResult r = WriteBackup(dir, "new", "d", std::time(nullptr), 2);
  ASSERT_TRUE(r.ok) << r.error;
  std::set<std::string> expected = {"20250101-000001_c.cfg", fs::path(r.path).filename().string()};
  for (const char* n : foreign) expected.insert(n);
  EXPECT_EQ(Names(), expected);
}

TEST_F(BackupFolder, AFolderThatCannotBeMadeIsAnErrorAndWritesNothing) {
  std::ofstream(dir + "/file") << "x";
  for (const std::string& folder : {dir + "/file/sub", std::string()}) {
    const BackupResult r = WriteBackup(folder, "text", "d", std::time(nullptr));
    EXPECT_FALSE(r.ok) << folder;
    EXPECT_FALSE(r.error.empty()) << folder;
  }
  EXPECT_EQ(Names(), std::set<std::string>{"file"});
}

TEST_F(BackupFolder, GuardBacksUpLoadedValuesOrRefusesAndSaysWhy) {
  std::ofstream(dir + "/file") << "x";
  std::string log, why;
  const auto append = [&log](const std::string& line) { log += line; };
  // Never loaded: nothing to back up, the write may go on; the log says so.
  EXPECT_TRUE(BackupGuard(true, dir + "/file/sub").Before(false, "p", append, &why));
  EXPECT_FALSE(log.empty());
  EXPECT_TRUE(why.empty());
  // Disabled: nothing at all.
  log.clear();
  EXPECT_TRUE(BackupGuard(false, dir + "/file/sub").Before(true, "p", append, &why));
  EXPECT_TRUE(log.empty());
  // Loaded but the folder cannot be written: refused with the reason.
  EXPECT_FALSE(BackupGuard(true, dir + "/file/sub").Before(true, "p", append, &why));
  EXPECT_NE(why.find(dir + "/file/sub"), std::string::npos) << why;
  // Loaded: written, the log names the file.
  log.clear();
  BackupGuard ok(true, dir + "/b");
  ASSERT_TRUE(ok.Before(true, "p", append, &why));
  EXPECT_TRUE(fs::is_regular_file(ok.LastPath()));
  EXPECT_NE(log.find(ok.LastPath()), std::string::npos) << log;
}
