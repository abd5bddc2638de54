#pragma once
// The serial ports of this machine, in the system's order.
// Linux: the tty devices that have real hardware behind them (USB adapters, ACM
// modems, on-board UARTs that answer), not the phantom ttyS entries.
// Windows: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (COM100 and above included).
#include <string>
#include <vector>

std::vector<std::string> ListSerialPorts();

// How the port combo shows a port: without the "/dev/" prefix, so that the part that
// tells ports apart ("ttyUSB0", "pts/3") stays visible in a narrow field. Other names
// (COM5, paths elsewhere) are shown whole.
std::string PortShortName(const std::string& path);

// The port to open for what the combo shows: the listed path that is `shown` or whose
// short name it is; else `shown` itself, on POSIX taken under /dev/ when it is a
// relative name typed by hand ("ttyUSB1", "pts/9"). Empty when `shown` is empty; a
// network port name (rfc2217://, socket://) is itself.
std::string PortPathFor(const std::string& shown, const std::vector<std::string>& listed);
