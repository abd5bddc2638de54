// A camera snapshot stream cut into any blocks: the collector never holds more than
// the announced length, completes only with exactly that many bytes, and fails only
// for a length of 0 or above the limit.
#include "fuzz_input.h"
#include "protocol/picture_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PictureCollector c;
  c.Begin();
  for (std::string_view block : LengthPrefixedBlocks(data, size)) {
    c.CollectPictureBytes(block.data(), static_cast<int>(block.size()));
    FUZZ_CHECK(c.Received() <= c.Length() || c.State() == PictureState::Failed);
    if (c.State() == PictureState::Complete) {
      FUZZ_CHECK(c.Bytes().size() == c.Length());
      FUZZ_CHECK(c.Length() > 0 && c.Length() <= kPictureMaxBytes);
    }
    if (c.State() == PictureState::Failed) FUZZ_CHECK(c.Length() == 0 && c.Received() == 0);
  }
  if (c.State() == PictureState::Reading) FUZZ_CHECK(c.Fail());
  c.Reset();
  return 0;
}
