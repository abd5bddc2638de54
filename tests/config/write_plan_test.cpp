// The plan of a file write leaves the table alone; an unticked file value is neither
// sent nor left in the table; offline, nothing reaches the device.
#include <gtest/gtest.h>

#include "cfg_fakes.h"
#include "protocol/listing.h"

namespace {

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

}  // namespace
