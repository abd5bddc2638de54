#include "config/field_tables.h"

#include <array>
#include <cstring>

#include "config/channel_alarm_codes.h"
#include "config/channel_sensor_codes.h"
#include "config/station_codes.h"
#include "protocol/param_table.h"

namespace {

// The rows of a family: the shared shape (control, encoding, label, role) with the
// family's own ids and command words.
struct IdWord {
  int id;
  const char* command;
};
template <size_t N>
constexpr std::array<FieldRow, N> Rows(const FieldRow (&shape)[N], const IdWord (&ids)[N]) {
  std::array<FieldRow, N> rows{};
  for (size_t i = 0; i < N; ++i) {
    rows[i] = shape[i];
    rows[i].id = ids[i].id;
    rows[i].command = ids[i].command;
  }
  return rows;
}

// "通道属性" of ADC, serial, SDI and GRAY sources.
constexpr FieldRow kProperShape[] = {
    {0, nullptr, FieldControl::List, &channel_codes::kOnOff, "采集开启：", nullptr},
    {0, nullptr, FieldControl::Edit, nullptr, "数据采集间隔：", nullptr},
    {0, nullptr, FieldControl::List, &channel_codes::kStoreIntervalField, "数据存储间隔：", nullptr},
    {0, nullptr, FieldControl::Edit, nullptr, "上报间隔：", nullptr},
    {0, nullptr, FieldControl::List, &channel_codes::kOnOff, "上报开启：", nullptr},
    {0, nullptr, FieldControl::Edit, nullptr, "上电延时：", nullptr},
    {0, nullptr, FieldControl::List, &channel_codes::kAccuracyField, "采集精度：", nullptr},
    {0, nullptr, FieldControl::Element, nullptr, "采集要素：", nullptr},
    {0, nullptr, FieldControl::List, &channel_codes::kUnitField, "采集单位：", nullptr},
    {0, nullptr, FieldControl::Edit, nullptr, "采集基值：", nullptr},
    {0, nullptr, FieldControl::Edit, nullptr, "采集修正值：", nullptr},
};
// "报警参数" of the same sources: limits and threshold, then the linkage rows.
constexpr FieldRow kAlarmShape[] = {
    {0, nullptr, FieldControl::Edit, nullptr, "报警上限值：", "alarmUpperEdit"},
    {0, nullptr, FieldControl::Edit, nullptr, "报警下限值：", "alarmLowerEdit"},
    {0, nullptr, FieldControl::Edit, nullptr, "报警阈值：", "alarmValueEdit"},
    {0, nullptr, FieldControl::List, &alarm_codes::kLinkageTarget, "报警联动类型：", "relatedTypeCombo"},
    {0, nullptr, FieldControl::List, &alarm_codes::kLinkageState, "报警联动类型值：", "relatedValueCombo"},
    {0, nullptr, FieldControl::Edit, nullptr, "报警抓拍间隔：", "alarmCameraSecEdit"},
    {0, nullptr, FieldControl::Edit, nullptr, "报警摄像头路数：", "alarmCameraIdEdit"},
    {0, nullptr, FieldControl::Edit, nullptr, "报警摄像头延迟：", "alarmCameraDelayEdit"},
};

// {id, command, control, encoding, label, role[, last id of a range]}
constexpr FieldRow kTerminalRows[] = {
    {0, "AT+PROTWRK", FieldControl::List, &station_codes::kWorkModeField, "工作模式：", "workModeCombo"},
    {1, "AT+DEBUG", FieldControl::Kept, nullptr, nullptr, nullptr, 3},
    {4, "AT+YCADDR", FieldControl::Edit, nullptr, "遥测站地址：", "stationAddressEdit"},
    {5, "AT+CNTRADDR", FieldControl::Edit, nullptr, "中心站地址：", "centerAddressEdit"},
    {6, "AT+COMUPASS", FieldControl::Edit, nullptr, "通信密码：", "passwordEdit"},
    {7, "AT+PROTTXT", FieldControl::List, &station_codes::kProtocolField, "通信协议：", "protocolCombo"},
    {8, "AT+UPHOURS", FieldControl::List, &station_codes::kHourlySwitchField, "小时报开关：", "hourlySwitchCombo"},
    {9, "AT+UPNTRHOU", FieldControl::Edit, nullptr, "均匀时段报间隔：", "evenIntervalEdit"},
    {10, "AT+UPNTRMIN", FieldControl::Edit, nullptr, "定时上报时间：", "reportIntervalEdit"},
    {11, "AT+UPLRMMIN", FieldControl::Edit, nullptr, "加报报间隔：", "alarmIntervalEdit"},
    {12, "AT+RAINBGNHOUR", FieldControl::Edit, nullptr, "雨量起始时间：", "rainBeginEdit"},
    {13, "AT+IFUPBYLOSE", FieldControl::List, &station_codes::kUploadByLoseField, "数据补传：", "uploadByLoseCombo"},
    {14, "AT+SIMNO", FieldControl::Edit, nullptr, "本机号码：", "simNoEdit"},
    {15, "AT+YCTYPE", FieldControl::List, &station_codes::kStationTypeField, "遥测站类型：", "stationTypeCombo"},
    {16, "AT+UPSTEPMIN", FieldControl::Edit, nullptr, "时间步长：", "timeStepEdit"},
    {17, "AT+PWRLOWVOLT", FieldControl::Edit, nullptr, "电池电压低：", "lowVoltEdit"},
    {27, "AT+HRTSEC", FieldControl::Edit, nullptr, "心跳时间：", "heartbeatEdit"},
    {162, "AT+WATERORDER", FieldControl::List, &station_codes::kWaterOrderField, "水资源水量顺序：", "waterOrderCombo"},
    {163, "AT+YCADDRTYPE", FieldControl::List, &station_codes::kAddressTypeField, "遥测站地址类型：", "addressTypeCombo"},
};
constexpr FieldRow kCenterAddressRows[] = {
    {18, "AT+SERNUM", FieldControl::FixedList, &station_codes::kServerCountField, "中心服务器数：", "serverCountCombo"},
    {19, "AT+TRANMODE", FieldControl::List, &station_codes::kTransferModeField, "主中心通道：", "mainChannelCombo"},
    {20, "AT+MULTISER", FieldControl::Edit, nullptr, "主中心地址：", "mainAddressEdit"},
    {21, "AT+MULTIPORT", FieldControl::Edit, nullptr, "主中心端口：", "mainPortEdit"},
    {22, "AT+MULTIDNS", FieldControl::Edit, nullptr, "主中心域名服务器地址：", "mainDnsEdit"},
};
constexpr FieldRow kCenterOtherRows[] = {
    {23, "AT+APN", FieldControl::Edit, nullptr, "无线网络APN：", "apnEdit"},
    {24, "AT+USERNAME", FieldControl::Edit, nullptr, "APN用户名：", "apnUserEdit"},
    {25, "AT+USERPASSWORD", FieldControl::Edit, nullptr, "APN密码：", "apnPasswordEdit"},
    {26, "AT+CALLNO", FieldControl::Edit, nullptr, "APN拨号中心密码：", "callNumberEdit"},
    {28, "AT+RECONSEC", FieldControl::Edit, nullptr, "重连时间(0~65535s)：", "reconnectEdit"},
    {29, "AT+LCPECHOSEC", FieldControl::Edit, nullptr, "LCP心跳时间(秒)：", "lcpEchoEdit"},
};
constexpr FieldRow kSmsRows[] = {
    {146, "AT+SMSSET", FieldControl::List, &station_codes::kSmsSetField, "短信参数配置：", "smsSetCombo"},
    {147, "AT+SMSADMINNO", FieldControl::Edit, nullptr, "短信配置授权号码：", "smsAdminEdit"},
};
constexpr FieldRow kCameraRows[] = {
    {148, "AT+CAMID", FieldControl::Edit, nullptr, "摄像头ID(0~255)：", "cameraIdEdit"},
    {149, "AT+CAMTYPE", FieldControl::FixedList, &station_codes::kCameraTypeField, "摄像头类型：", "cameraTypeCombo"},
    {150, "AT+CAMPIX", FieldControl::FixedList, &station_codes::kCameraPixelsField, "摄像头像素：", "cameraPixelsCombo"},
    {151, "AT+CAMCOMTYPE", FieldControl::FixedList, &station_codes::kTransComTypeField, "摄像头串口类型：", "cameraPortCombo"},
    {152, "AT+CAMCOMSPEED", FieldControl::List, &station_codes::kTransSpeedField, "摄像头串口波特率：", "cameraSpeedCombo"},
    {153, "AT+CAMCOMPARITY", FieldControl::List, &station_codes::kCameraParityField, "摄像头串口校验位：", "cameraParityCombo"},
    {154, "AT+CAMUPMIN", FieldControl::Edit, nullptr, "上报间隔(分钟)：", "cameraIntervalEdit"},
};
constexpr FieldRow kCameraTimerRows[] = {
    {155, "AT+CAMTMROPEN", FieldControl::Check, &station_codes::kCameraSwitchField, "定时%1", "timer%1Check"},
    {156, "AT+CAMTMRHOUR", FieldControl::Edit, nullptr, "时", "timer%1HourEdit"},
    {157, "AT+CAMTMRMIN", FieldControl::Edit, nullptr, "分", "timer%1MinuteEdit"},
};
constexpr FieldRow kComTransRows[] = {
    {158, "AT+TRANCOMTYPE", FieldControl::List, &station_codes::kTransComTypeField, "传输串口类型：", "transTypeCombo"},
    {159, "AT+TRANCOMSPEED", FieldControl::List, &station_codes::kTransSpeedField, "传输串口波特率：", "transSpeedCombo"},
    {160, "AT+TRANCOMPARITY", FieldControl::List, &station_codes::kTransParityField, "传输串口校验位：", "transParityCombo"},
};
constexpr FieldRow kChannelRows[] = {
    {30, "AT+CHNNLTYPE", FieldControl::Own, nullptr, "硬件接口：", "kindCombo"},
    {31, "AT+CHNSVLEN", FieldControl::Own, nullptr, "通道存储长度：", "saveLengthEdit"},
};
constexpr FieldRow kDiAlarmRows[] = {
    {32, "AT+IIOIFOPEN", FieldControl::List, &alarm_codes::kInputSwitch, "采集开关：", "ioIfOpenCombo"},
    {33, "AT+IIOLRMOP", FieldControl::List, &alarm_codes::kTrigger, "报警触发方式：", "ioAlarmOpCombo"},
    {37, "AT+IIORLTNTYPE", FieldControl::List, &alarm_codes::kLinkageTarget, "报警联动类型：", "relatedTypeCombo"},
    {38, "AT+IIORLTNVAL", FieldControl::List, &alarm_codes::kLinkageState, "报警联动类型值：", "relatedValueCombo"},
    {34, "AT+IIOLRMCAMSEC", FieldControl::Edit, nullptr, "报警抓拍间隔：", "alarmCameraSecEdit"},
    {35, "AT+IIOLRMCAMID", FieldControl::Edit, nullptr, "报警摄像头路数：", "alarmCameraIdEdit"},
    {36, "AT+IIOLRMCAMDLY", FieldControl::Edit, nullptr, "报警摄像头延迟：", "alarmCameraDelayEdit"},
};
constexpr FieldRow kCounterProperRows[] = {
    {39, "AT+CNTRIFOPEN", FieldControl::List, &channel_codes::kOnOff, "采集开启：", nullptr},
    {40, "AT+CNTROP", FieldControl::List, &channel_codes::kCountMode, "计数方式：", nullptr},
    {41, "AT+CNTRSVTIME", FieldControl::Edit, nullptr, "数据存储间隔：", nullptr},
    {42, "AT+CNTRIFUP", FieldControl::List, &channel_codes::kOnOff, "上报开启：", nullptr},
    {43, "AT+CNTRUPTIME", FieldControl::Edit, nullptr, "上报间隔：", nullptr},
    {44, "AT+CNTRSHAKEMS", FieldControl::Edit, nullptr, "防抖时间：", nullptr},
    {45, "AT+CNTRPWRDLY", FieldControl::Edit, nullptr, "上电延时：", nullptr},
    {46, "AT+CNTRACCU", FieldControl::List, &channel_codes::kAccuracyField, "采样精度：", nullptr},
    {47, "AT+CNTRELEM", FieldControl::Element, nullptr, "采样要素：", nullptr},
    {48, "AT+CNTRUNIT", FieldControl::List, &channel_codes::kUnitField, "数据单位：", nullptr},
    {49, "AT+CNTRBASEVAL", FieldControl::Edit, nullptr, "采样基值：", nullptr},
    {50, "AT+CNTRCORRVAL", FieldControl::Edit, nullptr, "采样修正值：", nullptr},
};
constexpr FieldRow kCounterAlarmRows[] = {
    {51, "AT+CNTRLRMVAL", FieldControl::Edit, nullptr, "报警阈值：", "counterAlarmValueEdit"},
    {55, "AT+CNTRRLTNTYPE", FieldControl::List, &alarm_codes::kLinkageTarget, "报警联动类型：", "relatedTypeCombo"},
    {56, "AT+CNTRRLTNVAL", FieldControl::List, &alarm_codes::kLinkageState, "报警联动类型值：", "relatedValueCombo"},
    {52, "AT+CNTRLRMCAMSEC", FieldControl::Edit, nullptr, "报警抓拍间隔：", "alarmCameraSecEdit"},
    {53, "AT+CNTRLRMCAMID", FieldControl::Edit, nullptr, "报警摄像头路数：", "alarmCameraIdEdit"},
    {54, "AT+CNTRLRMCAMDLY", FieldControl::Edit, nullptr, "报警摄像头延迟：", "alarmCameraDelayEdit"},
};
constexpr auto kAdcProperRows = Rows(kProperShape, {
    {57, "AT+ADCIFOPEN"},
    {58, "AT+ADCCOLTIME"},
    {59, "AT+ADCSVTIME"},
    {61, "AT+ADCUPTIME"},
    {60, "AT+ADCIFUP"},
    {62, "AT+ADCPWRDLY"},
    {63, "AT+ADCACCU"},
    {64, "AT+ADCELEM"},
    {65, "AT+ADCUNIT"},
    {66, "AT+ADCBASEVAL"},
    {67, "AT+ADCCORRVAL"},
});
constexpr FieldRow kAdcRangeRows[] = {
    {68, "AT+ADCTYPE", FieldControl::List, &channel_codes::kInputType, "采样类型：", nullptr},
    {69, "AT+ADCUPPRNG", FieldControl::Edit, nullptr, "输入电压(电流)最大值：", nullptr},
    {70, "AT+ADCLOWRNG", FieldControl::Edit, nullptr, "输入电压(电流)最小值：", nullptr},
    {71, "AT+ADCUPPVAL", FieldControl::Edit, nullptr, "上量程：", nullptr},
    {72, "AT+ADCLOWVAL", FieldControl::Edit, nullptr, "下量程：", nullptr},
};
constexpr auto kAdcAlarmRows = Rows(kAlarmShape, {
    {73, "AT+ADCLRMUPP"},
    {74, "AT+ADCLRMLOW"},
    {75, "AT+ADCLRMVAL"},
    {79, "AT+ADCRLTNTYPE"},
    {80, "AT+ADCRLTNVAL"},
    {76, "AT+ADCLRMCAMSEC"},
    {77, "AT+ADCLRMCAMID"},
    {78, "AT+ADCLRMCAMDLY"},
});
constexpr auto kComProperRows = Rows(kProperShape, {
    {81, "AT+COMIFOPEN"},
    {83, "AT+COMCOLTIME"},
    {84, "AT+COMSVTIME"},
    {86, "AT+COMUPTIME"},
    {85, "AT+COMIFUP"},
    {87, "AT+COMPWRDLY"},
    {88, "AT+COMACCU"},
    {89, "AT+COMELEM"},
    {90, "AT+COMUNIT"},
    {91, "AT+COMBASEVAL"},
    {92, "AT+COMCORRVAL"},
});
constexpr FieldRow kComCommRows[] = {
    {82, "AT+COMTYPE", FieldControl::List, &sensor_codes::kInterface, "串口类型：", "comTypeCombo"},
    {93, "AT+COMSPEED", FieldControl::List, &sensor_codes::kBaud, "串口波特率：", "comSpeedCombo"},
    {94, "AT+COMPARITY", FieldControl::List, &sensor_codes::kParity, "串口校验位：", "comParityCombo"},
    {95, "AT+COMMBADDR", FieldControl::Edit, nullptr, "设备地址：", "mbAddrEdit"},
    {96, "AT+COMMBFUNC", FieldControl::Edit, nullptr, "功能码：", "mbFuncEdit"},
    {97, "AT+COMMBREGADDR", FieldControl::Edit, nullptr, "寄存器地址：", "mbRegAddrEdit"},
    {98, "AT+COMMBREGNUM", FieldControl::Edit, nullptr, "寄存器个数：", "mbRegNumEdit"},
    {99, "AT+COMMBDATTYPE", FieldControl::List, &sensor_codes::kValueLayout, "数据结构：", "mbDataTypeCombo"},
    {161, "AT+COMSENSORTYPE", FieldControl::List, &sensor_codes::kSensorProtocol, "传感器协议：", "sensorTypeCombo"},
};
constexpr auto kComAlarmRows = Rows(kAlarmShape, {
    {100, "AT+COMLRMUPP"},
    {101, "AT+COMLRMLOW"},
    {102, "AT+COMLRMVAL"},
    {106, "AT+COMRLTNTYPE"},
    {107, "AT+COMRLTNVAL"},
    {103, "AT+COMLRMCAMSEC"},
    {104, "AT+COMLRMCAMID"},
    {105, "AT+COMLRMCAMDLY"},
});
constexpr auto kSdiProperRows = Rows(kProperShape, {
    {108, "AT+SDIIFOPEN"},
    {109, "AT+SDICOLTIME"},
    {110, "AT+SDISVTIME"},
    {112, "AT+SDIUPTIME"},
    {111, "AT+SDIIFUP"},
    {113, "AT+SDIPWRDLY"},
    {114, "AT+SDIACCU"},
    {115, "AT+SDIELEM"},
    {116, "AT+SDIUNIT"},
    {117, "AT+SDIBASEVAL"},
    {118, "AT+SDICORRVAL"},
});
constexpr auto kSdiAlarmRows = Rows(kAlarmShape, {
    {119, "AT+SDILRMUPP"},
    {120, "AT+SDILRMLOW"},
    {121, "AT+SDILRMVAL"},
    {125, "AT+SDIRLTNTYPE"},
    {126, "AT+SDIRLTNVAL"},
    {122, "AT+SDILRMCAMSEC"},
    {123, "AT+SDILRMCAMID"},
    {124, "AT+SDILRMCAMDLY"},
});
constexpr auto kGrayProperRows = Rows(kProperShape, {
    {127, "AT+GRAYIFOPEN"},
    {128, "AT+GRAYCOLTIME"},
    {129, "AT+GRAYSVTIME"},
    {131, "AT+GRAYUPTIME"},
    {130, "AT+GRAYIFUP"},
    {132, "AT+GRAYPWRDLY"},
    {133, "AT+GRAYACCU"},
    {134, "AT+GRAYELEM"},
    {135, "AT+GRAYUNIT"},
    {136, "AT+GRAYBASEVAL"},
    {137, "AT+GRAYCORRVAL"},
});
constexpr auto kGrayAlarmRows = Rows(kAlarmShape, {
    {138, "AT+GRAYLRMUPP"},
    {139, "AT+GRAYLRMLOW"},
    {140, "AT+GRAYLRMVAL"},
    {144, "AT+GRAYRLTNTYPE"},
    {145, "AT+GRAYRLTNVAL"},
    {141, "AT+GRAYLRMCAMSEC"},
    {142, "AT+GRAYLRMCAMID"},
    {143, "AT+GRAYLRMCAMDLY"},
});

using channel_codes::Family;
constexpr PageTable kPageTables[] = {
    {CfgPageId::Terminal, Family::None, kTerminalRows},
    {CfgPageId::CenterAddress, Family::None, kCenterAddressRows},
    {CfgPageId::CenterOther, Family::None, kCenterOtherRows},
    {CfgPageId::Sms, Family::None, kSmsRows},
    {CfgPageId::Camera, Family::None, kCameraRows},
    {CfgPageId::CameraTimer, Family::None, kCameraTimerRows},
    {CfgPageId::ComTrans, Family::None, kComTransRows},
    {CfgPageId::Channel, Family::None, kChannelRows},
    {CfgPageId::Channel, Family::Di, kDiAlarmRows, field_tables::kAlarmTab},
    {CfgPageId::Channel, Family::Pi, kCounterProperRows, field_tables::kProperTab},
    {CfgPageId::Channel, Family::Pi, kCounterAlarmRows, field_tables::kAlarmTab},
    {CfgPageId::Channel, Family::Adc, kAdcProperRows, field_tables::kProperTab},
    {CfgPageId::Channel, Family::Adc, kAdcRangeRows, field_tables::kCommTab},
    {CfgPageId::Channel, Family::Adc, kAdcAlarmRows, field_tables::kAlarmTab},
    {CfgPageId::Channel, Family::Serial, kComProperRows, field_tables::kProperTab},
    {CfgPageId::Channel, Family::Serial, kComCommRows, field_tables::kCommTab},
    {CfgPageId::Channel, Family::Serial, kComAlarmRows, field_tables::kAlarmTab},
    {CfgPageId::Channel, Family::Sdi, kSdiProperRows, field_tables::kProperTab},
    {CfgPageId::Channel, Family::Sdi, kSdiAlarmRows, field_tables::kAlarmTab},
    {CfgPageId::Channel, Family::Gray, kGrayProperRows, field_tables::kProperTab},
    {CfgPageId::Channel, Family::Gray, kGrayAlarmRows, field_tables::kAlarmTab},
};

}  // namespace

namespace field_tables {
const FieldTable kTerminal{kTerminalRows};
const FieldTable kCenterAddress{kCenterAddressRows};
const FieldTable kCenterOther{kCenterOtherRows};
const FieldTable kSms{kSmsRows};
const FieldTable kCamera{kCameraRows};
const FieldTable kCameraTimer{kCameraTimerRows};
const FieldTable kComTrans{kComTransRows};
const FieldTable kChannel{kChannelRows};
const FieldTable kDiAlarm{kDiAlarmRows};
const FieldTable kCounterProper{kCounterProperRows};
const FieldTable kCounterAlarm{kCounterAlarmRows};
const FieldTable kAdcProper{kAdcProperRows};
const FieldTable kAdcRange{kAdcRangeRows};
const FieldTable kAdcAlarm{kAdcAlarmRows};
const FieldTable kComProper{kComProperRows};
const FieldTable kComComm{kComCommRows};
const FieldTable kComAlarm{kComAlarmRows};
const FieldTable kSdiProper{kSdiProperRows};
const FieldTable kSdiAlarm{kSdiAlarmRows};
const FieldTable kGrayProper{kGrayProperRows};
const FieldTable kGrayAlarm{kGrayAlarmRows};
}  // namespace field_tables

const FieldCode& CodeOf(const FieldRow& row) {
  static const FieldCode text = TextField();
  return row.code ? *row.code : text;
}

const FieldRow* RowOfRole(FieldTable table, const char* role) {
  for (const FieldRow& r : table)
    if (r.role && std::strcmp(r.role, role) == 0) return &r;
  return nullptr;
}

bool TableLists(FieldTable table, int id) {
  for (const FieldRow& r : table)
    if (r.Lists(id)) return true;
  return false;
}

std::span<const PageTable> PageTables() { return kPageTables; }

const PageTable* OwnerOf(std::span<const PageTable> tables, int id) {
  for (const PageTable& t : tables)
    if (TableLists(t.table, id)) return &t;
  return nullptr;
}

CfgPageId PageOfParam(int id) {
  const PageTable* owner = OwnerOf(kPageTables, id);
  return owner ? owner->page : CfgPageId::Count;
}

channel_codes::Family SourceFamilyOf(int id) {
  const PageTable* owner = OwnerOf(kPageTables, id);
  return owner ? owner->family : Family::None;
}

std::vector<std::string> TableProblems(std::span<const PageTable> tables) {
  std::vector<std::string> problems;
  for (const PageTable& t : tables) {
    for (const FieldRow& r : t.table) {
      const ParamEntry* entry = FindParam(r.id);
      const std::string name = "row " + std::to_string(r.id);
      if (r.id < 0 || r.Last() > kLastParamId || r.Last() < r.id)
        problems.push_back(name + ": not a parameter range");
      else if (!entry || !r.command || std::strcmp(entry->command, r.command) != 0)
        problems.push_back(name + ": command word is not " + (entry ? entry->command : "(none)"));
    }
  }
  for (int id = 0; id <= kLastParamId; ++id) {
    if (!FindParam(id)) continue;
    int owners = 0;
    for (const PageTable& t : tables)
      for (const FieldRow& r : t.table) owners += r.Lists(id) ? 1 : 0;
    if (owners != 1)
      problems.push_back("parameter " + std::to_string(id) + " is listed " + std::to_string(owners) +
                         " times");
  }
  return problems;
}
