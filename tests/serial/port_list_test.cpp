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
