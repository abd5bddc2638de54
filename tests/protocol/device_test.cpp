// The protocol core against the device: its whole listing, cut into small blocks with
// NUL bytes, and the port vanishing during the listing.
#include <gtest/gtest.h>

#include <future>

#include "protocol/listing.h"
#include "protocol_support.h"
#include "support/wait.h"

namespace {

using Device = DeviceFixture;

TEST_F(Device, ListingInSmallBlocksWithNulBytesStillLoads) {
  sim.SetChunking(97, 5);  // about 200 blocks
  sim.SetNulBytes(true);
  sim.SetValue("Modem Apn:", "chunked");
  Load();
  // Every instance the table has is read, under the label the device lists it by.
  const ParamEntry* entries = ParamTableEntries();
  for (int pos = 0; pos < 164; ++pos) {
    for (int n = 1; n <= entries[pos].count; ++n) {
      const std::string label = FormatLabel(entries[pos], n);
      EXPECT_FALSE(sim.Value(label).empty()) << label;
      EXPECT_EQ(GetRawValue(entries[pos], n - 1), sim.Value(label)) << label;
    }
  }
  EXPECT_EQ(GetParamText(23, 0), "chunked");
}

TEST_F(Device, PortVanishingInTheListingFailsWithoutHangOrCrash) {
  sim.SetBaudPacing(38400);  // the listing takes several hundred ms of scaled time
  std::future<int> show = std::async(std::launch::async, [this] {
    std::string line;
    return exchange.RunCommand(kCmdShow, 0, line);
  });
  ASSERT_TRUE(WaitUntil([this] { return loop->BytesReceived() >= 200; }, Within(16000)));
  sim.VanishPort();

  // The exchange ends within its limit (plus a margin) and reports failure.
  ASSERT_EQ(show.wait_for(std::chrono::milliseconds(Within(16000))),
            std::future_status::ready);
  EXPECT_EQ(show.get(), 0);
  EXPECT_TRUE(loop->SawVanish());
  EXPECT_FALSE(serial.IsOpen());
  // Nothing from the cut listing reached the table.
  EXPECT_EQ(GetParamText(0, 0), "");
  EXPECT_EQ(GetParamText(23, 0), "");
  // Later operations fail at once on the closed port.
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  EXPECT_TRUE(RunWriteAll(exchange, view).gaveUp);
}

}  // namespace
