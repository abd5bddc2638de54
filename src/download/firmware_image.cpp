#include "download/firmware_image.h"

#include <cstdio>

#include "base/regular_file.h"

namespace boot {

bool ImageLengthAllowed(uint64_t length) { return length > 0 && length < kImageLimit; }

ImageLoad LoadFirmwareImage(const std::string& path, std::vector<uint8_t>& image) {
  image.clear();
  std::FILE* f = OpenRegularFile(path);
  if (f == nullptr) return ImageLoad::kUnreadable;
  struct Closer {
    std::FILE* f;
    ~Closer() { std::fclose(f); }
  } closer{f};
  if (std::fseek(f, 0, SEEK_END) != 0) return ImageLoad::kUnreadable;
  const long end = std::ftell(f);
  if (end < 0) return ImageLoad::kUnreadable;
  if (!ImageLengthAllowed(static_cast<uint64_t>(end))) return ImageLoad::kBadLength;
  std::rewind(f);
  image.resize(static_cast<size_t>(end));
  // A file that shrank while being read, or a read error, gives no image at all.
  if (std::fread(image.data(), 1, image.size(), f) != image.size()) {
    image.clear();
    return ImageLoad::kUnreadable;
  }
  return ImageLoad::kOk;
}

}  // namespace boot
