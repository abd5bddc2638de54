// The command line parser. (The device tests run the common forms.)
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "cli/cli_main.h"
#include "cli/cli_options.h"
#include "serial/serial_port.h"

namespace {

using Args = std::vector<std::string>;

TEST(CliOptions, OptionsInAnyPositionAndForm) {
  CliParse p = ParseCliArgs({"--port", "/dev/ttyUSB0", "load", "-o", "f.cfg", "-q", "--log=x.log"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.command, CliCommand::kLoad);
  EXPECT_EQ(p.options.ports, Args{"/dev/ttyUSB0"});
  EXPECT_EQ(p.options.output + p.options.logFile, "f.cfgx.log");
  EXPECT_TRUE(p.options.quiet);
  EXPECT_EQ(p.options.baud, 115200);
  EXPECT_EQ(p.options.parity, serial::kParityNone);

  p = ParseCliArgs({"apply", "site.cfg", "--port=COM3", "--baud", "9600", "--parity", "Even", "--fast"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.input, "site.cfg");
  EXPECT_EQ(p.options.ports, Args{"COM3"});
  EXPECT_EQ(p.options.baud, 9600);
  EXPECT_EQ(p.options.parity, serial::kParityEven);
  EXPECT_TRUE(p.options.fast && p.options.verify);

  // An absolute POSIX path is a file name on every system, also in the Windows build.
  p = ParseCliArgs({"flash", "/tmp/fw.bin", "--port", "COM3"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.input, "/tmp/fw.bin");

  p = ParseCliArgs({"set-initial", "--port", "a", "--channel", "05", "-1.5"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.channel, 5);
  EXPECT_EQ(p.options.initialValue, "-1.5");
  EXPECT_EQ(ParseCliArgs({"snapshot", "--port", "a", "-o", "p.jpg"}).options.camera, 1);

  // --wait before or after the command word, for device commands and detect.
  EXPECT_EQ(ParseCliArgs({"version", "--port", "a"}).options.waitSeconds, 0);
  EXPECT_EQ(ParseCliArgs({"--wait", "30", "load", "--port", "a", "-o", "f"}).options.waitSeconds, 30);
  EXPECT_EQ(ParseCliArgs({"detect", "--wait=86400"}).options.waitSeconds, kMaxWaitSeconds);
}

TEST(CliOptions, UsageErrorsAreReportedInOneLine) {
  const Args bad[] = {
      {}, {"frobnicate"}, {"load"}, {"load", "--port"}, {"load", "--port", ""},
      {"load", "--port", "a", "--port", "b"}, {"load", "--port", "a", "--baud", "96x"},
      {"load", "--port", "a", "--parity", "sideways"}, {"load", "--port", "a", "--quiet=1"},
      {"load", "--port", "a", "--bogus"}, {"load", "--port", "p", "--no-verify"},
      {"load", "--port", "p", "--dry-run"}, {"apply", "--port", "a"},
      {"apply", "--port", "a", "x.cfg", "y.cfg"},
      {"apply", "--port", "p", "--fast", "--no-verify", "f"},  // --fast always verifies
      {"version", "--port", "a", "extra"}, {"version", "--port", "a", "-o", "f.cfg"},
      {"version", "--port", "a", "--yes"}, {"version", "--port", "a", "--time", "2024/01/05,08:03:07"},
      {"ports", "--baud", "9600"}, {"detect", "--log", "x.log"}, {"help", "nosuch"}, {"diff", "a.cfg"},
      {"set-clock", "--port", "a", "--time", "2023/02/29,12:00:00"}, {"flash", "--port", "a"},
      {"flash", "fw.bin"}, {"flash", "--port", "a", "fw.bin", "other.bin"},
      {"records", "--port", "a", "--from", "2024/1/5", "--to", "2024/1/9"},
      {"records", "--port", "a", "--from", "2024/1/9", "--to", "2024/1/5", "-o", "r.csv"},
      {"records", "--port", "a", "--channel", "31", "--from", "2024/1/5", "--to", "2024/1/9", "-o", "r"},
      {"snapshot", "--port", "a"}, {"snapshot", "--port", "a", "--camera", "5", "-o", "p.jpg"},
      {"snapshot", "--port", "a", "--channel", "1", "-o", "p.jpg"}, {"set-initial", "--port", "a", "12.5"},
      {"set-initial", "--port", "a", "--channel", "0", "12.5"},
      {"set-initial", "--port", "a", "--channel", "5"}, {"clear-records", "--port", "a", "--channel", "x"},
      {"clear-backlog", "--port", "a", "--channel", "1"}, {"version", "--port", "a", "--wait", "x"},
      {"version", "--port", "a", "--wait", "-1"}, {"version", "--port", "a", "--wait", "86401"},
      {"version", "--port", "a", "--wait"}, {"ports", "--wait", "5"}, {"diff", "--wait", "5", "a.cfg", "b.cfg"},
  };
  for (const Args& a : bad) {
    const CliParse p = ParseCliArgs(a);
    EXPECT_NE(p.error, "") << ::testing::PrintToString(a);
    EXPECT_EQ(p.error.find('\n'), std::string::npos) << p.error;
  }
  // The program says so in one line, exit 2, nothing on standard output.
  std::ostringstream out, err;
  EXPECT_EQ(CliMain({"version", "--port", "/dev/qx-no-such-port", "extra"}, out, err), kExitUsage);
  EXPECT_EQ(out.str(), "");
  const std::string e = err.str();
  EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 1) << e;
}

TEST(CliOptions, HelpForms) {
  // A command's --help wins over what else is missing or wrong; --version alone is no
  // missing command.
  EXPECT_TRUE(ParseCliArgs({"apply", "--help"}).options.help);
  EXPECT_TRUE(ParseCliArgs({"--version"}).options.version);
  EXPECT_EQ(ParseCliArgs({"--version"}).error, "");
  for (const Args& a : {Args{"--help"}, Args{"load", "--help"}, Args{"help", "flash"}, Args{"help", "set-clock"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(CliMain(a, out, err), kExitOk) << a[0];
    const std::string h = out.str();
    const CliCommand c = ParseCliArgs(a).options.command;
    EXPECT_NE(h.find("Exit status"), std::string::npos) << h;
    if (c != CliCommand::kNone) {
      EXPECT_EQ(h.rfind(std::string("usage: qx310-cli ") + CliCommandName(c), 0), 0u) << h;
      EXPECT_NE(h.find("--baud"), std::string::npos) << h;
    }
  }
  const std::string overall = CliHelpText(CliCommand::kNone);
  EXPECT_NE(overall.find("  flash --port NAME... [--no-backup] FILE"), std::string::npos);
  EXPECT_NE(overall.find("QX310_TIME_SCALE"), std::string::npos);
  const std::string flash = CliHelpText(CliCommand::kFlash);
  EXPECT_EQ(flash.rfind("usage: qx310-cli flash --port NAME... [--no-backup] FILE", 0), 0u);
  EXPECT_NE(flash.find("升级错误，请将设备重新上电！"), std::string::npos);  // the power-up request
  EXPECT_NE(flash.find("Ctrl-C"), std::string::npos);
  EXPECT_EQ(CliHelpText(CliCommand::kDetect).find("--baud"), std::string::npos);
}

TEST(CliOptions, ShortFormsBundlingTheDefaultPortAndStandardOutput) {
  CliParse p = ParseCliArgs({"-qp", "/dev/ttyUSB1", "load", "-b", "9600", "-o", "-"});
  ASSERT_EQ(p.error, "");
  EXPECT_TRUE(p.options.quiet);
  EXPECT_EQ(p.options.ports, Args{"/dev/ttyUSB1"});
  EXPECT_EQ(p.options.baud, 9600);
  EXPECT_EQ(p.options.output, "-");
  // "--" ends the options: what follows is an argument even when it looks like one.
  p = ParseCliArgs({"set-initial", "-p", "a", "--channel", "5", "--", "--5"});
  ASSERT_EQ(p.error, "");
  EXPECT_EQ(p.options.initialValue, "--5");

  // QX310_PORT names the port of a device command that gives none; --port wins over it,
  // and it adds nothing to the ports a listing or a search names.
  EXPECT_EQ(ParseCliArgs({"version"}, "/dev/ttyS9").options.ports, Args{"/dev/ttyS9"});
  EXPECT_EQ(ParseCliArgs({"version", "-p", "COM4"}, "/dev/ttyS9").options.ports, Args{"COM4"});
  EXPECT_TRUE(ParseCliArgs({"detect"}, "/dev/ttyS9").options.ports.empty());
  EXPECT_NE(ParseCliArgs({"version"}, "").error, "");
  EXPECT_NE(ParseCliArgs({"version"}).error.find("QX310_PORT"), std::string::npos);

  // An option of another command says whose it is.
  EXPECT_EQ(ParseCliArgs({"load", "-p", "a", "--dry-run"}).error, "--dry-run is an option of apply");
  EXPECT_EQ(ParseCliArgs({"version", "-p", "a", "--yes"}).error,
            "--yes is an option of factory-reset, clear-records and clear-backlog");
  EXPECT_EQ(ParseCliArgs({"ports", "-b", "9600"}).error, "ports takes no --baud");
  EXPECT_EQ(ParseCliArgs({"load", "-p", "a", "--quiet=1"}).error, "option --quiet takes no value");
}

TEST(CliOptions, ACommandsHelpShowsTheOptionsItTakesAndNoOther) {
  for (const CliCommandInfo& c : CliCommandTable()) {
    if (c.command == CliCommand::kHelp) continue;
    const std::string help = CliHelpText(c.command);
    for (const CliOptionInfo& option : CliOptionTable()) {
      const bool shown = help.find("  " + (ShortName(option).empty() ? LongName(option) : ShortName(option) +
                                                                                            ", " + LongName(option))) !=
                         std::string::npos;
      EXPECT_EQ(shown, Takes(option, c.command)) << c.name << " " << option.names;
      // What the help shows is what the parser takes: the long form, and the short one.
      if (!Takes(option, c.command) || option.value != nullptr || c.command == CliCommand::kNone) continue;
      for (const std::string& name : {LongName(option), ShortName(option)}) {
        if (name.empty()) continue;
        Args args = {c.name, name, "--port", "p"};
        if (c.command == CliCommand::kApply || c.command == CliCommand::kFlash) args.push_back("f");
        if (c.command == CliCommand::kDiff) args = {"diff", name, "a", "b"};
        const CliParse p = ParseCliArgs(args);
        EXPECT_EQ(p.error.find("option"), std::string::npos) << c.name << " " << name << ": " << p.error;
      }
    }
  }
  std::ostringstream out, err;
  EXPECT_EQ(CliMain({"help", "snapshot"}, out, err), kExitOk);
  EXPECT_NE(out.str().find("--camera N"), std::string::npos) << out.str();
  EXPECT_EQ(out.str().find("--channel"), std::string::npos) << out.str();
}

// The computer's local time: CliCommandsTest.RestartAnUnconfirmedFactoryResetAndTheLocalClock.
TEST(CliOptions, ClockTextGetsItsWeekdayImpossibleDatesAreRefusedAndTheTimeScaleVariable) {
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
  double s = 1;
  EXPECT_TRUE(ParseTimeScale("0.05", s));
  EXPECT_DOUBLE_EQ(s, 0.05);
  EXPECT_TRUE(ParseTimeScale("10", s));
  for (const char* bad : {"", "0", "-1", "abc", "0.5x", "11", "nan"}) EXPECT_FALSE(ParseTimeScale(bad, s)) << bad;
  EXPECT_FALSE(ParseTimeScale(nullptr, s));
}

}  // namespace
