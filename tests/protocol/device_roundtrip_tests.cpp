// Round trips against the device: loading the listing, writing changed values back,
// and configuration files built from the table and read back in.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>

#include "device_fixture.h"
#include "protocol/listing.h"

namespace {

using Lines = std::vector<std::string>;

class DeviceRoundTrip : public DeviceFixture {
 protected:
  std::string TempPath(const char* name) {
    return "/tmp/qx_exchange_" + std::to_string(::getpid()) + "_" + name + ".cfg";
  }
  // Saves the table as a file, then reads and parses it back, as "从配置文件配置" does.
  void LoadFileText(const std::string& text) {
    const std::string path = TempPath("roundtrip");
    ASSERT_EQ(WriteFileAtomically(path, text), CfgFileResult::Ok);
    std::string read;
    ASSERT_EQ(ReadCfgFile(path, read), CfgFileResult::Ok);
    std::remove(path.c_str());
    ASSERT_EQ(read, text);
    ParseListing(read.data(), static_cast<int>(read.size()));
  }
};

TEST_F(DeviceRoundTrip, ShowFillsEveryInstanceWithTheDevicesValue) {
  sim.SetValue("Server2's port:", "5005");
  sim.SetValue("Channel07 type:", "401");
  sim.SetValue("Protocol text type:", "5");
  Load();
  const std::string listing = "\r\n" + sim.Listing();
  const ParamEntry* entries = ParamTableEntries();
  int instances = 0;
  for (int pos = 0; pos < kParamEntryCount; ++pos) {
    const ParamEntry& e = entries[pos];
    if (e.id > 163 || e.count == 0) continue;
    for (int n = 1; n <= e.count; ++n) {
      const std::string label = FormatLabel(e, n);
      ASSERT_NE(listing.find("\r\n" + label), std::string::npos) << label;
      EXPECT_EQ(GetRawValue(e, n - 1), sim.Value(label)) << label;
      ++instances;
    }
  }
  EXPECT_GT(instances, 700);
  EXPECT_EQ(GetParamText(21, 1), "5005");
  EXPECT_EQ(GetParamText(30, 6), "401");
  EXPECT_EQ(g_nProtocolKind.load(), 2);
  EXPECT_TRUE(sim.ReceivedCommands().empty());  // Load cleared the AT+SHOW it sent
}

TEST_F(DeviceRoundTrip, OneChangedValueSendsExactlyThatLineAndTheDeviceStoresIt) {
  Load();
  FakeView view;
  view.pages[{23, 0}] = "cmiot.apn";
  const OperationOutcome outcome = RunWriteAll(exchange, view);
  EXPECT_EQ(outcome.recoveries, 0);
  EXPECT_EQ(sim.ReceivedCommands(), Lines{"AT+APN=cmiot.apn"});
  EXPECT_EQ(sim.Value("Modem Apn:"), "cmiot.apn");
  EXPECT_EQ(view.log, (Lines{"AT+APN=cmiot.apn\r\n", kLogSetOk}));
  EXPECT_EQ(GetParamText(23, 0), "cmiot.apn");

  // Instances carry two digits on the wire; the device lists most without the zero.
  sim.ClearReceived();
  view.pages[{31, 6}] = "12";
  view.pages[{21, 1}] = "6006";
  RunWriteAll(exchange, view);
  EXPECT_EQ(sim.ReceivedCommands(), (Lines{"AT+MULTIPORT02=6006", "AT+CHNSVLEN07=12"}));
  EXPECT_EQ(sim.Value("Channel07 save length:"), "12");
  EXPECT_EQ(sim.Value("Server2's port:"), "6006");

  // A write after an unchanged load sends nothing.
  sim.ClearReceived();
  Load();
  FakeView fresh;
  RunWriteAll(exchange, fresh);
  EXPECT_TRUE(sim.ReceivedCommands().empty());
}

TEST_F(DeviceRoundTrip, SavedFileReadBackSendsNothing) {
  Load();
  FakeView view;
  const std::string text = BuildListing();
  ASSERT_FALSE(text.empty());
  LoadFileText(text);
  PendingFileValues pending;
  RunWriteFromFile(exchange, view, pending);
  EXPECT_TRUE(sim.ReceivedCommands().empty());
  EXPECT_TRUE(view.log.empty());
  EXPECT_TRUE(view.loads.empty());
}

TEST_F(DeviceRoundTrip, FileWithOneChangedLineSendsThatLine) {
  Load();
  FakeView view;
  std::string text = BuildListing();
  const std::string old = "Modem Apn:  " + sim.Value("Modem Apn:") + "\r\n";
  const size_t at = text.find(old);
  ASSERT_NE(at, std::string::npos);
  text.replace(at, old.size(), "Modem Apn:  file.apn\r\n");
  LoadFileText(text);
  PendingFileValues pending;
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

}  // namespace
