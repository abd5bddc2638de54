#pragma once
// Loading a firmware image file whole into memory.
#include <cstdint>
#include <string>
#include <vector>

namespace boot {

// Images must be shorter than this (1 MiB); empty images are refused too.
constexpr uint64_t kImageLimit = 1048576;

enum class ImageLoad {
  kOk,
  kBadLength,   // 0 bytes, or kImageLimit bytes or more
  kUnreadable,  // cannot be opened or read (missing, a folder, no permission, read error)
};

bool ImageLengthAllowed(uint64_t length);

// Reads the whole file (path in UTF-8) into image. On any failure image is left empty.
ImageLoad LoadFirmwareImage(const std::string& path, std::vector<uint8_t>& image);

}  // namespace boot
