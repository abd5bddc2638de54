// Command lines: what FormatCommandLine builds and what RunCommand puts on the wire.
#include <gtest/gtest.h>

#include "exchange_fixture.h"

namespace {

std::string Line(int id, int index) {
  std::string out = "garbage";
  EXPECT_EQ(FormatCommandLine(id, index, out), 1) << id << "/" << index;
  return out;
}

class ExchangeLine : public ExchangeFixture {};

TEST_F(ExchangeLine, ParameterFormsCarryTwoDigitInstanceNumbersOnlyForFamilies) {
  SetParamText(16, "5", 0);
  EXPECT_EQ(Line(16, 0), "AT+UPSTEPMIN=5\r\n");
  SetParamText(20, "192.168.1.10", 0);
  EXPECT_EQ(Line(20, 0), "AT+MULTISER01=192.168.1.10\r\n");
  SetParamText(30, "401", 29);
  EXPECT_EQ(Line(30, 29), "AT+CHNNLTYPE30=401\r\n");
  SetParamText(31, "12", 6);
  EXPECT_EQ(Line(31, 6), "AT+CHNSVLEN07=12\r\n");
  SetParamText(93, "9600", 6);
  EXPECT_EQ(Line(93, 6), "AT+COMSPEED07=9600\r\n");
  EXPECT_EQ(Line(23, 0), "AT+APN=\r\n");  // an empty value still makes a line
}

TEST_F(ExchangeLine, DebugParityGoesOutInPageForm) {
  const ParamEntry* entry = FindParam(3);
  ASSERT_NE(entry, nullptr);
  SetRawValue(*entry, 0, "8-EVN-1");
  EXPECT_EQ(Line(3, 0), "AT+DBGCOMPARITY=8E1\r\n");
  SetRawValue(*entry, 0, "8-NON-1");
  EXPECT_EQ(Line(3, 0), "AT+DBGCOMPARITY=8N1\r\n");
}

TEST_F(ExchangeLine, CommandFormsAppendTheStoredArgument) {
  EXPECT_EQ(Line(kCmdShow, 0), "AT+SHOW\r\n");
  SetParamText(kCmdClock, "2024-05-06 07:08:09", 0);
  EXPECT_EQ(Line(kCmdClock, 0), "AT+EXCCLK=2024-05-06 07:08:09\r\n");
  SetParamText(kCmdSetInitData, "05=12.5", 0);
  EXPECT_EQ(Line(kCmdSetInitData, 0), "AT+SETINITDATA05=12.5\r\n");
  // The probes get the command form for logs; only RunCommand sends them bare.
  EXPECT_EQ(Line(kCmdProbe, 0), "---\r\n");
  EXPECT_EQ(Line(kCmdModem, 0), "+++\r\n");
}

TEST_F(ExchangeLine, NoLineForUnknownIdsOrIndexesOutsideTheCount) {
  struct Case {
    int id;
    int index;
  } cases[] = {{164, 0}, {181, 0}, {-1, 0}, {23, 1}, {20, 8}, {30, 30}, {20, -1},
               {108, 0} /* count 0 */, {kCmdShow, 1}};
  for (const Case& c : cases) {
    std::string out = "garbage";
    EXPECT_EQ(FormatCommandLine(c.id, c.index, out), 0) << c.id << "/" << c.index;
    EXPECT_TRUE(out.empty()) << c.id << "/" << c.index;
  }
}

TEST_F(ExchangeLine, RunCommandWritesTheFormattedLineOnce) {
  SetParamText(20, "192.168.1.10", 0);
  std::string out;
  EXPECT_EQ(exchange.RunCommand(20, 0, out), 1);
  EXPECT_EQ(out, "AT+MULTISER01=192.168.1.10\r\n");
  EXPECT_EQ(port.Written(), std::vector<std::string>{"AT+MULTISER01=192.168.1.10\r\n"});
}

TEST_F(ExchangeLine, ProbesGoOutBareAndAwaitTheCmdReplies) {
  std::string out;
  EXPECT_EQ(exchange.RunCommand(kCmdProbe, 0, out), 1);
  EXPECT_EQ(out, "---");
  port.SetResponder([](const std::string&) -> std::vector<std::string> {
    return {"\r\nCMD ERROR\r\n"};
  });
  EXPECT_EQ(exchange.RunCommand(kCmdModem, 0, out), 0);
  EXPECT_TRUE(out.empty());
  // "\r\nOK\r\n" is not the probes' reply: it leaves them waiting until the limit.
  port.SetResponder([](const std::string&) -> std::vector<std::string> { return {"\r\nOK\r\n"}; });
  EXPECT_EQ(exchange.RunCommand(kCmdProbe, 0, out), 0);
  EXPECT_EQ(port.Written(), (std::vector<std::string>{"---", "+++", "---"}));
}

TEST_F(ExchangeLine, NothingIsSentForBadIndexesClosedPortsOrShortWrites) {
  std::string out = "garbage";
  EXPECT_EQ(exchange.RunCommand(23, 1, out), 0);  // index == count
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(exchange.RunCommand(164, 0, out), 0);
  EXPECT_TRUE(port.Written().empty());

  port.Close();
  out = "garbage";
  EXPECT_EQ(exchange.RunCommand(kCmdShow, 0, out), 0);
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(port.Written().empty());

  port.Open("fake", 115200, 8, 0, 0);
  port.SetWriteLimit(3);
  out = "garbage";
  EXPECT_EQ(exchange.RunCommand(23, 0, out), 0);  // though the device answered OK
  EXPECT_TRUE(out.empty());
  EXPECT_EQ(port.Written(), std::vector<std::string>{"AT+"});
}

}  // namespace
