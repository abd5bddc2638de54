// Every encoding table of the station pages, through the widgets (the page code has no
// other user): a device value shows as an item (or none) and is saved back as its code;
// typed texts that name no item; and which page owns which parameter.
#include <gtest/gtest.h>

#include <optional>

#include "config/cfg_page_map.h"
#include "protocol/param_table.h"
#include "station_test_support.h"

namespace {

constexpr char kNone[] = "4294967295";  // a numbered list without a selection (as loaded)

struct CodeCase {
  int id, index;
  std::string value;  // device bytes loaded
  const char* shown;  // UTF-8 the control shows: list text (its item, if any, selected), "on"/"off";
                      // nullptr: not checked
  std::optional<std::string> saved;  // what the page gives back once the user picks the shown item
                                     // (or types `typed`); nullopt: no value
  const char* typed = nullptr;       // UTF-8 the user types into the list instead
};

std::vector<CodeCase> Cases() {
  const char* kinds[] = {"SMS", "TCP", "北斗卫星", "海事卫星", "PSTN", "短波", "串口", "UDP"};
  std::vector<CodeCase> cases;
  for (int server = 0; server < 8; ++server) {
    for (int v = 0; v < 8; ++v) cases.push_back({19, server, std::to_string(v), kinds[v], std::to_string(v)});
  }
  const char* protocols[] = {"水文HEX", "水文ASCII", "水资源16"};
  for (int v = 0; v < 3; ++v) cases.push_back({7, 0, std::to_string(v), protocols[v], std::to_string(v)});
  const char* ports[] = {"不使用", "RS232-0", "RS232-1", "RS485-0", "RS485-1"};
  for (int v = 0; v < 5; ++v) cases.push_back({158, 0, std::to_string(v), ports[v], std::to_string(v)});
  const std::vector<CodeCase> more = {
      // Transfer mode: any other number, or none, shows TCP and is written as TCP's code.
      {19, 2, "9", "TCP", "1"}, {19, 6, "abc", "TCP", "1"}, {19, 0, "8", "TCP", "1"}, {19, 0, "-1", "TCP", "1"},
      {19, 0, "", "TCP", "1"}, {19, 0, "100", "TCP", "1"},
      // ... its number read the way atoi reads it.
      {19, 0, " 3", "海事卫星", "3"}, {19, 0, "07", "UDP", "7"}, {19, 0, "0x", "SMS", "0"},
      // The other coded lists compare whole texts.
      {7, 0, "5", "水资源21", "5"}, {7, 0, "3", "水文HEX", "0"}, {7, 0, "05", "水文HEX", "0"}, {7, 0, "x", "水文HEX", "0"},
      {13, 0, "01", "否", "0"}, {13, 0, " 1", "否", "0"}, {146, 0, "on", "关闭", "0"}, {158, 0, "5", "不使用", "0"},
      {18, 0, "2", "2", "2"}, {18, 0, "7", "", "7"},  // four centres open, the count kept
      // Numbered lists: outside the list nothing is selected, written as "no selection".
      {0, 0, "4", "无需应答", "4"}, {0, 0, "5", "", kNone}, {0, 0, "-1", "", kNone}, {0, 0, kNone, "", kNone},
      {0, 0, "", "自报", "0"}, {0, 0, "2 min", "兼容", "2"},  // read as atoi reads it
      {8, 0, "1", "开启", "1"}, {8, 0, "2", "", kNone},
      {13, 0, "1", "是", "1"}, {13, 0, "0", "否", "0"}, {13, 0, "2", "否", "0"}, {13, 0, "", "否", "0"},
      {15, 0, G("河道"), "河道", G("河道")}, {15, 0, "48", "48", "48"},  // the station type travels as text
      {146, 0, "1", "开启", "1"}, {146, 0, "0", "关闭", "0"}, {146, 0, "2", "关闭", "0"}, {146, 0, "", "关闭", "0"},
      {158, 0, "9", "不使用", "0"},
      {159, 0, "9600", "9600", "9600"}, {159, 0, "250000", "250000", "250000"},
      {160, 0, "7E2", "7E2", "7E2"}, {160, 0, "8-EVN-1", "8-EVN-1", "8-EVN-1"},  // not translated here
      // Camera timer switches: off only for "0".
      {155, 2, "1", "on", "1"}, {155, 4, "2", "on", "1"}, {155, 4, "", "on", "1"}, {155, 4, "0", "off", "0"},
      {155, 0, "00", "on", "1"}, {155, 0, " 0", "on", "1"},
      // Texts kept as loaded.
      {1, 0, "3", nullptr, "3"}, {2, 0, "115200", nullptr, "115200"}, {3, 0, "8E1", nullptr, "8E1"},
      {147, 0, "13800000000,13900000000", nullptr, "13800000000,13900000000"},
      {23, 0, "", "", ""}, {24, 0, G("用户甲"), "用户甲", G("用户甲")}, {28, 0, "70000", "70000", "70000"},
      // Typed texts that name no item save as no value.
      {19, 0, "1", nullptr, std::nullopt, "TCP2"}, {19, 0, "1", nullptr, std::nullopt, "tcp"},
      {19, 0, "1", nullptr, std::nullopt, "TCP "}, {19, 0, "1", nullptr, "7", "UDP"},
      {7, 0, "1", nullptr, std::nullopt, "水文"}, {7, 0, "1", nullptr, "2", "水资源16"},
      {0, 0, "1", nullptr, std::nullopt, "查询模式"}, {0, 0, "1", nullptr, "3", "调试"},
      {13, 0, "1", nullptr, std::nullopt, "yes"}, {146, 0, "1", nullptr, std::nullopt, "开"},
      {158, 0, "1", nullptr, std::nullopt, "RS422"},
  };
  cases.insert(cases.end(), more.begin(), more.end());
  return cases;
}

QString Shown(QWidget* control) {
  if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentText();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  if (auto* check = qobject_cast<QCheckBox*>(control))
    return check->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
  return {};
}

TEST(PageCodes, EveryDeviceValueShowsAndIsSavedBackByItsTable) {
  // Picking 串口 or 北斗卫星 asks about the jump to another page: answered "Cancel".
  station_ui::SetAskHook([](const QString&) { return false; });
  for (const CodeCase& c : Cases()) {
    const std::string what = std::to_string(c.id) + "/" + std::to_string(c.index) + " = \"" + c.value + "\"";
    StationPages pages;
    ICfgPage* page = pages.PageFor(c.id);
    ASSERT_NE(page, nullptr) << what;
    page->LoadFromTable(c.id, c.index, c.value);
    // Untouched, the control gives back the device's text as loaded.
    EXPECT_EQ(page->SaveToTable(c.id, c.index), c.value) << what;
    QWidget* control = pages.ControlOf(c.id, c.index);
    if (c.typed) {
      auto* list = qobject_cast<QComboBox*>(control);
      ASSERT_NE(list, nullptr) << what;
      UserTypes(list, QString::fromUtf8(c.typed));
      EXPECT_EQ(page->SaveToTable(c.id, c.index), c.saved) << what << " typed " << c.typed;
    }
    if (!c.shown) continue;
    ASSERT_NE(control, nullptr) << what;
    const QString shown = QString::fromUtf8(c.shown);
    EXPECT_EQ(Shown(control).toStdString(), c.shown) << what;
    if (auto* list = qobject_cast<QComboBox*>(control)) {
      EXPECT_EQ(list->currentIndex(), list->findText(shown)) << what << ": the shown item is selected";
      if (list->currentIndex() < 0) continue;
      UserPicks(list, list->currentIndex());
    } else if (auto* check = qobject_cast<QCheckBox*>(control)) {
      check->click();
      check->click();
    } else {
      continue;
    }
    EXPECT_EQ(page->SaveToTable(c.id, c.index), c.saved) << what << ": picked by the user";
  }
  station_ui::SetAskHook({});
}

// Texts kept as typed, each instance in its own control (control ids as the pages place
// them: parameter 10 is the terminal page's 1285, parameter 9 its sub-page's 1285).
TEST(PageCodes, PlainTextsLandInTheirOwnControls) {
  StationPages p;
  CRTUCfgGprs2Dlg* centre2 = p.centre.Center(1);
  QWidget* more = p.terminal.MorePage();
  const struct {
    int id, index;
    QWidget* page;  // the page and control id showing it; nullptr: not looked up
    int control;
  } plain[] = {{4, 0, &p.terminal, 1327}, {5, 0, &p.terminal, 1283}, {10, 0, &p.terminal, 1285},
               {9, 0, more, 1285},        {14, 0, more, 1283},       {6, 0, nullptr, 0},
               {11, 0, nullptr, 0},       {12, 0, nullptr, 0},       {16, 0, nullptr, 0},
               {17, 0, nullptr, 0},       {27, 0, nullptr, 0},       {23, 0, &p.other, 1265},
               {24, 0, &p.other, 1266},   {25, 0, &p.other, 1267},   {26, 0, &p.other, 1268},
               {28, 0, &p.other, 1269},   {29, 0, &p.other, 1270},   {20, 1, centre2, 1282},
               {20, 5, centre2, 1284},    {21, 5, centre2, 1285},    {22, 0, &p.centre, 1259},
               {22, 1, &p.centre, 1260}};
  auto text = [](int id, int index) { return "v" + std::to_string(id) + "/" + std::to_string(index); };
  EXPECT_EQ(p.centre.SaveToTable(19, 3), std::nullopt);  // before any value a field holds none
  // Instances outside their range do nothing.
  const std::pair<int, int> outside[] = {{20, 8}, {20, -1}, {22, 2}, {18, 1}, {4, 1}};
  for (const auto& [id, index] : outside) p.PageFor(id)->LoadFromTable(id, index, "3");
  for (int s = 0; s < 8; ++s)
    for (int id : {20, 21}) p.centre.LoadFromTable(id, s, text(id, s));
  for (const auto& f : plain) p.PageFor(f.id)->LoadFromTable(f.id, f.index, text(f.id, f.index));
  for (int s = 0; s < 8; ++s)
    for (int id : {20, 21}) EXPECT_EQ(p.centre.SaveToTable(id, s), text(id, s));
  for (const auto& f : plain) {
    EXPECT_EQ(p.PageFor(f.id)->SaveToTable(f.id, f.index), text(f.id, f.index));
    if (f.page) {
      EXPECT_EQ(Control<QLineEdit>(f.page, f.control)->text().toStdString(), text(f.id, f.index));
    }
  }
  EXPECT_EQ(p.terminal.StationAddress(), text(4, 0));
  for (const auto& [id, index] : outside) {
    if (index < 0) continue;
    EXPECT_EQ(p.PageFor(id)->SaveToTable(id, index), "") << id << "/" << index;
  }
  EXPECT_EQ(p.centre.SaveToTable(18, 0), std::nullopt);  // only loaded out of range
}

TEST(PageCodes, EachParameterOfAStationPageHasExactlyThatPage) {
  StationPages pages;
  const std::pair<CfgPageId, ICfgPage*> kinds[] = {
      {CfgPageId::CenterAddress, &pages.centre}, {CfgPageId::CenterOther, &pages.other},
      {CfgPageId::Terminal, &pages.terminal},    {CfgPageId::Sms, &pages.sms},
      {CfgPageId::ComTrans, &pages.trans},       {CfgPageId::CameraTimer, &pages.timer}};
  for (int id = -1; id <= 170; ++id) {
    std::vector<ICfgPage*> want;
    for (const auto& [kind, page] : kinds)
      if (PageOfParam(id) == kind) want.push_back(page);
    EXPECT_EQ(pages.Owners(id), want) << id;
  }
}

}  // namespace
