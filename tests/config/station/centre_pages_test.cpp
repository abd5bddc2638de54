// Centre address page (four centres, eight servers, DNS) and the centre-other page.
#include <QComboBox>
#include <QLineEdit>
#include <QTabBar>
#include <gtest/gtest.h>

#include "config/station/gprs1_dlg.h"
#include "config/station/gprs_dlg.h"
#include "station_test_support.h"

namespace {

class CentrePage : public ::testing::Test {
 protected:
  void SetUp() override { station_ui::SetAskHook({}); }
  void TearDown() override { station_ui::SetAskHook({}); }

  // True when the centre shows "开启" in both state lists and all its fields.
  bool Open(int centre) {
    CRTUCfgGprs2Dlg* c = page.Center(centre);
    bool open = true;
    for (bool backup : {false, true}) {
      open = open && c->StateList(backup)->currentText() == QStringLiteral("开启");
      for (int id : {CRTUCfgGprs2Dlg::kChannelId[backup], CRTUCfgGprs2Dlg::kAddressId[backup],
                     CRTUCfgGprs2Dlg::kPortId[backup], CRTUCfgGprs2Dlg::kChannelLabelId[backup],
                     CRTUCfgGprs2Dlg::kAddressLabelId[backup], CRTUCfgGprs2Dlg::kPortLabelId[backup]})
        open = open && !Control(c, id)->isHidden();
    }
    return open;
  }
  bool Closed(int centre) {
    CRTUCfgGprs2Dlg* c = page.Center(centre);
    bool closed = true;
    for (bool backup : {false, true}) {
      closed = closed && c->StateList(backup)->currentText() == QStringLiteral("关闭");
      for (int id : {CRTUCfgGprs2Dlg::kChannelId[backup], CRTUCfgGprs2Dlg::kAddressId[backup],
                     CRTUCfgGprs2Dlg::kPortId[backup], CRTUCfgGprs2Dlg::kChannelLabelId[backup],
                     CRTUCfgGprs2Dlg::kAddressLabelId[backup], CRTUCfgGprs2Dlg::kPortLabelId[backup]})
        closed = closed && Control(c, id)->isHidden();
    }
    return closed;
  }

  FakeWorkspace ws;
  CRTUCfgGprsDlg page{&ws};
};

TEST_F(CentrePage, StartsWithCountZeroEveryCentreClosedAndCentreOneShown) {
  EXPECT_EQ(page.ServerCountList()->currentText(), QStringLiteral("0"));
  ASSERT_EQ(page.Tabs()->count(), 4);
  EXPECT_EQ(page.Tabs()->tabText(0), QStringLiteral("  中心1  "));
  EXPECT_EQ(page.Tabs()->tabText(3), QStringLiteral("  中心4  "));
  for (int c = 0; c < 4; ++c) {
    EXPECT_TRUE(Closed(c)) << c;
    EXPECT_EQ(page.Center(c)->isHidden(), c != 0) << c;
  }
}

TEST_F(CentrePage, ServerCountTwoOpensCentresOneAndTwoOnly) {
  page.LoadFromTable(18, 0, "2");
  EXPECT_EQ(page.ServerCountList()->currentText(), QStringLiteral("2"));
  EXPECT_TRUE(Open(0));
  EXPECT_TRUE(Open(1));
  EXPECT_TRUE(Closed(2));
  EXPECT_TRUE(Closed(3));
  EXPECT_EQ(page.SaveToTable(18, 0), "2");

  // A smaller count closes the centres above it again.
  page.LoadFromTable(18, 0, "1");
  EXPECT_TRUE(Open(0));
  EXPECT_TRUE(Closed(1));
}

TEST_F(CentrePage, CountAboveFourOpensTheFourCentresAndIsWrittenBackUnchanged) {
  page.LoadFromTable(18, 0, "7");
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(Open(c)) << c;
  EXPECT_EQ(page.ServerCountList()->currentIndex(), -1);
  EXPECT_EQ(page.SaveToTable(18, 0), "7");  // untouched: nothing to write
  // The user's choice replaces it.
  UserPicks(page.ServerCountList(), 1);
  EXPECT_EQ(page.SaveToTable(18, 0), "1");
  EXPECT_TRUE(Open(0));
  EXPECT_TRUE(Closed(1));
}

TEST_F(CentrePage, UserCountChoiceOpensAndClosesCentres) {
  UserPicks(page.ServerCountList(), 3);
  EXPECT_TRUE(Open(0) && Open(1) && Open(2));
  EXPECT_TRUE(Closed(3));
  UserPicks(page.ServerCountList(), 0);
  for (int c = 0; c < 4; ++c) EXPECT_TRUE(Closed(c)) << c;
  EXPECT_EQ(page.SaveToTable(18, 0), "0");
}

TEST_F(CentrePage, TransferModeValuesRoundTripOnEveryServer) {
  const char* kinds[] = {"SMS", "TCP", "北斗卫星", "海事卫星", "PSTN", "短波", "串口", "UDP"};
  for (int server = 0; server < 8; ++server) {
    for (int v = 0; v < 8; ++v) {
      const std::string value = std::to_string(v);
      page.LoadFromTable(19, server, value);
      QComboBox* list = page.Center(server % 4)->ChannelList(server >= 4);
      EXPECT_EQ(list->currentText(), QString::fromUtf8(kinds[v])) << server << " " << v;
      EXPECT_EQ(page.SaveToTable(19, server), value) << server;
    }
  }
}

TEST_F(CentrePage, TransferModeNineShowsTcpAndIsWrittenAsOne) {
  page.LoadFromTable(19, 2, "9");
  EXPECT_EQ(page.Center(2)->ChannelList(false)->currentText(), QStringLiteral("TCP"));
  EXPECT_EQ(page.SaveToTable(19, 2), "1");
  page.LoadFromTable(19, 6, "abc");
  EXPECT_EQ(page.Center(2)->ChannelList(true)->currentText(), QStringLiteral("TCP"));
}

TEST_F(CentrePage, TypedChannelThatIsNoKindReadsEmpty) {
  page.LoadFromTable(19, 0, "1");
  UserTypes(page.Center(0)->ChannelList(false), QStringLiteral("TCP2"));
  EXPECT_EQ(page.SaveToTable(19, 0), "");
  UserTypes(page.Center(0)->ChannelList(false), QStringLiteral("UDP"));
  EXPECT_EQ(page.SaveToTable(19, 0), "7");
  // Before any value there is no selection at all.
  EXPECT_EQ(page.SaveToTable(19, 3), "");
}

TEST_F(CentrePage, EachServerInstanceHasItsOwnControls) {
  for (int s = 0; s < 8; ++s) {
    page.LoadFromTable(20, s, "10.0.0." + std::to_string(s));
    page.LoadFromTable(21, s, std::to_string(5000 + s));
  }
  for (int s = 0; s < 8; ++s) {
    EXPECT_EQ(page.SaveToTable(20, s), "10.0.0." + std::to_string(s));
    EXPECT_EQ(page.SaveToTable(21, s), std::to_string(5000 + s));
  }
  // The sixth server is the backup of centre 2: controls 1281, 1284, 1285 of tab 2.
  page.LoadFromTable(19, 5, "7");
  CRTUCfgGprs2Dlg* c2 = page.Center(1);
  EXPECT_EQ(Control<QLineEdit>(c2, 1284)->text(), QStringLiteral("10.0.0.5"));
  EXPECT_EQ(Control<QLineEdit>(c2, 1285)->text(), QStringLiteral("5005"));
  EXPECT_EQ(Control<QComboBox>(c2, 1281)->currentText(), QStringLiteral("UDP"));
  EXPECT_EQ(Control<QLineEdit>(c2, 1282)->text(), QStringLiteral("10.0.0.1"));
}

TEST_F(CentrePage, DnsInstancesHaveTheirOwnFields) {
  page.LoadFromTable(22, 0, "8.8.8.8");
  page.LoadFromTable(22, 1, "114.114.114.114");
  EXPECT_EQ(Control<QLineEdit>(&page, 1259)->text(), QStringLiteral("8.8.8.8"));
  EXPECT_EQ(Control<QLineEdit>(&page, 1260)->text(), QStringLiteral("114.114.114.114"));
  EXPECT_EQ(page.SaveToTable(22, 1), "114.114.114.114");
}

TEST_F(CentrePage, InstancesOutsideTheirRangeDoNothing) {
  page.LoadFromTable(20, 0, "kept");
  page.LoadFromTable(20, 8, "x");
  page.LoadFromTable(20, -1, "x");
  page.LoadFromTable(22, 2, "x");
  page.LoadFromTable(18, 1, "3");
  EXPECT_EQ(page.SaveToTable(20, 0), "kept");
  EXPECT_EQ(page.SaveToTable(20, 8), "");
  EXPECT_EQ(page.SaveToTable(22, 2), "");
  EXPECT_EQ(page.SaveToTable(23, 0), "");
  EXPECT_EQ(page.SaveToTable(18, 0), "0");
}

TEST_F(CentrePage, SerialOrBeidouChannelOffersTheJumpToTheTransmissionPage) {
  std::vector<QString> asked;
  bool answer = true;
  station_ui::SetAskHook([&](const QString& q) {
    asked.push_back(q);
    return answer;
  });
  QComboBox* list = page.Center(0)->ChannelList(false);
  UserPicks(list, 6);  // 串口
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], QStringLiteral("是否跳转配置串口参数？"));
  EXPECT_EQ(ws.comTransShown, 1);

  answer = false;
  UserPicks(page.Center(3)->ChannelList(true), 2);  // 北斗卫星, cancelled
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1], QStringLiteral("是否跳转配置北斗参数？"));
  EXPECT_EQ(ws.comTransShown, 1);

  UserPicks(list, 7);  // UDP: no question
  EXPECT_EQ(asked.size(), 2u);
  // A value loaded from the device asks nothing.
  page.LoadFromTable(19, 1, "6");
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(CentrePage, StateChoiceShowsOrHidesOneServersFields) {
  page.LoadFromTable(18, 0, "1");
  CRTUCfgGprs2Dlg* c = page.Center(0);
  UserPicks(c->StateList(true), 0);
  EXPECT_TRUE(c->AddressEdit(true)->isHidden());
  EXPECT_TRUE(Control(c, CRTUCfgGprs2Dlg::kPortLabelId[1])->isHidden());
  EXPECT_FALSE(c->AddressEdit(false)->isHidden());
  UserPicks(c->StateList(true), 1);
  EXPECT_FALSE(c->AddressEdit(true)->isHidden());
}

TEST_F(CentrePage, TabChoiceShowsOnlyThatCentre) {
  page.Tabs()->setCurrentIndex(2);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(page.Center(c)->isHidden(), c != 2) << c;
}

TEST(CentreOtherPage, SixEditsCarryTheirTextsUnchanged) {
  CRTUCfgGprs1Dlg page;
  const int ids[] = {23, 24, 25, 26, 28, 29};
  const int ctrls[] = {1265, 1266, 1267, 1268, 1269, 1270};
  for (int i = 0; i < 6; ++i) page.LoadFromTable(ids[i], 0, "v" + std::to_string(ids[i]));
  for (int i = 0; i < 6; ++i) {
    EXPECT_TRUE(CRTUCfgGprs1Dlg::Owns(ids[i]));
    EXPECT_EQ(page.SaveToTable(ids[i], 0), "v" + std::to_string(ids[i]));
    EXPECT_EQ(Control<QLineEdit>(&page, ctrls[i])->text(), QString::fromStdString("v" + std::to_string(ids[i])));
  }
  EXPECT_FALSE(CRTUCfgGprs1Dlg::Owns(27));
  EXPECT_EQ(page.SaveToTable(27, 0), "");

  // Empty stays empty, an out-of-range reconnect time passes unchanged, GBK text survives.
  page.LoadFromTable(23, 0, "");
  EXPECT_EQ(page.SaveToTable(23, 0), "");
  page.EditOf(28)->setText(QStringLiteral("70000"));
  EXPECT_EQ(page.SaveToTable(28, 0), "70000");
  page.LoadFromTable(24, 0, G("用户甲"));
  EXPECT_EQ(page.EditOf(24)->text(), QStringLiteral("用户甲"));
  EXPECT_EQ(page.SaveToTable(24, 0), G("用户甲"));
}

}  // namespace
