// CSerial's choice of backend: a network port name goes to the NetPort, any other name to
// the device backend. The choice of the last Open holds until the next one; only one of
// the two is ever open.
#include "serial/serial.h"

bool CSerial::Open(const std::string& name, int baudRate, int byteSize, int stopBits, int parity) {
  std::lock_guard<std::mutex> lock(openMutex_);
  if (IsDeviceOpen() || net_.IsOpen()) return false;  // an open port is never reopened
  const bool net = serial::IsNetPortName(name);
  useNet_ = net;
  return net ? net_.Open(name, baudRate, byteSize, stopBits, parity)
             : OpenDevice(name, baudRate, byteSize, stopBits, parity);
}

void CSerial::Close() {
  // Not under openMutex_: Close also ends a network connect that Open is waiting for.
  net_.Close();
  CloseDevice();
}

bool CSerial::IsOpen() const { return useNet_ ? net_.IsOpen() : IsDeviceOpen(); }

int CSerial::Read(char* buffer) { return useNet_ ? net_.Read(buffer) : ReadDevice(buffer); }

int CSerial::Write(const char* data, int length) {
  return useNet_ ? net_.Write(data, length) : WriteDevice(data, length);
}

void CSerial::SetReadWait(int ms) {
  net_.SetReadWait(ms);
  SetDeviceReadWait(ms);
}

void CSerial::WakeReader() {
  net_.WakeReader();
  WakeDeviceReader();
}

std::string CSerial::LastOpenError() const { return useNet_ ? net_.LastOpenError() : DeviceOpenError(); }

bool CSerial::LastOpenDeniedPermission() const { return !useNet_ && DeviceOpenDenied(); }

std::string CSerial::Name() const { return useNet_ ? net_.Name() : DeviceName(); }
