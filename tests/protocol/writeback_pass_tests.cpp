// The write-back passes against a scripted device.
#include <gtest/gtest.h>

#include "protocol_support.h"

namespace {

class WriteBack : public ExchangeFixture {
 protected:
  // A loaded device: a few values in the table, pages showing them.
  void SetUp() override {
    ExchangeFixture::SetUp();
    SetParamText(23, "cmnet", 0);
    SetParamText(24, "user", 0);
    SetParamText(20, "10.0.0.1", 0);
    SetParamText(20, "10.0.0.2", 1);
    SetRawValue(*FindParam(3), 0, "8-NON-1");
    view = std::make_unique<FakeView>();
  }
  std::string Page(int id, int index) { return view->pages[{id, index}]; }
  std::unique_ptr<FakeView> view;
};

class WriteAllPass : public WriteBack {};
class WriteFromFilePass : public WriteBack {};

TEST_F(WriteAllPass, InstancesGoInIdOrderWithTwoDigitNumbers) {
  // Ids 42-44 sit at positions 44, 42, 43; the pass walks ids.
  view->pages[{44, 1}] = "50";
  view->pages[{42, 0}] = "1";
  view->pages[{43, 0}] = "60";
  view->pages[{31, 6}] = "12";
  view->pages[{3, 0}] = "8E1";
  RunWriteAll(exchange, *view);
  EXPECT_EQ(port.Writes(), (Lines{"AT+DBGCOMPARITY=8E1\r\n", "AT+CHNSVLEN07=12\r\n",
                                   "AT+CNTRIFUP01=1\r\n", "AT+CNTRUPTIME01=60\r\n",
                                   "AT+CNTRSHAKEMS02=50\r\n"}));
  EXPECT_EQ(GetRawValue(*FindParam(3), 0), "8-EVN-1");  // stored in device form
}

TEST_F(WriteAllPass, ControlWithoutValueIsNotSentAndIsNamedInTheLog) {
  view->noValue.insert({81, 3});  // Com4 if open: a typed text that is no item
  view->pages[{24, 0}] = "admin";
  RunWriteAll(exchange, *view);
  EXPECT_EQ(port.Writes(), (Lines{"AT+USERNAME=admin\r\n"}));
  // "Com4 if open: 无效的值，未写入"
  EXPECT_EQ(view->log, (Lines{"AT+USERNAME=admin\r\n", kLogSetOk,
                              "Com4 if open: \xCE\xDE\xD0\xA7\xB5\xC4\xD6\xB5\xA3\xAC\xCE\xB4\xD0\xB4\xC8\xEB\r\n"}));
  EXPECT_EQ(GetParamText(81, 3), "");  // the table keeps its value
}

TEST_F(WriteAllPass, FirstFailureDefersTheRestOfItsFamilyAndTheOthersGoOn) {
  device.FailTimes("AT+MULTISER01", 1);
  view->pages[{20, 0}] = "10.0.0.11";
  view->pages[{20, 1}] = "10.0.0.12";
  view->pages[{23, 0}] = "cmiot";
  int retry = 0;
  EXPECT_EQ(WriteAll(exchange, *view, retry), PassResult::RecoveryPending);
  EXPECT_EQ(retry, 1);
  EXPECT_EQ(port.Writes(), (Lines{"AT+MULTISER01=10.0.0.11\r\n", "AT+APN=cmiot\r\n"}));
  ASSERT_FALSE(view->results.empty());  // handed over to the recovery: neither ok nor final
  EXPECT_FALSE(view->results[0].ok || view->results[0].final);
  EXPECT_EQ(GetParamText(20, 0), "10.0.0.1");  // so the next pass finds it different again
  port.ClearWrites();
  ASSERT_EQ(RecoverConfigState(exchange), 1);
  EXPECT_EQ(WriteAll(exchange, *view, retry), PassResult::Finished);
  EXPECT_EQ(port.Writes(), (Lines{"---", "AT+MULTISER01=10.0.0.11\r\n",
                                   "AT+MULTISER02=10.0.0.12\r\n"}));
  EXPECT_EQ(GetParamText(20, 0), "10.0.0.11");
  EXPECT_EQ(GetParamText(20, 1), "10.0.0.12");
  EXPECT_TRUE(view->results.back().ok && view->results.back().final);
}

TEST_F(WriteAllPass, ClosedPortFailsEverythingAndChangesNothing) {
  port.Close();
  view->pages[{23, 0}] = "cmiot";
  view->pages[{24, 0}] = "guest";
  const OperationOutcome outcome = RunWriteAll(exchange, *view);
  EXPECT_TRUE(outcome.gaveUp);
  EXPECT_TRUE(port.Writes().empty());
  EXPECT_EQ(GetParamText(23, 0), "cmnet");
  EXPECT_EQ(GetParamText(24, 0), "user");
  EXPECT_EQ(view->log, (Lines{"AT+APN=cmiot\r\n", "AT+USERNAME=guest\r\n", kLogSetFailed}));
}

TEST_F(WriteFromFilePass, FileValuesAreShownOnThePageAndSent) {
  SetParamText(23, "cmiot", 0);  // as loading a file does
  SetRawValue(*FindParam(3), 0, "8-EVN-1");
  PendingFileValues pending;
  RunWriteFromFile(exchange, *view, pending);
  EXPECT_EQ(port.Writes(), (Lines{"AT+DBGCOMPARITY=8E1\r\n", "AT+APN=cmiot\r\n"}));
  EXPECT_EQ(Page(23, 0), "cmiot");
  EXPECT_EQ(Page(3, 0), "8E1");
  EXPECT_EQ(view->log, (Lines{"AT+DBGCOMPARITY=8E1\r\n", kLogSetOk, "AT+APN=cmiot\r\n", kLogSetOk}));
  EXPECT_TRUE(pending.Empty());
}

TEST_F(WriteFromFilePass, InstanceThatFailedFirstIsRetriedWithTheFilesValue) {
  device.FailTimes("AT+APN", 1);
  SetParamText(23, "cmiot", 0);
  PendingFileValues pending;
  int retry = 0;
  EXPECT_EQ(WriteFromFile(exchange, *view, retry, pending), PassResult::RecoveryPending);
  EXPECT_EQ(GetParamText(23, 0), "cmnet");  // the table went back to the device's value
  ASSERT_NE(pending.Find(23, 0), nullptr);
  ASSERT_EQ(RecoverConfigState(exchange), 1);
  EXPECT_EQ(WriteFromFile(exchange, *view, retry, pending), PassResult::Finished);
  EXPECT_EQ(port.Writes(), (Lines{"AT+APN=cmiot\r\n", "---", "AT+APN=cmiot\r\n"}));
  EXPECT_EQ(GetParamText(23, 0), "cmiot");
  EXPECT_EQ(Page(23, 0), "cmiot");
  EXPECT_TRUE(pending.Empty());
}

// Both passes, each given its new values as its operation gets them: page edits for a
// write, the table (as loading a file leaves it) for a write from a file.
class BothPasses : public WriteBack, public ::testing::WithParamInterface<bool> {
 protected:
  void Change(int id, int index, const std::string& value) {
    if (GetParam()) {
      SetParamText(id, value, index);
      return;
    }
    view->pages[{id, index}] = value;
  }
  OperationOutcome RunPass() { return GetParam() ? RunWriteFromFile(exchange, *view, pending) : RunWriteAll(exchange, *view); }
  PendingFileValues pending;
};
INSTANTIATE_TEST_SUITE_P(WriteBack, BothPasses, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "FromFile" : "All"; });

TEST_P(BothPasses, RefusedValueIsSentOnceMoreAfterRecoveryAndTheTableKeepsTheDevicesValue) {
  device.FailTimes("AT+APN", -1);
  Change(23, 0, "cmiot");
  Change(24, 0, "guest");
  EXPECT_EQ(RunPass().recoveries, 1);
  EXPECT_EQ(port.Writes(), (Lines{"AT+APN=cmiot\r\n", "AT+USERNAME=guest\r\n", "---", "AT+APN=cmiot\r\n"}));
  EXPECT_EQ(view->log, (Lines{"AT+APN=cmiot\r\n", "AT+USERNAME=guest\r\n", kLogSetOk, "AT+APN=cmiot\r\n",
                              kLogSetFailed}));
  EXPECT_EQ(GetParamText(23, 0), "cmnet");  // the device refused it
  EXPECT_EQ(GetParamText(24, 0), "guest");
  EXPECT_TRUE(view->results.back().final && !view->results.back().ok);
  EXPECT_TRUE(pending.Empty());
  if (!GetParam()) {
    EXPECT_EQ(Page(23, 0), "cmiot");  // the edit stays on the page
  }
}

// The second failure counts as final in its pass, but the table kept the device's value,
// so the pass after the recovery sends it once more.
TEST_P(BothPasses, ASecondFailureInThePassIsSentAgainAfterTheRecovery) {
  device.FailTimes("AT+APN", 1);
  device.FailTimes("AT+USERNAME", 1);
  Change(23, 0, "cmiot");
  Change(24, 0, "guest");
  EXPECT_EQ(RunPass().recoveries, 1);
  EXPECT_EQ(port.Writes(), (Lines{"AT+APN=cmiot\r\n", "AT+USERNAME=guest\r\n", "---", "AT+APN=cmiot\r\n",
                                   "AT+USERNAME=guest\r\n"}));
  EXPECT_EQ(view->log, (Lines{"AT+APN=cmiot\r\n", "AT+USERNAME=guest\r\n", kLogSetFailed,
                              "AT+APN=cmiot\r\n", kLogSetOk, "AT+USERNAME=guest\r\n", kLogSetOk}));
  EXPECT_EQ(GetParamText(23, 0), "cmiot");
  EXPECT_EQ(GetParamText(24, 0), "guest");
}

}  // namespace
