#include "base/regular_file.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "base/utf8_path.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

std::FILE* OpenRegularFile(const std::string& path) {
#ifdef _WIN32
  std::error_code ec;
  const auto status = std::filesystem::status(PathFromUtf8(path), ec);
  if (ec) {
    errno = ENOENT;
    return nullptr;
  }
  if (!std::filesystem::is_regular_file(status)) {
    errno = 0;
    return nullptr;
  }
  return OpenFileUtf8(path, "rb");
#else
  struct stat st{};
  if (::stat(path.c_str(), &st) != 0) return nullptr;
  if (!S_ISREG(st.st_mode)) {
    errno = 0;
    return nullptr;
  }
  // Non-blocking open, then a check of what was really opened: the path may have been
  // replaced by a FIFO in between.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) return nullptr;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    errno = 0;
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
#endif
}
