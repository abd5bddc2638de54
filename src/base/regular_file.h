#pragma once
// Opening a file for reading only when it is a regular file: a FIFO, a device or a
// folder given where a file is expected is refused at once instead of blocking.
#include <cstdio>
#include <string>

// Opens path (UTF-8) for binary reading. nullptr when it cannot be opened (errno says why) or
// when it is no regular file (errno 0 then). Close the result with std::fclose.
std::FILE* OpenRegularFile(const std::string& path);
