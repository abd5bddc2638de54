// The operations of the machine against a scripted device: what each sends, logs
// and shows, on success and on every give-up path.
#include <gtest/gtest.h>

#include "cfg_fakes.h"
#include "protocol/listing.h"

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
std::vector<std::string> Device(const std::string& w) {
  if (w == "---" || w == "+++") return {CmdOk()};
  if (w == "AT+SHOW\r\n") return {kListing, Ok()};
  return {Ok()};
}

std::vector<std::string> Silent(const std::string&) { return {}; }

using LoadAll = MachineTest;

TEST_F(LoadAll, FillsOnlyTheControlsThatDiffer) {
  device.SetResponder(Device);
  view.Edit(24, 0, "card");  // already shows the device's value
  Run(kOpLoadAll);
  EXPECT_EQ(device.Written(), std::vector<std::string>{"AT+SHOW\r\n"});
  EXPECT_EQ(view.SaveToTable(23, 0), "cmnet");
  EXPECT_EQ(view.SaveToTable(3, 0), "8E1");  // the page form of the debug parity
  EXPECT_EQ(view.SaveToTable(21, 1), "5005");
  const auto loads = view.Loads();
  EXPECT_EQ(loads.size(), 5u);  // 0, 3, 18, 21/1, 23; not 24
  for (const auto& l : loads) EXPECT_NE(l, (std::pair<int, int>{24, 0}));

  const auto lines = view.LogLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0], G("正在载入RTU设备参数 ...\r\n"));
  EXPECT_EQ(lines[1], "AT+SHOW\r\n");
  EXPECT_NE(lines[2].find("Modem Apn:  cmnet"), std::string::npos);  // the whole listing
  EXPECT_EQ(lines[3], G("载入RTU设备参数成功 ...\r\n"));
  EXPECT_TRUE(view.Tips().empty());  // a button load shows no box
  EXPECT_EQ(view.Enables().back(), true);
  EXPECT_EQ(machine.WorkMode(), kModeIdle);

  // Loading the same values again fills nothing.
  view.ClearRecords();
  Run(kOpLoadAll);
  EXPECT_TRUE(view.Loads().empty());
}

TEST_F(LoadAll, RequestedLoadReleasesTheHostAndSaysSo) {
  device.SetResponder(Device);
  machine.RequestLoad();
  machine.WorkerTurn();  // idle: picks the request
  RunToIdle();
  EXPECT_FALSE(machine.LoadRequested());
  EXPECT_EQ(view.Releases(), 1);
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G("载入RTU设备参数成功 ...\r\n")});
}

TEST_F(LoadAll, RequestedLoadOnADeadDeviceWaitsForPowerUp) {
  device.SetResponder(Silent);
  machine.RequestLoad();
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.CountWritten("AT+SHOW"), 3);  // recovery failed: no second run
  EXPECT_EQ(device.CountWritten("---"), 3);
  EXPECT_EQ(machine.WorkMode(), kModeWaitPowerUp);
  EXPECT_FALSE(machine.LoadRequested());
  EXPECT_EQ(view.Releases(), 1);
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G("载入参数失败，请将设备重新上电！")});
  EXPECT_TRUE(view.LogHas(G("载入RTU设备参数失败...\r\n")));
  EXPECT_FALSE(view.LogHas(G("正在等待设备上电后进入配置状态...\r\n")));
  EXPECT_FALSE(view.Enables().back());
}

TEST_F(LoadAll, SecondFailedRunWithRequestSaysItWaits) {
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    return {};
  });
  machine.RequestLoad();
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.CountWritten("AT+SHOW"), 6);
  EXPECT_EQ(machine.WorkMode(), kModeWaitPowerUp);
  EXPECT_TRUE(view.LogHas(G("正在等待设备上电后进入配置状态...\r\n")));
}

TEST_F(LoadAll, ButtonLoadGivesUpIntoIdle) {
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    return {Ok("no labels here")};  // the parser stores nothing: a failed load
  });
  Run(kOpLoadAll);
  EXPECT_EQ(device.CountWritten("AT+SHOW"), 6);
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
  EXPECT_TRUE(view.LogHas(G("载入RTU设备参数失败...\r\n")));
  EXPECT_TRUE(view.Tips().empty());
}

using WriteBack = MachineTest;

TEST_F(WriteBack, OnlyTheChangedInstanceIsSent) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWritten();
  view.ClearRecords();
  view.Edit(23, 0, "newapn");
  Run(kOpWriteAll);
  EXPECT_EQ(device.Written(), std::vector<std::string>{"AT+APN=newapn\r\n"});
  EXPECT_EQ(view.LogLines(), (std::vector<std::string>{"AT+APN=newapn\r\n", G("设置成功\r\n")}));
  EXPECT_EQ(GetParamText(23, 0).value(), "newapn");
}

TEST_F(WriteBack, ErrorForOneParameterRecoversOnceAndTheOthersGoOut) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWritten();
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    if (w.rfind("AT+APN=", 0) == 0) return {Error()};
    return {Ok()};
  });
  view.Edit(23, 0, "newapn");
  view.Edit(24, 0, "user2");
  Run(kOpWriteAll);
  EXPECT_EQ(device.Written(), (std::vector<std::string>{"AT+APN=newapn\r\n", "AT+USERNAME=user2\r\n",
                                                        "---", "AT+APN=newapn\r\n"}));
  EXPECT_TRUE(view.LogHas(G("设置失败\r\n")));
  EXPECT_EQ(GetParamText(23, 0).value(), "cmnet");  // the device still has it
  EXPECT_EQ(GetParamText(24, 0).value(), "user2");
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
}

TEST_F(WriteBack, FailedRecoveryEndsTheWriteQuietly) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWritten();
  view.ClearRecords();
  view.Edit(23, 0, "newapn");
  view.Edit(24, 0, "user2");
  device.SetResponder(Silent);
  Run(kOpWriteAll);
  // The first failure asks for recovery, the pass goes on with the next id, whose
  // failure is final; the recovery fails and nothing more is sent.
  EXPECT_EQ(device.Written(), (std::vector<std::string>{"AT+APN=newapn\r\n", "AT+USERNAME=user2\r\n",
                                                        "---", "---", "---"}));
  int failed = 0;
  for (const auto& l : view.LogLines()) failed += l == G("设置失败\r\n");
  EXPECT_EQ(failed, 1);
  EXPECT_TRUE(view.Tips().empty());
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
  EXPECT_TRUE(view.Enables().back());
}

TEST_F(WriteBack, FileWithOneChangedLineChangesOneControlAndOneValue) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWritten();
  view.ClearRecords();
  const std::string file = "Modem Apn:  fileapn\r\n";
  ASSERT_TRUE(machine.StartWriteFromFile(file));
  RunToIdle();
  EXPECT_EQ(device.Written(), std::vector<std::string>{"AT+APN=fileapn\r\n"});
  EXPECT_EQ(view.Loads(), (std::vector<std::pair<int, int>>{{23, 0}}));
  EXPECT_EQ(view.SaveToTable(23, 0), "fileapn");
}

TEST_F(WriteBack, SavedTableAppliedAgainSendsNothing) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWritten();
  const std::string file = BuildListing();
  ASSERT_TRUE(machine.StartWriteFromFile(file));
  RunToIdle();
  EXPECT_TRUE(device.Written().empty());
}

TEST_F(WriteBack, FileIsRefusedWhileAnOperationRuns) {
  machine.SetWorkMode(kModeOperation);
  EXPECT_FALSE(machine.StartWriteFromFile("Modem Apn:  x\r\n"));
  EXPECT_EQ(GetParamText(23, 0).value(), "");  // the table was not touched
}

TEST_F(WriteBack, FileValueThatFailedFirstIsSentAfterTheRecovery) {
  int apnErrors = 0;
  device.SetResponder([&](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    if (w.rfind("AT+APN=", 0) == 0 && apnErrors++ == 0) return {Error()};
    return {Ok()};
  });
  ASSERT_TRUE(machine.StartWriteFromFile("Modem Apn:  fileapn\r\n"));
  RunToIdle();
  EXPECT_EQ(device.CountWritten("AT+APN=fileapn"), 2);
  EXPECT_EQ(GetParamText(23, 0).value(), "fileapn");
  EXPECT_EQ(view.SaveToTable(23, 0), "fileapn");
}

TEST_F(WriteBack, FileOnASilentDeviceGivesUpAfterTheFailedRecovery) {
  device.SetResponder(Device);
  Run(kOpLoadAll);
  device.ClearWritten();
  device.SetResponder(Silent);
  ASSERT_TRUE(machine.StartWriteFromFile("Modem Apn:  fileapn\r\n"));
  RunToIdle();
  EXPECT_EQ(device.Written(), (std::vector<std::string>{"AT+APN=fileapn\r\n", "---", "---", "---"}));
  EXPECT_EQ(GetParamText(23, 0).value(), "cmnet");  // what the device still has
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
  EXPECT_TRUE(view.Enables().back());
  EXPECT_EQ(view.SaveToTable(23, 0), "fileapn");  // the page keeps the wanted value
}

using Maintenance = MachineTest;

TEST_F(Maintenance, VersionLogsLineAndReply) {
  device.SetResponder([](const std::string&) { return std::vector<std::string>{Ok("V3.2")}; });
  Run(kOpQueryVersion);
  EXPECT_EQ(view.LogLines(), (std::vector<std::string>{"AT+VER\r\n", Ok("V3.2")}));
}

// The device's states for the modem queries: configuration → "---" → run → "+++" →
// modem → AT+QUIT → run → "---" → configuration.
struct ModemDevice {
  enum { Config, Run, Modem } state = Config;
  bool probeAlwaysOk = false;
  bool quitFails = false;
  std::vector<std::string> operator()(const std::string& w) {
    if (w == "---") {
      if (probeAlwaysOk) return {CmdOk()};
      if (state == Config) {
        state = Run;
        return {CmdError()};
      }
      state = Config;
      return {CmdOk()};
    }
    if (w == "+++") {
      if (state != Run) return {CmdError()};
      state = Modem;
      return {CmdOk()};
    }
    if (w == "AT+CSQ\r\n" && state == Modem) return {Ok("+CSQ: 23,99")};
    if (w == "AT+GSN\r\n" && state == Modem) return {Ok("861234567890123")};
    if (w == "AT+QUIT\r\n" && state == Modem && !quitFails) {
      state = Run;
      return {Ok()};
    }
    return {Error()};
  }
};

TEST_F(Maintenance, SignalSequenceIsLoggedAndEndsBackInConfiguration) {
  ModemDevice dev;
  device.SetResponder([&](const std::string& w) { return dev(w); });
  Run(kOpQuerySignal);
  EXPECT_EQ(device.Written(), (std::vector<std::string>{"---", "+++", "AT+CSQ\r\n", "AT+QUIT\r\n", "---"}));
  EXPECT_EQ(view.LogLines(),
            (std::vector<std::string>{"---\r\n", CmdError(), "+++\r\n", CmdOk(), "AT+CSQ\r\n",
                                      Ok("+CSQ: 23,99"), G("返回配置成功！\r\n")}));
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
  EXPECT_EQ(machine.OpRetry(), 0);
}

TEST_F(Maintenance, SignalGivesUpWhenTheDeviceStaysInConfiguration) {
  ModemDevice dev;
  dev.probeAlwaysOk = true;
  device.SetResponder([&](const std::string& w) { return dev(w); });
  Run(kOpQuerySignal);
  EXPECT_EQ(device.Written(), (std::vector<std::string>{"---", "---", "---"}));
  EXPECT_EQ(view.LogLines().back(), G("查询CSQ失败\r\n"));
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
}

TEST_F(Maintenance, ImeiGivesUpWhenTheModemRefuses) {
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdError()};
    return {CmdError()};  // "+++" refused
  });
  Run(kOpQueryImei);
  EXPECT_EQ(device.CountWritten("+++"), 3);
  EXPECT_EQ(device.CountWritten("AT+GSN"), 0);
  EXPECT_EQ(view.LogLines().back(), G("查询IMEI失败\r\n"));
}

TEST_F(Maintenance, QueryFailureAndSilentWayBack) {
  ModemDevice dev;
  device.SetResponder([&](const std::string& w) {
    if (w == "AT+GSN\r\n") return std::vector<std::string>{Error()};
    return dev(w);
  });
  Run(kOpQueryImei);
  EXPECT_EQ(device.CountWritten("AT+GSN"), 3);
  EXPECT_EQ(device.CountWritten("AT+QUIT"), 0);
  EXPECT_EQ(view.LogLines().back(), G("查询IMEI失败\r\n"));

  // AT+QUIT refused: the operation ends without a message and without "---".
  ModemDevice dev2;
  dev2.quitFails = true;
  device.SetResponder([&](const std::string& w) { return dev2(w); });
  device.ClearWritten();
  view.ClearRecords();
  Run(kOpQuerySignal);
  EXPECT_EQ(device.CountWritten("AT+QUIT"), 3);
  EXPECT_EQ(device.Written().back(), "AT+QUIT\r\n");
  EXPECT_FALSE(view.LogHas(G("返回配置成功！\r\n")));
  EXPECT_FALSE(view.LogHas(G("查询CSQ失败\r\n")));
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
}

TEST_F(Maintenance, FactoryResetIsFollowedByALoadWithoutEnablingBetween) {
  device.SetResponder(Device);
  ASSERT_TRUE(machine.StartFactoryReset());
  machine.WorkerTurn();  // AT+FACTORY
  EXPECT_EQ(machine.WorkMode(), kModeOperation);
  EXPECT_EQ(machine.WorkOp(), kOpLoadAll);
  EXPECT_EQ(view.Enables(), std::vector<bool>{false});
  RunToIdle();
  EXPECT_EQ(device.Written(), (std::vector<std::string>{"AT+FACTORY\r\n", "AT+SHOW\r\n"}));
  EXPECT_EQ(view.Enables(), (std::vector<bool>{false, true}));
}

TEST_F(Maintenance, FactoryResetGiveUpWaitsForPowerUp) {
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    return {Error()};
  });
  ASSERT_TRUE(machine.StartFactoryReset());
  RunToIdle();
  EXPECT_EQ(device.CountWritten("AT+FACTORY"), 6);
  EXPECT_EQ(machine.WorkMode(), kModeWaitPowerUp);
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G("出厂设置失败，请将设备重新上电！")});
  EXPECT_FALSE(view.Enables().back());
}

TEST_F(Maintenance, ClockIsSetOnce) {
  device.SetResponder(Device);
  machine.Requests().Set(CfgRequest::Clock, "2024/02/29,23:59:59,4");
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.Written(), std::vector<std::string>{"AT+EXCCLK=2024/02/29,23:59:59,4\r\n"});
  EXPECT_TRUE(view.LogLines().empty());  // not logged
  EXPECT_FALSE(machine.Requests().Pending(CfgRequest::Clock));
  EXPECT_EQ(view.RequestControls(), (std::vector<std::pair<CfgRequest, bool>>{
                                        {CfgRequest::Clock, false}, {CfgRequest::Clock, true}}));
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G("设置时间成功")});
}

TEST_F(Maintenance, ClockOnASilentDeviceGivesUpAfterTheFailedRecovery) {
  device.SetResponder(Silent);
  machine.Requests().Set(CfgRequest::Clock, "2024/01/05,08:03:07,5");
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.CountWritten("AT+EXCCLK"), 1);
  EXPECT_EQ(device.CountWritten("---"), 3);
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G("设置时间失败")});
  EXPECT_FALSE(machine.Requests().Pending(CfgRequest::Clock));
  EXPECT_EQ(view.RequestControls().back(), (std::pair<CfgRequest, bool>{CfgRequest::Clock, true}));
}

TEST_F(Maintenance, ClockRefusedIsTriedTwice) {
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    return {Error()};
  });
  machine.Requests().Set(CfgRequest::Clock, "2024/01/05,08:03:07,5");
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.CountWritten("AT+EXCCLK"), 2);
  EXPECT_EQ(device.CountWritten("---"), 1);
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G("设置时间失败")});
}

struct StorageCase {
  CfgRequest request;
  const char* argument;
  const char* line;
  const char* okText;
  const char* failText;
  bool logged;
};

class StorageRequests : public MachineTest, public ::testing::WithParamInterface<StorageCase> {};

TEST_P(StorageRequests, SuccessAndBothGiveUps) {
  const StorageCase& c = GetParam();
  // Success.
  device.SetResponder(Device);
  machine.Requests().Set(c.request, c.argument);
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.Written(), std::vector<std::string>{c.line});
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G(c.okText)});
  EXPECT_TRUE(view.LogHas(c.line));
  EXPECT_FALSE(machine.Requests().Pending(c.request));

  // Refused twice, with a recovery between.
  view.ClearRecords();
  device.ClearWritten();
  device.SetResponder([](const std::string& w) -> std::vector<std::string> {
    if (w == "---") return {CmdOk()};
    return {Error()};
  });
  machine.Requests().Set(c.request, c.argument);
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.Written(), (std::vector<std::string>{c.line, "---", c.line}));
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G(c.failText)});
  EXPECT_FALSE(machine.Requests().Pending(c.request));
  EXPECT_EQ(machine.WorkMode(), kModeIdle);

  // Silent: the failed recovery gives up after one attempt.
  view.ClearRecords();
  device.ClearWritten();
  device.SetResponder(Silent);
  machine.Requests().Set(c.request, c.argument);
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(device.Written(), (std::vector<std::string>{c.line, "---", "---", "---"}));
  EXPECT_EQ(view.Tips(), std::vector<std::string>{G(c.failText)});
  EXPECT_FALSE(machine.Requests().Pending(c.request));
}

INSTANTIATE_TEST_SUITE_P(
    All, StorageRequests,
    ::testing::Values(
        StorageCase{CfgRequest::ClearRecords, "0", "AT+CLRCHNNLRCRD=0\r\n", "删除通道记录成功",
                    "删除通道记录失败", true},
        StorageCase{CfgRequest::ClearBacklog, "1", "AT+CLRUPLOSE\r\n", "删除补传数据成功",
                    "删除补传数据失败", true},
        StorageCase{CfgRequest::InitValue, "05=12.5", "AT+SETINITDATA05=12.5\r\n", "设置初值成功",
                    "设置初值失败", true}));

TEST_F(Maintenance, InitialValueDisablesItsControlsWhileItRuns) {
  device.SetResponder(Device);
  machine.Requests().Set(CfgRequest::InitValue, "05=12.5");
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_EQ(view.RequestControls(), (std::vector<std::pair<CfgRequest, bool>>{
                                        {CfgRequest::InitValue, false}, {CfgRequest::InitValue, true}}));
}

TEST_F(Maintenance, UnknownOperationReturnsToIdle) {
  machine.SetWorkMode(kModeOperation);
  machine.RunOperation(1, 1);
  EXPECT_EQ(machine.WorkMode(), kModeIdle);
}

}  // namespace
