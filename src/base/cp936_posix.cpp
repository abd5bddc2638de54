#include <errno.h>
#include <iconv.h>

#include "base/cp936.h"

namespace cp936 {
namespace {

std::string Convert(const char* to, const char* from, std::string_view in) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  size_t done = 0;
  while (srcLeft > 0) {
    char* dst = out.data() + done;
    size_t dstLeft = out.size() - done;
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    done = out.size() - dstLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
    } else {  // EILSEQ or EINVAL: replace one byte and go on
      if (done + 1 > out.size()) out.resize(out.size() * 2);
      out[done++] = '?';
      ++src;
      --srcLeft;
    }
  }
  iconv_close(cd);
  out.resize(done);
  return out;
}

}  // namespace

std::string FromUtf8(std::string_view utf8) { return Convert("GBK", "UTF-8", utf8); }
std::string ToUtf8(std::string_view gbk) { return Convert("UTF-8", "GBK", gbk); }

}  // namespace cp936
