#pragma once
// File names inside the program are UTF-8 std::strings on every system: what the command
// line, the .cfg writer, the messages and Qt (QString::toStdString) already hold, printable
// as they are. They become native only at the system call: UTF-16 for the Win32 W
// functions and std::filesystem on Windows, the bytes themselves on Linux.
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A UTF-8 file name as a std::filesystem::path (on Windows std::filesystem::path(std::string)
// would decode it as the C locale's 8-bit text instead).
std::filesystem::path PathFromUtf8(std::string_view utf8);
// The path's name in UTF-8.
std::string PathToUtf8(const std::filesystem::path& path);

// std::fopen for a UTF-8 file name (_wfopen on Windows); errno says why on failure.
std::FILE* OpenFileUtf8(const std::string& path, const char* mode);

// An environment variable's value in UTF-8 (on Windows read through the wide environment);
// empty when it is not set.
std::string EnvUtf8(const char* name);

// The program's arguments after its own name, in UTF-8. On Windows they are read from the
// wide command line (GetCommandLineW), since a MinGW program's argv holds the ANSI code
// page's text, which cannot carry every file name; elsewhere argv itself.
std::vector<std::string> ProgramArguments(int argc, char** argv);
