// Win32 backend of CSerial: the COM device opened for overlapped I/O, a monitor
// thread waiting for comm events, reads of what the driver holds; an idle read sleeps
// until the monitor sees a character arrive, the port closes or WakeReader is called.
//
// Read and Write do their I/O outside the lock on a borrowed handle. Close marks the
// port closed at once, wakes and cancels every waiting call, and closes the handle only
// when no I/O uses it any more: no call reaches a handle that was closed (or reused for
// the next port opened), and an abort caused by Close is never taken for a vanished device.
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>

#include "base/win32_text.h"
#include "serial/serial.h"

struct CSerial::Impl {
  // Guards every field below but the overlaps, which belong to one call at a time.
  std::mutex mutex;
  std::condition_variable idle;
  HANDLE device = INVALID_HANDLE_VALUE;
  int activeIo = 0;
  int baudRate = 0;
  int readWaitMs = serial::kReadWaitMs;
  std::string name;
  std::string openError;
  bool openDenied = false;

  OVERLAPPED readOverlap{};   // the receive thread's (one Read at a time)
  OVERLAPPED writeOverlap{};  // under writeMutex
  OVERLAPPED waitOverlap{};   // the monitor thread's
  std::mutex writeMutex;
  HANDLE rxEvent = nullptr;     // auto-reset: set by the monitor on EV_RXCHAR
  HANDLE wakeEvent = nullptr;   // auto-reset: set by WakeReader
  HANDLE closeEvent = nullptr;  // manual reset: set while Close runs
  HANDLE monitorThread = nullptr;
  volatile LONG stop = 0;
  volatile LONG watching = 0;  // 1 while the monitor waits for comm events
  volatile LONG monitorFailed = 0;  // 1 once the monitor gave up; it no longer uses the port
  DWORD eventMask = 0x1FD;  // every comm event but EV_RXFLAG
  std::function<void(const std::string&)> monitorNotice;
  CSerial::CommHooks hooks{::GetCommState, ::SetCommMask};

  struct Io {
    HANDLE h = INVALID_HANDLE_VALUE;
    int baudRate = 0;
    int readWaitMs = 0;
  };
  Io Borrow() {
    std::lock_guard<std::mutex> lock(mutex);
    if (device == INVALID_HANDLE_VALUE) return {};
    ++activeIo;
    return {device, baudRate, readWaitMs};
  }
  void Return() {
    std::lock_guard<std::mutex> lock(mutex);
    if (--activeIo == 0) idle.notify_all();
  }
  bool Closing() const { return WaitForSingleObject(closeEvent, 0) == WAIT_OBJECT_0; }

  bool Configure(HANDLE h, int baudRate, int byteSize, int stopBits, int parity);
  void EndMonitor(HANDLE h);
  DWORD MonitorLoop(HANDLE h);
};

namespace {

struct Borrowed {
  CSerial::Impl* impl;
  CSerial::Impl::Io io;
  explicit Borrowed(CSerial::Impl* i) : impl(i), io(i->Borrow()) {}
  ~Borrowed() {
    if (io.h != INVALID_HANDLE_VALUE) impl->Return();
  }
};

struct MonitorStart {
  CSerial::Impl* impl;
  HANDLE h;
};

DWORD WINAPI MonitorThreadEntry(LPVOID arg) {
  const MonitorStart start = *static_cast<MonitorStart*>(arg);
  delete static_cast<MonitorStart*>(arg);
  return start.impl->MonitorLoop(start.h);
}

// Errors of a device that has gone. ERROR_OPERATION_ABORTED is not one of them: only our
// own cancelling (Close, a read's or write's time limit) aborts our I/O.
bool IsVanishedError(DWORD e) {
  return e == ERROR_ACCESS_DENIED || e == ERROR_BAD_COMMAND || e == ERROR_DEVICE_REMOVED ||
         e == ERROR_INVALID_HANDLE || e == ERROR_GEN_FAILURE;
}

// "COM5" → 5; 0 when the name is not COMn.
int PortNumberOf(const std::string& name) {
  if (name.size() < 4 || _strnicmp(name.c_str(), "COM", 3) != 0) return 0;
  return std::atoi(name.c_str() + 3);
}

}  // namespace

bool CSerial::Impl::Configure(HANDLE h, int baudRate, int byteSize, int stopBits, int parity) {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!hooks.getCommState(h, &dcb)) {
    // The driver cannot report its state (wine does so for a line left at a speed it has
    // no name for; some drivers do after a fault): start from a complete state of our own,
    // raw 8-bit data without flow control, instead of refusing a port we can set.
    dcb = DCB{};
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = TRUE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
  }
  dcb.BaudRate = static_cast<DWORD>(baudRate);
  dcb.ByteSize = static_cast<BYTE>(byteSize);
  dcb.StopBits = static_cast<BYTE>(stopBits);
  dcb.Parity = static_cast<BYTE>(parity);
  if (parity != 0) dcb.fParity = TRUE;
  return SetCommState(h, &dcb) != 0;
}

// Ends the monitor thread of handle h: its event wait is ended by clearing the mask and
// cancelling; a thread that already ended (or failed to start its wait) is not waited for.
void CSerial::Impl::EndMonitor(HANDLE h) {
  if (!monitorThread) return;
  InterlockedExchange(&stop, 1);
  // A monitor that gave up may still show its notice: it is not waited for.
  while (InterlockedCompareExchange(&monitorFailed, 0, 0) == 0) {
    SetCommMask(h, 0);
    CancelIoEx(h, &waitOverlap);
    if (WaitForSingleObject(monitorThread, 200) == WAIT_OBJECT_0) break;
  }
  CloseHandle(monitorThread);
  monitorThread = nullptr;
}

DWORD CSerial::Impl::MonitorLoop(HANDLE h) {
  if (!hooks.setCommMask(h, eventMask)) {
    // The port stays open and readable; reads then poll instead of waiting for EV_RXCHAR.
    std::function<void(const std::string&)> notice;
    {
      std::lock_guard<std::mutex> lock(mutex);
      notice = monitorNotice;
    }
    InterlockedExchange(&monitorFailed, 1);  // from here on the thread uses no member
    const std::string text = " SetCommMask failed";
    if (notice)
      notice(text);
    else
      MessageBoxW(nullptr, Widen(text).c_str(), L"", MB_OK);
    return static_cast<DWORD>(-1);
  }
  InterlockedExchange(&watching, 1);
  while (InterlockedCompareExchange(&stop, 0, 0) == 0) {
    DWORD event = 0;
    if (!WaitCommEvent(h, &event, &waitOverlap)) {
      if (GetLastError() != ERROR_IO_PENDING) {
        if (InterlockedCompareExchange(&stop, 0, 0) != 0) break;
        Sleep(10);
        continue;
      }
      // What arrived before this wait was armed raises no event (wine, some drivers): a
      // sleeping Read looks at the queue once more.
      SetEvent(rxEvent);
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
  impl_->readOverlap.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  impl_->writeOverlap.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  impl_->waitOverlap.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  impl_->rxEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  impl_->wakeEvent = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  impl_->closeEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

CSerial::~CSerial() {
  Close();
  for (HANDLE e : {impl_->readOverlap.hEvent, impl_->writeOverlap.hEvent, impl_->waitOverlap.hEvent,
                   impl_->rxEvent, impl_->wakeEvent, impl_->closeEvent})
    CloseHandle(e);
  delete impl_;
}

bool CSerial::OpenDevice(const std::string& name, int baudRate, int byteSize, int stopBits, int parity) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  if (impl_->device != INVALID_HANDLE_VALUE) return false;  // an open port is never reopened
  impl_->openError.clear();
  impl_->openDenied = false;
  const int number = PortNumberOf(name);
  if (number < 1 || number > 1024) {
    impl_->openError = "not a COM port name";
    return false;
  }
  const std::wstring path = L"\\\\.\\COM" + std::to_wstring(number);
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD e = GetLastError();
    impl_->openDenied = (e == ERROR_ACCESS_DENIED);
    impl_->openError = impl_->openDenied ? "access denied (port in use?)" : "cannot open device: " + WindowsErrorText(e);
    return false;
  }
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
         impl_->Configure(h, baudRate, byteSize, stopBits, parity);
  }
  if (!ok) {
    // A port whose settings were refused is closed again, not left half-open.
    impl_->openError = "line settings refused";
    CloseHandle(h);
    return false;
  }
  ResetEvent(impl_->closeEvent);
  ResetEvent(impl_->wakeEvent);
  ResetEvent(impl_->rxEvent);
  InterlockedExchange(&impl_->stop, 0);
  InterlockedExchange(&impl_->watching, 0);
  InterlockedExchange(&impl_->monitorFailed, 0);
  impl_->monitorThread =
      CreateThread(nullptr, 0, MonitorThreadEntry, new MonitorStart{impl_, h}, 0, nullptr);
  if (!impl_->monitorThread) {
    CloseHandle(h);
    impl_->openError = "cannot start monitor thread";
    return false;
  }
  impl_->device = h;
  impl_->name = name;
  impl_->baudRate = baudRate;
  return true;
}

void CSerial::CloseDevice() {
  std::unique_lock<std::mutex> lock(impl_->mutex);
  const HANDLE h = impl_->device;
  if (h == INVALID_HANDLE_VALUE) return;
  impl_->device = INVALID_HANDLE_VALUE;  // new I/O sees a closed port from now on
  impl_->name.clear();
  SetEvent(impl_->closeEvent);  // wakes waiting Reads and Writes
  // Cancels what is in flight until every borrowed call has returned; a call that issued
  // its I/O after a cancel sees closeEvent and cancels its own.
  while (!impl_->idle.wait_for(lock, std::chrono::milliseconds(50), [this] { return impl_->activeIo == 0; }))
    CancelIoEx(h, nullptr);
  lock.unlock();  // the monitor may take the lock to fetch the notice
  impl_->EndMonitor(h);
  PurgeComm(h, PURGE_RXABORT | PURGE_TXABORT);
  CloseHandle(h);
}

void CSerial::SetDeviceReadWait(int ms) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->readWaitMs = ms < 0 ? serial::kReadWaitUnlimited : ms;
}

void CSerial::WakeDeviceReader() { SetEvent(impl_->wakeEvent); }

bool CSerial::IsDeviceOpen() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->device != INVALID_HANDLE_VALUE;
}

std::string CSerial::DeviceName() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->name;
}

std::string CSerial::DeviceOpenError() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openError;
}

bool CSerial::DeviceOpenDenied() const {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  return impl_->openDenied;
}

void CSerial::SetMonitorNotice(std::function<void(const std::string&)> notice) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->monitorNotice = std::move(notice);
}

void CSerial::SetCommHooksForTests(const CommHooks& hooks) {
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->hooks = hooks;
}

int CSerial::ReadDevice(char* buffer) {
  Borrowed b(impl_);
  const HANDLE h = b.io.h;
  if (h == INVALID_HANDLE_VALUE) return 0;
  // A failure while Close runs is Close's doing, not a vanished device.
  auto failed = [&](DWORD e) { return IsVanishedError(e) && !impl_->Closing() ? serial::kReadVanished : 0; };
  DWORD errors = 0;
  COMSTAT stat{};
  if (!ClearCommError(h, &errors, &stat)) return failed(GetLastError());
  if (errors != 0) {
    PurgeComm(h, PURGE_RXABORT | PURGE_RXCLEAR);
    return 0;
  }
  if (stat.cbInQue == 0) {
    // Nothing queued: sleep until a character arrives, the port closes or the reader is
    // woken; the caller reads again. Without the monitor (SetCommMask failed) no arrival
    // is signalled: the read then waits the short time only.
    // A driver may also miss arrivals (wine on a pty raises no EV_RXCHAR): an unlimited
    // wait looks at the queue again every kMissedEventMs.
    constexpr int kMissedEventMs = 50;
    int wait = b.io.readWaitMs;
    if (InterlockedCompareExchange(&impl_->watching, 0, 0) == 0 && (wait < 0 || wait > serial::kReadWaitMs))
      wait = serial::kReadWaitMs;
    else if (wait < 0)
      wait = kMissedEventMs;
    HANDLE events[3] = {impl_->rxEvent, impl_->wakeEvent, impl_->closeEvent};
    WaitForMultipleObjects(3, events, FALSE, static_cast<DWORD>(wait));
    return 0;
  }
  DWORD want = stat.cbInQue < static_cast<DWORD>(serial::kMaxReadBytes) ? stat.cbInQue
                                                                         : serial::kMaxReadBytes;
  DWORD got = 0;
  ResetEvent(impl_->readOverlap.hEvent);
  if (!ReadFile(h, buffer, want, &got, &impl_->readOverlap)) {
    DWORD e = GetLastError();
    if (e != ERROR_IO_PENDING) return failed(e);
    HANDLE events[2] = {impl_->readOverlap.hEvent, impl_->closeEvent};
    WaitForMultipleObjects(2, events, FALSE, serial::kReadWaitMs);
    if (!GetOverlappedResult(h, &impl_->readOverlap, &got, FALSE)) {
      e = GetLastError();
      if (e != ERROR_IO_INCOMPLETE) return failed(e);
      // The buffer must not be written after we return: cancel and collect what arrived.
      CancelIoEx(h, &impl_->readOverlap);
      GetOverlappedResult(h, &impl_->readOverlap, &got, TRUE);
    }
  }
  return static_cast<int>(got);
}

int CSerial::WriteDevice(const char* data, int length) {
  if (data == nullptr || length <= 0) return 0;
  Borrowed b(impl_);
  const HANDLE h = b.io.h;
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
    // The write time-outs set at open bound this wait too; Close ends it at once.
    const DWORD limit = static_cast<DWORD>(serial::WriteLimitMs(length, b.io.baudRate));
    HANDLE events[2] = {impl_->writeOverlap.hEvent, impl_->closeEvent};
    if (WaitForMultipleObjects(2, events, FALSE, limit) != WAIT_OBJECT_0)
      CancelIoEx(h, &impl_->writeOverlap);
    GetOverlappedResult(h, &impl_->writeOverlap, &written, TRUE);
  }
  return static_cast<int>(written);
}
