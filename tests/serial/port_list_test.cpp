// The port lister lists only real serial devices.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "serial/port_list.h"

TEST(PortList, ListsOnlyExistingCharacterDevicesWithoutConsolesOrPtys) {
  for (const std::string& p : ListSerialPorts()) {
    struct stat st {};
    ASSERT_EQ(stat(p.c_str(), &st), 0) << p;
    EXPECT_TRUE(S_ISCHR(st.st_mode)) << p;
    EXPECT_EQ(p.rfind("/dev/tty", 0), 0u) << p;
    EXPECT_NE(p, "/dev/tty0");
    EXPECT_EQ(p.find("/dev/pts"), std::string::npos) << p;
    EXPECT_NE(p, "/dev/console");
  }
}

TEST(PortList, ComboShowsShortNamesAndOpensTheListedPaths) {
  const std::vector<std::string> listed = {"/dev/ttyUSB0", "/dev/pts/3", "/tmp/sim/pty", "COM5"};
  // What is shown, its short name (PortShortName) and the path opened for it (PortPathFor).
  const struct { const char* shown, *shortName, *opened; } cases[] = {
      {"/dev/ttyUSB0", "ttyUSB0", "/dev/ttyUSB0"}, {"ttyUSB0", "ttyUSB0", "/dev/ttyUSB0"},
      {"pts/3", "pts/3", "/dev/pts/3"},           {"/tmp/sim/pty", "/tmp/sim/pty", "/tmp/sim/pty"},
      {"COM5", "COM5", "COM5"},                   {"/dev/", "/dev/", "/dev/"},
      {"", "", ""},
      // Typed by hand, not listed: a relative name is a device under /dev.
      {"ttyACM1", "ttyACM1", "/dev/ttyACM1"},     {"pts/9", "pts/9", "/dev/pts/9"},
      {"/dev/ttyS1", "ttyS1", "/dev/ttyS1"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PortShortName(c.shown), c.shortName) << c.shown;
    EXPECT_EQ(PortPathFor(c.shown, listed), c.opened) << c.shown;
  }
}
