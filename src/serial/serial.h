#pragma once
// CSerial: the real serial port. POSIX backend (termios, poll, exclusive open) in
// serial_posix.cpp; Win32 backend (overlapped I/O) in serial_win32.cpp. A network port
// name (rfc2217://HOST:PORT, socket://HOST:PORT) opens a NetPort instead (net_port.h);
// serial.cpp chooses the backend at each Open.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "serial/net_port.h"
#include "serial/serial_port.h"

class CSerial : public ISerialPort {
 public:
  CSerial();
  ~CSerial() override;
  CSerial(const CSerial&) = delete;
  CSerial& operator=(const CSerial&) = delete;

  bool Open(const std::string& name, int baudRate, int byteSize, int stopBits, int parity) override;
  void Close() override;
  bool IsOpen() const override;
  int Read(char* buffer) override;
  int Write(const char* data, int length) override;
  void SetReadWait(int ms) override;
  void WakeReader() override;
  std::string LastOpenError() const override;
  bool LastOpenDeniedPermission() const override;
  std::string Name() const override;
#ifdef _WIN32
  // Shows that the comm-event monitor could not start (" SetCommMask failed"); by default
  // a message box of the monitor thread. The port stays open and readable.
  void SetMonitorNotice(std::function<void(const std::string&)> notice);
  // The driver calls whose failures tests provoke; in force from the next Open.
  struct CommHooks {
    int(__stdcall* getCommState)(void* handle, struct _DCB* dcb);
    int(__stdcall* setCommMask)(void* handle, unsigned long mask);
  };
  void SetCommHooksForTests(const CommHooks& hooks);
#else
  // The open descriptor (-1 when closed), for tests that inspect the line settings.
  int NativeHandleForTests() const;
#endif

  struct Impl;

 private:
  // The device backend (serial_posix.cpp / serial_win32.cpp).
  bool OpenDevice(const std::string& name, int baudRate, int byteSize, int stopBits, int parity);
  void CloseDevice();
  bool IsDeviceOpen() const;
  int ReadDevice(char* buffer);
  int WriteDevice(const char* data, int length);
  void SetDeviceReadWait(int ms);
  void WakeDeviceReader();
  std::string DeviceOpenError() const;
  bool DeviceOpenDenied() const;
  std::string DeviceName() const;

  Impl* impl_;
  NetPort net_;
  std::mutex openMutex_;         // one Open at a time, so that only one backend is ever open
  std::atomic<bool> useNet_{false};  // the backend of the last Open
};
