#pragma once
// The "提示" message box service: shows a modal box from any thread and lets any
// thread close the box that is open (as the receive thread does when a waited-for
// reply arrives).
#include <QString>
#include <functional>

class QWidget;

namespace TipBox {

// Shows a modal box with caption "提示", the text and an OK button, owned by parent
// (may be null), and returns when it is closed. Callable from any thread; on a worker
// thread it blocks that thread. Returns at once after UiBridge::Shutdown().
void Show(QWidget* parent, const QString& text);

// A "提示" question with the buttons "确定" (OK) and "取消" (Cancel); true for OK.
// UI thread only.
bool AskOkCancel(QWidget* parent, const QString& text);

// Closes the open "提示" box as if OK were pressed; nothing when none is open. Any thread.
void CloseOpen();

// Unattended runs (the screenshot run): with report set, Show and AskOkCancel open no box;
// they hand the text to report (on the UI thread) and return as if "确定" (Show) or "取消"
// (AskOkCancel, the side that changes nothing) were pressed. An empty report ends it.
// UI thread only.
void SetUnattended(std::function<void(const QString&)> report);

// True while a "提示" box is open (for tests).
bool IsOpen();
// The text of the open box ("" when none), for tests.
QString OpenText();

}  // namespace TipBox
