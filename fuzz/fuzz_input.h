#pragma once
// Splitting one fuzz input into parts, for targets that take blocks or arguments.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// Blocks of a receive stream: each block is one length byte, then that many bytes (a
// length beyond the input takes the rest).
inline std::vector<std::string_view> LengthPrefixedBlocks(const uint8_t* data, size_t size) {
  std::vector<std::string_view> blocks;
  size_t pos = 0;
  while (pos < size) {
    const size_t n = std::min<size_t>(data[pos], size - pos - 1);
    blocks.emplace_back(reinterpret_cast<const char*>(data) + pos + 1, n);
    pos += 1 + n;
  }
  return blocks;
}

// Fails the run with a message: a finding.
#define FUZZ_CHECK(cond)                                                   \
  do {                                                                     \
    if (!(cond)) {                                                         \
      __builtin_fprintf(stderr, "check failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                        \
    }                                                                      \
  } while (0)
