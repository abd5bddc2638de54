// The protocol core against the device: loading the listing, writing changed values
// back, configuration files read back in, and faults (a refused write, silence,
// replies cut into blocks with NUL bytes, the port vanishing during the listing).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <future>

#include "protocol/listing.h"
#include "protocol_support.h"
#include "support/wait.h"

namespace {

class Device : public DeviceFixture {
 protected:
  // Writes text as a file, reads it back and parses it, as "从配置文件配置" does.
  void LoadFileText(const std::string& text) {
    const std::string path = "/tmp/qx_device_test_" + std::to_string(::getpid()) + ".cfg";
    ASSERT_EQ(WriteFileAtomically(path, text), CfgFileResult::Ok);
    std::string read;
    ASSERT_EQ(ReadCfgFile(path, read), CfgFileResult::Ok);
    std::remove(path.c_str());
    ASSERT_EQ(read, text);
    ParseListing(read.data(), static_cast<int>(read.size()));
  }
};

TEST_F(Device, ShowFillsEveryInstanceWithTheDevicesValue) {
  sim.SetValue("Server2's port:", "5005");
  sim.SetValue("Channel07 type:", "401");
  sim.SetValue("Protocol text type:", "5");
  Load();
  const std::string listing = "\r\n" + sim.Listing();
  const ParamEntry* entries = ParamTableEntries();
  int instances = 0;
  for (int pos = 0; pos < kParamEntryCount; ++pos) {
    const ParamEntry& e = entries[pos];
    for (int n = 1; e.id <= 163 && n <= e.count; ++n, ++instances) {
      const std::string label = FormatLabel(e, n);
      ASSERT_NE(listing.find("\r\n" + label), std::string::npos) << label;
      EXPECT_EQ(GetRawValue(e, n - 1), sim.Value(label)) << label;
    }
  }
  EXPECT_EQ(instances, 757);
  EXPECT_EQ(GetParamText(21, 1), "5005");
  EXPECT_EQ(GetParamText(30, 6), "401");
  EXPECT_EQ(g_nProtocolKind.load(), 2);
}

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

TEST_F(Device, SavedFileReadBackSendsNothingAndAChangedLineSendsThatLine) {
  Load();
  FakeView view;
  std::string text = BuildListing();
  LoadFileText(text);
  PendingFileValues pending;
  RunWriteFromFile(exchange, view, pending);
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_TRUE(view.log.empty());
  EXPECT_TRUE(view.loads.empty());

  const std::string old = "Modem Apn:  " + sim.Value("Modem Apn:") + "\r\n";
  const size_t at = text.find(old);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, old.size(), "Modem Apn:  file.apn\r\n");
  LoadFileText(text);
  RunWriteFromFile(exchange, view, pending);
  EXPECT_EQ(sim.ReceivedCommands(), Lines{"AT+APN=file.apn"});
  EXPECT_EQ(sim.Value("Modem Apn:"), "file.apn");
  EXPECT_EQ(view.pages[std::make_pair(23, 0)], "file.apn");

  // A file holding only that line changes only that parameter.
  sim.ClearReceived();
  LoadFileText("Modem Apn:  second.apn\r\n");
  RunWriteFromFile(exchange, view, pending);
  EXPECT_EQ(sim.ReceivedCommands(), Lines{"AT+APN=second.apn"});
  EXPECT_EQ(sim.Value("Modem Apn:"), "second.apn");
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

TEST_F(Device, SilentDeviceIsGivenUpWithinTheStatedLimits) {
  Load();
  const std::string before = GetParamText(23, 0).value_or("");
  FakeView view;
  view.pages[{23, 0}] = "cmiot";
  sim.SetSilent(true);
  const int64_t start = Timing::NowMs();
  const OperationOutcome outcome = RunWriteAll(exchange, view);
  const int64_t took = Timing::NowMs() - start;
  EXPECT_TRUE(outcome.gaveUp);
  // One write (1000 ms) and three probes (5000 ms each) ran out.
  EXPECT_GE(took, Timing::Scaled(1000) + 3 * Timing::Scaled(5000));
  ASSERT_TRUE(sim.WaitForReceived("---", 3, 2000));
  EXPECT_EQ(sim.ReceivedCommands(), (Lines{"AT+APN=cmiot", "---", "---", "---"}));
  EXPECT_EQ(GetParamText(23, 0), before);
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
