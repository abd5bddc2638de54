// A device listing through ParamTable into the station pages and back: what a load
// shows, a save without edits gives back unchanged (so nothing would be sent).
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <map>

#include "config/station/camera_timer_dlg.h"
#include "config/station/com_trans_dlg.h"
#include "config/station/gprs1_dlg.h"
#include "config/station/gprs_dlg.h"
#include "config/station/sms_dlg.h"
#include "config/station/terminal_dlg.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "station_test_support.h"

namespace {

struct StationPages {
  FakeWorkspace ws;
  CRTUCfgGprsDlg centre{&ws};
  CRTUCfgGprs1Dlg other;
  CRTUCfgTerminalDlg terminal;
  CRTUCfgSmsDlg sms;
  CRTUCfgComTransDlg trans;
  CRTUCfgCameraTimer timer;

  ICfgPage* PageFor(int id) {
    if (CRTUCfgGprsDlg::Owns(id)) return &centre;
    if (CRTUCfgGprs1Dlg::Owns(id)) return &other;
    if (CRTUCfgTerminalDlg::Owns(id)) return &terminal;
    if (CRTUCfgSmsDlg::Owns(id)) return &sms;
    if (CRTUCfgComTransDlg::Owns(id)) return &trans;
    if (CRTUCfgCameraTimer::Owns(id)) return &timer;
    return nullptr;
  }
  // The load of the workspace: collect, and show the table's text where it differs.
  void Load() {
    for (int id = 0; id <= 163; ++id) {
      ICfgPage* p = PageFor(id);
      const ParamEntry* e = FindParam(id);
      if (!p || !e) continue;
      for (int k = 0; k < e->count; ++k) {
        const std::string table = *GetParamText(id, k);
        if (p->SaveToTable(id, k) != table) p->LoadFromTable(id, k, table);
      }
    }
  }
};

// One listing line per instance: label, two spaces, value, CR LF.
std::string Listing(const std::map<std::pair<int, int>, std::string>& values) {
  std::string text = "AT+SHOW\r\n";
  for (const auto& [key, value] : values) {
    const ParamEntry* e = FindParam(key.first);
    text += FormatLabel(*e, key.second + 1) + "  " + value + "\r\n";
  }
  return text + "\r\nOK\r\n";
}

class StationTable : public ::testing::Test {
 protected:
  void SetUp() override { ResetParamValues(); }
  void TearDown() override {
    ResetParamValues();
    g_nProtocolKind.store(0);
    g_bWaterOrderSeen.store(0);
    g_bAddressTypeSeen.store(0);
  }
};

TEST_F(StationTable, ADeviceListingShowsAndComesBackUnchanged) {
  std::map<std::pair<int, int>, std::string> v = {
      {{0, 0}, "1"}, {{1, 0}, "2"}, {{2, 0}, "115200"}, {{3, 0}, "8-EVN-1"},
      {{4, 0}, "0012345678"}, {{5, 0}, "01"}, {{6, 0}, "1234"}, {{7, 0}, "5"},
      {{8, 0}, "1"}, {{9, 0}, "1"}, {{10, 0}, "60"}, {{11, 0}, "5"}, {{12, 0}, "8"},
      {{13, 0}, "1"}, {{14, 0}, "13800000000"}, {{15, 0}, "48"}, {{16, 0}, "5"},
      {{17, 0}, "11.5"}, {{18, 0}, "2"}, {{23, 0}, "cmnet"}, {{24, 0}, "user"},
      {{25, 0}, "pass"}, {{26, 0}, "*99***1#"}, {{27, 0}, "60"}, {{28, 0}, "30"},
      {{29, 0}, "120"}, {{22, 0}, "8.8.8.8"}, {{22, 1}, "114.114.114.114"},
      {{146, 0}, "1"}, {{147, 0}, "13900000000"}, {{158, 0}, "3"}, {{159, 0}, "9600"},
      {{160, 0}, "8N1"}, {{162, 0}, "1"}, {{163, 0}, "0"},
  };
  for (int s = 0; s < 8; ++s) {
    v[{19, s}] = std::to_string(s % 8);
    v[{20, s}] = "192.168.1." + std::to_string(10 + s);
    v[{21, s}] = std::to_string(6000 + s);
  }
  for (int k = 0; k < 10; ++k) {
    v[{155, k}] = k % 2 ? "1" : "0";
    v[{156, k}] = std::to_string(k * 2);
    v[{157, k}] = std::to_string(k * 5);
  }
  const std::string text = Listing(v);
  ASSERT_EQ(ParseListing(text.data(), static_cast<int>(text.size())), 1);
  ASSERT_EQ(g_nProtocolKind.load(), 2);

  StationPages pages;
  pages.Load();

  // What the pages show.
  EXPECT_EQ(pages.terminal.ProtocolList()->currentText(), QStringLiteral("水资源21"));
  EXPECT_EQ(pages.terminal.WorkModeList()->currentText(), QStringLiteral("查询"));
  EXPECT_FALSE(pages.terminal.MorePage()->waterOrder->isHidden());
  EXPECT_EQ(pages.terminal.MorePage()->waterOrder->currentText(), QStringLiteral("水量在前"));
  EXPECT_EQ(pages.centre.Center(1)->ChannelList(true)->currentText(), QStringLiteral("短波"));
  EXPECT_EQ(pages.centre.Center(3)->AddressEdit(true)->text(), QStringLiteral("192.168.1.17"));
  EXPECT_FALSE(pages.centre.Center(1)->AddressEdit(false)->isHidden());
  EXPECT_TRUE(pages.centre.Center(2)->AddressEdit(false)->isHidden());
  EXPECT_EQ(pages.trans.TypeList()->currentText(), QStringLiteral("RS485-0"));
  EXPECT_EQ(pages.sms.SmsSetList()->currentText(), QStringLiteral("开启"));
  EXPECT_TRUE(pages.timer.Switch(1)->isChecked());
  EXPECT_FALSE(pages.timer.Switch(2)->isChecked());
  EXPECT_EQ(pages.timer.Hour(3)->text(), QStringLiteral("6"));
  // The debug port parity arrives in its display form and is kept as such.
  EXPECT_EQ(pages.terminal.SaveToTable(3, 0), "8E1");

  // Collected again without edits: every instance equals the table.
  for (const auto& [key, value] : v) {
    const std::string table = *GetParamText(key.first, key.second);
    EXPECT_EQ(pages.PageFor(key.first)->SaveToTable(key.first, key.second), table)
        << key.first << "/" << key.second;
  }
  // Writing the page text of parameter 3 back stores the device's form again.
  SetParamText(3, pages.terminal.SaveToTable(3, 0), 0);
  EXPECT_EQ(GetRawValue(*FindParam(3), 0), "8-EVN-1");
}

TEST_F(StationTable, UnknownDeviceCodesAreTheOnlyDifferences) {
  // Values outside the lists show their fallback and would be written as its code.
  const std::string text = Listing({{{19, 0}, "9"}, {{7, 0}, "3"}, {{0, 0}, "7"}, {{18, 0}, "7"}});
  ASSERT_EQ(ParseListing(text.data(), static_cast<int>(text.size())), 1);
  StationPages pages;
  pages.Load();
  EXPECT_EQ(pages.centre.Center(0)->ChannelList(false)->currentText(), QStringLiteral("TCP"));
  EXPECT_EQ(pages.centre.SaveToTable(19, 0), "1");
  EXPECT_EQ(pages.terminal.SaveToTable(7, 0), "0");
  EXPECT_EQ(pages.terminal.SaveToTable(0, 0), "4294967295");
  EXPECT_EQ(pages.centre.SaveToTable(18, 0), "7");  // four centres open, the count kept
}

}  // namespace
