// Win32 backend of CSerial: the COM device opened for overlapped I/O, a monitor
// thread waiting for comm events, reads of what the driver holds; an idle read sleeps
// until the monitor sees a character arrive, the port closes or WakeReader is called.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "serial/serial.h"

struct CSerial::Impl {
  std::mutex mutex;  // guards Open/Close against each other
  std::atomic<HANDLE> device{INVALID_HANDLE_VALUE};
  OVERLAPPED readOverlap{};
  OVERLAPPED writeOverlap{};
  OVERLAPPED waitOverlap{};
  std::atomic<int> stop{0};
  HANDLE rxEvent = nullptr;    // auto-reset: set by the monitor on EV_RXCHAR
  HANDLE wakeEvent = nullptr;  // auto-reset: set by WakeReader and Close
  std::atomic<int> baudRate{0};
  std::atomic<int> readWaitMs{serial::kReadWaitMs};
  HANDLE monitorThread = nullptr;
  DCB dcb{};
  DWORD eventMask = 0x1FD;  // every comm event but EV_RXFLAG
  char devicePath[16] = {};
  std::string name;
  std::string openError;
  bool openDenied = false;
  std::mutex writeMutex;  // one overlapped write at a time on writeOverlap

  bool OpenDevice(int portNumber);
  bool Configure(int baudRate, int byteSize, int stopBits, int parity);
  void CloseDevice();
  DWORD MonitorLoop();
};

namespace {

DWORD WINAPI MonitorThreadEntry(LPVOID arg) { return static_cast<CSerial::Impl*>(arg)->MonitorLoop(); }

bool IsVanishedError(DWORD e) {
  return e == ERROR_ACCESS_DENIED || e == ERROR_BAD_COMMAND || e == ERROR_DEVICE_REMOVED ||
         e == ERROR_OPERATION_ABORTED || e == ERROR_INVALID_HANDLE || e == ERROR_GEN_FAILURE;
}

// "COM5" → 5; 0 when the name is not COMn.
int PortNumberOf(const std::string& name) {
  if (name.size() < 4 || _strnicmp(name.c_str(), "COM", 3) != 0) return 0;
  return std::atoi(name.c_str() + 3);
}

}  // namespace

bool CSerial::Impl::OpenDevice(int portNumber) {
  if (device.load() != INVALID_HANDLE_VALUE) return false;
  std::snprintf(devicePath, sizeof devicePath, "\\\\.\\COM%d", portNumber);
  HANDLE h = CreateFileA(devicePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD e = GetLastError();
    openDenied = (e == ERROR_ACCESS_DENIED);
    openError = openDenied ? "access denied (port in use?)" : "cannot open device";
    return false;
  }
  device.store(h);
  stop.store(0);
  monitorThread = CreateThread(nullptr, 0, MonitorThreadEntry, this, 0, nullptr);
  if (!monitorThread) {
    CloseHandle(h);
    device.store(INVALID_HANDLE_VALUE);
    openError = "cannot start monitor thread";
    return false;
  }
  return true;
}

bool CSerial::Impl::Configure(int baudRate, int byteSize, int stopBits, int parity) {
  HANDLE h = device.load();
  if (h == INVALID_HANDLE_VALUE) return false;
  dcb.DCBlength = sizeof(DCB);
  if (!GetCommState(h, &dcb)) return false;
  dcb.BaudRate = static_cast<DWORD>(baudRate);
  dcb.ByteSize = static_cast<BYTE>(byteSize);
  dcb.StopBits = static_cast<BYTE>(stopBits);
  dcb.Parity = static_cast<BYTE>(parity);
  if (parity != 0) dcb.fParity = TRUE;
  return SetCommState(h, &dcb) != 0;
}

void CSerial::Impl::CloseDevice() {
  HANDLE h = device.load();
  if (h == INVALID_HANDLE_VALUE) return;
  stop.store(1);
  device.store(INVALID_HANDLE_VALUE);
  SetEvent(wakeEvent);
  SetCommMask(h, 0);  // ends a pending WaitCommEvent
  CancelIoEx(h, nullptr);
  if (monitorThread) {
    WaitForSingleObject(monitorThread, 2000);
    CloseHandle(monitorThread);
    monitorThread = nullptr;
  }
  CloseHandle(h);
}

DWORD CSerial::Impl::MonitorLoop() {
  HANDLE h = device.load();
  if (!SetCommMask(h, eventMask)) return static_cast<DWORD>(-1);
  while (stop.load() == 0) {
    DWORD event = 0;
    if (!WaitCommEvent(h, &event, &waitOverlap)) {
      if (GetLastError() != ERROR_IO_PENDING) {
        if (stop.load() != 0) break;
        Sleep(10);
        continue;
      }
      DWORD transferred = 0;
      if (!GetOverlappedResult(h, &waitOverlap, &transferred, TRUE)) continue;
    }
    if (event & EV_RXCHAR) SetEvent(rxEvent);
    if (event & EV_ERR) {
      DWORD errors = 0;
      COMSTAT stat{};
      ClearCommError(h, &errors, &stat);
    }
    // Modem-line events are not used by the program; received data is read by the
    // main window's receive thread.
  }
  return 0;
}

CSerial::CSerial() : impl_(new Impl) {
  impl_->dcb.DCBlength = 28;
  impl_->readOverlap.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  impl_->writeOverlap.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  impl_->waitOverlap.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  impl_->rxEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  impl_->wakeEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
}

CSerial::~CSerial() {
  Close();
  CloseHandle(impl_->readOverlap.hEvent);
  CloseHandle(impl_->writeOverlap.hEvent);
  CloseHandle(impl_->waitOverlap.hEvent);
  CloseHandle(impl_->rxEvent);
  CloseHandle(impl_->wakeEvent);
  delete impl_;
}

bool CSerial::Open(const std::string& name, int baudRate, int byteSize, int stopBits, int parity) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->openError.clear();
  impl_->openDenied = false;
  const int number = PortNumberOf(name);
  if (number < 1 || number > 1024) {
    impl_->openError = "not a COM port name";
    return false;
  }
  if (!impl_->OpenDevice(number)) return false;
  HANDLE h = impl_->device.load();
  COMMTIMEOUTS t{};
  bool ok = SetupComm(h, 4096, 4096) && GetCommTimeouts(h, &t);
  if (ok) {
    t.ReadIntervalTimeout = 100;
    t.ReadTotalTimeoutMultiplier = 1;
    t.ReadTotalTimeoutConstant = 1000;
    // 1 ms a byte, or more on a line too slow to carry a byte in 1 ms.
    t.WriteTotalTimeoutMultiplier = static_cast<DWORD>(serial::WritePerByteMs(baudRate));
    t.WriteTotalTimeoutConstant = 1000;
    ok = SetCommTimeouts(h, &t) && PurgeComm(h, 0x0F) &&
         impl_->Configure(baudRate, byteSize, stopBits, parity);
  }
  if (!ok) {
    // A port whose settings were refused is closed again, not left half-open.
    impl_->openError = "line settings refused";
    impl_->CloseDevice();
    return false;
  }
  impl_->name = name;
  impl_->baudRate.store(baudRate);
  ResetEvent(impl_->wakeEvent);
  return true;
}

void CSerial::Close() {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->CloseDevice();
  impl_->name.clear();
}

void CSerial::SetReadWait(int ms) { impl_->readWaitMs.store(ms < 0 ? serial::kReadWaitUnlimited : ms); }

void CSerial::WakeReader() { SetEvent(impl_->wakeEvent); }

bool CSerial::IsOpen() const { return impl_->device.load() != INVALID_HANDLE_VALUE; }

std::string CSerial::Name() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->name;
}

std::string CSerial::LastOpenError() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openError;
}

bool CSerial::LastOpenDeniedPermission() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openDenied;
}

int CSerial::Read(char* buffer) {
  HANDLE h = impl_->device.load();
  if (h == INVALID_HANDLE_VALUE) return 0;
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(h, &errors, &stat))
    return IsVanishedError(GetLastError()) ? serial::kReadVanished : 0;
  if (errors != 0) {
    PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR);
    return 0;
  }
  if (stat.cbInQue == 0) {
    // Nothing queued: sleep until a character arrives, the port closes or the reader is
    // woken; the caller reads again.
    const int wait = impl_->readWaitMs.load();
    HANDLE events[2] = {impl_->rxEvent, impl_->wakeEvent};
    WaitForMultipleObjects(2, events, FALSE, wait < 0 ? INFINITE : static_cast<DWORD>(wait));
    return 0;
  }
  DWORD want = stat.cbInQue < static_cast<DWORD>(serial::kMaxReadBytes) ? stat.cbInQue
                                                                         : serial::kMaxReadBytes;
  DWORD got = 0;
  ResetEvent(impl_->readOverlap.hEvent);
  if (!ReadFile(h, buffer, want, &got, &impl_->readOverlap)) {
    DWORD e = GetLastError();
    if (e != ERROR_IO_PENDING) return IsVanishedError(e) ? serial::kReadVanished : 0;
    WaitForSingleObject(impl_->readOverlap.hEvent, serial::kReadWaitMs);
    if (!GetOverlappedResult(h, &impl_->readOverlap, &got, FALSE)) {
      e = GetLastError();
      if (e == ERROR_IO_INCOMPLETE) {
        // The buffer must not be written after we return: cancel and collect what arrived.
        CancelIoEx(h, &impl_->readOverlap);
        GetOverlappedResult(h, &impl_->readOverlap, &got, TRUE);
        return static_cast<int>(got);
      }
      return IsVanishedError(e) ? serial::kReadVanished : 0;
    }
  }
  return static_cast<int>(got);
}

int CSerial::Write(const char* data, int length) {
  if (data == nullptr || length <= 0) return 0;
  HANDLE h = impl_->device.load();
  if (h == INVALID_HANDLE_VALUE) return 0;
  std::lock_guard<std::mutex> lock(impl_->writeMutex);
  DWORD errors = 0;
  COMSTAT stat{};
  if (ClearCommError(h, &errors, &stat) && errors != 0) {
    PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR);
    return 0;
  }
  DWORD written = 0;
  ResetEvent(impl_->writeOverlap.hEvent);
  if (!WriteFile(h, data, static_cast<DWORD>(length), &written, &impl_->writeOverlap)) {
    if (GetLastError() != ERROR_IO_PENDING) return 0;
    // The write time-outs set at open bound this wait too; Close cancels it.
    const DWORD limit = static_cast<DWORD>(serial::WriteLimitMs(length, impl_->baudRate.load()));
    if (WaitForSingleObject(impl_->writeOverlap.hEvent, limit) != WAIT_OBJECT_0) {
      CancelIoEx(h, &impl_->writeOverlap);
    }
    if (!GetOverlappedResult(h, &impl_->writeOverlap, &written, TRUE)) return static_cast<int>(written);
  }
  return static_cast<int>(written);
}
