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

#include "support/qt_wait.h"
#include "serial/serial.h"
#include "widgets/message_box.h"

// The real CSerial, with every Open attempt recorded.
class RecordingPort : public CSerial {
 public:
  bool Open(const std::string& name, int baud, int bits, int stop, int parity) override {
    {
      std::lock_guard<std::mutex> l(m_);
      opens_.push_back(name);
    }
    return CSerial::Open(name, baud, bits, stop, parity);
  }
  std::vector<std::string> Opens() const {
    std::lock_guard<std::mutex> l(m_);
    return opens_;
  }
  void ClearOpens() {
    std::lock_guard<std::mutex> l(m_);
    opens_.clear();
  }

 private:
  mutable std::mutex m_;
  std::vector<std::string> opens_;
};

// While alive, closes every "提示" box that opens (as a user pressing OK) and keeps its
// text; inspect runs while each box is still open.
class BoxCloser {
 public:
  explicit BoxCloser(std::function<void()> inspect = {}) {
    QObject::connect(&poll_, &QTimer::timeout, [this, inspect] {
      if (!TipBox::IsOpen()) return;
      texts_ << TipBox::OpenText();
      if (inspect) inspect();
      TipBox::CloseOpen();
    });
    poll_.start(5);
  }
  const QStringList& Texts() const { return texts_; }

 private:
  QTimer poll_;
  QStringList texts_;
};

// Calls action (which opens a "提示" box, modally or later) and returns the first box's
// text ("" if none opened within ms); every box is closed.
inline QString CloseTipBoxDuring(const std::function<void()>& action, int ms,
                                 const std::function<void()>& inspect = {}) {
  BoxCloser closer(inspect);
  action();
  PumpUntil([&] { return !closer.Texts().isEmpty(); }, ms);
  return closer.Texts().value(0);
}
