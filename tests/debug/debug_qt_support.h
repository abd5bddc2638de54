#pragma once
// Helpers for the console's widget tests: a host, a page whose dialogs are
// scripted, an event-pumping wait, and a catcher for "提示" boxes.
#include <QCoreApplication>
#include <QTimer>
#include <functional>
#include <thread>

#include "support/qt_wait.h"
#include "base/timing.h"
#include "debug/ui/debug_dlg.h"
#include "widgets/message_box.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"
#include "support/test_host.h"

class TestDebugPage : public CDebug {
 public:
  QString savePath;           // what the save dialog "chooses" ("" = cancel)
  QString lastDefaultName;    // the name it was offered
  bool confirmAnswer = true;  // the answer to the mode question
  QString lastQuestion;

 protected:
  QString AskSavePath(const QString& defaultName) override {
    lastDefaultName = defaultName;
    return savePath;
  }
  bool Confirm(const QString& question) override {
    lastQuestion = question;
    return confirmAnswer;
  }
};


// Watches for "提示" boxes (also inside their own modal loops) and records each
// one's text; by default it closes them like a user pressing OK. onBox may
// decide otherwise: return false to leave a box open.
class TipCatcher {
 public:
  std::function<bool(const QString&)> onBox;

  TipCatcher() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Tick(); });
    timer_.start();
  }
  const QStringList& Texts() const { return texts_; }
  bool Saw(const QString& text) const { return texts_.contains(text); }

 private:
  void Tick() {
    if (!TipBox::IsOpen()) {
      current_.clear();
      return;
    }
    const QString text = TipBox::OpenText();
    if (text != current_) {
      current_ = text;
      texts_ << text;
    }
    if (!onBox || onBox(text)) TipBox::CloseOpen();
  }
  QTimer timer_;
  QStringList texts_;
  QString current_;
};
