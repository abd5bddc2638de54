#include <gtest/gtest.h>

#include <fstream>

#include "download/firmware_image.h"
#include "download_rig.h"

// Refused lengths and missing files are checked through the machine's start branch.
TEST(FirmwareImage, LargestAndSmallestImagesLoadAndAFailureLeavesNothing) {
  TempDir dir;
  std::vector<uint8_t> image;
  const auto largest = TestImage(1048575, 7);
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("largest.bin", largest), image), boot::ImageLoad::kOk);
  EXPECT_EQ(image, largest);
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("one.bin", {0x5A}), image), boot::ImageLoad::kOk);
  EXPECT_EQ(image, std::vector<uint8_t>{0x5A});
  EXPECT_EQ(boot::LoadFirmwareImage(dir.File("1m.bin", TestImage(1048576)), image),
            boot::ImageLoad::kBadLength);
  EXPECT_TRUE(image.empty());
  image = {1};
  EXPECT_EQ(boot::LoadFirmwareImage(dir.Path(), image), boot::ImageLoad::kUnreadable);
  EXPECT_TRUE(image.empty());
#ifndef _WIN32
  const auto locked = dir.File("locked.bin", {1, 2, 3});
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  std::ifstream probe(locked);  // root reads anything: then there is nothing to test
  if (!probe) {
    EXPECT_EQ(boot::LoadFirmwareImage(locked, image), boot::ImageLoad::kUnreadable);
  }
#endif
}
