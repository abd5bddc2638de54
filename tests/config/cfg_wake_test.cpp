// The idle worker sleeps until something it looks at changes: every way of giving it
// work wakes it at once; the power-up watch runs only while a power-up is awaited.
#include <gtest/gtest.h>

#include "cfg_fakes.h"
#include "support/wait.h"

namespace {

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
  device.SetOpen(false);
  device.ClearWrites();
  machine.PowerUpTick();
  EXPECT_TRUE(device.Writes().empty());
}

}  // namespace
