// The workspace's search: one keystroke's search over all parameter instances (757), for
// queries as a user types them; prints the time per search. Target: under 5 ms.
//   bench_config_search [repetitions, default 2000]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "config/field_help.h"
#include "config/field_search.h"

int main(int argc, char** argv) {
  const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  const auto built = std::chrono::steady_clock::now();
  const FieldSearch search(field_help::DescribeAll());
  const double buildMs =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - built).count();
  std::printf("index of %zu instances built in %.2f ms (once, at the first keystroke)\n", search.Fields().size(),
              buildMs);
  double worst = 0;
  for (const std::string query : {"A", "AP", "APN", "端", "端口", "AT+MULTIPORT", "通道07 存储", "no such field"}) {
    size_t hits = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int r = 0; r < reps; ++r) hits += search.Find(query, 200).size();
    const double us =
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() / reps;
    worst = std::max(worst, us);
    std::printf("%-16s %4zu matches  %8.1f us per search\n", query.c_str(), hits / static_cast<size_t>(reps), us);
  }
  std::printf("slowest: %.3f ms per keystroke (target < 5 ms)\n", worst / 1000);
  return 0;
}
