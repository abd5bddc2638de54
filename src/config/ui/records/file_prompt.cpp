#include "config/ui/records/file_prompt.h"

#include <QFileDialog>

#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

QString ChooseFileWithDialog(QWidget* parent, const FileRequest& request) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  if (!request.save) dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(request.suffix);
  dialog.setNameFilters(request.filters);
  if (request.save) dialog.selectFile(request.suggestedName);  // asks before overwriting
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString TimeStampedName(const char* prefix, const QDateTime& when) {
  const QDate d = when.date();
  const QTime t = when.time();
  return QStringLiteral("%1%2_%3_%4_%5-%6-%7")
      .arg(QLatin1String(prefix))
      .arg(d.year())
      .arg(d.month())
      .arg(d.day())
      .arg(t.hour(), 2, 10, QLatin1Char('0'))
      .arg(t.minute(), 2, 10, QLatin1Char('0'))
      .arg(t.second(), 2, 10, QLatin1Char('0'));
}

bool SaveUntilDone(QWidget* parent, const FileChooser& choose, const FileRequest& request,
                   const std::function<bool(const std::string& path, std::string* error)>& write) {
  while (!UiBridge::IsShutDown()) {
    const QString path = choose(parent, request);
    if (path.isEmpty()) return false;
    std::string error;
    if (write(LocalPath(path), &error)) {
      TipBox::Show(parent, QStringLiteral("保存成功"));
      return true;
    }
    TipBox::Show(parent, QStringLiteral("保存失败：") + QString::fromStdString(error));
  }
  return false;
}
