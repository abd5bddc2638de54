// The workspace machine backs up the loaded values before a write pass, a file apply and
// a factory reset; a backup that cannot be written keeps the operation from starting.
#include <stdlib.h>

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

class MachineBackup : public MachineTest {
 public:
  void SetUp() override {
    MachineTest::SetUp();
    char tmpl[] = "/tmp/qx-cfg-backup-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
    SetTableFromDevice(false);
    device.SetResponder(Device);
  }
  void TearDown() override {
    MachineTest::TearDown();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  std::vector<std::string> Files(const std::string& folder) const {
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
      files.push_back(it->path().string());
    return files;
  }
  std::string Log() const {
    std::string all;
    for (const std::string& l : view.R().log) all += l;
    return all;
  }
  std::string dir;
};

struct WriteStart {
  const char* name;
  std::function<bool(CfgMachine&, FakeCfgView&)> start;
};

const WriteStart kStarts[] = {
    {"write pass", [](CfgMachine& m, FakeCfgView& v) {
       v.Edit(23, 0, "pageapn");
       return m.StartOperation(kOpWriteAll);
     }},
    {"file apply", [](CfgMachine& m, FakeCfgView&) { return m.StartWriteFromFile("Modem Apn:  fileapn\r\n"); }},
    {"factory reset", [](CfgMachine& m, FakeCfgView&) { return m.StartFactoryReset(); }},
};

TEST_F(MachineBackup, EachWriteFirstSavesTheLoadedValues) {
  BackupGuard guard(true, dir);
  machine.SetBackup(&guard);
  Run(kOpLoadAll);
  for (const WriteStart& s : kStarts) {
    SCOPED_TRACE(s.name);
    ResetParamValues();
    ParseListing("Modem Apn:  cmnet\r\n", 19);  // what the device holds
    view.ClearRecords();
    ASSERT_TRUE(s.start(machine, view));
    RunToIdle();
    const std::vector<std::string> files = Files(dir);
    ASSERT_EQ(files.size(), 1u);
    std::ifstream in(files[0], std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(text.find("Modem Apn:  cmnet\r\n"), std::string::npos);
    EXPECT_NE(Log().find(files[0]), std::string::npos) << Log();
    fs::remove(files[0]);
  }
}

TEST_F(MachineBackup, AnUnwritableFolderKeepsEveryWriteFromStarting) {
  std::ofstream(dir + "/file") << "x";
  BackupGuard guard(true, dir + "/file/sub");
  machine.SetBackup(&guard);
  Run(kOpLoadAll);
  for (const WriteStart& s : kStarts) {
    SCOPED_TRACE(s.name);
    view.ClearRecords();
    device.ClearWrites();
    EXPECT_FALSE(s.start(machine, view));
    EXPECT_EQ(machine.WorkMode(), kModeIdle);
    EXPECT_TRUE(device.Writes().empty());
    ASSERT_EQ(view.R().tips.size(), 1u);
    EXPECT_NE(view.R().tips[0].find(dir + "/file/sub"), std::string::npos);
  }
  EXPECT_EQ(GetParamText(23, 0), "cmnet");  // the file's value never reached the table
}

TEST_F(MachineBackup, BeforeAnyLoadTheWriteGoesOnWithoutABackup) {
  BackupGuard guard(true, dir + "/b");
  machine.SetBackup(&guard);
  view.Edit(23, 0, "pageapn");
  ASSERT_TRUE(machine.StartOperation(kOpWriteAll));
  RunToIdle();
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+APN=pageapn\r\n"});
  EXPECT_TRUE(Files(dir + "/b").empty());
  EXPECT_NE(Log().find(GBK("未备份")), std::string::npos);
}

}  // namespace
