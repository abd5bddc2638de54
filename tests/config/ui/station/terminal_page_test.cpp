// Terminal page and its "更多参数" sub-page: mappings, hidden texts, protocol layouts.
#include <gtest/gtest.h>

#include "config/ui/station/terminal_dlg.h"
#include "protocol/listing.h"
#include "station_test_support.h"

namespace {

class TerminalPage : public ::testing::Test {
 protected:
  void SetUp() override {
    ListingProtocolKind().store(0);
    ListingWaterOrderSeen().store(0);
    ListingAddressTypeSeen().store(0);
  }
  void TearDown() override { SetUp(); }

  void TickMore() {
    page.MoreCheck()->setChecked(true);
    emit page.MoreCheck()->clicked(true);
  }
  bool HydrologyRowsShown() {
    CRTUCfgTerminal1Dlg* m = page.MorePage();
    bool all = true, none = true;
    for (int id : {1342, 1309, 1343, 1344, 1285, 1345, 1286, 1346, 1347, 1287, 1348, 1349, 1288, 1350, 1310}) {
      QWidget* w = Control(m, id);
      EXPECT_NE(w, nullptr) << id;
      if (!w) continue;
      all = all && !w->isHidden();
      none = none && w->isHidden();
    }
    EXPECT_TRUE(all || none) << "hydrology rows half shown";
    return all;
  }

  CRTUCfgTerminalDlg page;
};

TEST_F(TerminalPage, ProtocolFiveShowsWater21WithItsLayout) {
  page.LoadFromTable(7, 0, "5");
  EXPECT_EQ(page.ProtocolList()->currentText(), QStringLiteral("水资源21"));
  // Loading alone changes neither the layout nor the protocol kind.
  EXPECT_TRUE(page.ReportInterval()->isHidden());
  EXPECT_EQ(ListingProtocolKind().load(), 0);
  // Showing the page anew refreshes the report field.
  page.RefreshReportField();
  EXPECT_FALSE(page.ReportInterval()->isHidden());
  EXPECT_FALSE(page.ReportLabel()->isHidden());
  EXPECT_EQ(page.ReportLabel()->text(), QStringLiteral("电量上报间隔："));
  EXPECT_EQ(ListingProtocolKind().load(), 0);
  EXPECT_TRUE(HydrologyRowsShown());  // the sub-page is untouched until it is opened
  // Opening "更多参数" applies the whole layout.
  TickMore();
  EXPECT_FALSE(page.MorePage()->isHidden());
  EXPECT_EQ(ListingProtocolKind().load(), 2);
  EXPECT_FALSE(HydrologyRowsShown());
  // Clearing the box hides the sub-page again.
  page.MoreCheck()->setChecked(false);
  emit page.MoreCheck()->clicked(false);
  EXPECT_TRUE(page.MorePage()->isHidden());
}

TEST_F(TerminalPage, UserChosenProtocolSetsTheReportFieldAndHydrologyRows) {
  const struct {
    int pick;  // -1: a protocol text typed, which counts as hydrology
    int kind;
    bool report;
    const char* label;
  } steps[] = {{2, 1, false, "定时上报时间："}, {1, 0, true, "定时上报时间："}, {3, 2, true, "电量上报间隔："}, {-1, 0, true, nullptr}};
  for (const auto& s : steps) {
    if (s.pick >= 0) {
      UserPicks(page.ProtocolList(), s.pick);
    } else {
      UserTypes(page.ProtocolList(), QStringLiteral("自定义"));
      TickMore();
    }
    EXPECT_EQ(ListingProtocolKind().load(), s.kind) << s.pick;
    EXPECT_EQ(HydrologyRowsShown(), s.kind == 0) << s.pick;
    if (!s.label) continue;
    EXPECT_EQ(page.ReportInterval()->isHidden(), !s.report) << s.pick;
    EXPECT_EQ(page.ReportLabel()->text().toStdString(), s.label) << s.pick;
  }
}

// Water order and address type: hidden and kept as loaded while the device has not
// listed them; once listed, shown; a later listing without them gives back what the
// page showed, not an older text.
TEST_F(TerminalPage, WaterOrderAndAddressTypeFollowWhatTheDeviceListed) {
  CRTUCfgTerminal1Dlg* more = page.MorePage();
  page.LoadFromTable(162, 0, "1");
  page.LoadFromTable(163, 0, "7");
  EXPECT_EQ(page.SaveToTable(162, 0), "1");
  EXPECT_EQ(page.SaveToTable(163, 0), "7");
  EXPECT_TRUE(more->waterOrder->isHidden() && more->addressType->isHidden());

  ListingWaterOrderSeen().store(1);
  ListingAddressTypeSeen().store(1);
  page.SaveToTable(162, 0);  // collecting first (as a load does) shows the rows
  page.SaveToTable(163, 0);
  EXPECT_FALSE(more->waterOrder->isHidden() || more->addressType->isHidden());
  page.LoadFromTable(162, 0, "1");
  page.LoadFromTable(163, 0, "0");
  EXPECT_EQ(more->waterOrder->currentText(), QStringLiteral("水量在前"));
  UserPicks(more->addressType, 1);
  EXPECT_EQ(more->addressType->currentText(), QStringLiteral("行政编码"));
  EXPECT_EQ(page.SaveToTable(163, 0), "1");
  page.LoadFromTable(162, 0, "7");  // no item: kept as loaded, not as "no selection"
  EXPECT_EQ(page.SaveToTable(162, 0), "7");

  ListingWaterOrderSeen().store(0);
  ListingAddressTypeSeen().store(0);
  EXPECT_EQ(page.SaveToTable(162, 0), "7");
  EXPECT_EQ(page.SaveToTable(163, 0), "1");
  EXPECT_TRUE(more->waterOrder->isHidden() && more->addressType->isHidden());
}

}  // namespace
