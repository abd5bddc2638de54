// Complete-or-nothing file writing.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/utf8_path.h"

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Each test in a folder of its own; Entries names what the folder holds afterwards.
class AtomicFile : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("qx_atomic_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string PathOf(const std::string& name) const { return PathToUtf8(dir_ / name); }
  static std::string ReadRaw(const std::string& path) {
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(PathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

TEST_F(AtomicFile, WritesANewFileAndReplacesAnOldOneKeepingItsPermissions) {
  const std::string path = PathOf("RTU_12345678.cfg");
  EXPECT_TRUE(WriteFileAtomically(path, "first\r\n"));
  EXPECT_EQ(ReadRaw(path), "first\r\n");
#ifndef _WIN32
  ::chmod(path.c_str(), 0640);
#endif
  EXPECT_TRUE(WriteFileAtomically(path, "second\r\n"));
  EXPECT_EQ(ReadRaw(path), "second\r\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"RTU_12345678.cfg"});
#ifndef _WIN32
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
}

TEST_F(AtomicFile, AFailedWriteLeavesNothingBehind) {
  // The target is a folder.
  const std::string folder = PathOf("folder.cfg");
  fs::create_directory(PathFromUtf8(folder));
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(folder, "x", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(fs::is_directory(PathFromUtf8(folder)));

  // The folder does not exist.
  EXPECT_FALSE(WriteFileAtomically(PathOf("nowhere/a.cfg"), "x"));
  EXPECT_EQ(Entries(), std::vector<std::string>{"folder.cfg"});
}

#ifndef _WIN32
TEST_F(AtomicFile, AWriteThatFailsHalfwayKeepsTheOldFile) {
  const std::string path = PathOf("RTU_1.cfg");
  std::ofstream(PathFromUtf8(path), std::ios::binary) << "old contents\r\n";

  // Files may grow to 16 bytes only: the write of the new text fails part way.
  struct sigaction ignore {}, previous {};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit old{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
  rlimit small = old;
  small.rlim_cur = 16;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  std::string error;
  const bool written = WriteFileAtomically(path, std::string(4096, 'n'), &error);
  ::setrlimit(RLIMIT_FSIZE, &old);
  ::sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_FALSE(written);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadRaw(path), "old contents\r\n");
  EXPECT_EQ(Entries(), std::vector<std::string>{"RTU_1.cfg"});
}

#endif

}  // namespace
