#include "widgets/message_box.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QThread>
#include <mutex>

#include "widgets/ui_bridge.h"

namespace TipBox {
namespace {
// Only touched on the UI thread.
QPointer<QMessageBox> g_open;
std::function<void(const QString&)> g_unattended;
// Mirror for IsOpen/OpenText from other threads.
std::mutex g_mirrorMutex;
QString g_openText;
bool g_isOpen = false;

void SetMirror(bool open, const QString& text) {
  std::lock_guard<std::mutex> lock(g_mirrorMutex);
  g_isOpen = open;
  g_openText = text;
}

void ShowOnUi(QWidget* parent, const QString& text) {
  if (g_unattended) {
    g_unattended(text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("提示"), text, QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  QPointer<QMessageBox> previous = g_open;
  g_open = &box;
  SetMirror(true, text);
  box.exec();
  g_open = previous;
  if (previous) SetMirror(true, previous->text());
  else SetMirror(false, QString());
}

void CloseOnUi() {
  if (g_open) g_open->accept();
}
}  // namespace

void Show(QWidget* parent, const QString& text) {
  UiBridge::Invoke([&] { ShowOnUi(parent, text); });
}

bool AskOkCancel(QWidget* parent, const QString& text) {
  if (g_unattended) {
    g_unattended(text);
    return false;
  }
  QMessageBox box(QMessageBox::Question, QStringLiteral("提示"), text,
                  QMessageBox::Ok | QMessageBox::Cancel, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
  return box.exec() == QMessageBox::Ok;
}

void SetUnattended(std::function<void(const QString&)> report) { g_unattended = std::move(report); }

void CloseOpen() {
  auto* app = QCoreApplication::instance();
  if (!app) return;
  if (QThread::currentThread() == app->thread()) {
    CloseOnUi();
  } else {
    QMetaObject::invokeMethod(app, [] { CloseOnUi(); }, Qt::QueuedConnection);
  }
}

bool IsOpen() {
  std::lock_guard<std::mutex> lock(g_mirrorMutex);
  return g_isOpen;
}

QString OpenText() {
  std::lock_guard<std::mutex> lock(g_mirrorMutex);
  return g_openText;
}

}  // namespace TipBox
