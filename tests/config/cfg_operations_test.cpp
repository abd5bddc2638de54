// The operations of the machine against a scripted device: what each sends, logs
// and shows when it succeeds and on every give-up path; the plan of a file write; the
// backup of the loaded values before each write, without which the write does not start;
// stored records and camera snapshots (the device's replies arrive while the command is
// written, so no batch can come late however busy the machine is).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>

#include "base/cp936.h"
#include "base/utf8_path.h"
#include "cfg_fakes.h"
#include "config/picture_reader.h"
#include "config/record_reader.h"
#include "protocol/backup.h"
#include "protocol/listing.h"
#include "sim/rtu_sim.h"

namespace fs = std::filesystem;

namespace {

const char kListing[] =
    "AT+SHOW\r\n"
    "Protocol work type:  1\r\n"
    "Debug com parity:  8-EVN-1\r\n"
    "Total Servers:  2\r\n"
    "Server2's port:  5005\r\n"
    "Modem Apn:  cmnet\r\n"
    "Modem user name:  card\r\n";

// A device in its configuration state that answers AT+SHOW with kListing.
Blocks Device(const std::string& w) {
  if (w == "AT+SHOW\r\n") return {kListing, Ok()};
  return Responsive(w);
}

// The device's states for the modem queries: configuration → "---" → run → "+++" →
// modem → AT+QUIT → run → "---" → configuration.
struct ModemDevice {
  enum { Config, Run, Modem } state = Config;
  bool probeAlwaysOk = false;
  bool queryFails = false;
  bool quitFails = false;
  Blocks operator()(const std::string& w) {
    if (w == "---") {
      const bool ok = probeAlwaysOk || state != Config;
      state = ok ? Config : Run;
      return {ok ? CmdOk() : CmdError()};
    }
    if (w == "+++") {
      if (state != Run) return {CmdError()};
      state = Modem;
      return {CmdOk()};
    }
    if (state == Modem && !queryFails && w == "AT+CSQ\r\n") return {Ok("+CSQ: 23,99")};
    if (state == Modem && !queryFails && w == "AT+GSN\r\n") return {Ok("861234567890123")};
    if (state == Modem && !quitFails && w == "AT+QUIT\r\n") {
      state = Run;
      return {Ok()};
    }
    return {Error()};
  }
};

// One run of an operation to its end: how it starts, the device, and what must follow.
struct OpCase {
  std::string name;
  std::function<bool(MachineTest&)> start{};  // false: did not start
  ScriptedPort::Script device{};
  std::vector<std::string> written{};         // exactly, in order
  std::vector<const char*> tips{};            // UTF-8
  int mode = kModeIdle;                       // where it ends
  const char* lastLog = nullptr;              // UTF-8 last log entry; "" nothing logged
  std::optional<CfgRequest> controls{};       // disabled while it runs, enabled after
  std::function<void(MachineTest&)> also{};   // further checks
};

void PrintTo(const OpCase& c, std::ostream* os) { *os << c.name; }

std::function<bool(MachineTest&)> Button(int op) {
  return [op](MachineTest& t) { return t.machine.StartOperation(op); };
}
bool Factory(MachineTest& t) { return t.machine.StartFactoryReset(); }
bool RequestedLoad(MachineTest& t) {
  t.machine.RequestLoad();
  t.machine.WorkerTurn();  // idle: picks the request
  return t.machine.WorkOp() == kOpLoadAll;
}
std::function<bool(MachineTest&)> Request(CfgRequest r, std::string arg) {
  return [r, arg](MachineTest& t) {
    t.machine.Requests().Set(r, arg);
    t.machine.WorkerTurn();
    return t.machine.WorkMode() == kModeOperation;
  };
}
// The pages show kListing, then the user changes the APN and the user name.
bool EditedWrite(MachineTest& t) {
  ParseListing(kListing, sizeof kListing - 1);
  t.machine.FillPagesFromTable();
  t.view.Edit(23, 0, "newapn");
  t.view.Edit(24, 0, "user2");
  return t.machine.StartOperation(kOpWriteAll);
}
// The pages show kListing, then a file with a new APN is applied.
bool FileWrite(MachineTest& t) {
  ParseListing(kListing, sizeof kListing - 1);
  t.machine.FillPagesFromTable();
  return t.machine.StartWriteFromFile("Modem Apn:  fileapn\r\n");
}

std::vector<std::string> Cat(std::initializer_list<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<OpCase> Cases() {
  const std::string ver = "AT+VER\r\n", reset = "AT+RESET\r\n", factory = "AT+FACTORY\r\n";
  const std::string show = "AT+SHOW\r\n", probe = "---", gsn = "AT+GSN\r\n", quit = "AT+QUIT\r\n";
  const auto probes = Times(kRecoveryProbes, probe);
  const auto shows = Times(kRunAttempts, show);
  const char* loadPowerCycle = "载入参数失败，请将设备重新上电！";
  std::vector<OpCase> cases = {
      {.name = "VersionAnswered", .start = Button(kOpQueryVersion),
       .device = [](const std::string&) { return Blocks{Ok("V3.2")}; },
       .written = {ver}, .also = [](MachineTest& t) {
         EXPECT_EQ(t.view.R().log, (std::vector<std::string>{"AT+VER\r\n", Ok("V3.2")}));
       }},
      // The failed recovery resets the counter: no second run, and the give-up is silent.
      {.name = "VersionSilent", .start = Button(kOpQueryVersion), .device = Silent,
       .written = Cat({Times(kRunAttempts, ver), probes}),
       .also = [](MachineTest& t) { EXPECT_EQ(t.machine.OpRetry(), 0); }},
      // A recovered device gets exactly one more run.
      {.name = "RestartRefused", .start = Button(kOpRestartDevice), .device = Refusing,
       .written = Cat({Times(kRunAttempts, reset), {probe}, Times(kRunAttempts, reset)}),
       .also = [](MachineTest& t) {
         EXPECT_EQ(t.machine.OpRetry(), kMaxRuns);
         t.machine.WorkerTurn();  // an idle turn resets the counter
         EXPECT_EQ(t.machine.OpRetry(), 0);
       }},
      // A reset device is loaded at once, the operations staying disabled in between.
      {.name = "FactoryAnswered", .start = Factory, .device = Device, .written = {factory, show},
       .lastLog = "载入RTU设备参数成功 ...\r\n", .also = [](MachineTest& t) {
         EXPECT_EQ(t.view.R().questions, std::vector<std::string>{G("确定恢复出厂设置吗?")});
         EXPECT_EQ(t.view.R().enables, (std::vector<bool>{false, true}));
       }},
      {.name = "FactoryRefused", .start = Factory, .device = Refusing,
       .written = Cat({Times(kRunAttempts, factory), {probe}, Times(kRunAttempts, factory)}),
       .tips = {"出厂设置失败，请将设备重新上电！"}, .mode = kModeWaitPowerUp},
      {.name = "LoadRequestedAnswered", .start = RequestedLoad, .device = Device, .written = {show},
       .tips = {"载入RTU设备参数成功 ...\r\n"}, .lastLog = "载入RTU设备参数成功 ...\r\n",
       .also = [](MachineTest& t) { EXPECT_EQ(t.view.R().releases, 1); }},
      {.name = "LoadRequestedSilent", .start = RequestedLoad, .device = Silent,
       .written = Cat({shows, probes}), .tips = {loadPowerCycle}, .mode = kModeWaitPowerUp,
       .lastLog = "载入RTU设备参数失败...\r\n", .also = [](MachineTest& t) {
         EXPECT_EQ(t.view.R().releases, 1);
         EXPECT_FALSE(t.view.LogHas(G("正在等待设备上电后进入配置状态...\r\n")));
       }},
      {.name = "LoadRequestedRefused", .start = RequestedLoad, .device = Refusing,
       .written = Cat({shows, {probe}, shows}), .tips = {loadPowerCycle}, .mode = kModeWaitPowerUp,
       .lastLog = "正在等待设备上电后进入配置状态...\r\n"},
      // A listing without a known label stores nothing: a failed load.
      {.name = "LoadButtonUnreadable", .start = Button(kOpLoadAll),
       .device = [](const std::string& w) { return Blocks{w == "---" ? CmdOk() : Ok("no labels")}; },
       .written = Cat({shows, {probe}, shows}), .lastLog = "载入RTU设备参数失败...\r\n"},
      // The first failure asks for recovery, the pass goes on with the next id, whose
      // failure is final; the recovery fails and nothing more is sent.
      {.name = "WriteSilent", .start = EditedWrite, .device = Silent,
       .written = Cat({{"AT+APN=newapn\r\n", "AT+USERNAME=user2\r\n"}, probes}),
       .also = [](MachineTest& t) { EXPECT_EQ(t.view.LogCount(G("设置失败\r\n")), 1); }},
      {.name = "WriteOneRefused", .start = EditedWrite,
       .device = [](const std::string& w) { return w.rfind("AT+APN=", 0) == 0 ? Blocks{Error()} : Device(w); },
       .written = {"AT+APN=newapn\r\n", "AT+USERNAME=user2\r\n", probe, "AT+APN=newapn\r\n"},
       .also = [](MachineTest& t) {
         EXPECT_TRUE(t.view.LogHas(G("设置失败\r\n")));
         EXPECT_EQ(GetParamText(23, 0).value(), "cmnet");  // the device still has it
         EXPECT_EQ(GetParamText(24, 0).value(), "user2");
       }},
      {.name = "FileSilent", .start = FileWrite, .device = Silent,
       .written = Cat({{"AT+APN=fileapn\r\n"}, probes}),
       .also = [](MachineTest& t) {
         EXPECT_EQ(GetParamText(23, 0).value(), "cmnet");   // what the device still has
         EXPECT_EQ(t.view.SaveToTable(23, 0), "fileapn");  // the page keeps the wanted value
       }},
      // A file value that failed before the recovery is sent again after it.
      {.name = "FileRefusedOnce", .start = FileWrite,
       .device = [n = 0](const std::string& w) mutable {
         return w.rfind("AT+APN=", 0) == 0 && n++ == 0 ? Blocks{Error()} : Device(w);
       },
       .written = {"AT+APN=fileapn\r\n", probe, "AT+APN=fileapn\r\n"},
       .also = [](MachineTest& t) {
         EXPECT_EQ(GetParamText(23, 0).value(), "fileapn");
         EXPECT_EQ(t.view.SaveToTable(23, 0), "fileapn");
       }},
      // Out of the configuration state into the modem and back; AT+QUIT is not logged.
      {.name = "SignalAnswered", .start = Button(kOpQuerySignal), .device = ModemDevice{},
       .written = {probe, "+++", "AT+CSQ\r\n", quit, probe}, .lastLog = "返回配置成功！\r\n",
       .also = [](MachineTest& t) {
         EXPECT_TRUE(t.view.LogHas("+CSQ: 23,99"));
         EXPECT_FALSE(t.view.LogHas("AT+QUIT"));
       }},
      {.name = "SignalDeviceStaysInConfiguration", .start = Button(kOpQuerySignal),
       .device = ModemDevice{.probeAlwaysOk = true}, .written = Times(kRunAttempts, probe),
       .lastLog = "查询CSQ失败\r\n"},
      {.name = "ImeiModemRefused", .start = Button(kOpQueryImei),
       .device = [](const std::string&) { return Blocks{CmdError()}; },
       .written = Cat({{probe}, Times(kRunAttempts, "+++")}), .lastLog = "查询IMEI失败\r\n"},
      {.name = "ImeiQueryRefused", .start = Button(kOpQueryImei), .device = ModemDevice{.queryFails = true},
       .written = Cat({{probe, "+++"}, Times(kRunAttempts, gsn)}), .lastLog = "查询IMEI失败\r\n"},
      // AT+QUIT refused: the operation ends without a message and without "---".
      {.name = "SignalQuitRefused", .start = Button(kOpQuerySignal), .device = ModemDevice{.quitFails = true},
       .written = Cat({{probe, "+++", "AT+CSQ\r\n"}, Times(kRunAttempts, quit)}),
       .lastLog = "+CSQ: 23,99\r\nOK\r\n"},
  };
  // The clock and the storage page's requests: one attempt per run.
  struct RequestCase {
    const char* name;
    CfgRequest request;
    const char *argument, *line, *okTip, *failTip;
    bool controls, logged;
  };
  const RequestCase requests[] = {
      {"Clock", CfgRequest::Clock, "2024/02/29,23:59:59,4", "AT+EXCCLK=2024/02/29,23:59:59,4\r\n",
       "设置时间成功", "设置时间失败", true, false},
      {"ClearRecords", CfgRequest::ClearRecords, "0", "AT+CLRCHNNLRCRD=0\r\n", "删除通道记录成功",
       "删除通道记录失败", false, true},
      {"ClearBacklog", CfgRequest::ClearBacklog, "1", "AT+CLRUPLOSE\r\n", "删除补传数据成功",
       "删除补传数据失败", false, true},
      {"InitValue", CfgRequest::InitValue, "05=12.5", "AT+SETINITDATA05=12.5\r\n", "设置初值成功",
       "设置初值失败", true, true},
  };
  for (const RequestCase& r : requests) {
    std::optional<CfgRequest> controls;
    if (r.controls) controls = r.request;
    const std::string line = r.line;
    auto logged = [line, on = r.logged](MachineTest& t) { EXPECT_EQ(t.view.LogHas(line), on); };
    cases.push_back({.name = std::string(r.name) + "Answered", .start = Request(r.request, r.argument),
                     .device = Device, .written = {line}, .tips = {r.okTip},
                     .lastLog = r.logged ? nullptr : "", .controls = controls, .also = logged});
    cases.push_back({.name = std::string(r.name) + "Refused", .start = Request(r.request, r.argument),
                     .device = Refusing, .written = {line, probe, line}, .tips = {r.failTip},
                     .controls = controls});
    cases.push_back({.name = std::string(r.name) + "Silent", .start = Request(r.request, r.argument),
                     .device = Silent, .written = Cat({{line}, probes}), .tips = {r.failTip},
                     .controls = controls});
  }
  return cases;
}

class Operation : public MachineTest, public ::testing::WithParamInterface<OpCase> {};

TEST_P(Operation, SendsShowsAndEnds) {
  const OpCase& c = GetParam();
  device.SetResponder(c.device);
  ASSERT_TRUE(c.start(*this));
  RunToIdle();
  EXPECT_EQ(device.Writes(), c.written);
  std::vector<std::string> tips;
  for (const char* t : c.tips) tips.push_back(G(t));
  EXPECT_EQ(view.R().tips, tips);
  EXPECT_EQ(machine.WorkMode(), c.mode);
  // Enabled again when idle; still disabled while waiting for the power-up.
  ASSERT_FALSE(view.R().enables.empty());
  EXPECT_EQ(view.R().enables.back(), c.mode == kModeIdle);
  EXPECT_FALSE(machine.LoadRequested());
  for (int r = 0; r < static_cast<int>(CfgRequest::Count); ++r)
    EXPECT_FALSE(machine.Requests().Pending(static_cast<CfgRequest>(r))) << r;
  if (c.lastLog && *c.lastLog) {
    ASSERT_FALSE(view.R().log.empty());
    EXPECT_EQ(view.R().log.back(), G(c.lastLog));
  } else if (c.lastLog) {
    EXPECT_TRUE(view.R().log.empty());
  }
  // The request's controls are disabled for each run and enabled at the end.
  const auto controls = view.R().requestControls;
  EXPECT_EQ(controls.empty(), !c.controls);
  if (c.controls && !controls.empty()) {
    EXPECT_EQ(controls.front(), std::make_pair(*c.controls, false));
    EXPECT_EQ(controls.back(), std::make_pair(*c.controls, true));
  }
  if (c.also) c.also(*this);
}

INSTANTIATE_TEST_SUITE_P(All, Operation, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<OpCase>& info) { return info.param.name; });

using LoadAll = MachineTest;

TEST_F(LoadAll, FillsOnlyTheControlsThatDiffer) {
  device.SetResponder(Device);
  view.Edit(24, 0, "card");  // already shows the device's value
  Run(kOpLoadAll);
  EXPECT_EQ(view.SaveToTable(23, 0), "cmnet");
  EXPECT_EQ(view.SaveToTable(3, 0), "8E1");  // the page form of the debug parity
  EXPECT_EQ(view.SaveToTable(21, 1), "5005");
  EXPECT_EQ(view.R().loads, (std::vector<std::pair<int, int>>{{0, 0}, {3, 0}, {18, 0}, {21, 1}, {23, 0}}));
  EXPECT_EQ(view.R().log, (std::vector<std::string>{G("正在载入RTU设备参数 ...\r\n"), "AT+SHOW\r\n",
                                                       std::string(kListing) + Ok(),
                                                       G("载入RTU设备参数成功 ...\r\n")}));
  EXPECT_TRUE(view.R().tips.empty());  // a button load shows no box

  // Loading the same values again fills nothing.
  view.ClearRecords();
  Run(kOpLoadAll);
  EXPECT_TRUE(view.R().loads.empty());
}

// A listing that overflows the receive text fails each attempt (noted), gets the
// recovery and a second run, and ends as a failed load with table and pages untouched.
TEST_F(LoadAll, ListingLongerThanTheReceiveTextFailsAfterItsRetries) {
  std::string longListing = "AT+SHOW\r\n";
  while (longListing.size() <= static_cast<size_t>(kReceiveTextMax))
    longListing += "Modem Apn:  " + std::string(60, 'a') + "\r\n";
  bool tooLong = false;
  device.SetResponder([&](const std::string& w) -> Blocks {
    if (w == "AT+SHOW\r\n") return tooLong ? Blocks{longListing, "Modem user name:  tail\r\n", Ok()} : Blocks{kListing, Ok()};
    return Responsive(w);
  });
  Run(kOpLoadAll);
  tooLong = true;
  view.ClearRecords();
  device.ClearWrites();
  Run(kOpLoadAll);
  int shows = 0;
  for (const std::string& w : device.Writes()) shows += w == "AT+SHOW\r\n";
  EXPECT_EQ(shows, 2 * kRunAttempts);
  EXPECT_EQ(view.LogCount(G("设备参数列表超过40960字节，本次读取无效\r\n")), 2 * kRunAttempts);
  EXPECT_TRUE(view.LogHas(G("载入RTU设备参数失败...\r\n")));
  EXPECT_FALSE(view.LogHas(G("载入RTU设备参数成功 ...\r\n")));
  ASSERT_EQ(view.R().outcomes.size(), 1u);
  EXPECT_EQ(view.R().outcomes[0].end, CfgEnd::kFailed);
  EXPECT_EQ(GetParamText(24, 0), "card");
  EXPECT_EQ(view.SaveToTable(24, 0), "card");
  EXPECT_TRUE(view.R().loads.empty());
}

TEST_F(LoadAll, AppliedFileSendsOnlyItsChangedLineAndChangesOneControl) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWrites();
  ASSERT_TRUE(machine.StartWriteFromFile(BuildListing()));  // the saved table
  RunToIdle();
  EXPECT_TRUE(device.Writes().empty());

  view.ClearRecords();
  ASSERT_TRUE(machine.StartWriteFromFile("Modem Apn:  fileapn\r\n"));
  RunToIdle();
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+APN=fileapn\r\n"});
  EXPECT_EQ(view.R().loads, (std::vector<std::pair<int, int>>{{23, 0}}));
  EXPECT_EQ(view.SaveToTable(23, 0), "fileapn");

  // Refused while an operation runs, without touching the table.
  machine.SetWorkMode(kModeOperation);
  EXPECT_FALSE(machine.StartWriteFromFile("Modem Apn:  other\r\n"));
  EXPECT_EQ(GetParamText(23, 0).value(), "fileapn");
}

// The listing read back after a verified write goes into the pages: a value the device
// reformatted is what the page shows and what the next save compares with; a written
// instance the listing leaves out keeps the value sent and is reported as not verified.
TEST_F(LoadAll, VerifiedWriteRefillsThePagesAndAnUnlistedInstanceKeepsTheValueSent) {
  bool reread = false;
  device.SetResponder([&](const std::string& w) -> Blocks {
    if (w != "AT+SHOW\r\n") return Responsive(w);
    if (!reread) return {kListing, Ok()};
    // The device stored the APN in capitals and lists no user name.
    return {"AT+SHOW\r\nProtocol work type:  1\r\nModem Apn:  NEWAPN\r\nServer2's port:  5005\r\n", Ok()};
  });
  Run(kOpLoadAll);
  view.Edit(23, 0, "newapn");
  view.Edit(24, 0, "newuser");
  machine.SetWriteOptions(true, false);
  reread = true;
  device.ClearWrites();
  view.ClearRecords();
  Run(kOpWriteAll);
  EXPECT_EQ(device.Writes(),
            (std::vector<std::string>{"AT+APN=newapn\r\n", "AT+USERNAME=newuser\r\n", "AT+SHOW\r\n"}));
  EXPECT_EQ(view.SaveToTable(23, 0), "NEWAPN");
  EXPECT_EQ(GetParamText(24, 0), "newuser");
  EXPECT_EQ(view.SaveToTable(24, 0), "newuser");
  const FakeCfgView::Records records = view.R();
  ASSERT_EQ(records.outcomes.size(), 1u);
  const CfgOutcome& o = records.outcomes.front();
  EXPECT_TRUE(o.verified);
  EXPECT_EQ(o.end, CfgEnd::kFailed);
  ASSERT_EQ(o.differences.size(), 2u);
  EXPECT_EQ(o.differences[0].held, "NEWAPN");
  EXPECT_TRUE(o.differences[0].listed);
  EXPECT_EQ(o.differences[1].sent, "newuser");
  EXPECT_FALSE(o.differences[1].listed);
  EXPECT_TRUE(view.LogHas(G("未能校验（设备参数中没有此项） Modem user name: 写入值：newuser\r\n")));

  // The pages equal the table: the next save has nothing to send.
  machine.SetWriteOptions(false, false);
  device.ClearWrites();
  Run(kOpWriteAll);
  EXPECT_TRUE(device.Writes().empty());
}

// The plan of a file write leaves the table alone; an unticked file value is neither
// sent nor left in the table; offline, nothing reaches the device.
TEST_F(MachineTest, FilePlanIsWhatIsSentAndAnUntickedValueStaysTheDevicesInTheTable) {
  device.SetResponder(Responsive);
  const char listing[] = "Server2's port:  5005\r\nModem Apn:  cmnet\r\nModem user name:  card\r\n";
  ParseListing(listing, sizeof listing - 1);
  machine.FillPagesFromTable();
  const std::string table = BuildListing();
  const std::string file = "Modem user name:  u2\r\nModem Apn:  newapn\r\nServer2's port:  5005\r\n";
  const std::optional<WritePlan> plan = machine.PlanWriteFromFile(file);
  ASSERT_TRUE(plan.has_value());
  EXPECT_EQ(BuildListing(), table) << "planning changed the table";
  ASSERT_EQ(plan->size(), 2u);  // in sending order, the unchanged port left out
  EXPECT_EQ((*plan)[0].label + " " + (*plan)[0].deviceValue + " " + (*plan)[0].newValue, "Modem Apn cmnet newapn");
  EXPECT_EQ((*plan)[1].label + " " + (*plan)[1].deviceValue + " " + (*plan)[1].newValue, "Modem user name card u2");
  // Nor the protocol flags the file's parse set: they stay those of the device's listing.
  const std::string otherProtocol = "Protocol work type:  5\r\nSzy Water order:  1\r\nDevice address type:  1\r\n";
  ASSERT_TRUE(machine.PlanWriteFromFile(otherProtocol).has_value());
  EXPECT_EQ(BuildListing(), table);
  EXPECT_EQ(ListingProtocolKind().load(), 0);
  EXPECT_EQ(ListingWaterOrderSeen().load(), 0);
  EXPECT_EQ(ListingAddressTypeSeen().load(), 0);

  ASSERT_TRUE(machine.StartWriteFromFile(file, WriteSelection{{(*plan)[1].id, (*plan)[1].index}}));
  RunToIdle();
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+USERNAME=u2\r\n"});
  EXPECT_EQ(GetParamText(23, 0), "cmnet");  // unticked: what the device still has
  EXPECT_EQ(GetParamText(24, 0), "u2");
}

TEST_F(MachineTest, NoPlanWhileAnOperationRunsAndNoDeviceOperationOffline) {
  device.SetResponder(Responsive);
  machine.SetWorkMode(kModeOperation);
  EXPECT_FALSE(machine.PlanWriteAll().has_value());
  EXPECT_FALSE(machine.PlanWriteFromFile("Modem Apn:  x\r\n").has_value());
  machine.SetWorkMode(kModeIdle);

  machine.SetOffline(true);
  EXPECT_FALSE(machine.StartOperation(kOpLoadAll));
  EXPECT_FALSE(machine.StartWriteFromFile("Modem Apn:  x\r\n"));
  EXPECT_EQ(GetParamText(23, 0), "");  // neither plan nor refused file left in the table
  machine.Requests().Set(CfgRequest::Clock, "2024/01/05,08:03:07,5");
  machine.WorkerTurn();
  RunToIdle();  // a page's request ends as given up
  EXPECT_FALSE(machine.Requests().Pending(CfgRequest::Clock));
  EXPECT_TRUE(device.Writes().empty());
  EXPECT_EQ(view.LogCount(G("离线编辑中，设备操作不可用\r\n")), 3);
  EXPECT_EQ(view.R().tips, std::vector<std::string>{G("设置时间失败")});
}

TEST_F(MachineTest, EachWriteFirstSavesTheLoadedValuesOrDoesNotStart) {
  const fs::path dir = fs::temp_directory_path() / ("qx-cfg-backup-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "file") << "x";
  BackupGuard unwritable(true, PathToUtf8(dir / "file" / "sub")), guard(true, PathToUtf8(dir / "b"));
  device.SetResponder(Device);
  Run(kOpLoadAll);
  const std::function<bool()> starts[] = {
      [&] { return view.Edit(23, 0, "pageapn"), machine.StartWriteAll(); },
      [&] { return machine.StartWriteFromFile("Modem Apn:  fileapn\r\n"); },
      [&] { return machine.StartFactoryReset(); },
  };
  for (const auto& start : starts) {
    ResetParamValues();
    ParseListing("Modem Apn:  cmnet\r\n", 19);  // what the device holds
    view.ClearRecords();
    device.ClearWrites();
    machine.SetBackup(&unwritable);
    EXPECT_FALSE(start());
    EXPECT_TRUE(device.Writes().empty());
    ASSERT_EQ(view.R().tips.size(), 1u);
    EXPECT_NE(view.R().tips[0].find(cp936::FromUtf8(PathToUtf8(dir / "file" / "sub"))), std::string::npos);  // the box speaks code page 936

    machine.SetBackup(&guard);
    ASSERT_TRUE(start());
    RunToIdle();
    EXPECT_FALSE(device.Writes().empty());
    {
      std::ifstream in(PathFromUtf8(guard.LastPath()), std::ios::binary);  // closed before the removal
      EXPECT_NE(std::string(std::istreambuf_iterator<char>(in), {}).find("Modem Apn:  cmnet\r\n"), std::string::npos);
    }
    fs::remove(guard.LastPath());
  }
  fs::remove_all(dir);
}

class RecordsOps : public MachineTest {
 protected:
  void RunPending() {  // the idle turn takes the request
    machine.WorkerTurn();
    RunToIdle();
    ASSERT_EQ(machine.WorkMode(), kModeIdle);
  }
  void Reset(ScriptedPort::Script r) {  // a new device on the line
    device.ClearWrites();
    device.SetResponder(std::move(r));
  }

  RecordReader& records = machine.Records();
  PictureReader& picture = machine.Pictures();
};

const char kQueryLine[] = "AT+RDCHNNLRCRD=0;2024/1/5,0:0:0;2024/1/9,23:55:55\r\n";

struct ReadFailure {
  const char* name;
  ScriptedPort::Script device;
  RecordReadEnd end;
  int records, queries;  // records collected, query lines sent
};

TEST_F(RecordsOps, FailedReadsEndInFailureWithWhatTheyCollected) {
  const std::string batch = "Record:1;a\r\nRecord:2;b\r\n\r\nleave\r\n";
  const std::vector<ReadFailure> cases = {
      {"silence after the first batch",
       [&](const std::string& w) -> Blocks { return w == kQueryLine ? Blocks{Ok(), batch} : Blocks{}; },
       RecordReadEnd::Silence, 2, 1},
      {"garbage after an acknowledgement",
       [&](const std::string& w) -> Blocks {
         return w == kQueryLine ? Blocks{Ok(), batch} : Blocks{"\r\nERROR\r\n"};
       },
       RecordReadEnd::Garbled, 2, 1},
      {"batch starting with the command's echo",
       [&](const std::string& w) -> Blocks { return {w, Ok(), batch}; }, RecordReadEnd::Garbled, 0, 1},
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
Blocks Stream(const std::string& jpeg, uint32_t length, size_t block, const std::string& trailer = "") {
  std::string header = "\r\nOK\r\n";
  for (int i = 0; i < 4; ++i) header += static_cast<char>((length >> (8 * i)) & 0xFF);
  Blocks r = {header};
  const std::string body = jpeg + trailer;
  for (size_t pos = 0; pos < body.size(); pos += block) r.push_back(body.substr(pos, block));
  return r;
}

TEST_F(RecordsOps, SnapshotOfCamera2AfterARefusedFirstAttempt) {
  const std::string jpeg = RtuSimulator::CameraPicture(2);
  int attempts = 0;
  Reset([&](const std::string& w) -> Blocks {
    if (w == "---") return {CmdOk()};
    if (w != "AT+TESTCAM=2\r\n") return {Error()};
    // The first attempt is refused; the recovery's "CMD OK" is no picture header.
    if (++attempts == 1) return {Error()};
    return Stream(jpeg, static_cast<uint32_t>(jpeg.size()), 700, "\r\nOK\r\n");
  });
  ASSERT_TRUE(picture.Request(2));
  EXPECT_FALSE(picture.Request(1));
  // Until its operation ends the snapshot reads as under way, and bytes that arrive
  // before its line is sent (a running load's listing) are no header.
  EXPECT_EQ(picture.State(), PictureState::Reading);
  machine.OnSerialData(kListing, sizeof kListing - 1);
  EXPECT_EQ(picture.Received(), 0u);
  machine.WorkerTurn();  // the request taken
  int runs = 0;
  while (machine.WorkMode() != kModeIdle && runs++ < 50) {
    EXPECT_EQ(picture.State(), PictureState::Reading);  // also after the refused first run
    machine.WorkerTurn();
  }
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(picture.End(), PictureReadEnd::Complete);
  EXPECT_EQ(picture.State(), PictureState::Complete);
  EXPECT_EQ(picture.Picture(), jpeg);
  EXPECT_FALSE(machine.Requests().Pending(CfgRequest::Picture));
  picture.SetIdle();
  EXPECT_EQ(picture.State(), PictureState::Idle);
  EXPECT_EQ(picture.Picture(), jpeg);  // still there for another save
}

// A picture that arrived whole is kept though its exchange failed (an ERROR text
// inside the picture's bytes), and no second attempt resets it.
TEST_F(RecordsOps, PictureThatCompletedIsKeptWhenItsExchangeFails) {
  std::string jpeg = RtuSimulator::CameraPicture(3);
  jpeg.insert(jpeg.size() / 2, "\r\nERROR\r\n");
  Reset([&](const std::string& w) -> Blocks {
    if (w == "---") return {CmdOk()};
    return Stream(jpeg, static_cast<uint32_t>(jpeg.size()), 500, "");
  });
  ASSERT_TRUE(picture.Request(3));
  RunPending();
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+TESTCAM=3\r\n"});
  EXPECT_EQ(picture.End(), PictureReadEnd::Complete);
  EXPECT_EQ(picture.Picture(), jpeg);
}

TEST_F(RecordsOps, CancelEndsTheWaitForAPicture) {
  Reset([](const std::string&) -> Blocks { return {"\r\nOK\r\n"}; });  // header never completes
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
