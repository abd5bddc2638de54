// Writing a file so that it is replaced completely or not at all: a temporary file
// beside the target, flushed to disk, then renamed over it.
#include "base/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#ifdef _WIN32
#include <windows.h>

#include "base/win32_text.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::atomic<unsigned> g_tempCounter{0};

void SetError(std::string* error, const std::string& what, const std::string& detail) {
  if (error) *error = what + ": " + detail;
}

#ifndef _WIN32

std::string ParentFolder(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

std::string TempName(const std::string& path) {
  return path + ".tmp-" + std::to_string(static_cast<long>(getpid())) + "-" +
         std::to_string(g_tempCounter.fetch_add(1));
}

bool WriteAllBytes(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool WritePosix(const std::string& path, const std::string& text, std::string* error) {
  struct stat old {};
  const bool exists = ::stat(path.c_str(), &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) {
    SetError(error, path, "not a regular file");
    return false;
  }

  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = TempName(path);
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    SetError(error, path, std::strerror(errno));
    return false;
  }

  // The new file keeps the permissions of the one it replaces.
  bool ok = !exists || ::fchmod(fd, old.st_mode & 07777) == 0;
  ok = ok && WriteAllBytes(fd, text) && ::fsync(fd) == 0;
  int savedErrno = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    savedErrno = errno;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    ok = false;
    savedErrno = errno;
  }
  if (!ok) {
    ::unlink(temp.c_str());
    SetError(error, path, std::strerror(savedErrno));
    return false;
  }
  // Make the rename itself durable; the file is complete either way.
  const int dir = ::open(ParentFolder(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

#else  // _WIN32

std::string TempName(const std::string& path) {
  return path + ".tmp-" + std::to_string(static_cast<unsigned long>(GetCurrentProcessId())) +
         "-" + std::to_string(g_tempCounter.fetch_add(1));
}

bool WriteWin32(const std::string& path, const std::string& text, std::string* error) {
  const std::wstring target = Widen(path);
  const DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    SetError(error, path, "not a regular file");
    return false;
  }
  std::wstring temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = Widen(TempName(path));
    h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                    nullptr);
    if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (h == INVALID_HANDLE_VALUE) {
    SetError(error, path, WindowsErrorText(GetLastError()));
    return false;
  }
  bool ok = true;
  size_t done = 0;
  while (ok && done < text.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(text.size() - done);
    ok = WriteFile(h, text.data() + done, chunk, &written, nullptr) && written > 0;
    done += written;
  }
  ok = ok && FlushFileBuffers(h);
  DWORD code = ok ? 0 : GetLastError();
  if (!CloseHandle(h) && ok) {
    ok = false;
    code = GetLastError();
  }
  if (ok && !MoveFileExW(temp.c_str(), target.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    ok = false;
    code = GetLastError();
  }
  if (!ok) {
    DeleteFileW(temp.c_str());
    SetError(error, path, WindowsErrorText(code));
    return false;
  }
  return true;
}

#endif

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& text,
                                  std::string* error) {
#ifdef _WIN32
  return WriteWin32(path, text, error);
#else
  return WritePosix(path, text, error);
#endif
}
