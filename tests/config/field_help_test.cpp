// The description of every parameter instance: page path, listing label, command word
// with its instance, accepted values, and how a device value shows.
#include <gtest/gtest.h>

#include <array>
#include <set>

#include "config/field_help.h"
#include "protocol/exchange.h"
#include "protocol/param_table.h"

namespace {

using field_help::Describe;
using field_help::FieldHelp;

FieldHelp Must(int id, int index, std::span<const int> kinds = {}) {
  const std::optional<FieldHelp> h = Describe(id, index, kinds);
  EXPECT_TRUE(h.has_value()) << id << "/" << index;
  return h.value_or(FieldHelp{});
}

TEST(FieldHelpTest, ChannelFieldsNameTheirChannelOrTheirBoundSource) {
  const FieldHelp len = Must(31, 6);
  EXPECT_EQ(len.path, "通道07 › 通道存储长度");
  EXPECT_EQ(len.label, "通道存储长度");
  EXPECT_EQ(len.listingLabel, "Channel07 save length");
  EXPECT_EQ(len.command, "AT+CHNSVLEN07");
  EXPECT_EQ(len.accepted, "整数（KB）");
  EXPECT_EQ(Must(30, 29).command, "AT+CHNNLTYPE30");
  EXPECT_NE(Must(30, 0).accepted.find("0 无、401 串口00、402 串口01"), std::string::npos);
  EXPECT_NE(Must(30, 0).accepted.find("302 PI1"), std::string::npos);

  // ADC source 1 (instance 2 on the wire), unbound and then bound to channel 7 and 9.
  EXPECT_EQ(Must(57, 1).path, "ADC1 › 通道属性 › 采集开启");
  std::array<int, 30> kinds{};
  kinds[8] = 202;
  kinds[6] = 202;
  const FieldHelp open = Must(57, 1, kinds);
  EXPECT_EQ(open.path, "通道07|ADC1 › 通道属性 › 采集开启");
  EXPECT_EQ(open.command, "AT+ADCIFOPEN02");
  EXPECT_EQ(Must(93, 14).path, "串口14 › 通信参数 › 串口波特率");
  EXPECT_EQ(Must(33, 3).path, "DI3 › 报警参数 › 报警触发方式");
  EXPECT_EQ(Must(44, 0).path, "PI0 › 通道属性 › 防抖时间");
  // No such instance, or no page: nothing.
  EXPECT_FALSE(Describe(31, 30).has_value());
  EXPECT_FALSE(Describe(108, 0).has_value());  // SDI: the device has no source
  EXPECT_FALSE(Describe(165, 0).has_value());  // a command, not a parameter
}

TEST(FieldHelpTest, CentreServersAreOnTheirCentreTabMainsFirst) {
  EXPECT_EQ(Must(20, 0).path, "中心地址参数 › 中心1 › 主中心地址");
  const FieldHelp port = Must(21, 5);  // of 8 instances: 4-7 the backups of centres 1-4
  EXPECT_EQ(port.path, "中心地址参数 › 中心2 › 备中心端口");
  EXPECT_EQ(port.command, "AT+MULTIPORT06");
  EXPECT_EQ(port.listingLabel, "Server6's port");
  EXPECT_EQ(Must(19, 3).path, "中心地址参数 › 中心4 › 主中心通道");
  EXPECT_EQ(Must(22, 1).path, "中心地址参数 › 备中心域名服务器地址");
  EXPECT_EQ(Must(18, 0).path, "中心地址参数 › 中心服务器数");
  EXPECT_EQ(Must(18, 0).command, "AT+SERNUM");
  EXPECT_EQ(field_help::ServerLabel("主中心端口：", true), "备中心端口：");
  EXPECT_EQ(field_help::ServerLabel("主中心端口：", false), "主中心端口：");
}

TEST(FieldHelpTest, ListsGiveTheirItemsWithCodesAndShowValuesAsTheControlDoes) {
  const FieldHelp mode = Must(0, 0);
  EXPECT_EQ(mode.path, "终端参数 › 工作模式");
  EXPECT_EQ(mode.command, "AT+PROTWRK");  // one instance: no number
  EXPECT_EQ(mode.accepted, "0 自报、1 查询、2 兼容、3 调试、4 无需应答");
  EXPECT_EQ(Must(7, 0).accepted, "0 水文HEX、1 水文ASCII、2 水资源16、5 水资源21");
  EXPECT_NE(Must(79, 0).accepted.find("201 K0"), std::string::npos);
  EXPECT_EQ(Must(68, 0).accepted, "1 电压、0 电流");

  EXPECT_EQ(field_help::ShownValue(7, "5"), "水资源21");
  EXPECT_EQ(field_help::ShownWithRaw(7, "5"), "水资源21 (5)");
  EXPECT_EQ(field_help::ShownWithRaw(79, "202"), "K1 (202)");
  EXPECT_EQ(field_help::ShownWithRaw(30, "202"), "ADC1 (202)");
  EXPECT_EQ(field_help::ShownWithRaw(0, "9"), "(9)");  // a position list shows no item
  EXPECT_EQ(field_help::ShownWithRaw(23, "CMNET"), "CMNET");
  EXPECT_EQ(field_help::ShownWithRaw(23, ""), "(空)");
  EXPECT_EQ(field_help::ShownValue(23, "\xd7\xa8\xcd\xf8"), "专网");  // code page 936

  // Text lists suggest their items; the camera timer's switch is a check box.
  EXPECT_EQ(Must(159, 0).accepted.rfind("文本，最长199字节；常用：300、600", 0), 0u);
  const FieldHelp timer = Must(155, 2);
  EXPECT_EQ(timer.path, "摄像头定时报 › 定时3");
  EXPECT_EQ(timer.accepted, "勾选 1、未勾选 0");
  EXPECT_EQ(Must(156, 2).path, "摄像头定时报 › 定时3 › 时");
  EXPECT_EQ(field_help::ShownValue(155, "0"), "未勾选");
  EXPECT_EQ(field_help::ShownValue(155, ""), "勾选");
  EXPECT_EQ(Must(150, 3).path, "摄像头参数 › 摄像头4 › 摄像头像素");
}

TEST(FieldHelpTest, ARangeTheLabelStatesIsTheNumbersForm) {
  const FieldHelp reconnect = Must(28, 0);
  EXPECT_EQ(reconnect.path, "中心其它参数 › 重连时间(0~65535s)");
  EXPECT_EQ(reconnect.accepted, "数值 0~65535s，文本，最长199字节");
  EXPECT_EQ(Must(148, 0).accepted, "数值 0~255，文本，最长199字节");
  // A unit in brackets is no range; a plain text has the length limit alone.
  EXPECT_EQ(Must(29, 0).accepted, "文本，最长199字节");
  EXPECT_EQ(Must(23, 0).accepted, "文本，最长199字节");
  EXPECT_EQ(Must(2, 0).accepted, "文本，最长199字节；页面不显示，原样写回载入值");
  EXPECT_EQ(Must(2, 0).label, "Debug com baudrate");
}

TEST(FieldHelpTest, EveryInstanceIsDescribedWithTheWordItIsSentUnder) {
  ResetParamValues();
  const std::vector<FieldHelp> all = field_help::DescribeAll();
  size_t instances = 0;
  for (int id = 0; id <= kLastParamId; ++id)
    if (const ParamEntry* e = FindParam(id)) instances += static_cast<size_t>(e->count);
  EXPECT_EQ(all.size(), instances);
  EXPECT_EQ(all.size(), 757u);
  std::set<std::string> commands;
  std::set<std::string> paths;
  for (const FieldHelp& h : all) {
    commands.insert(h.command);
    paths.insert(h.path);
    std::string line;
    ASSERT_EQ(FormatCommandLine(h.id, h.index, line), 1);
    EXPECT_EQ(line, h.command + "=\r\n") << h.id << "/" << h.index;
    EXPECT_FALSE(h.label.empty() || h.accepted.empty()) << h.id;
  }
  EXPECT_EQ(commands.size(), all.size());
  EXPECT_EQ(paths.size(), all.size());  // no two instances in one place

  const FieldHelp apn = Must(23, 0);
  const std::string before = field_help::HelpText(apn, std::nullopt);
  EXPECT_EQ(before, "设备标签：Modem Apn\n命令：AT+APN\n取值：文本，最长199字节\n载入值：—");
  EXPECT_NE(field_help::HelpText(Must(60, 0), std::string("1")).find("载入值：开启 (1)"), std::string::npos);
}

}  // namespace
