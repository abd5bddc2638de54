// The write faults: a slow device that loses lines arriving soon after a stored setter,
// and one that answers OK to chosen setters but keeps the old value.
#include "sim_port.h"

TEST_F(SimTest, SlowDeviceDropsLinesSoonAfterAStoredSetter) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  sim.SetSlowDevice(2000);  // 100 ms at this scale
  // Both lines at once: the second arrives while the device is still busy.
  port->Write("AT+APN=first\r\nAT+APN=second\r\n");
  EXPECT_EQ(port->ReadUntil("\r\nOK\r\n"), "AT+APN=first\r\n\r\nOK\r\n");
  Timing::Sleep(3000);  // past the busy time
  // Lines are taken again, and the dropped one got no answer before this one's.
  EXPECT_EQ(port->Command("AT+VER").rfind("AT+VER\r\n", 0), 0u);
  EXPECT_EQ(sim.Value("Modem Apn:"), "first");
  EXPECT_EQ(sim.DroppedLines(), 1);
  // A refused setter makes no busy time.
  EXPECT_NE(port->Command("AT+NOSUCH=1").find("\r\nERROR\r\n"), std::string::npos);
  EXPECT_EQ(port->Command("AT+APN=third"), "AT+APN=third\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Value("Modem Apn:"), "third");
  EXPECT_EQ(sim.DroppedLines(), 1);
}

TEST_F(SimTest, KeepOldValueAnswersOkButStoresNothing) {
  ASSERT_NO_FATAL_FAILURE(EnterConfig());
  sim.SetKeepOldValue("AT+APN", 1);
  sim.SetKeepOldValue("AT+MULTISER");  // a family, always
  EXPECT_EQ(port->Command("AT+APN=kept"), "AT+APN=kept\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Value("Modem Apn:"), "CMNET");
  EXPECT_EQ(port->Command("AT+APN=taken"), "AT+APN=taken\r\n\r\nOK\r\n");  // once only
  EXPECT_EQ(sim.Value("Modem Apn:"), "taken");
  const std::string before = sim.Value("Server2's Ip:");
  EXPECT_EQ(port->Command("AT+MULTISER02=9.9.9.9"), "AT+MULTISER02=9.9.9.9\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Value("Server2's Ip:"), before);
  EXPECT_EQ(port->Command("AT+MULTIPORT02=7000"), "AT+MULTIPORT02=7000\r\n\r\nOK\r\n");
  EXPECT_EQ(sim.Value("Server2's port:"), "7000");
}
