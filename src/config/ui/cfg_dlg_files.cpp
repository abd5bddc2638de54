// "保存配置到文件" and "从配置文件配置": the table as a .cfg file (the listing form),
// and a .cfg file written into the device.
#include <QFile>
#include <QFileDialog>

#include "base/cp936.h"
#include "config/ui/cfg_dlg.h"
#include "protocol/listing.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

namespace {
std::string LocalPath(const QString& path) { return QFile::encodeName(path).toStdString(); }
}  // namespace

QString CRTUCfgDlg::ChooseSaveFile(const QString& suggestedName) {
  QFileDialog dialog(DialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("cfg"));
  dialog.setNameFilters({QStringLiteral("配置文件(*.cfg)"), QStringLiteral("所有文件(*.*)")});
  dialog.selectFile(suggestedName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

QString CRTUCfgDlg::ChooseOpenFile() {
  QFileDialog dialog(DialogParent());
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("cfg"));
  dialog.setNameFilters({QStringLiteral("*.cfg")});
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().first();
}

// Saves the table (the values last read from or written to the device), not unsaved
// page edits. The file is replaced whole or not at all.
void CRTUCfgDlg::SaveConfigToFile() {
  const std::string text = BuildListing();
  if (text.empty()) return;
  // "RTU_" and the station address the terminal page shows; a path separator in it
  // would make it a folder.
  QString station = FromGbk(SaveToTable(4, 0).value_or(std::string()));
  station.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
  const QString path = ChooseSaveFile(QStringLiteral("RTU_") + station);
  if (path.isEmpty()) return;
  std::string error;
  if (WriteFileAtomically(LocalPath(path), text, &error) == CfgFileResult::Ok) {
    TipBox::Show(DialogParent(), QStringLiteral("保存成功"));
  } else {
    TipBox::Show(DialogParent(), QStringLiteral("保存失败"));
  }
}

void CRTUCfgDlg::LoadConfigFromFile() {
  const QString path = ChooseOpenFile();
  if (path.isEmpty()) return;
  std::string text;
  switch (ReadCfgFile(LocalPath(path), text)) {
    case CfgFileResult::Ok:
      break;
    case CfgFileResult::Empty:
    case CfgFileResult::TooLarge:
      TipBox::Show(DialogParent(), QStringLiteral("请先选择文件"));
      return;
    default:
      TipBox::Show(DialogParent(), QStringLiteral("读取文件失败"));
      return;
  }
  machine_.StartWriteFromFile(text);
}
