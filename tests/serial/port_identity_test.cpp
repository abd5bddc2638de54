// Ports named by their adapter: the Linux lister against a sysfs tree the test builds, the
// Windows ports class merged into SERIALCOMM from made-up SetupAPI records, the labels.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "serial/port_identity.h"

namespace {

namespace fs = std::filesystem;

// An unplugged adapter is found again by its serial number wherever it comes back, else by
// its by-id link, else by its name; another adapter in its place is not taken for it.
TEST(PortIdentity, TheSameAdapterIsFoundAgainBySerialNumberThenByIdLinkThenName) {
  const SerialPortInfo ftdi{.name = "/dev/ttyUSB0", .description = "FT232R USB UART", .vid = "0403",
                            .pid = "6001", .serial = "A50285BI",
                            .byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"};
  const SerialPortInfo ch340{.name = "/dev/ttyUSB1", .description = "USB-Serial CH340", .vid = "1a86",
                             .pid = "7523", .byId = "/dev/serial/by-id/usb-1a86_USB_Serial-if00-port0"};
  const SerialPortInfo pty{.name = "/dev/pts/7"};
  // Not back yet.
  EXPECT_EQ(SameAdapterPath(ftdi, {}), "");
  EXPECT_EQ(SameAdapterPath(ftdi, {ch340, pty}), "");
  // Back under another name: found by the serial number, not by the name now held by another.
  SerialPortInfo moved = ftdi;
  moved.name = "/dev/ttyUSB2";
  SerialPortInfo other = ftdi;  // same make in its old place, another serial number
  other.serial = "B1234567";
  other.byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_B1234567-if00-port0";
  EXPECT_EQ(SameAdapterPath(ftdi, {other, ch340, moved}), "/dev/ttyUSB2");
  EXPECT_EQ(SameAdapterPath(ftdi, {other}), "") << "another adapter of the same make";
  SerialPortInfo otherIds = moved;  // same serial number on another USB device
  otherIds.pid = "6015";
  EXPECT_EQ(SameAdapterPath(ftdi, {otherIds}), "");
  // Without a serial number: its by-id link wherever it is, else its name.
  SerialPortInfo ch340Moved = ch340;
  ch340Moved.name = "/dev/ttyUSB3";
  EXPECT_EQ(SameAdapterPath(ch340, {SerialPortInfo{.name = "/dev/ttyUSB1"}, ch340Moved}), "/dev/ttyUSB3");
  EXPECT_EQ(SameAdapterPath(ch340, {SerialPortInfo{.name = "/dev/ttyUSB1"}}), "/dev/ttyUSB1");
  // A port known by its path alone (a pseudo-terminal, a link made by hand).
  EXPECT_EQ(SameAdapterPath(pty, {ch340, SerialPortInfo{.name = "/dev/pts/7"}}), "/dev/pts/7");
  EXPECT_EQ(SameAdapterPath(pty, {ch340}), "");
}

TEST(PortIdentity, WindowsPortsClassGivesNamesIdsAndSerialNumbersInSerialCommOrder) {
  const std::vector<SetupApiPort> devices = {
      {"COM7", "FTDI USB Serial Port (COM7)", "FTDIBUS\\COMPORT&VID_0403&PID_6001",
       "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000"},
      {"com3", "USB-SERIAL CH340 (COM3)", "USB\\VID_1A86&PID_7523&REV_0254", "USB\\VID_1A86&PID_7523\\5&2F5B3A1&0&2"},
      {"COM12", "USB Serial Device (COM12)", "USB\\VID_2E8A&PID_000A&REV_0100&MI_00",
       "USB\\VID_2E8A&PID_000A\\E6614C311B7C5A2F"},
      {"COM1", "Communications Port (COM1)", "ACPI\\PNP0501", "ACPI\\PNP0501\\1"},
      {"COM9", "Bluetooth link (COM9)", "BTHENUM\\{00001101}", "BTHENUM\\{00001101}\\7&1&0"},  // not in SERIALCOMM
  };
  const std::vector<SerialPortInfo> ports =
      MergeSetupApiPorts({"COM3", "COM1", "COM7", "COM12", "COM100"}, devices);
  ASSERT_EQ(ports.size(), 5u);
  const struct { const char* label; const char* serial; } want[] = {
      // Windows made up the CH340's instance part: no serial number.
      {"COM3 \u2014 USB-SERIAL CH340 (1a86:7523)", ""},
      {"COM1 \u2014 Communications Port", ""},
      {"COM7 \u2014 FTDI USB Serial Port (0403:6001)", "A50285BIA"},
      {"COM12 \u2014 USB Serial Device (2e8a:000a)", "E6614C311B7C5A2F"},
      // No device in the ports class: the name alone.
      {"COM100", ""},
  };
  for (size_t i = 0; i < ports.size(); ++i) {
    EXPECT_EQ(PortLabel(ports[i]), want[i].label) << i;
    EXPECT_EQ(ports[i].serial, want[i].serial) << i;
  }
  EXPECT_EQ(ports[2].name, "COM7");
  EXPECT_EQ(PortDetails(ports[2]), "COM7\nserial number A50285BIA");
  EXPECT_EQ(PortDetails(ports[0]), "COM3");
}

#ifndef _WIN32
// A sysfs tree and a /dev as the kernel lays them out, under a temporary directory.
class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("qx-sysfs-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "sys/class/tty");
    fs::create_directories(root / "dev/serial/by-id");
  }
  void TearDown() override { fs::remove_all(root); }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << text << "\n";
  }
  // A tty whose device is `device` (under sys/devices); a /dev node unless noDev.
  void Tty(const std::string& name, const std::string& device, bool noDev = false) {
    const fs::path dir = root / "sys/devices" / device / "tty" / name;
    fs::create_directories(dir);
    fs::create_directory_symlink(dir, root / "sys/class/tty" / name);
    if (!device.empty()) fs::create_directory_symlink(root / "sys/devices" / device, dir / "device");
    if (!noDev) Write(root / "dev" / name, "");
  }
  // A USB device directory with its attributes ("" leaves one out).
  void Usb(const std::string& path, const std::string& vid, const std::string& pid, const std::string& maker,
           const std::string& product, const std::string& serial) {
    const fs::path dir = root / "sys/devices" / path;
    Write(dir / "idVendor", vid);
    Write(dir / "idProduct", pid);
    if (!maker.empty()) Write(dir / "manufacturer", maker);
    if (!product.empty()) Write(dir / "product", product);
    if (!serial.empty()) Write(dir / "serial", serial);
  }
  std::vector<SerialPortInfo> List() const { return ListSysfsPorts((root / "sys").string(), (root / "dev").string()); }
  std::string Dev(const std::string& name) const { return (root / "dev" / name).string(); }

  fs::path root;
};

TEST_F(FakeSysfs, UsbAdaptersAreNamedByTheirDeviceOnBoardUartsByTheirDriverEmptySlotsAndPtysAreLeftOut) {
  // A CH340 (no manufacturer, no serial number) and an FTDI with a serial number and a by-id link.
  Usb("pci0000:00/usb1/1-1", "1a86", "7523", "", "USB-Serial CH340", "");
  Tty("ttyUSB0", "pci0000:00/usb1/1-1/1-1:1.0/ttyUSB0");
  Usb("pci0000:00/usb1/1-2", "0403", "6001", "FTDI", "FT232R USB UART", "A50285BI");
  Tty("ttyUSB1", "pci0000:00/usb1/1-2/1-2:1.0/ttyUSB1");
  fs::create_symlink("../../ttyUSB1", root / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
  // A CDC-ACM modem whose product names its maker.
  Usb("pci0000:00/usb1/1-3", "2e8a", "000a", "Raspberry Pi", "Raspberry Pi Pico", "E6614C31");
  Tty("ttyACM0", "pci0000:00/usb1/1-3/1-3:1.0");
  // On-board UART slots: ttyS0 with a 16550A, ttyS1 empty (type 0), ttyS10 with one.
  fs::create_directories(root / "sys/bus/platform/drivers/serial8250");
  for (const char* s : {"ttyS0", "ttyS1", "ttyS10"}) {
    Tty(s, "platform/serial8250");
    Write(root / "sys/class/tty" / s / "type", std::string(s) == "ttyS1" ? "0" : "4");
  }
  fs::create_directory_symlink(root / "sys/bus/platform/drivers/serial8250",
                               root / "sys/devices/platform/serial8250/driver");
  // A pseudo-terminal master and a console: no device behind them. A tty without its /dev node.
  Tty("ptmx", "");
  Tty("tty0", "");
  Usb("pci0000:00/usb1/1-4", "067b", "2303", "Prolific", "USB-Serial Controller", "");
  Tty("ttyUSB2", "pci0000:00/usb1/1-4/1-4:1.0/ttyUSB2", true);

  const std::vector<SerialPortInfo> ports = List();
  std::vector<std::string> labels;
  for (const SerialPortInfo& p : ports) labels.push_back(PortLabel(p));
  // The labels as the port list shows them; the paths are what is opened.
  EXPECT_EQ(labels, (std::vector<std::string>{
                        "ttyACM0 \u2014 Raspberry Pi Pico (2e8a:000a)",
                        "ttyS0 \u2014 serial8250",
                        "ttyS10 \u2014 serial8250",
                        "ttyUSB0 \u2014 USB-Serial CH340 (1a86:7523)",
                        "ttyUSB1 \u2014 FTDI FT232R USB UART (0403:6001)",
                    }));
  ASSERT_EQ(ports.size(), 5u);
  const SerialPortInfo& ftdi = ports[4];
  EXPECT_EQ(ftdi.name, "/dev/ttyUSB1");
  EXPECT_EQ(ftdi.serial, "A50285BI");
  EXPECT_EQ(ftdi.byId, Dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"));
  EXPECT_EQ(PortDetails(ftdi), "/dev/ttyUSB1\nserial number A50285BI\n" + ftdi.byId);
  const SerialPortInfo& ch340 = ports[3];
  EXPECT_EQ(ch340.name, "/dev/ttyUSB0");
  EXPECT_EQ(ch340.serial, "");
  EXPECT_EQ(ch340.byId, "");
  EXPECT_EQ(PortDetails(ch340), "/dev/ttyUSB0");
  EXPECT_EQ(ports[1].vid, "");  // an on-board UART is no USB device
}

TEST_F(FakeSysfs, MissingTreeListsNothing) {
  fs::remove_all(root / "sys");
  EXPECT_TRUE(List().empty());
}
#endif

}  // namespace
