#include "config/channel_codes.h"

#include <cstdio>

#include "base/cstr.h"

namespace channel_codes {
namespace {

struct FamilyInfo {
  Family family;
  const char* prefix;  // caption prefix
  int digits;          // digits after it
  int base;
  int count;
};
// In the order captions are recognised.
constexpr FamilyInfo kFamilies[] = {
    {Family::Serial, "串口", 2, 401, 15}, {Family::Adc, "ADC", 1, 201, 4},
    {Family::Di, "DI", 1, 101, 4},        {Family::Pi, "PI", 1, 301, 2},
    {Family::Sdi, "SDI", 1, 501, 0},      {Family::Gray, "GRAY", 1, 601, 0},
};
// Families in kind list order, after "无".
constexpr Family kListOrder[] = {Family::Serial, Family::Adc, Family::Di, Family::Pi};

const FamilyInfo* InfoOf(Family f) {
  for (const FamilyInfo& i : kFamilies)
    if (i.family == f) return &i;
  return nullptr;
}

constexpr const char* kNone = "无";

constexpr const char* kCount[] = {"不计数", "上升沿计数", "下降沿计数", "双边沿计数"};
constexpr const char* kInput[] = {"电压", "电流"};
constexpr const char* kStoreInterval[] = {"1", "5"};
constexpr const char* kAccuracy[] = {"0.01", "0.1", "1", "10", "100", "1000"};
constexpr const char* kUnit[] = {"cm", "m", "m3/s"};

int OnOffItem(std::string_view value, int) { return cstr::Atoi(value) == 1 ? 1 : 0; }
int CountItem(std::string_view value, int) {
  const int v = cstr::Atoi(value);
  return v >= 1 && v <= 3 ? v : 0;
}
int InputItem(std::string_view value, int) { return cstr::Atoi(value) == 1 ? 0 : 1; }
std::optional<std::string> InputValue(std::string_view, int item) {
  if (item < 0) return std::nullopt;
  return item == 0 ? "1" : "0";
}

constexpr const char* kWater16[] = {
    "雨量", "水位1", "水位2", "水位3", "水位4", "流量1", "流量2", "流量3", "流量4", "水量1",
    "水量2", "水量3", "水量4", "流速1", "流速2", "流速3", "流速4", "闸位1", "闸位2", "闸位3",
    "闸位4", "功率1", "功率2", "功率3", "功率4", "气压", "风速", "风向", "水温", "水质水温",
    "水质PH值", "溶解氧", "高锰酸盐指数", "电导率", "氧化还原电位", "浊度", "化学需氧量",
    "五日生化需氧量", "氨氮", "总氮", "铜", "锌", "氟化物", "硒", "砷", "汞", "镉", "六价铬",
    "铅", "氰化物", "挥发酚", "苯酚", "硫化物", "粪大肠菌群", "硫酸盐", "氯化物", "硝酸盐氮",
    "铁", "锰", "石油类", "阴离子表面活性剂", "六六六", "滴滴涕", "有机氯农药", "总磷",
    "叶绿素", "土壤含水率1", "土壤含水率2", "土壤含水率3", "土壤含水率4", "蒸发量1",
    "蒸发量2", "蒸发量3", "蒸发量4", "水压1", "水压2", "水压3", "水压4"};
constexpr const char* kWater21[] = {
    "雨量", "水位1", "水位2", "水位3", "水位4", "流量1", "流量2", "流量3", "流量4", "水量1",
    "水量2", "水量3", "水量4", "流速1", "流速2", "流速3", "流速4", "闸位1", "闸位2", "闸位3",
    "闸位4", "功率1", "功率2", "功率3", "功率4", "气压", "风速", "风向", "气温", "电量1",
    "电量2", "电量3", "电量4", "水温", "SLT水温", "SLTPH值", "SLT溶解氧", "SLT电导率",
    "SLT浊度", "SLTCODMN", "SLT氨氮", "SLT总磷", "SLT总氮", "SLT叶绿素", "SLTCOD", "SLTBOD",
    "SLT铜", "SLT锌", "SLT氟化物", "SLT硒", "SLT砷", "SLT汞", "SLT镉", "SLT铬", "SLT铅",
    "SLT氰化物", "SLT挥发酚", "SLT石油类", "SLT阴离子", "SLT硫化物", "SLT粪大肠菌群",
    "SLT硫酸盐", "SLT氯化物", "SLT硝酸盐", "SLT铁", "SLT锰", "土壤含水率1", "土壤含水率2",
    "土壤含水率3", "土壤含水率4", "土壤深度1", "土壤深度2", "土壤深度3", "土壤深度4",
    "蒸发量1", "蒸发量2", "蒸发量3", "蒸发量4", "水压1", "水压2", "水压3", "水压4"};
constexpr const char* kHydrology[] = {
    "雨量", "水位1", "水位2", "水位3", "水位4", "水位5", "水位6", "水位7", "水位8", "流量1",
    "流量2", "流量3", "流量4", "流量5", "流量6", "流量7", "流量8", "断面流速", "流速", "气温",
    "水温", "气压", "闸位", "湿度", "风向", "风速", "PH值", "溶解氧", "电导率", "浊度",
    "高锰酸盐指数", "氧化还原电位", "氨氮", "总磷", "总氮", "叶绿素", "水压1", "水压2",
    "水压3", "水压4", "水压5", "水压6", "水压7", "水压8", "AA相电压", "BB相电压", "CC相电压",
    "AA相电流", "BB相电流", "CC相电流"};

}  // namespace

int SourceCount(Family family) {
  const FamilyInfo* i = InfoOf(family);
  return i ? i->count : 0;
}

int KindBase(Family family) {
  const FamilyInfo* i = InfoOf(family);
  return i ? i->base : 0;
}

Source SourceOfKind(int code) {
  for (const FamilyInfo& i : kFamilies)
    if (code >= i.base && code < i.base + i.count) return {i.family, code - i.base};
  return {};
}

Source SourceOfCaption(std::string_view caption) {
  for (const FamilyInfo& i : kFamilies) {
    const std::string_view prefix(i.prefix);
    if (caption.size() != prefix.size() + static_cast<size_t>(i.digits) ||
        caption.substr(0, prefix.size()) != prefix)
      continue;
    const std::string_view digits = caption.substr(prefix.size());
    bool allDigits = true;
    for (char c : digits) allDigits = allDigits && c >= '0' && c <= '9';
    if (allDigits) return {i.family, cstr::Atoi(digits)};
  }
  return {};
}

KindCaptionResult KindCaption(int code) {
  // Positions follow the kind list: "无", then the families in list order.
  int position = 1;
  for (Family f : kListOrder) {
    const FamilyInfo& i = *InfoOf(f);
    if (code >= i.base && code < i.base + i.count) {
      char buf[32];
      std::snprintf(buf, sizeof buf, "%s%0*d", i.prefix, i.digits, code - i.base);
      return {buf, position + code - i.base};
    }
    position += i.count;
  }
  return {kNone, 0};
}

const std::vector<std::string>& KindList() {
  static const std::vector<std::string> list = [] {
    std::vector<std::string> items{KindCaption(0).caption};
    for (Family f : kListOrder)
      for (int n = 0; n < SourceCount(f); ++n) items.push_back(KindCaption(KindBase(f) + n).caption);
    return items;
  }();
  return list;
}

int KindCode(std::string_view text) { return cstr::Atoi(text); }

const FieldCode kOnOff{kOffOnItems, OnOffItem, field_code::PositionValue};
const FieldCode kCountMode{kCount, CountItem, field_code::PositionValue};
const FieldCode kInputType{kInput, InputItem, InputValue};

const FieldCode kStoreIntervalField = TextField(kStoreInterval);
const FieldCode kAccuracyField = TextField(kAccuracy);
const FieldCode kUnitField = TextField(kUnit);

FieldItems ElementCatalogue(int protocolKind) {
  if (protocolKind == 1) return kWater16;
  if (protocolKind == 2) return kWater21;
  return kHydrology;
}

}  // namespace channel_codes
