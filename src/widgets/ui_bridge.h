#pragma once
// Runs work on the UI thread for the machines' worker threads, the way a worker
// "sends a message" to a window: the caller waits until the UI thread has run it.
// After Shutdown() every call returns at once without running, so that no worker
// blocks on a UI thread that is waiting for it to end.
#include <QString>
#include <functional>
#include <string>
#include <string_view>

namespace UiBridge {

// Runs fn on the UI thread and waits for it (runs it directly when called on the UI thread).
// Returns false when the bridge is shut down and fn did not run.
bool Invoke(const std::function<void()>& fn);
// Queues fn to the UI thread without waiting.
void Post(const std::function<void()>& fn);
// Makes every later Invoke return at once; closes the open "提示" box.
void Shutdown();
bool IsShutDown();
// For tests: accept calls again.
void Restart();

}  // namespace UiBridge

// Text at the widget edge: device bytes (code page 936) <-> QString.
QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

// File names at the widget edge: a path Qt gives (a dialog's choice) as the program's UTF-8
// file name, with the system's separators, and back. No 8-bit local step: on Windows that
// is the ANSI code page, which cannot hold every name.
std::string LocalPath(const QString& path);
QString PathText(const std::string& path);
