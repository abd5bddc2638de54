#pragma once
// Conversions between UTF-8 (source files, Qt) and code page 936 (GBK: wire,
// table values, files). Qt-free: iconv on POSIX, the Win32 code page API on Windows.
// Bytes that cannot be converted become '?'.
#include <string>
#include <string_view>

namespace cp936 {

std::string FromUtf8(std::string_view utf8);
std::string ToUtf8(std::string_view gbk);

// Decodes a byte stream that arrives in pieces: a two-byte character split between two
// pieces is held back and decoded whole with the next piece.
class StreamDecoder {
 public:
  std::string ToUtf8(std::string_view piece);
  void Reset() { pending_.clear(); }

 private:
  std::string pending_;  // a lead byte whose second byte has not come yet
};

}  // namespace cp936

// A UTF-8 literal converted once to GBK, for texts that go to the wire, a file or a log:
//   static const std::string kSetOk = GBK("设置成功\r\n");
#define GBK(lit) ::cp936::FromUtf8(lit)
