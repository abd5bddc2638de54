// The worker machine: the retry rule, the recovery, starting operations, request
// polling, the power-up watch, waking the idle worker and stopping.
#include <gtest/gtest.h>

#include "cfg_fakes.h"
#include "support/wait.h"
#include "protocol/listing.h"

namespace {

using RetryRule = MachineTest;

TEST_F(RetryRule, RecoveryProbesUntilTheFirstCmdOkAndLogsEachProbe) {
  int probes = 0;
  device.SetResponder([&](const std::string& w) -> Blocks {
    if (w == "---" && ++probes == 2) return {CmdOk()};
    return {CmdError()};
  });
  machine.SetWorkMode(kModeRecovery);  // replies reach the exchange in modes 1 and 2
  EXPECT_EQ(machine.RecoverConfigState(), 1);
  EXPECT_EQ(device.Writes(), Times(2, "---"));  // bare on the wire
  EXPECT_EQ(view.R().log, (std::vector<std::string>{"---\r\n", CmdError(), "---\r\n", CmdOk()}));

  device.SetResponder([](const std::string&) { return Blocks{CmdError()}; });
  device.ClearWrites();
  EXPECT_EQ(machine.RecoverConfigState(), 0);
  EXPECT_EQ(device.Writes(), Times(kRecoveryProbes, "---"));
}

// A closed port and a cancelled factory reset: the workspace's button test.
using Starting = MachineTest;

TEST_F(Starting, OnlyFromIdle) {
  for (int mode : {kModeWaitPowerUp, kModeOperation, kModeRecovery}) {
    machine.SetWorkMode(mode);
    EXPECT_FALSE(machine.StartOperation(kOpWriteAll));
    EXPECT_EQ(machine.WorkMode(), mode);
  }
  machine.SetWorkMode(kModeIdle);
  EXPECT_TRUE(machine.StartOperation(kOpWriteAll));
  EXPECT_EQ(machine.WorkMode(), kModeOperation);
  EXPECT_EQ(machine.WorkOp(), kOpWriteAll);
  EXPECT_EQ(view.R().enables, std::vector<bool>{false});
  // An operation number nothing runs as ends at once.
  machine.RunOperation(1, 1);
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
}

using Requests = MachineTest;

TEST_F(Requests, PolledInOrderWithLoadLast) {
  machine.RequestLoad();
  machine.Requests().Set(CfgRequest::InitValue, "05=12.5");
  machine.Requests().Set(CfgRequest::ClearBacklog, "1");
  machine.Requests().Set(CfgRequest::Clock, "2024/02/29,23:59:59,4");
  const std::pair<int, CfgRequest> order[] = {{kOpSetClock, CfgRequest::Clock},
                                              {kOpClearBacklog, CfgRequest::ClearBacklog},
                                              {kOpSetInitialValue, CfgRequest::InitValue}};
  for (const auto& [op, request] : order) {
    machine.WorkerTurn();  // idle: takes the first pending request
    EXPECT_EQ(machine.WorkMode(), kModeOperation);
    EXPECT_EQ(machine.WorkOp(), op);
    machine.Requests().Clear(request);  // as the operation would
    machine.SetWorkMode(kModeIdle);
  }
  machine.WorkerTurn();
  EXPECT_EQ(machine.WorkOp(), kOpLoadAll);
}

using PowerUp = MachineTest;

TEST_F(PowerUp, BannerSplitOverBlocksStartsTheLoadAndClosesTheBox) {
  machine.SetWorkMode(kModeWaitPowerUp);
  machine.OnSerialData("\r\nCONFIGURE PRO", 15);
  EXPECT_EQ(machine.WorkMode(), kModeWaitPowerUp);
  EXPECT_EQ(view.R().closes, 0);
  machine.OnSerialData("GRAM\r\n", 6);
  EXPECT_EQ(machine.WorkMode(), kModeOperation);
  EXPECT_EQ(machine.WorkOp(), kOpLoadAll);
  EXPECT_EQ(view.R().closes, 1);
  EXPECT_EQ(view.R().enables, std::vector<bool>{false});
  EXPECT_EQ(view.R().log, (std::vector<std::string>{G("设备上电后进入配置状态成功...\r\n"),
                                                       G("正在载入RTU设备参数 ...\r\n")}));
}

TEST_F(PowerUp, InterruptedFactoryResetIsRunAgain) {
  device.SetResponder(Silent);  // the factory reset gives up: operation 7 stays set
  ASSERT_TRUE(machine.StartFactoryReset());
  RunToIdle();
  ASSERT_EQ(machine.WorkMode(), kModeWaitPowerUp);
  EXPECT_EQ(machine.WorkOp(), kOpFactoryReset);
  machine.OnSerialData("CONFIGURE PROGRAM", 17);
  EXPECT_EQ(machine.WorkOp(), kOpFactoryReset);
  EXPECT_EQ(machine.WorkMode(), kModeOperation);
}

// Blocks are dropped when idle and kept when busy; disabling the operations with 0
// empties what was received.
TEST_F(PowerUp, BlocksAreDroppedWhenIdleAndMatchedWhenBusy) {
  machine.OnSerialData("CONFIGURE PROGRAM", 17);
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
  EXPECT_EQ(machine.Exchange().PeekReceivedText(), "");
  machine.SetWorkMode(kModeRecovery);
  machine.OnSerialData("abc", 3);
  EXPECT_EQ(machine.Exchange().PeekReceivedText(), "abc");
  machine.OnSerialData(nullptr, 0);
  machine.OnSerialData("x", 0);
  machine.EnableOperations(1);
  EXPECT_EQ(machine.Exchange().PeekReceivedText(), "abc");
  machine.EnableOperations(0);
  EXPECT_EQ(machine.Exchange().PeekReceivedText(), "");
  machine.EnableOperations(2);
  EXPECT_EQ(view.R().enables, (std::vector<bool>{false, false, true}));
}

TEST_F(PowerUp, BoxSkippedWhenTheDeviceCameUpBeforeItOpened) {
  // A silent device, then the banner right before the waiting box would open.
  device.SetResponder(Silent);
  machine.RequestLoad();
  view.BeforeTip([&] { machine.OnSerialData("CONFIGURE PROGRAM", 17); });
  ASSERT_TRUE(machine.StartOperation(kOpLoadAll));
  machine.WorkerTurn();  // three AT+SHOW attempts fail: recovery
  ASSERT_EQ(machine.WorkMode(), kModeRecovery);
  machine.WorkerTurn();  // recovery fails: give up and wait for power-up
  EXPECT_TRUE(view.R().tips.empty());
  EXPECT_EQ(view.R().skippedTips, std::vector<std::string>{G("载入参数失败，请将设备重新上电！")});
  EXPECT_EQ(machine.WorkMode(), kModeOperation);
  EXPECT_EQ(machine.WorkOp(), kOpLoadAll);
}

using Stopping = MachineTest;

TEST_F(Stopping, CancelOrStopEndsARunningLoadAtOnce) {
  // AT+SHOW waits many test margins, the retries and the recovery several times that.
  const int showLimitMs = FindParam(kCmdShow)->timeoutMs;
  Timing::SetScale(ScaleOutlastingMargins(showLimitMs));
  device.SetResponder(Silent);
  machine.Start();
  machine.RequestLoad();  // as after a tool entry
  ASSERT_TRUE(WaitUntil([&] { return device.Count("AT+SHOW") == 1; }, kTestMarginMs));
  ASSERT_EQ(machine.WorkMode(), kModeOperation);
  machine.ClearLoadRequest();
  const int64_t t0 = Timing::NowMs();
  machine.CancelOperation();
  // The worker itself ends the operation: idle means it has left it.
  ASSERT_TRUE(WaitUntil([&] { return machine.WorkMode() == kModeIdle; }, kTestMarginMs));
  EXPECT_TRUE(AtOnce(Timing::NowMs() - t0, showLimitMs));  // far below one AT+SHOW limit
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+SHOW\r\n"});  // no retry, no recovery
  EXPECT_TRUE(view.R().enables.back());

  // The next operation runs normally.
  device.SetResponder(Responsive);
  device.ClearWrites();
  ASSERT_TRUE(machine.StartOperation(kOpQueryVersion));
  ASSERT_TRUE(WaitUntil([&] { return machine.WorkMode() == kModeIdle; }, kTestMarginMs));
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+VER\r\n"});

  // Stopping ends a long wait at once, and nothing more goes out.
  device.SetResponder(Silent);
  device.ClearWrites();
  ASSERT_TRUE(machine.StartOperation(kOpLoadAll));
  ASSERT_TRUE(WaitUntil([&] { return device.Count("AT+SHOW") == 1; }, kTestMarginMs));
  view.SetShutDown(true);
  const int64_t t1 = Timing::NowMs();
  machine.Stop();
  EXPECT_TRUE(AtOnce(Timing::NowMs() - t1, showLimitMs));
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+SHOW\r\n"});
}

TEST_F(Stopping, CancelLeavesTheModeToTheWorkerExceptWhileWaitingForPowerUp) {
  device.SetResponder(Silent);
  ASSERT_TRUE(machine.StartOperation(kOpQueryVersion));
  machine.CancelOperation();  // the port closed under the operation
  EXPECT_EQ(machine.WorkMode(), kModeOperation) << "idle before the worker left the operation";
  RunToIdle();
  EXPECT_TRUE(device.Written().empty());
  // Waiting for power-up has no worker inside: idle at once, buttons enabled.
  machine.SetWorkMode(kModeWaitPowerUp);
  machine.CancelOperation();
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
  EXPECT_TRUE(view.R().enables.back());
}

TEST_F(Stopping, PassCutShortByTheExitSendsNothing) {
  ParseListing("Modem Apn:  cmnet\r\n", 19);
  view.Edit(23, 0, "changed");
  device.SetResponder(Responsive);
  ASSERT_TRUE(machine.StartOperation(kOpWriteAll));
  view.SetShutDown(true);  // page access no longer runs
  machine.Stop();
  view.ClearRecords();
  machine.RunOperation(kOpWriteAll, 1);
  EXPECT_TRUE(device.Writes().empty());
  EXPECT_TRUE(view.R().log.empty());  // not even tried: the page read as the table
  EXPECT_EQ(GetParamText(23, 0).value(), "cmnet");
}

// The idle worker sleeps until something it looks at changes: every way of giving it
// work wakes it at once; the power-up watch runs only while a power-up is awaited.
const char kBanner[] = "\r\nCONFIGURE PROGRAM\r\n";

struct WakeCase {
  const char* name;
  int mode;  // the worker sleeps in this mode when the trigger comes
  std::function<void(CfgMachine&)> trigger;
  const char* sent;  // the start of the first line the woken worker sends
};

using WorkerWake = MachineTest;

TEST_F(WorkerWake, EachTriggerWakesTheSleepingWorker) {
  const std::vector<WakeCase> cases = {
      {"clock request", kModeIdle,
       [](CfgMachine& m) { m.Requests().Set(CfgRequest::Clock, "2024/02/29,23:59:59,4"); }, "AT+EXCCLK="},
      {"request while waiting for power-up", kModeWaitPowerUp,
       [](CfgMachine& m) { m.Requests().Set(CfgRequest::ClearBacklog, "1"); }, "AT+CLRUPLOSE"},
      {"load request", kModeIdle, [](CfgMachine& m) { m.RequestLoad(); }, "AT+SHOW"},
      {"button", kModeIdle, [](CfgMachine& m) { m.StartOperation(kOpQueryVersion); }, "AT+VER"},
      {"power-up banner", kModeWaitPowerUp,
       [](CfgMachine& m) { m.OnSerialData(kBanner, static_cast<int>(sizeof kBanner - 1)); }, "AT+SHOW"},
  };
  device.SetResponder(Responsive);
  machine.Start();
  // A load this device cannot answer ends waiting for a power-up.
  auto atRest = [&] { return machine.WorkMode() == kModeIdle || machine.WorkMode() == kModeWaitPowerUp; };
  int sleeps = 0;  // the worker has looked, found nothing and sleeps after this many
  for (const WakeCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(WaitUntil([&] { return machine.IdleSleeps() > sleeps; }, kTestMarginMs));
    machine.SetWorkMode(c.mode);  // 0 and 3 look alike to the sleeping worker
    device.ClearWrites();
    sleeps = machine.IdleSleeps();
    c.trigger(machine);
    ASSERT_TRUE(WaitUntil([&] { return device.Count(c.sent) > 0; }, kTestMarginMs));
    ASSERT_TRUE(WaitUntil(atRest, kTestMarginMs));
    EXPECT_EQ(device.Writes().front().rfind(c.sent, 0), 0u) << device.Writes().front();
  }
  machine.Stop();
}

struct PowerUpCase {
  const char* name;
  std::function<void(MachineTest&)> enter;
};

using PowerUpWatch = MachineTest;

TEST_F(PowerUpWatch, RunsFromEveryEntryIntoModeZeroUntilTheBanner) {
  const std::vector<PowerUpCase> cases = {
      {"set by the main window", [](MachineTest& t) { t.machine.SetWorkMode(kModeWaitPowerUp); }},
      {"a load after a tool entry that cannot be done",
       [](MachineTest& t) {
         t.machine.RequestLoad();
         t.Run(kOpLoadAll);
       }},
      {"a factory reset that cannot be done", [](MachineTest& t) { t.Run(kOpFactoryReset); }},
  };
  machine.PowerUpTick();  // idle: no "S"
  EXPECT_TRUE(device.Writes().empty());
  for (const PowerUpCase& c : cases) {
    SCOPED_TRACE(c.name);
    const int watches = view.R().powerUpWatches;
    device.SetResponder(Silent);
    c.enter(*this);
    ASSERT_EQ(machine.WorkMode(), kModeWaitPowerUp);
    EXPECT_EQ(view.R().powerUpWatches, watches + 1);
    device.ClearWrites();
    EXPECT_TRUE(machine.PowerUpTick());
    EXPECT_EQ(device.Writes(), std::vector<std::string>{"S"});

    machine.OnSerialData(kBanner, static_cast<int>(sizeof kBanner - 1));
    EXPECT_FALSE(machine.PowerUpTick());  // the watch ends
    EXPECT_EQ(device.Writes().size(), 1u);
    device.SetResponder(Responsive);
    RunToIdle();
  }
  machine.SetWorkMode(kModeWaitPowerUp);  // a closed port gets no "S"
  device.Close();
  device.ClearWrites();
  machine.PowerUpTick();
  EXPECT_TRUE(device.Writes().empty());
}

// The line: held by an operation from its first exchange through its recovery to its end;
// the power-up watch's "S" waits while another tool's operation holds it.
using LineOwnership = MachineTest;

TEST_F(LineOwnership, AnOperationHoldsTheLineThroughItsRecoveryAndThePowerUpWatchYields) {
  std::vector<LineOwner> owners;  // the line's owner as each command went out
  device.SetResponder([&](const std::string& w) {
    owners.push_back(line.Owner());
    return Refusing(w);
  });
  Run(kOpQueryVersion);  // three refused attempts, a recovery, three more
  ASSERT_EQ(device.Writes().size(), 2u * kRunAttempts + 1);
  EXPECT_EQ(owners, std::vector<LineOwner>(2 * kRunAttempts + 1, LineOwner::kConfig));
  EXPECT_EQ(line.Owner(), LineOwner::kNone) << "let go at the end";

  // "S" is written under the arbiter's lock: from here on no responder, which would ask the
  // arbiter under the port's script lock.
  device.SetScript({});
  machine.SetWorkMode(kModeWaitPowerUp);
  device.ClearWrites();
  {
    LineArbiter::Lease download = line.Hold(LineOwner::kDownload);
    EXPECT_TRUE(machine.PowerUpTick()) << "the watch goes on";
    EXPECT_TRUE(device.Writes().empty());
  }
  EXPECT_TRUE(machine.PowerUpTick());
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"S"});
}

}  // namespace
