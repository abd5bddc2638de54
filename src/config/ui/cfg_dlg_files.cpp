// "保存配置到文件" and "从配置文件配置": the table as a .cfg file (the listing form),
// and a .cfg file written into the device.
#include <QFileDialog>

#include <QFileInfo>

#include "base/atomic_file.h"
#include "base/cp936.h"
#include "config/ui/records/file_prompt.h"
#include "config/ui/cfg_dlg.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/write_review_dlg.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

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

bool CRTUCfgDlg::ReviewWrite(const WritePlan& plan, WriteSelection& selection) {
  std::vector<int> kinds;
  if (auto* channels = dynamic_cast<CRTUCfgChnDlg*>(PageWidget(CfgPageId::Channel)))
    for (int n = 0; n < CRTUCfgChnDlg::kChannels; ++n) kinds.push_back(channels->Kind(n));
  CWriteReviewDlg dialog(plan, DialogParent(), std::move(kinds));
  if (dialog.exec() != QDialog::Accepted) return false;
  selection = dialog.Selection();
  return true;
}

void CRTUCfgDlg::ReviewAndWrite(const std::optional<WritePlan>& plan,
                                const std::function<void(WriteSelection)>& write) {
  if (!plan) return;  // an operation runs: the button does nothing, as before
  if (plan->empty()) {
    AppendLog(GBK("没有需要写入的参数\r\n"));
    return;
  }
  WriteSelection selection = SelectAll(*plan);
  if (!ReviewWrite(*plan, selection)) {
    AppendLog(GBK("已取消写入\r\n"));
    return;
  }
  if (selection.empty()) {
    AppendLog(GBK("没有勾选的参数，未写入\r\n"));
    return;
  }
  write(std::move(selection));
}

void CRTUCfgDlg::SaveParameters() {
  if (offline_) {
    machine_.StartWriteAll();  // refused with the offline note
    return;
  }
  if (!machine_.PortOpenOrTell()) return;
  ReviewAndWrite(machine_.PlanWriteAll(),
                 [this](WriteSelection s) { machine_.StartWriteAll(std::move(s)); });
}

// Saves the table (the values last read from or written to the device), not unsaved
// page edits; offline, the pages' values are the file's and go into the table first.
// The file is replaced whole or not at all.
void CRTUCfgDlg::SaveConfigToFile() {
  if (offline_) {
    const std::optional<WritePlan> edits = machine_.PlanWriteAll();
    if (!edits) return;
    for (const WritePlanRow& row : *edits) SetParamText(row.id, row.newValue, row.index);
  }
  const std::string text = BuildListing();
  if (text.empty()) return;
  // "RTU_" and the station address the terminal page shows; a path separator in it
  // would make it a folder. Offline: the file being edited.
  QString station = FromGbk(SaveToTable(4, 0).value_or(std::string()));
  station.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
  const QString path = ChooseSaveFile(offline_ ? offlinePath_ : QStringLiteral("RTU_") + station);
  if (path.isEmpty()) return;
  std::string error;
  if (WriteFileAtomically(LocalPath(path), text, &error)) {
    TipBox::Show(DialogParent(), QStringLiteral("保存成功"));
  } else {
    TipBox::Show(DialogParent(), QStringLiteral("保存失败"));
  }
}

// Reads a .cfg for applying or offline editing; a file that cannot be used gets its "提示" box.
bool CRTUCfgDlg::ReadCfgOrTell(const QString& path, std::string& text) {
  switch (ReadCfgFile(LocalPath(path), text)) {
    case CfgFileResult::Ok:
      return true;
    case CfgFileResult::Empty:
    case CfgFileResult::TooLarge:
      TipBox::Show(DialogParent(), QStringLiteral("请先选择文件"));
      return false;
    default:
      TipBox::Show(DialogParent(), QStringLiteral("读取文件失败"));
      return false;
  }
}

void CRTUCfgDlg::LoadConfigFromFile() {
  const QString path = ChooseOpenFile();
  if (path.isEmpty()) return;
  std::string text;
  if (!ReadCfgOrTell(path, text)) return;
  ReviewAndWrite(machine_.PlanWriteFromFile(text), [this, &text](WriteSelection s) {
    machine_.StartWriteFromFile(text, std::move(s));
  });
}

bool CRTUCfgDlg::OpenOffline(const QString& path) {
  std::string text;
  if (!ReadCfgOrTell(path, text)) return false;
  if (machine_.WorkMode() != kModeIdle) return false;
  // The file alone fills the table: what it does not hold is empty.
  const TableSnapshot before;
  ResetParamValues();
  if (ParseListing(text.data(), static_cast<int>(text.size())) == 0) {
    before.Restore();
    TipBox::Show(DialogParent(), QStringLiteral("文件中没有参数"));
    return false;
  }
  offline_ = true;
  offlinePath_ = path;
  machine_.SetOffline(true);
  machine_.FillPagesFromTable();
  SetOperationsEnabledOnUi(true);
  RefreshDeviceOperations();
  AppendLog(GBK("离线编辑 ") + ToGbk(QFileInfo(path).fileName()) +
            GBK("：未连接设备，设备操作不可用；\"保存配置到文件\"保存页面上的值\r\n"));
  return true;
}
