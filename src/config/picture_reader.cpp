#include "config/picture_reader.h"

#include <algorithm>
#include <string>

#include "base/timing.h"
#include "config/cfg_machine.h"
#include "protocol/param_table.h"

namespace {
constexpr int kWaitStepMs = 100;  // the worker's wait for the collector, in steps
}

PictureReader::PictureReader(CfgMachine& machine) : machine_(machine) {
  machine_.SetOperation(kOpReadPicture, CfgRequest::Picture, [this](int go) { ReadPicture(go); });
}

bool PictureReader::Request(int camera) {
  bool idle = false;
  if (!busy_.compare_exchange_strong(idle, true)) return false;
  end_ = static_cast<int>(PictureReadEnd::None);
  startMs_ = Timing::NowMs();
  collector_.Begin();
  machine_.Requests().Set(CfgRequest::Picture, std::to_string(camera));
  return true;
}

void PictureReader::Cancel() {
  if (collector_.Fail()) end_ = static_cast<int>(PictureReadEnd::Cancelled);
}

void PictureReader::SetIdle() {
  if (collector_.State() != PictureState::Reading) collector_.Reset();
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
    // The first outcome counts: a cancel that came first stays.
    int none = static_cast<int>(PictureReadEnd::None);
    end_.compare_exchange_strong(none, static_cast<int>(end));
    machine_.Requests().Clear(CfgRequest::Picture);
    busy_ = false;
    machine_.EndOperation({.op = kOpReadPicture,
                           .end = end == PictureReadEnd::Complete ? CfgEnd::kDone : CfgEnd::kFailed});
  };
  if (go == 0) return finish(PictureReadEnd::Command);
  if (End() == PictureReadEnd::Cancelled) return finish(PictureReadEnd::Cancelled);
  // Each run starts a fresh picture: what arrived before (a failed first attempt's
  // reply, the recovery's "CMD OK") is not its header.
  collector_.Begin();
  CommandExchange& exchange = machine_.Exchange();
  SetParamText(kCmdTestCamera, camera, 0);
  std::string line;
  const int ok = exchange.RunCommand(kCmdTestCamera, 0, line);
  exchange.TakeReceivedText();
  if (ok == 0) {
    if (!machine_.FailedRun()) return;  // recovery, then a second run
    return finish(PictureReadEnd::Command);
  }
  const int64_t deadline = startMs_.load() + Timing::Scaled(kPictureLimitMs);
  while (collector_.Expecting() && !machine_.Stopping()) {
    const int64_t left = deadline - Timing::NowMs();
    if (left <= 0) break;
    collector_.WaitEnd(static_cast<int>(std::min<int64_t>(left, Timing::Scaled(kWaitStepMs))));
  }
  if (collector_.Expecting()) return finish(PictureReadEnd::TimedOut);
  const bool complete = collector_.Length() > 0 && collector_.Received() == collector_.Length();
  finish(complete ? PictureReadEnd::Complete : PictureReadEnd::TooLarge);
}
