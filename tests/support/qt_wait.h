#pragma once
// Waiting in widget tests: runs the UI thread's events until a condition holds, with
// a bounded, unscaled deadline (built from the bounds of support/wait.h), instead of
// sleeping blindly.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <functional>

#include "support/wait.h"

// Runs the UI thread's events until pred holds or ms have passed; true when it holds.
inline bool PumpUntil(const std::function<bool()>& pred, int ms) {
  QElapsedTimer t;
  t.start();
  while (!pred()) {
    if (t.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return true;
}
