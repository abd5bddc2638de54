#pragma once
// Helpers for the main window's offscreen tests: a recording wrapper around the real
// serial port, event-loop waits with deadlines, and "提示" box handling.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "serial/serial.h"
#include "widgets/message_box.h"

// The real CSerial, with every Open attempt recorded.
class RecordingPort : public ISerialPort {
 public:
  bool Open(const std::string& name, int baud, int bits, int stop, int parity) override {
    {
      std::lock_guard<std::mutex> l(m_);
      opens_.push_back(name);
    }
    return serial_.Open(name, baud, bits, stop, parity);
  }
  void Close() override { serial_.Close(); }
  bool IsOpen() const override { return serial_.IsOpen(); }
  int Read(char* buffer) override { return serial_.Read(buffer); }
  int Write(const char* data, int length) override { return serial_.Write(data, length); }
  std::string LastOpenError() const override { return serial_.LastOpenError(); }
  bool LastOpenDeniedPermission() const override { return serial_.LastOpenDeniedPermission(); }
  std::string Name() const override { return serial_.Name(); }

  std::vector<std::string> Opens() const {
    std::lock_guard<std::mutex> l(m_);
    return opens_;
  }
  void ClearOpens() {
    std::lock_guard<std::mutex> l(m_);
    opens_.clear();
  }

 private:
  CSerial serial_;
  mutable std::mutex m_;
  std::vector<std::string> opens_;
};

// Runs the event loop until pred holds or ms have passed; true when it holds.
template <class Pred>
bool WaitUntil(Pred pred, int ms) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}

// Runs the event loop for ms (to see that nothing more happens).
inline void RunEventsFor(int ms) {
  WaitUntil([] { return false; }, ms);
}

// Calls action (which opens a "提示" box, modally or later); when the box is open, records
// its text and what inspect returns, and closes it. Returns the box's text ("" if none).
inline QString CloseTipBoxDuring(const std::function<void()>& action, int ms,
                                 const std::function<void()>& inspect = {}) {
  QString text;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!text.isEmpty() || !TipBox::IsOpen()) return;
    text = TipBox::OpenText();
    if (inspect) inspect();
    TipBox::CloseOpen();
  });
  poll.start(5);
  action();
  WaitUntil([&] { return !text.isEmpty(); }, ms);
  poll.stop();
  return text;
}

// While alive, closes every "提示" box that opens (as a user pressing OK) and keeps its text.
class BoxCloser {
 public:
  BoxCloser() {
    QObject::connect(&poll_, &QTimer::timeout, [this] {
      if (!TipBox::IsOpen()) return;
      texts_ << TipBox::OpenText();
      TipBox::CloseOpen();
    });
    poll_.start(5);
  }
  const QStringList& Texts() const { return texts_; }

 private:
  QTimer poll_;
  QStringList texts_;
};
