#include "app/app_options.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

TEST(AppOptions, ParsesDemoPortsAndScreenshot) {
  AppOptions o = ParseAppOptions(
      {"--port", "/dev/ttyUSB3", "--demo", "--port=COM7", "--screenshot", "/tmp/a.png", "-x", "--port"});
  EXPECT_TRUE(o.demo);
  EXPECT_EQ(o.ports, (Names{"/dev/ttyUSB3", "COM7"}));
  EXPECT_EQ(o.screenshot, "/tmp/a.png");
  // A trailing "--port" without a name is not understood.
  EXPECT_EQ(o.unknown, (Names{"-x", "--port"}));
  EXPECT_FALSE(o.version || o.help);

  EXPECT_FALSE(o.resetSettings);

  AppOptions info = ParseAppOptions({"--version", "-h", "--reset-settings"});
  EXPECT_TRUE(info.version && info.help && info.resetSettings);
  EXPECT_TRUE(info.unknown.empty());
  EXPECT_EQ(ParseAppOptions({"--reset-setting"}).unknown, (Names{"--reset-setting"}));
}

TEST(AppOptions, ToolTakesOnlyAToolName) {
  EXPECT_EQ(ParseAppOptions({"--tool", "config"}).tool, "config");
  EXPECT_EQ(ParseAppOptions({"--tool=download"}).tool, "download");
  AppOptions bad = ParseAppOptions({"--tool", "flash", "--demo"});
  EXPECT_TRUE(bad.tool.empty());
  EXPECT_EQ(bad.unknown, (Names{"--tool flash"}));
  EXPECT_TRUE(bad.demo);  // the argument after a bad name is still read
}

TEST(AppOptions, PortListPutsTheSimulatorFirstAndNamesEachPortOnce) {
  EXPECT_EQ(ComposePortList("/dev/pts/4", {"/dev/ttyS0", "/dev/ttyUSB0"}, {"/dev/ttyUSB0", "/dev/pts/4", "/dev/x"}),
            (Names{"/dev/pts/4", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/x"}));
  EXPECT_EQ(ComposePortList("", {"COM1", "COM100"}, {}), (Names{"COM1", "COM100"}));
  EXPECT_TRUE(ComposePortList("", {}, {}).empty());
}

TEST(AppOptions, TheRememberedPortComesRightAfterTheSimulatorWhenItIsThere) {
  const Names system{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"};
  // Listed by the system or named: moved up, once.
  EXPECT_EQ(ComposePortList("", system, {}, "/dev/ttyUSB1"), (Names{"/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyUSB0"}));
  EXPECT_EQ(ComposePortList("/dev/pts/4", system, {"/dev/pts/9"}, "/dev/pts/9"),
            (Names{"/dev/pts/4", "/dev/pts/9", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
  // Neither listed nor present: left out; present all the same (a network port, a node the
  // lister does not report): listed first.
  EXPECT_EQ(ComposePortList("", system, {}, "/dev/ttyACM0"), system);
  EXPECT_EQ(ComposePortList("", system, {}, "rfc2217://rtu:2217", true),
            (Names{"rfc2217://rtu:2217", "/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyUSB1"}));
  // The simulator's own port stays first even when it is the remembered one.
  EXPECT_EQ(ComposePortList("/dev/pts/4", {"/dev/ttyS0"}, {}, "/dev/pts/4", true), (Names{"/dev/pts/4", "/dev/ttyS0"}));
}

}  // namespace
