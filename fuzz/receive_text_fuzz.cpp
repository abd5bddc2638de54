// The receive texts (main window's reply matcher, the command exchange's text, the
// download page's text) fed any blocks: they stay within their bounds, hold no NUL
// byte, and always end with the last bytes received.
#include <algorithm>

#include "app/reply_matcher.h"
#include "download/boot_receive_text.h"
#include "fuzz_input.h"
#include "protocol/exchange.h"
#include "serial/serial_port.h"

namespace {
class NoPort : public ISerialPort {
 public:
  bool Open(const std::string&, int, int, int, int) override { return false; }
  void Close() override {}
  bool IsOpen() const override { return false; }
  int Read(char*) override { return 0; }
  int Write(const char*, int) override { return 0; }
};

// The last n bytes of the stream, with NUL shown as a blank.
bool EndsWithStream(std::string_view text, const std::string& stream, size_t n) {
  n = std::min<size_t>({n, text.size(), stream.size()});
  for (size_t i = 1; i <= n; ++i) {
    const char c = stream[stream.size() - i] == '\0' ? ' ' : stream[stream.size() - i];
    if (text[text.size() - i] != c) return false;
  }
  return true;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReplyMatcher matcher;
  BootReceiveText boot;
  NoPort port;
  CommandExchange exchange(port);
  std::string stream;
  for (std::string_view block : LengthPrefixedBlocks(data, size)) {
    // Blocks of up to 255 bytes, repeated to reach the texts' limits now and then.
    const int times = block.empty() ? 1 : 1 + (static_cast<uint8_t>(block[0]) % 64 == 0 ? 200 : 0);
    for (int i = 0; i < times; ++i) {
      matcher.Append(block.data(), static_cast<int>(block.size()));
      boot.Append(block.data(), block.size());
      exchange.AppendReceived(block.data(), static_cast<int>(block.size()));
      stream.append(block);
    }
    const std::string_view m = matcher.Text();
    FUZZ_CHECK(m.size() <= static_cast<size_t>(ReplyMatcher::kMaxLength));
    FUZZ_CHECK(m.find('\0') == std::string_view::npos);
    FUZZ_CHECK(EndsWithStream(m, stream, block.size()));
    matcher.Find();
    FUZZ_CHECK(boot.Size() <= BootReceiveText::kCapacity);
    FUZZ_CHECK(boot.View().find('\0') == std::string_view::npos);
    FUZZ_CHECK(EndsWithStream(boot.View(), stream, block.size()));
    const std::string e = exchange.PeekReceivedText();
    FUZZ_CHECK(e.size() <= static_cast<size_t>(kReceiveTextMax));
    FUZZ_CHECK(e.find('\0') == std::string::npos);
    FUZZ_CHECK(EndsWithStream(e, stream, block.size()));
  }
  return 0;
}
