#pragma once
// While alive, closes every "提示" box that opens (as a user pressing OK, also inside the
// box's own modal loop) and keeps its text; inspect runs while each box is still open.
#include <QStringList>
#include <QTimer>
#include <functional>

#include "widgets/message_box.h"

class TipCatcher {
 public:
  explicit TipCatcher(std::function<void()> inspect = {}) {
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
