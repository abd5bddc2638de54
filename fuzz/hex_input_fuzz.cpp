// The debug console's hex input: any text parses without a crash, and parsed bytes
// rendered as hex parse back to the same bytes.
#include "debug/debug_text.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::string bytes;
  const auto r = debug_text::ParseHex(input, bytes);
  if (r != debug_text::HexParse::Ok) {
    FUZZ_CHECK(bytes.empty());
    return 0;
  }
  FUZZ_CHECK(bytes.size() <= static_cast<size_t>(debug_text::kHexSendMax));
  std::string again;
  FUZZ_CHECK(debug_text::ParseHex(debug_text::RenderHex(bytes), again) == debug_text::HexParse::Ok);
  FUZZ_CHECK(again == bytes);
  const std::string text = debug_text::RenderText(bytes);
  FUZZ_CHECK(text.size() == bytes.size() && text.find('\0') == std::string::npos);
  return 0;
}
