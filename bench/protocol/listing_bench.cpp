// Parsing and building a full parameter listing (every instance of every parameter
// with a realistic value), as the AT+SHOW reply and the .cfg file carry it.
// Target: parsing well under 1 ms.
#include <benchmark/benchmark.h>

#include <string>

#include "protocol/listing.h"
#include "protocol/param_table.h"

namespace {

// Values of the kind the device prints: numbers, addresses, codes.
void FillTable() {
  ResetParamValues();
  const ParamEntry* entries = ParamTableEntries();
  for (int pos = 0; pos < 164; ++pos) {
    for (int i = 0; i < entries[pos].count; ++i) {
      std::string value;
      switch ((pos + i) % 4) {
        case 0: value = std::to_string(1000 + pos * 7 + i); break;
        case 1: value = "192.168." + std::to_string(i) + "." + std::to_string(pos); break;
        case 2: value = "8-NON-1"; break;
        default: value = "0"; break;
      }
      SetRawValue(entries[pos], i, value);
    }
  }
}

std::string DeviceReply() {
  FillTable();
  return "AT+SHOW\r\n" + BuildListing() + "\r\nOK\r\n";
}

void BM_ParseListing(benchmark::State& state) {
  const std::string reply = DeviceReply();
  for (auto _ : state) {
    benchmark::DoNotOptimize(ParseListing(reply.data(), static_cast<int>(reply.size())));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(reply.size()));
  state.counters["listing_bytes"] = static_cast<double>(reply.size());
}
BENCHMARK(BM_ParseListing)->Unit(benchmark::kMicrosecond);

void BM_BuildListing(benchmark::State& state) {
  FillTable();
  size_t size = 0;
  for (auto _ : state) {
    const std::string text = BuildListing();
    size = text.size();
    benchmark::DoNotOptimize(text.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(size));
  state.counters["listing_bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_BuildListing)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
