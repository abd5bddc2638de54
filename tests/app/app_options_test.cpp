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

  AppOptions info = ParseAppOptions({"--version", "-h"});
  EXPECT_TRUE(info.version && info.help);
  EXPECT_TRUE(info.unknown.empty());
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

}  // namespace
