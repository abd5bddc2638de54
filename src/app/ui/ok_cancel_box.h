#pragma once
// A "提示" question with the buttons "确定" (OK) and "取消" (Cancel). UI thread.
#include <QString>

class QWidget;

// True for OK.
bool AskOkCancel(QWidget* parent, const QString& text);
