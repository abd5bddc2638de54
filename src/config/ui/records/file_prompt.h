#pragma once
// The save and open dialogs of the storage and camera pages, and the save that keeps
// its data after a failed write so that the user can choose another place.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QWidget;

struct FileRequest {
  bool save = true;
  QString suggestedName;  // save only
  QString suffix;         // default extension, without the dot
  QStringList filters;    // Qt name filters
};
// Returns the chosen path, "" when cancelled. Tests replace the dialog with their own.
using FileChooser = std::function<QString(QWidget* parent, const FileRequest&)>;
QString ChooseFileWithDialog(QWidget* parent, const FileRequest& request);

// "RCD2024_1_9_08-05-03" / "PIC2024_1_9_08-05-03" for that local time.
QString TimeStampedName(const char* prefix, const QDateTime& when);

// Writes through write(path, &error) to a path the chooser gives, until a write
// succeeds ("保存成功") or the chooser is cancelled; each failed write shows
// "保存失败：" and the reason and asks again. True when saved.
bool SaveUntilDone(QWidget* parent, const FileChooser& choose, const FileRequest& request,
                   const std::function<bool(const std::string& path, std::string* error)>& write);
