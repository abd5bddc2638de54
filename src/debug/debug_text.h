#pragma once
// Text helpers of the debug console: the hex input parser, the text and hex
// renderings of received bytes, and the default name of a saved log.
#include <ctime>
#include <string>
#include <string_view>

namespace debug_text {

// The hex send buffer holds at most this many bytes.
constexpr int kHexSendMax = 5120;

enum class HexParse { Ok, InvalidChar, TooLong };

// Parses hex input: blanks are skipped anywhere; the other characters must be hex
// digits, taken in pairs, high nibble first; a dangling last digit is dropped.
// On InvalidChar or TooLong (a digit after kHexSendMax bytes) out is emptied.
HexParse ParseHex(std::string_view input, std::string& out);

// Each byte as two upper-case hex digits followed by a blank ("41 42 0D 0A ").
std::string RenderHex(std::string_view bytes);
// The bytes unchanged except NUL, which shows as '#'.
std::string RenderText(std::string_view bytes);

// "Log%d_%d_%d_%02d-%02d-%02d" of the local time t (now when 0), e.g. Log2024_5_7_09-03-01.
std::string DefaultLogFileName(std::time_t t = 0);

}  // namespace debug_text
