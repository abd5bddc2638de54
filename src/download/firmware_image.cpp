#include "download/firmware_image.h"

#include <fstream>
#include <system_error>

namespace boot {

bool ImageLengthAllowed(uint64_t length) { return length > 0 && length < kImageLimit; }

ImageLoad LoadFirmwareImage(const std::filesystem::path& path, std::vector<uint8_t>& image) {
  image.clear();
  std::error_code ec;
  // A folder opens for reading on some systems; it is not an image.
  if (std::filesystem::is_directory(path, ec)) return ImageLoad::kUnreadable;
  std::ifstream in(path, std::ios::binary);
  if (!in) return ImageLoad::kUnreadable;
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  if (end < 0) return ImageLoad::kUnreadable;
  if (!ImageLengthAllowed(static_cast<uint64_t>(end))) return ImageLoad::kBadLength;
  in.seekg(0, std::ios::beg);
  image.resize(static_cast<size_t>(end));
  in.read(reinterpret_cast<char*>(image.data()), end);
  // A file that shrank while being read, or a read error, gives no image at all.
  if (in.gcount() != end) {
    image.clear();
    return ImageLoad::kUnreadable;
  }
  return ImageLoad::kOk;
}

}  // namespace boot
