#pragma once
// The serial ports of this machine, in the system's order.
// Linux: the tty devices that have real hardware behind them (USB adapters, ACM
// modems, on-board UARTs that answer), not the phantom ttyS entries.
// Windows: the values of HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (COM100 and above included).
#include <string>
#include <vector>

std::vector<std::string> ListSerialPorts();
