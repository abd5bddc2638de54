// The review of a write: the plan lists what the write-back pass then sends, and the
// pass sends only the ticked rows.
#include <gtest/gtest.h>

#include "cfg_fakes.h"
#include "protocol/listing.h"

namespace {

const char kListing[] =
    "Protocol work type:  1\r\n"
    "Server2's port:  5005\r\n"
    "Modem Apn:  cmnet\r\n"
    "Modem user name:  card\r\n";

struct Row {
  std::string label, device, next, line;  // line: what the pass sends for it
};

struct PlanCase {
  const char* name;
  bool fromFile;            // WriteFromFile of file, else WriteAll of the edits
  std::vector<std::pair<std::pair<int, int>, std::string>> edits;
  std::string file;
  std::vector<Row> rows;    // the plan, in sending order
  std::vector<int> ticked;  // rows ticked (indexes into rows)
};

void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.name; }

const Row kApn{"Modem Apn", "cmnet", "newapn", "AT+APN=newapn\r\n"};
const Row kPort2{"Server2's port", "5005", "6006", "AT+MULTIPORT02=6006\r\n"};
const Row kUser{"Modem user name", "card", "u2", "AT+USERNAME=u2\r\n"};

class WritePlanTest : public MachineTest, public ::testing::WithParamInterface<PlanCase> {};

TEST_P(WritePlanTest, PlanRowsAreWhatThePassSendsAndUntickedRowsStayOffTheWire) {
  const PlanCase& c = GetParam();
  device.SetResponder(Responsive);
  ParseListing(kListing, sizeof kListing - 1);
  machine.FillPagesFromTable();
  for (const auto& [key, text] : c.edits) view.Edit(key.first, key.second, text);
  const std::string tableBefore = BuildListing();

  const std::optional<WritePlan> plan =
      c.fromFile ? machine.PlanWriteFromFile(c.file) : machine.PlanWriteAll();
  ASSERT_TRUE(plan.has_value());
  EXPECT_EQ(BuildListing(), tableBefore) << "planning changed the table";
  ASSERT_EQ(plan->size(), c.rows.size());
  for (size_t i = 0; i < c.rows.size(); ++i) {
    EXPECT_EQ((*plan)[i].label, c.rows[i].label);
    EXPECT_EQ((*plan)[i].deviceValue, c.rows[i].device);
    EXPECT_EQ((*plan)[i].newValue, c.rows[i].next);
  }

  WriteSelection selection;
  std::vector<std::string> sent;
  for (int i : c.ticked) {
    selection.insert({(*plan)[i].id, (*plan)[i].index});
    sent.push_back(c.rows[i].line);
  }
  ASSERT_TRUE(c.fromFile ? machine.StartWriteFromFile(c.file, selection)
                         : machine.StartWriteAll(selection));
  RunToIdle();
  EXPECT_EQ(device.Writes(), sent);

  // The table holds what the device has: the sent values and the unticked rows' old ones.
  for (size_t i = 0; i < c.rows.size(); ++i) {
    const bool wasSent = std::find(c.ticked.begin(), c.ticked.end(), int(i)) != c.ticked.end();
    EXPECT_EQ(GetParamText((*plan)[i].id, (*plan)[i].index),
              wasSent ? c.rows[i].next : c.rows[i].device) << c.rows[i].label;
  }
  // What stays unsent is still in the plan of the next review; nothing else is.
  const std::optional<WritePlan> again =
      c.fromFile ? machine.PlanWriteFromFile(c.file) : machine.PlanWriteAll();
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->size(), c.rows.size() - c.ticked.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WritePlanTest,
    ::testing::Values(
        PlanCase{"EditsAllTicked", false, {{{23, 0}, "newapn"}, {{21, 1}, "6006"}}, "",
                 {kPort2, kApn}, {0, 1}},
        PlanCase{"EditsOneUnticked", false,
                 {{{23, 0}, "newapn"}, {{21, 1}, "6006"}, {{24, 0}, "u2"}}, "",
                 {kPort2, kApn, kUser}, {0, 2}},
        PlanCase{"EditsNoneTicked", false, {{{23, 0}, "newapn"}}, "", {kApn}, {}},
        PlanCase{"NothingChanged", false, {}, "", {}, {}},
        PlanCase{"FileAllTicked", true, {},
                 "Modem Apn:  newapn\r\nModem user name:  u2\r\nProtocol work type:  1\r\n",
                 {kApn, kUser}, {0, 1}},
        PlanCase{"FileOneUnticked", true, {},
                 "Server2's port:  6006\r\nModem Apn:  newapn\r\nModem user name:  u2\r\n",
                 {kPort2, kApn, kUser}, {1}},
        PlanCase{"FileSameValues", true, {}, kListing, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MachineTest, NoPlanWhileAnOperationRuns) {
  device.SetResponder(Responsive);
  machine.SetWorkMode(kModeOperation);
  EXPECT_FALSE(machine.PlanWriteAll().has_value());
  EXPECT_FALSE(machine.PlanWriteFromFile("Modem Apn:  x\r\n").has_value());
  EXPECT_EQ(GetParamText(23, 0), "");
}

TEST_F(MachineTest, OfflineEveryDeviceOperationIsRefusedAndARequestEndsWithNothingSent) {
  device.SetResponder(Responsive);
  machine.SetOffline(true);
  EXPECT_FALSE(machine.StartOperation(kOpLoadAll));
  EXPECT_FALSE(machine.StartWriteAll());
  EXPECT_FALSE(machine.StartWriteFromFile("Modem Apn:  x\r\n"));
  EXPECT_EQ(GetParamText(23, 0), "");  // the refused file is not in the table
  machine.Requests().Set(CfgRequest::Clock, "2024/01/05,08:03:07,5");
  machine.WorkerTurn();
  RunToIdle();
  EXPECT_FALSE(machine.Requests().Pending(CfgRequest::Clock));
  EXPECT_TRUE(device.Writes().empty());
  EXPECT_EQ(view.LogCount(G("离线编辑中，设备操作不可用\r\n")), 4);
  ASSERT_FALSE(view.R().tips.empty());
  EXPECT_EQ(view.R().tips.back(), G("设置时间失败"));

  machine.SetOffline(false);
  Run(kOpQueryVersion);
  EXPECT_EQ(device.Writes(), std::vector<std::string>{"AT+VER\r\n"});
}

}  // namespace
