// Operations 10 (stored records) and 11 (camera snapshot) on the configuration
// machine, against the scripted device (its replies arrive while the command is
// written, so no batch can come late however busy the machine is).
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "cfg_fakes.h"
#include "config/picture_reader.h"
#include "config/record_reader.h"
#include "sim/rtu_sim.h"

namespace {

class RecordsOps : public MachineTest {
 protected:
  void RunPending() {  // the idle turn takes the request
    machine.WorkerTurn();
    RunToIdle();
    ASSERT_EQ(machine.WorkMode(), kModeIdle);
  }
  void Reset(ScriptedDevice::Responder r) {  // a new device on the line
    device.ClearWrites();
    device.SetResponder(std::move(r));
  }

  RecordReader& records = machine.Records();
  PictureReader& picture = machine.Pictures();
};

const char kQueryLine[] = "AT+RDCHNNLRCRD=0;2024/1/5,0:0:0;2024/1/9,23:55:55\r\n";

struct ReadFailure {
  const char* name;
  std::function<Replies(const std::string&)> device;
  RecordReadEnd end;
  int records;
  int queries;  // query lines sent
};

TEST_F(RecordsOps, FailedReadsEndInFailureWithWhatTheyCollected) {
  const std::string batch = "Record:1;a\r\nRecord:2;b\r\n\r\nleave\r\n";
  const std::vector<ReadFailure> cases = {
      {"silence after the first batch",
       [&](const std::string& w) -> Replies { return w == kQueryLine ? Replies{Ok(), batch} : Replies{}; },
       RecordReadEnd::Silence, 2, 1},
      {"garbage after an acknowledgement",
       [&](const std::string& w) -> Replies {
         return w == kQueryLine ? Replies{Ok(), batch} : Replies{"\r\nERROR\r\n"};
       },
       RecordReadEnd::Garbled, 2, 1},
      {"batch starting with the command's echo",
       [&](const std::string& w) -> Replies { return {w, Ok(), batch}; }, RecordReadEnd::Garbled, 0, 1},
  };
  for (const ReadFailure& c : cases) {
    Reset(c.device);
    ASSERT_TRUE(records.Request(0, {2024, 1, 5}, {2024, 1, 9}));
    RunPending();
    EXPECT_EQ(records.State(), ExportState::Failed) << c.name;
    EXPECT_EQ(records.End(), c.end) << c.name;
    EXPECT_EQ(records.Records(), c.records) << c.name;
    int queries = 0;
    for (const std::string& w : device.Writes()) queries += w == kQueryLine;
    EXPECT_EQ(queries, c.queries) << c.name;
    EXPECT_FALSE(machine.Requests().Pending(CfgRequest::RecordQuery)) << c.name;
    records.SetIdle();
  }
}

// A camera device: AT+TESTCAM=n answered by the blocks make(n) returns.
Replies Stream(const std::string& jpeg, uint32_t length, size_t block, const std::string& trailer = "") {
  std::string header = "\r\nOK\r\n";
  for (int i = 0; i < 4; ++i) header += static_cast<char>((length >> (8 * i)) & 0xFF);
  Replies r = {header};
  const std::string body = jpeg + trailer;
  for (size_t pos = 0; pos < body.size(); pos += block) r.push_back(body.substr(pos, block));
  return r;
}

TEST_F(RecordsOps, SnapshotOfCamera2AfterARefusedFirstAttempt) {
  const std::string jpeg = RtuSimulator::CameraPicture(2);
  int attempts = 0;
  Reset([&](const std::string& w) -> Replies {
    if (w == "---") return {CmdOk()};
    if (w != "AT+TESTCAM=2\r\n") return {Error()};
    // The first attempt is refused; the recovery's "CMD OK" is no picture header.
    if (++attempts == 1) return {Error()};
    return Stream(jpeg, static_cast<uint32_t>(jpeg.size()), 700, "\r\nOK\r\n");
  });
  ASSERT_TRUE(picture.Request(2));
  EXPECT_FALSE(picture.Request(1));
  RunPending();
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(picture.End(), PictureReadEnd::Complete);
  EXPECT_EQ(picture.State(), PictureState::Complete);
  EXPECT_EQ(picture.Picture(), jpeg);
  EXPECT_FALSE(machine.Requests().Pending(CfgRequest::Picture));
  picture.SetIdle();
  EXPECT_EQ(picture.State(), PictureState::Idle);
  EXPECT_EQ(picture.Picture(), jpeg);  // still there for another save
}

TEST_F(RecordsOps, CancelEndsTheWaitForAPicture) {
  Reset([](const std::string&) -> Replies { return {"\r\nOK\r\n"}; });  // header never completes
  ASSERT_TRUE(picture.Request(4));
  std::thread canceller([&] {
    while (machine.Exchange().CurrentCommandId() != kCmdTestCamera) std::this_thread::yield();
    picture.Cancel();
  });
  RunPending();
  canceller.join();
  EXPECT_EQ(picture.End(), PictureReadEnd::Cancelled);
  EXPECT_EQ(picture.State(), PictureState::Failed);
}

}  // namespace
