#pragma once
// POSIX details of CSerial, apart so that tests can check them without hardware
// (a pseudo-terminal ignores data bits and parity).
struct termios;

// Raw mode with the given data bits, stop bits and parity codes (serial_port.h).
void ApplyLineSettings(termios& tio, int byteSize, int stopBits, int parity);

// Sets any baud rate on an open tty (standard rates and others such as 14400 and
// 56000, which need the arbitrary-rate interface on Linux). POSIX only.
bool SetTtyBaudRate(int fd, int baudRate);
// Reads back the output baud rate of a tty (0 when unknown). For tests.
int GetTtyBaudRate(int fd);
