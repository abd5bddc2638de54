// Arbitrary baud rates. Kept apart from the termios code because the kernel's
// termios2 header clashes with the C library's <termios.h>.
#include "serial/serial_posix_detail.h"

#ifdef __linux__
#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetTtyBaudRate(int fd, int baudRate) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~CBAUD;
  tio.c_cflag |= BOTHER;
  tio.c_cflag &= ~(CBAUD << IBSHIFT);
  tio.c_cflag |= BOTHER << IBSHIFT;
  tio.c_ospeed = static_cast<speed_t>(baudRate);
  tio.c_ispeed = static_cast<speed_t>(baudRate);
  return ioctl(fd, TCSETS2, &tio) == 0;
}

int GetTtyBaudRate(int fd) {
  struct termios2 tio {};
  if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
  return static_cast<int>(tio.c_ospeed);
}

#else
#include <termios.h>

bool SetTtyBaudRate(int fd, int baudRate) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  if (cfsetspeed(&tio, static_cast<speed_t>(baudRate)) != 0) return false;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

int GetTtyBaudRate(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return 0;
  return static_cast<int>(cfgetospeed(&tio));
}
#endif
