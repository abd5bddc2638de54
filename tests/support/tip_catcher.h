#pragma once
// While alive, closes every "提示" box that opens (as a user pressing OK, also inside the
// box's own modal loop) and keeps its text; inspect runs while each box is still open.
// A box keepOpen accepts is recorded once and left for someone else to close. OK/Cancel
// questions are recorded too and answered with answerOk.
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <functional>

#include "widgets/message_box.h"

class TipCatcher {
 public:
  std::function<bool(const QString&)> keepOpen;
  bool answerOk = true;

  explicit TipCatcher(std::function<void()> inspect = {}) {
    QObject::connect(&poll_, &QTimer::timeout, [this, inspect] { Tick(inspect); });
    poll_.start(3);
  }
  const QStringList& Texts() const { return texts_; }
  const QStringList& Questions() const { return questions_; }
  bool Saw(const QString& text) const { return texts_.contains(text); }

 private:
  void Tick(const std::function<void()>& inspect) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box && box->button(QMessageBox::Cancel) && box->button(QMessageBox::Ok)) {
      questions_ << box->text();
      box->button(answerOk ? QMessageBox::Ok : QMessageBox::Cancel)->click();
      return;
    }
    if (!TipBox::IsOpen()) {
      kept_.clear();
      return;
    }
    const QString text = TipBox::OpenText();
    if (text == kept_) return;
    texts_ << text;
    if (inspect) inspect();
    if (keepOpen && keepOpen(text))
      kept_ = text;
    else
      TipBox::CloseOpen();
  }
  QTimer poll_;
  QStringList texts_;
  QStringList questions_;
  QString kept_;  // the text of the box left open
};
