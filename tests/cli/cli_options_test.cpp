// The command line parser: commands, options in any position, values, help forms,
// usage errors, the clock text and the time-scale variable.
#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "serial/serial_port.h"

namespace {

using Args = std::vector<std::string>;

// The forms the process tests (cli_*_test.cpp) do not use; they run the others.
TEST(CliOptions, DeviceCommandsTakeTheirOptionsInAnyPositionAndForm) {
  CliParse p = ParseCliArgs({"--port", "/dev/ttyUSB0", "load", "-o", "f.cfg", "-q", "--log=x.log"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.command, CliCommand::kLoad);
  EXPECT_EQ(p.options.ports, Args{"/dev/ttyUSB0"});
  EXPECT_EQ(p.options.output, "f.cfg");
  EXPECT_EQ(p.options.logFile, "x.log");
  EXPECT_TRUE(p.options.quiet);
  EXPECT_EQ(p.options.baud, 115200);
  EXPECT_EQ(p.options.parity, serial::kParityNone);

  p = ParseCliArgs({"apply", "site.cfg", "--port=COM3", "--baud", "9600", "--parity", "Even"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.input, "site.cfg");
  EXPECT_EQ(p.options.ports, Args{"COM3"});
  EXPECT_EQ(p.options.baud, 9600);
  EXPECT_EQ(p.options.parity, serial::kParityEven);

  p = ParseCliArgs({"flash", "fw.bin", "--port", "COM4", "--baud", "57600"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.command, CliCommand::kFlash);
  EXPECT_EQ(p.options.baud, 57600);
  EXPECT_TRUE(IsDeviceCommand(p.options.command));
  EXPECT_FALSE(IsDeviceCommand(CliCommand::kDetect));

  p = ParseCliArgs({"records", "--to=2024-12-31", "--port", "a", "--from", "2024/1/5", "-o", "r.csv",
                    "--channel", "30"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.channel, 30);
  EXPECT_EQ(FormatRecordQuery(p.options.channel, p.options.from, p.options.to),
            "30;2024/1/5,0:0:0;2024/12/31,23:55:55");
  p = ParseCliArgs({"set-initial", "--port", "a", "--channel", "05", "-1.5"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.channel, 5);
  EXPECT_EQ(p.options.initialValue, "-1.5");
  p = ParseCliArgs({"snapshot", "--port", "a", "-o", "p.jpg"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.camera, 1);
  p = ParseCliArgs({"clear-records", "--port", "a", "--yes"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.channel, 0);
}

TEST(CliOptions, UsageErrorsAreReportedInOneLine) {
  const Args bad[] = {
      {},
      {"frobnicate"},
      {"load"},
      {"load", "--port"},
      {"load", "--port", ""},
      {"load", "--port", "a", "--port", "b"},
      {"load", "--port", "a", "--baud", "0"},
      {"load", "--port", "a", "--baud", "96x"},
      {"load", "--port", "a", "--parity", "sideways"},
      {"load", "--port", "a", "--quiet=1"},
      {"load", "--port", "a", "--bogus"},
      {"apply", "--port", "a"},
      {"apply", "--port", "a", "x.cfg", "y.cfg"},
      {"version", "--port", "a", "extra"},
      {"version", "--port", "a", "-o", "f.cfg"},
      {"version", "--port", "a", "--yes"},
      {"version", "--port", "a", "--time", "2024/01/05,08:03:07"},
      {"ports", "--baud", "9600"},
      {"detect", "--log", "x.log"},
      {"help", "nosuch"},
      {"set-clock", "--port", "a", "--time", "yesterday"},
      {"flash", "--port", "a"},
      {"flash", "fw.bin"},
      {"flash", "--port", "a", "fw.bin", "other.bin"},
      {"flash", "--port", "a", "fw.bin", "--time", "2024/01/05,08:03:07"},
      {"records", "--port", "a", "--from", "2024/1/5", "--to", "2024/1/9"},
      {"records", "--port", "a", "--from", "2024/1/9", "--to", "2024/1/5", "-o", "r.csv"},
      {"records", "--port", "a", "--channel", "31", "--from", "2024/1/5", "--to", "2024/1/9", "-o", "r"},
      {"snapshot", "--port", "a"},
      {"snapshot", "--port", "a", "--camera", "5", "-o", "p.jpg"},
      {"snapshot", "--port", "a", "--channel", "1", "-o", "p.jpg"},
      {"set-initial", "--port", "a", "12.5"},
      {"set-initial", "--port", "a", "--channel", "0", "12.5"},
      {"set-initial", "--port", "a", "--channel", "5"},
      {"clear-records", "--port", "a", "--channel", "x"},
      {"clear-backlog", "--port", "a", "--channel", "1"},
  };
  for (const Args& a : bad) {
    const CliParse p = ParseCliArgs(a);
    EXPECT_NE(p.error, "") << ::testing::PrintToString(a);
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
}

TEST(CliOptions, HelpForms) {
  CliParse p = ParseCliArgs({"--help"});
  EXPECT_EQ(p.error, "");
  EXPECT_TRUE(p.options.help);
  EXPECT_EQ(p.options.command, CliCommand::kNone);

  // A command's --help wins over what else is missing or wrong.
  p = ParseCliArgs({"apply", "--help"});
  EXPECT_EQ(p.error, "");
  EXPECT_TRUE(p.options.help);
  EXPECT_EQ(p.options.command, CliCommand::kApply);

  // --version alone is no missing command.
  p = ParseCliArgs({"--version"});
  EXPECT_EQ(p.error, "");
  EXPECT_TRUE(p.options.version);

  p = ParseCliArgs({"help", "set-clock"});
  EXPECT_EQ(p.error, "");
  EXPECT_EQ(p.options.command, CliCommand::kSetClock);

  const std::string overall = CliHelpText(CliCommand::kNone);
  for (const char* name : {"ports", "detect", "load", "apply", "version", "signal", "imei", "restart",
                           "factory-reset", "set-clock", "flash --port NAME [--no-backup] FILE"}) {
    EXPECT_NE(overall.find(std::string("  ") + name + " "), std::string::npos) << name;
  }
  EXPECT_NE(overall.find("QX310_TIME_SCALE"), std::string::npos);
  const std::string flash = CliHelpText(CliCommand::kFlash);
  EXPECT_NE(flash.find("升级错误，请将设备重新上电！"), std::string::npos);  // the power-up request
  EXPECT_NE(flash.find("Ctrl-C"), std::string::npos);
  for (CliCommand c : {CliCommand::kLoad, CliCommand::kApply, CliCommand::kDetect,
                       CliCommand::kSetClock, CliCommand::kFlash}) {
    const std::string h = CliHelpText(c);
    EXPECT_EQ(h.rfind(std::string("usage: qx310-cli ") + CliCommandName(c), 0), 0u) << h;
    EXPECT_NE(h.find("Exit status"), std::string::npos);
    EXPECT_EQ(h.find("--baud") != std::string::npos, IsDeviceCommand(c)) << h;
  }
}

// The computer's local time: CliCommandsTest.SetClockSendsTheTimeWithItsWeekday.
TEST(CliOptions, ClockTextGetsItsWeekdayAndImpossibleDatesAreRefused) {
  std::string arg;
  for (const char* good : {"2024/01/05,08:03:07,5", "2024/02/29,23:59:59,4", "2000/02/29,00:00:00,2",
                           "2023/12/31,00:00:00,0"}) {  // Friday, Thursday, a leap 2000, Sunday
    ASSERT_TRUE(ClockArgumentFromText(std::string(good, 19), arg)) << good;
    EXPECT_EQ(arg, good);
  }
  for (const char* bad : {"2023/02/29,00:00:00", "2100/02/29,00:00:00", "2024/04/31,00:00:00",
                          "2024/13/01,00:00:00", "2024/00/10,00:00:00", "2024/01/00,00:00:00",
                          "2024/01/05,24:00:00", "2024/01/05,08:60:00", "2024/01/05,08:03:60",
                          "2024/1/5,8:3:7", "2024/01/05 08:03:07", "2024-01-05,08:03:07",
                          "2024/01/05,08:03:07,5", "+024/01/05,08:03:07", ""}) {
    EXPECT_FALSE(ClockArgumentFromText(bad, arg)) << bad;
  }
}

TEST(CliOptions, TimeScaleVariable) {
  double s = 1;
  EXPECT_TRUE(ParseTimeScale("0.05", s));
  EXPECT_DOUBLE_EQ(s, 0.05);
  EXPECT_TRUE(ParseTimeScale("10", s));
  for (const char* bad : {"", "0", "-1", "abc", "0.5x", "11", "nan"}) EXPECT_FALSE(ParseTimeScale(bad, s)) << bad;
  EXPECT_FALSE(ParseTimeScale(nullptr, s));
}

}  // namespace
