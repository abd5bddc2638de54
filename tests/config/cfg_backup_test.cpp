// The workspace machine backs up the loaded values before a write pass, a file apply and
// a factory reset; a backup that cannot be written keeps the operation from starting.
#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "cfg_fakes.h"
#include "protocol/backup.h"
#include "protocol/listing.h"

namespace fs = std::filesystem;

namespace {

Replies Device(const std::string& w) {
  if (w == "AT+SHOW\r\n") return {"AT+SHOW\r\nModem Apn:  cmnet\r\n", Ok()};
  return Responsive(w);
}

TEST_F(MachineTest, EachWriteFirstSavesTheLoadedValuesOrDoesNotStart) {
  const fs::path dir = fs::temp_directory_path() / ("qx-cfg-backup-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "x";
  BackupGuard unwritable(true, (dir / "file" / "sub").string()), guard(true, (dir / "b").string());
  device.SetResponder(Device);
  Run(kOpLoadAll);
  const std::function<bool()> starts[] = {
      [&] { return view.Edit(23, 0, "pageapn"), machine.StartWriteAll(); },
      [&] { return machine.StartWriteFromFile("Modem Apn:  fileapn\r\n"); },
      [&] { return machine.StartFactoryReset(); },
  };
  for (const auto& start : starts) {
    ResetParamValues();
    ParseListing("Modem Apn:  cmnet\r\n", 19);  // what the device holds
    view.ClearRecords();
    device.ClearWrites();
    machine.SetBackup(&unwritable);
    EXPECT_FALSE(start());
    EXPECT_TRUE(device.Writes().empty());
    ASSERT_EQ(view.R().tips.size(), 1u);
    EXPECT_NE(view.R().tips[0].find((dir / "file" / "sub").string()), std::string::npos);

    machine.SetBackup(&guard);
    ASSERT_TRUE(start());
    RunToIdle();
    EXPECT_FALSE(device.Writes().empty());
    {
      std::ifstream in(guard.LastPath(), std::ios::binary);  // closed before the removal
      EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("Modem Apn:  cmnet\r\n"), std::string::npos);
    }
    fs::remove(guard.LastPath());
  }
  fs::remove_all(dir);
}

}  // namespace
