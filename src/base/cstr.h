#pragma once
// C-style number helpers with the exact behaviour of the C library calls the
// device texts were designed around.
#include <string>
#include <string_view>

namespace cstr {

// atoi: skips leading white space, optional sign, decimal digits; stops at the
// first other character; 0 when there are no digits. Saturates instead of overflowing.
int Atoi(std::string_view s);
long Atol(std::string_view s);

// "%d" and "%u" of an int ("%u" of -1 is "4294967295").
std::string FormatD(int v);
std::string FormatU(int v);

}  // namespace cstr
