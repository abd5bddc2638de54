// Stored records: parsing one 40 KB batch (the most one exchange holds; target well
// under 1 ms) and writing the record file of a 100,000-record read.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "base/cp936.h"
#include "protocol/record_batch.h"

namespace {

std::string RecordLine(int i) {
  char line[160];
  std::snprintf(line, sizeof line, "Record:%d;%s;%d.%02d;m;2024/1/%d,%02d:%02d:00\r\n", i,
                GBK("水位").c_str(), 10 + i % 7, i % 100, 1 + i % 28, i % 24, i % 60);
  return line;
}

// Record lines up to just below 40960 bytes, then "leave".
std::string Batch40k() {
  std::string batch;
  for (int i = 1;; ++i) {
    const std::string line = RecordLine(i);
    if (batch.size() + line.size() + 9 > 40960) break;
    batch += line;
  }
  return batch + "\r\nleave\r\n";
}

void BM_ParseRecordBatch40k(benchmark::State& state) {
  const std::string batch = Batch40k();
  int records = 0;
  for (auto _ : state) {
    std::string text;
    text.reserve(batch.size());
    records = 0;
    benchmark::DoNotOptimize(ParseRecordBatch(batch, text, &records));
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(batch.size()));
  state.counters["batch_bytes"] = static_cast<double>(batch.size());
  state.counters["records"] = records;
}
BENCHMARK(BM_ParseRecordBatch40k)->Unit(benchmark::kMicrosecond);

void BM_WriteRecordFile100k(benchmark::State& state) {
  std::string text = RecordExportHeader();
  for (int i = 1; i <= 100000; ++i) {
    const std::string line = RecordLine(i);
    text.append(line, 7, std::string::npos);  // without "Record:"
  }
  const std::string path =
      (std::filesystem::temp_directory_path() / "qx_records_bench.csv").string();
  for (auto _ : state) {
    if (!WriteRecordFile(path, text)) state.SkipWithError("write failed");
  }
  std::filesystem::remove(path);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
  state.counters["file_bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_WriteRecordFile100k)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
