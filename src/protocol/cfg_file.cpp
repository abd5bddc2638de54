// Reading a .cfg file whole, within its size limit.
#include <cstdio>
#include <string>

#include "base/regular_file.h"
#include "protocol/listing.h"

CfgFileResult ReadCfgFile(const std::string& path, std::string& text) {
  std::FILE* f = OpenRegularFile(path);
  if (f == nullptr) return CfgFileResult::CannotOpen;
  // Read one byte more than allowed, so that a file that is too large is recognised
  // by what it holds, not by a size that may change while it is read.
  std::string buffer(static_cast<size_t>(kCfgFileMaxBytes) + 1, '\0');
  size_t total = 0;
  while (total < buffer.size()) {
    const size_t n = std::fread(buffer.data() + total, 1, buffer.size() - total, f);
    if (n == 0) break;
    total += n;
  }
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  if (failed) return CfgFileResult::ReadError;
  if (total == 0) return CfgFileResult::Empty;
  if (total > static_cast<size_t>(kCfgFileMaxBytes)) return CfgFileResult::TooLarge;
  buffer.resize(total);
  text = std::move(buffer);
  return CfgFileResult::Ok;
}
