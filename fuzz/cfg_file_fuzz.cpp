// A .cfg file of any content and size: read whole or refused by its size, parsed
// without a crash, and written back atomically to the same bytes.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "base/atomic_file.h"
#include "fuzz_input.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {
std::string TempPath(const char* name) {
  return "/tmp/qx310-fuzz-" + std::to_string(getpid()) + "-" + name;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string in = TempPath("in.cfg");
  static const std::string out = TempPath("out.cfg");
  std::FILE* f = std::fopen(in.c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  std::string text;
  const CfgFileResult r = ReadCfgFile(in, text);
  if (size == 0) FUZZ_CHECK(r == CfgFileResult::Empty);
  else if (size > static_cast<size_t>(kCfgFileMaxBytes)) FUZZ_CHECK(r == CfgFileResult::TooLarge);
  else FUZZ_CHECK(r == CfgFileResult::Ok && text == std::string(reinterpret_cast<const char*>(data), size));
  if (r == CfgFileResult::Ok) {
    ResetParamValues();
    ParseListing(text.data(), static_cast<int>(text.size()));
    FUZZ_CHECK(WriteFileAtomically(out, text));
    std::string back;
    FUZZ_CHECK(ReadCfgFile(out, back) == CfgFileResult::Ok && back == text);
  }
  std::remove(in.c_str());
  std::remove(out.c_str());
  return 0;
}
