#include "widgets/ui_bridge.h"

#include <QCoreApplication>
#include <QDir>
#include <QMetaObject>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "base/cp936.h"
#include "widgets/message_box.h"

namespace UiBridge {
namespace {
std::atomic<bool> g_shutDown{false};

bool OnUiThread() {
  auto* app = QCoreApplication::instance();
  return app && QThread::currentThread() == app->thread();
}
}  // namespace

bool Invoke(const std::function<void()>& fn) {
  if (g_shutDown.load()) return false;
  auto* app = QCoreApplication::instance();
  if (!app) return false;
  if (OnUiThread()) {
    fn();
    return true;
  }
  // Wait with a shutdown check instead of BlockingQueuedConnection, so that a
  // worker never stays blocked on a UI thread that has begun to shut down.
  struct State {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
    bool ran = false;
  };
  auto st = std::make_shared<State>();
  QMetaObject::invokeMethod(app, [st, fn] {
    bool run = !g_shutDown.load();
    if (run) fn();
    std::lock_guard<std::mutex> lock(st->m);
    st->ran = run;
    st->done = true;
    st->cv.notify_all();
  }, Qt::QueuedConnection);
  std::unique_lock<std::mutex> lock(st->m);
  while (!st->done) {
    if (st->cv.wait_for(lock, std::chrono::milliseconds(50), [&] { return st->done; })) break;
    if (g_shutDown.load()) return false;
  }
  return st->ran;
}

void Post(const std::function<void()>& fn) {
  if (g_shutDown.load()) return;
  if (auto* app = QCoreApplication::instance())
    QMetaObject::invokeMethod(app, [fn] { if (!g_shutDown.load()) fn(); }, Qt::QueuedConnection);
}

void Shutdown() {
  g_shutDown.store(true);
  TipBox::CloseOpen();
}

bool IsShutDown() { return g_shutDown.load(); }
void Restart() { g_shutDown.store(false); }

}  // namespace UiBridge

QString FromGbk(std::string_view gbk) { return QString::fromStdString(cp936::ToUtf8(gbk)); }

std::string ToGbk(const QString& text) { return cp936::FromUtf8(text.toStdString()); }

std::string LocalPath(const QString& path) { return QDir::toNativeSeparators(path).toStdString(); }

QString PathText(const std::string& path) { return QString::fromStdString(path); }
