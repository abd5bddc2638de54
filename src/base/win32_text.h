#pragma once
// Text at the Win32 boundary: UTF-8 (the program's own) to UTF-16 (the W functions) and
// back, and the system's own words for an error code.
#ifdef _WIN32
#include <string>
#include <string_view>

// text in code page codePage (UTF-8 unless told) as UTF-16; invalid bytes become U+FFFD.
std::wstring Widen(std::string_view text, unsigned codePage = 65001);
// UTF-16 as text in code page codePage (UTF-8 unless told).
std::string Narrow(std::wstring_view wide, unsigned codePage = 65001);

// What Windows says about the error code, in the system's language, in UTF-8, followed by
// the code: "拒绝访问。 (Windows error 5)". "Windows error N" alone when it has no text.
std::string WindowsErrorText(unsigned long code);

// The user's local application data folder (%LOCALAPPDATA%) in UTF-8; empty if unknown.
std::string LocalAppDataFolder();
#endif
