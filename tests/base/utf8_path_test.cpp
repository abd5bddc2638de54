// File names with Chinese characters through every file call, and the Win32 text boundary.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/atomic_file.h"
#include "base/regular_file.h"
#include "base/utf8_path.h"
#include "support/env.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first
#include <shellapi.h>

#include "base/win32_text.h"
#endif

namespace fs = std::filesystem;

namespace {

// A user folder and a desktop as a Chinese Windows names them, in a temporary folder.
class ChinesePaths : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("qx_utf8_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    desktop_ = PathToUtf8(root_) + kSep + "测试用户" + kSep + "桌面";
    ASSERT_TRUE(fs::create_directories(PathFromUtf8(desktop_)));
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  // The names the folder holds, as the system lists them.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(PathFromUtf8(desktop_))) names.push_back(PathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::string ReadAll(const std::string& path) {
    std::FILE* f = OpenRegularFile(path);
    if (f == nullptr) return "<cannot open>";
    std::string text;
    char buf[256];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
    return text;
  }
#ifdef _WIN32
  static constexpr const char* kSep = "\\";
#else
  static constexpr const char* kSep = "/";
#endif
  fs::path root_;
  std::string desktop_;
};

TEST_F(ChinesePaths, NamesSurviveThePathTypeAndTheFileCalls) {
  const std::string name = "站点配置-水文.cfg";
  const std::string file = desktop_ + kSep + name;
  // One name, whichever way it goes: UTF-8 in, the same UTF-8 out.
  EXPECT_EQ(PathToUtf8(PathFromUtf8(file)), file);
#ifdef _WIN32
  EXPECT_EQ(PathFromUtf8("测试用户").native(), std::wstring(L"\u6d4b\u8bd5\u7528\u6237"));
#else
  EXPECT_EQ(PathFromUtf8("测试用户").native(), "测试用户");
#endif

  std::string error;
  ASSERT_TRUE(WriteFileAtomically(file, "Modem Apn:  CMNET\r\n", &error)) << error;
  ASSERT_TRUE(WriteFileAtomically(file, "Modem Apn:  CMIOT\r\n", &error)) << error;
  EXPECT_EQ(Entries(), std::vector<std::string>{name});  // replaced, no temporary file left
  EXPECT_EQ(ReadAll(file), "Modem Apn:  CMIOT\r\n");

  std::FILE* log = OpenFileUtf8(desktop_ + kSep + "日志.txt", "ab");
  ASSERT_NE(log, nullptr);
  std::fputs("一行\n", log);
  std::fclose(log);
  EXPECT_EQ(ReadAll(desktop_ + kSep + "日志.txt"), "一行\n");
  EXPECT_EQ(Entries(), (std::vector<std::string>{"日志.txt", name}));  // in byte order
}

TEST_F(ChinesePaths, FailuresNameThePathAndTheReason) {
  const std::string missing = desktop_ + kSep + "没有" + kSep + "文件.cfg";
  std::string error;
  EXPECT_FALSE(WriteFileAtomically(missing, "x", &error));
  EXPECT_EQ(error.rfind(missing + ": ", 0), 0u) << error;
  EXPECT_GT(error.size(), missing.size() + 2) << error;
  EXPECT_EQ(OpenRegularFile(missing), nullptr);
  EXPECT_EQ(OpenRegularFile(desktop_), nullptr);  // a folder is no file
  EXPECT_TRUE(Entries().empty());
}

TEST(ProgramEnvironment, VariablesCarryChineseText) {
  SetEnv("QX310_TEST_UTF8", "C:\\Users\\测试用户\\AppData\\Local");
  EXPECT_EQ(EnvUtf8("QX310_TEST_UTF8"), "C:\\Users\\测试用户\\AppData\\Local");
  SetEnv("QX310_TEST_UTF8", nullptr);
  EXPECT_EQ(EnvUtf8("QX310_TEST_UTF8"), "");
}

TEST(ProgramEnvironment, ArgumentsAfterTheProgramName) {
#ifdef _WIN32
  // The wide command line, not argv: what this suite was started with, program name dropped.
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  ASSERT_NE(wide, nullptr);
  std::vector<std::string> expected;
  for (int i = 1; i < count; ++i) expected.push_back(Narrow(wide[i]));
  LocalFree(wide);
  char* ignored[] = {const_cast<char*>("ignored.exe"), const_cast<char*>("?")};
  EXPECT_EQ(ProgramArguments(2, ignored), expected);
#else
  char* argv[] = {const_cast<char*>("qx310-cli"), const_cast<char*>("load"), const_cast<char*>("-o"),
                  const_cast<char*>("桌面/站点.cfg")};
  EXPECT_EQ(ProgramArguments(4, argv), (std::vector<std::string>{"load", "-o", "桌面/站点.cfg"}));
  EXPECT_TRUE(ProgramArguments(1, argv).empty());
  EXPECT_TRUE(ProgramArguments(0, argv).empty());
#endif
}

#ifdef _WIN32
TEST(Win32Text, Utf16AndCodePage936BothWays) {
  const std::string utf8 = "测试用户 ABC";
  EXPECT_EQ(Widen(utf8), std::wstring(L"\u6d4b\u8bd5\u7528\u6237 ABC"));
  EXPECT_EQ(Narrow(Widen(utf8)), utf8);
  EXPECT_EQ(Narrow(Widen(utf8), 936), "\xb2\xe2\xca\xd4\xd3\xc3\xbb\xa7 ABC");
  EXPECT_EQ(Narrow(Widen("\xb2\xe2\xca\xd4", 936)), "测试");
  EXPECT_EQ(Widen(""), L"");
}

TEST(Win32Text, ErrorsInTheSystemsWords) {
  const std::string notFound = WindowsErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_GT(notFound.size(), std::string(" (Windows error 2)").size()) << notFound;
  EXPECT_EQ(notFound.substr(notFound.size() - 18), " (Windows error 2)") << notFound;
  EXPECT_EQ(notFound.find('\n'), std::string::npos) << notFound;
  EXPECT_EQ(WindowsErrorText(0x2345678u), "Windows error 36984440");  // no such message
}

// The wine stage runs its prefix as a Chinese Windows: code page 936 as the ANSI code page.
TEST(Win32Text, TheAnsiCodePageTheStageAskedFor) {
  const std::string wanted = EnvUtf8("QX310_TEST_ACP");
  if (wanted.empty()) GTEST_SKIP() << "QX310_TEST_ACP not set";
  EXPECT_EQ(std::to_string(GetACP()), wanted);
}

TEST(Win32Text, TheUsersLocalAppDataFolder) {
  const std::string folder = LocalAppDataFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(fs::is_directory(PathFromUtf8(folder))) << folder;
  // Where the wine stage's profile has a Chinese name, the folder carries it.
  if (const std::string user = EnvUtf8("QX310_TEST_USER"); !user.empty())
    EXPECT_NE(folder.find("\\" + user + "\\"), std::string::npos) << folder;
}
#endif

}  // namespace
