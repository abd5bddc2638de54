// The listing parser on any text: no crash, and what it stored builds a listing that
// parses back to the same table.
#include "fuzz_input.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetParamValues();
  if (ParseListing(reinterpret_cast<const char*>(data), static_cast<int>(size)) == 1) {
    const std::string built = BuildListing();
    FUZZ_CHECK(built.size() <= static_cast<size_t>(kListingMaxBytes));
    ResetParamValues();
    FUZZ_CHECK(ParseListing(built.data(), static_cast<int>(built.size())) == 1);
    FUZZ_CHECK(BuildListing() == built);
  }
  return 0;
}
