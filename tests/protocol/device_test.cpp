// The protocol core against the device: writing changed values back, and faults (a
// refused write, replies cut into blocks with NUL bytes, the port vanishing during the
// listing).
#include <gtest/gtest.h>

#include <future>

#include "protocol/listing.h"
#include "protocol_support.h"
#include "support/wait.h"

namespace {

using Device = DeviceFixture;

TEST_F(Device, OneChangedValueSendsExactlyThatLineAndTheDeviceStoresIt) {
  Load();
  FakeView view;
  view.pages[{23, 0}] = "cmiot.apn";
  EXPECT_EQ(RunWriteAll(exchange, view).recoveries, 0);
  EXPECT_EQ(sim.ReceivedCommands(), Lines{"AT+APN=cmiot.apn"});
  EXPECT_EQ(sim.Value("Modem Apn:"), "cmiot.apn");
  EXPECT_EQ(view.log, (Lines{"AT+APN=cmiot.apn\r\n", kLogSetOk}));
  EXPECT_EQ(GetParamText(23, 0), "cmiot.apn");
  ASSERT_EQ(view.results.size(), 1u);
  EXPECT_TRUE(view.results[0].ok && view.results[0].final);

  // Instances carry two digits on the wire; the device lists most without the zero.
  sim.ClearReceived();
  view.pages[{31, 6}] = "12";
  view.pages[{21, 1}] = "6006";
  RunWriteAll(exchange, view);
  EXPECT_EQ(sim.ReceivedCommands(), (Lines{"AT+MULTIPORT02=6006", "AT+CHNSVLEN07=12"}));
  EXPECT_EQ(sim.Value("Channel07 save length:"), "12");
  EXPECT_EQ(sim.Value("Server2's port:"), "6006");

  // A write after an unchanged load sends nothing.
  Load();
  FakeView fresh;
  RunWriteAll(exchange, fresh);
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_TRUE(fresh.log.empty());
}

TEST_F(Device, ErrorOnceThenOkRecoversAndWrites) {
  Load();
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  sim.SetErrorFor("AT+APN", 1);
  const OperationOutcome outcome = RunWriteAll(exchange, view);
  EXPECT_EQ(outcome.passes, 2);
  EXPECT_EQ(outcome.recoveries, 1);
  EXPECT_FALSE(outcome.gaveUp);
  // The device left its configuration state on the first "---" (CMD ERROR) and
  // came back on the second (CMD OK).
  EXPECT_EQ(sim.ReceivedCommands(), (Lines{"AT+APN=cmiot", "---", "---", "AT+APN=cmiot"}));
  EXPECT_EQ(sim.GetState(), RtuSimulator::State::Config);
  EXPECT_EQ(sim.Value("Modem Apn:"), "cmiot");
  EXPECT_EQ(GetParamText(23, 0), "cmiot");
  EXPECT_EQ(view.log, (Lines{"AT+APN=cmiot\r\n", "AT+APN=cmiot\r\n", kLogSetOk}));
  ASSERT_EQ(view.results.size(), 2u);
  EXPECT_FALSE(view.results[0].ok || view.results[0].final);  // handed over to recovery
  EXPECT_TRUE(view.results[1].ok && view.results[1].final);
}

TEST_F(Device, ListingInSmallBlocksWithNulBytesStillLoads) {
  sim.SetChunking(97, 5);  // about 200 blocks
  sim.SetNulBytes(true);
  sim.SetValue("Modem Apn:", "chunked");
  Load();
  EXPECT_EQ(GetParamText(23, 0), "chunked");
  EXPECT_EQ(GetParamText(30, 29), sim.Value("Channel30 type:"));
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
