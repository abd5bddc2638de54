#include "config/picture_reader.h"

#include <algorithm>
#include <string>

#include "base/timing.h"
#include "config/cfg_machine.h"
#include "protocol/param_table.h"

namespace {
constexpr int kWaitStepMs = 100;  // the worker's wait for the collector, in steps
}

PictureReader::PictureReader(CfgMachine& machine) : machine_(machine) {}

bool PictureReader::Request(int camera) {
  bool idle = false;
  if (!busy_.compare_exchange_strong(idle, true)) return false;
  end_ = static_cast<int>(PictureReadEnd::None);
  startMs_ = Timing::NowMs();
  collector_.Reset();
  machine_.Requests().Set(CfgRequest::Picture, std::to_string(camera));
  return true;
}

PictureState PictureReader::State() const {
  return busy_.load() ? PictureState::Reading : collector_.State();
}

void PictureReader::Cancel() {
  if (!busy_.load() || collector_.State() == PictureState::Complete) return;
  int none = static_cast<int>(PictureReadEnd::None);
  end_.compare_exchange_strong(none, static_cast<int>(PictureReadEnd::Cancelled));
  collector_.Fail();
}

void PictureReader::SetIdle() {
  if (State() != PictureState::Reading) collector_.Reset();
}

int64_t PictureReader::ElapsedMs() const { return Timing::NowMs() - startMs_.load(); }

std::string PictureReader::Picture() const {
  return End() == PictureReadEnd::Complete ? collector_.Bytes() : std::string();
}

void PictureReader::ReadPicture(int go) {
  const std::string camera = machine_.Requests().Get(CfgRequest::Picture);
  if (camera.empty()) {
    machine_.EndOperation({.op = kOpReadPicture, .end = CfgEnd::kNothingSent});
    return;
  }
  auto finish = [this](PictureReadEnd end) {
    collector_.Fail();  // no-op unless still expecting bytes
    // A picture that completed is the outcome, whatever the exchange said.
    if (collector_.State() == PictureState::Complete) end = PictureReadEnd::Complete;
    // The first outcome counts: a cancel that came first stays.
    int none = static_cast<int>(PictureReadEnd::None);
    end_.compare_exchange_strong(none, static_cast<int>(end));
    machine_.Requests().Clear(CfgRequest::Picture);
    busy_ = false;
    machine_.EndOperation({.op = kOpReadPicture,
                           .end = end == PictureReadEnd::Complete ? CfgEnd::kDone : CfgEnd::kFailed});
  };
  if (go == 0) return finish(PictureReadEnd::Command);
  // Armed as the line goes out: what arrived before (a failed first attempt's reply,
  // the recovery's "CMD OK", a listing) is not its header.
  collector_.Begin();
  if (End() == PictureReadEnd::Cancelled) return finish(PictureReadEnd::Cancelled);  // meanwhile
  CommandExchange& exchange = machine_.Exchange();
  SetParamText(kCmdTestCamera, camera, 0);
  std::string line;
  const int ok = exchange.RunCommand(kCmdTestCamera, 0, line);
  exchange.TakeReceivedText();
  if (ok == 0 && collector_.State() != PictureState::Complete) {
    collector_.Fail();  // nothing more is collected until the next run arms it again
    if (!machine_.FailedRun()) return;  // recovery, then a second run
    return finish(PictureReadEnd::Command);
  }
  const int64_t deadline = startMs_.load() + Timing::Scaled(kPictureLimitMs);
  while (collector_.Expecting() && !machine_.Stopping()) {
    if (machine_.Halted()) return finish(PictureReadEnd::Cancelled);
    const int64_t left = deadline - Timing::NowMs();
    if (left <= 0) break;
    collector_.WaitEnd(static_cast<int>(std::min<int64_t>(left, Timing::Scaled(kWaitStepMs))));
  }
  if (collector_.Expecting()) return finish(PictureReadEnd::TimedOut);
  const bool complete = collector_.Length() > 0 && collector_.Received() == collector_.Length();
  finish(complete ? PictureReadEnd::Complete : PictureReadEnd::TooLarge);
}
