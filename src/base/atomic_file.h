#pragma once
// Complete-or-nothing file writing.
#include <string>

// Writes text to path atomically: a temporary file beside path, then rename. The new file
// keeps the permissions of the one it replaces. On failure (error says why, naming the
// path) the old file, if any, is untouched and no temporary file is left.
bool WriteFileAtomically(const std::string& path, const std::string& text,
                         std::string* error = nullptr);
