#pragma once
// Who is behind a serial port: the adapter's description, USB ids and serial number, as the
// system knows them (Linux: sysfs and /dev/serial/by-id; Windows: the SetupAPI ports class).
// Shown beside the port's name so that two adapters can be told apart; what is opened stays
// the port's path.
#include <string>
#include <vector>

struct SerialPortInfo {
  std::string name{};         // the path that is opened: /dev/ttyUSB0, COM5
  std::string description{};  // e.g. "FTDI FT232R USB UART", "USB-SERIAL CH340"; "" unknown
  std::string vid{}, pid{};   // USB ids, four lower-case hex digits; "" when not a USB device
  std::string serial{};       // the adapter's serial number; "" none
  std::string byId{};         // Linux: the /dev/serial/by-id link to the port; "" none
};

// This machine's serial ports (port_list.h) with their identities.
std::vector<SerialPortInfo> ListSerialPortInfos();

// The adapter as one text: the description and "(vid:pid)" when known ("" when nothing is).
std::string PortAbout(const SerialPortInfo& info);
// The port list's line for a port: its short name, then " — " and the description with
// "(vid:pid)" when known: "ttyUSB0 — USB-Serial CH340 (1a86:7523)"; the short name alone
// when nothing is known.
std::string PortLabel(const SerialPortInfo& info);
// The tooltip: the full path, then the serial number and the by-id link when known, one a line.
std::string PortDetails(const SerialPortInfo& info);

// Where the adapter that was behind gone is now among ports (after it was unplugged and
// plugged back): the port with the same serial number (and USB ids), else the one with
// the same by-id link, else the one with the same name; "" when it is not back. An
// adapter with a serial number is only ever found by it, so that another adapter of the
// same make plugged into its place is not taken for it.
std::string SameAdapterPath(const SerialPortInfo& gone, const std::vector<SerialPortInfo>& ports);

// Linux: the ports of a sysfs tree (sysRoot, normally "/sys") whose device nodes are under
// devRoot (normally "/dev"; the ports are named /dev/NAME all the same), in natural order (ttyS2 before ttyS10): the tty devices with a
// device behind them; an on-board UART slot (ttyS) only when a UART was found in it (its
// "type" is not 0). Each with its identity: from the USB device above the tty's device
// (manufacturer, product, idVendor, idProduct, serial) or else the driver's name, and its
// link in devRoot/serial/by-id.
std::vector<SerialPortInfo> ListSysfsPorts(const std::string& sysRoot, const std::string& devRoot);

// Windows: one device of the SetupAPI ports class, as the system gives it.
struct SetupApiPort {
  std::string portName{};      // the "PortName" value of its device key: "COM3"
  std::string friendlyName{};  // SPDRP_FRIENDLYNAME: "USB-SERIAL CH340 (COM3)"
  std::string hardwareId{};    // first SPDRP_HARDWAREID: "USB\VID_1A86&PID_7523&REV_0254"
  std::string instanceId{};    // device instance id: "USB\VID_0403&PID_6001\A50285BI"
};
// The ports of SERIALCOMM (the system's list, in its order) with the identity of the ports
// class device of the same name: the friendly name without its " (COMn)", VID and PID from
// the hardware id, and the serial number, which is the last part of a USB instance id unless
// Windows made that part up (it then contains '&').
std::vector<SerialPortInfo> MergeSetupApiPorts(const std::vector<std::string>& serialComm,
                                               const std::vector<SetupApiPort>& devices);
