// The protocol core against the simulated device.
#include <gtest/gtest.h>

#include <future>

#include "protocol/listing.h"
#include "protocol_support.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "support/wait.h"

namespace {

// The simulator on a pseudo-terminal through a real CSerial, in its configuration state.
// Time is scaled (the device's delays too): a parameter's 1000 ms limit becomes 200 ms.
class Device : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(0.2);
    ResetParamValues();
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(serial.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone))
        << serial.LastOpenError();
    loop = ReceiveInto(serial, exchange);
    ASSERT_EQ(exchange.RunCommand(kCmdProbe, 0, line), 1);
    ASSERT_EQ(sim.GetState(), RtuSimulator::State::Config);
  }
  void TearDown() override {
    loop.reset();
    serial.Close();
    sim.Stop();
    Timing::SetScale(1.0);
  }

  RtuSimulator sim;
  CSerial serial;
  CommandExchange exchange{serial};
  std::string line;
  std::unique_ptr<PortReader> loop;  // declared last: stops first
};

TEST_F(Device, ListingInSmallBlocksWithNulBytesStillLoads) {
  sim.SetChunking(97, 5);  // about 200 blocks
  sim.SetNulBytes(true);
  sim.SetValue("Modem Apn:", "chunked");
  ASSERT_EQ(exchange.RunCommand(kCmdShow, 0, line), 1);
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
  std::future<int> show = std::async(std::launch::async, [this] { return exchange.RunCommand(kCmdShow, 0, line); });
  ASSERT_TRUE(WaitUntil([this] { return loop->BytesReceived() >= 200; }, Within(16000)));
  sim.VanishPort();

  // The exchange ends within its limit (plus a margin) and reports failure.
  ASSERT_EQ(show.wait_for(std::chrono::milliseconds(Within(16000))), std::future_status::ready);
  EXPECT_EQ(show.get(), 0);
  EXPECT_TRUE(loop->SawVanish());
  EXPECT_FALSE(serial.IsOpen());
  // Nothing from the cut listing reached the table.
  EXPECT_EQ(GetParamText(0, 0), "");
  EXPECT_EQ(GetParamText(23, 0), "");
}

}  // namespace
