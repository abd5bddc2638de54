// The machine's halt flag (the command line's Ctrl-C) against a scripted device: an
// operation ends after the command in flight, with no recovery, retry, verification or
// acknowledgement after it; and a record read leaves the table's "Record:" entry as it was.
#include <gtest/gtest.h>

#include <atomic>

#include "cfg_fakes.h"
#include "config/picture_reader.h"
#include "config/record_reader.h"
#include "protocol/listing.h"

namespace {

const char kListing[] = "AT+SHOW\r\nModem Apn:  cmnet\r\nModem user name:  card\r\nModem call NO:  *99#\r\n";
const char kQueryLine[] = "AT+RDCHNNLRCRD=0;2024/1/5,0:0:0;2024/1/9,23:55:55\r\n";
const char kFile[] = "Modem Apn:  apn2\r\nModem user name:  user2\r\nModem call NO:  *98#\r\n";

class HaltTest : public MachineTest {
 protected:
  void SetUp() override {
    MachineTest::SetUp();
    machine.SetHaltFlag(&halt);
  }
  // A device that raises the flag while haltAt is under way (its answer still comes).
  void Respond(std::string haltAt, bool refuse = false) {
    device.SetResponder([this, haltAt, refuse](const std::string& w) -> Blocks {
      if (w == "AT+SHOW\r\n") return {kListing, Ok()};
      if (w == haltAt) {
        halt = true;
        if (refuse) return {Error()};
      }
      return Responsive(w);
    });
  }
  void LoadAndWriteFile() {
    Run(kOpLoadAll);
    machine.SetWriteOptions(true, false);
    device.ClearWrites();
    view.ClearRecords();
    ASSERT_TRUE(machine.StartWriteFromFile(kFile));
    RunToIdle();
  }
  CfgOutcome Outcome() {
    const FakeCfgView::Records r = view.R();
    return r.outcomes.empty() ? CfgOutcome{} : r.outcomes.back();
  }
  std::atomic<bool> halt{false};
};

TEST_F(HaltTest, AFileWriteEndsAfterTheSetterInFlightWithoutVerifying) {
  Respond("AT+USERNAME=user2\r\n");
  LoadAndWriteFile();
  EXPECT_EQ(device.Writes(), (std::vector<std::string>{"AT+APN=apn2\r\n", "AT+USERNAME=user2\r\n"}));
  const CfgOutcome o = Outcome();
  EXPECT_TRUE(o.halted);
  EXPECT_EQ(o.written, 2);
  EXPECT_EQ(o.failed, 0);
  EXPECT_FALSE(o.verified);
  EXPECT_EQ(machine.WorkMode(), kModeIdle);

  // Lowered again, the same file sends only what is left.
  halt = false;
  device.ClearWrites();
  view.ClearRecords();
  ASSERT_TRUE(machine.StartWriteFromFile(kFile));
  RunToIdle();
  EXPECT_EQ(device.Writes(), (std::vector<std::string>{"AT+CALLNO=*98#\r\n", "AT+SHOW\r\n"}));
  EXPECT_FALSE(Outcome().halted);
}

TEST_F(HaltTest, ARefusedSetterGetsNoRecoveryAndALoadNoSecondAttempt) {
  Respond("AT+APN=apn2\r\n", true);
  LoadAndWriteFile();
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+APN=apn2\r\n"});  // no "---", no retry
  const CfgOutcome o = Outcome();
  EXPECT_TRUE(o.halted);
  EXPECT_EQ(o.written, 0);
  EXPECT_EQ(o.failed, 1);

  device.ClearWrites();
  device.SetResponder([](const std::string& w) -> Blocks { return {w == "---" ? CmdOk() : Error()}; });
  Run(kOpLoadAll);
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+SHOW\r\n"});
  EXPECT_EQ(Outcome().end, CfgEnd::kFailed);
}

TEST_F(HaltTest, ARecordReadAcknowledgesNoBatchAfterItAndASnapshotStopsWaiting) {
  const std::string before = BuildListing();
  device.SetResponder([this](const std::string& w) -> Blocks {
    if (w != kQueryLine) return {Ok()};
    halt = true;
    return {Ok(), "Record:1;a\r\nRecord:2;b\r\n\r\nleave\r\n"};
  });
  RecordReader& records = machine.Records();
  ASSERT_TRUE(records.Request(0, {2024, 1, 5}, {2024, 1, 9}));
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.Writes(), std::vector<std::string>{kQueryLine});
  EXPECT_EQ(records.End(), RecordReadEnd::Cancelled);
  EXPECT_EQ(records.State(), ExportState::Failed);
  EXPECT_EQ(records.Records(), 2);
  EXPECT_EQ(BuildListing(), before);
  records.SetIdle();

  halt = false;
  device.ClearWrites();
  device.SetResponder([this](const std::string& w) -> Blocks {
    if (w == "AT+TESTCAM=1\r\n") halt = true;
    return {"\r\nOK\r\n"};  // a header that never completes
  });
  PictureReader& picture = machine.Pictures();
  ASSERT_TRUE(picture.Request(1));
  const int64_t start = Timing::NowMs();
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(picture.End(), PictureReadEnd::Cancelled);
  EXPECT_EQ(picture.State(), PictureState::Failed);
  // Well inside the picture's own limit.
  EXPECT_LT(Timing::NowMs() - start, Timing::Scaled(kPictureLimitMs) / 2);
}

// The read's command lines go through the table's "Record:" entry, which the listing shows:
// after a read the entry holds what it held before, so a .cfg saved then has no stray line.
TEST_F(HaltTest, ARecordReadLeavesTheListingAsItWas) {
  device.SetResponder([](const std::string& w) -> Blocks {
    if (w == "AT+SHOW\r\n") return {kListing, Ok()};
    if (w == kQueryLine) return {Ok(), "Record:1;a\r\n\r\nleave\r\n"};
    return {"Record:2;b\r\n\r\nOK\r\n"};
  });
  Run(kOpLoadAll);
  device.ClearWrites();
  const std::string before = BuildListing();
  RecordReader& records = machine.Records();
  ASSERT_TRUE(records.Request(0, {2024, 1, 5}, {2024, 1, 9}));
  machine.WorkerTurn();
  RunToIdle();
  ASSERT_EQ(records.End(), RecordReadEnd::Complete);
  EXPECT_EQ(records.Records(), 2);
  EXPECT_EQ(device.Writes().front(), kQueryLine);
  EXPECT_EQ(BuildListing(), before);
  EXPECT_EQ(BuildListing().find("\r\nOK\r\n"), std::string::npos);
}

}  // namespace
