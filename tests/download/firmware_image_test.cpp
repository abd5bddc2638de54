#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "download/firmware_image.h"
#include "download_rig.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
 public:
  TempDir() {
    path_ = fs::temp_directory_path() /
            ("qx_download_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  fs::path File(const std::string& name, const std::vector<uint8_t>& bytes) const {
    const fs::path p = path_ / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return p;
  }
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

TEST(FirmwareImage, LengthLimits) {
  TempDir dir;
  std::vector<uint8_t> image{1, 2, 3};
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("empty.bin", {}), image), boot::ImageLoad::kBadLength);
  EXPECT_TRUE(image.empty());
  image = {1};
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("1m.bin", TestImage(1048576)), image),
            boot::ImageLoad::kBadLength);
  EXPECT_TRUE(image.empty());

  const auto largest = TestImage(1048575, 7);
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("largest.bin", largest), image), boot::ImageLoad::kOk);
  EXPECT_EQ(image, largest);
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("one.bin", {0x5A}), image), boot::ImageLoad::kOk);
  EXPECT_EQ(image, std::vector<uint8_t>{0x5A});
}

TEST(FirmwareImage, UnreadablePaths) {
  TempDir dir;
  std::vector<uint8_t> image{1};
  EXPECT_EQ(boot::LoadFirmwareImage(dir.Path() / "missing.bin", image), boot::ImageLoad::kUnreadable);
  EXPECT_TRUE(image.empty());
  EXPECT_EQ(boot::LoadFirmwareImage(dir.Path(), image), boot::ImageLoad::kUnreadable);
#ifndef _WIN32
  const fs::path locked = dir.File("locked.bin", {1, 2, 3});
  fs::permissions(locked, fs::perms::none);
  std::ifstream probe(locked);  // root reads anything: then there is nothing to test
  if (!probe) {
    EXPECT_EQ(boot::LoadFirmwareImage(locked, image), boot::ImageLoad::kUnreadable);
  }
#endif
}
