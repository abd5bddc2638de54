#pragma once
// The storage page ("存储设置和数据查询"): reads the device's stored records for one
// channel or all over a range of days and saves them as a .csv file, deletes stored
// channel records or the backlog of unsent reports, and gives a channel its initial
// value. The page never talks to the device: its buttons fill requests that the
// workspace's worker carries out. After a read the records are also drawn as value
// over time; a saved record file can be opened and drawn the same way.
#include <QWidget>
#include <string>

#include "config/cfg_requests.h"
#include "config/record_reader.h"
#include "config/ui/records/file_prompt.h"
#include "config/ui/records/transfer_watcher.h"
#include "widgets/fraction_layout.h"

class CfgMachine;
class CRecordPlot;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QPushButton;

class CRTUCfgRcdDlg : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kClearBacklogId = 1295;
  static constexpr int kChannelLabelId = 1302;
  static constexpr int kChannelId = 1296;
  static constexpr int kClearRecordsId = 1299;
  static constexpr int kInitValueEditId = 1303;
  static constexpr int kInitValueId = 1300;
  static constexpr int kFromLabelId = 1304;
  static constexpr int kFromId = 1297;
  static constexpr int kToLabelId = 1305;
  static constexpr int kToId = 1298;
  static constexpr int kExportId = 1301;

  // Builds and initialises the page on the machine's record read: selects "全部" and
  // starts the export watcher.
  explicit CRTUCfgRcdDlg(CfgMachine& machine, QWidget* parent = nullptr);

  // The button handlers, after their questions.
  void OnClearBacklog();
  void OnClearRecords();
  void OnSetInitValue();
  void OnExport();
  // Opens a saved record file and draws it.
  void OnOpenFile();
  // Saves the records shown (after a read or opened from a file) under a new name.
  void OnSaveAs();

  // The channel selector and the value edit, disabled while an initial value is set.
  void EnableInitValueControls(bool enable);
  // The buttons that talk to the device (delete, initial value, export): greyed while
  // there is none. Opening and saving a record file stay.
  void EnableDeviceOperations(bool enable);
  // Replaces the save and open dialogs (tests).
  void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

  RecordReader& Reader() { return reader_; }
  TransferWatcher& Watcher() { return *watcher_; }
  QComboBox* ChannelList() const { return channel_; }
  QLineEdit* InitValueEdit() const { return initValue_; }
  QDateEdit* FromPicker() const { return from_; }
  QDateEdit* ToPicker() const { return to_; }
  CRecordPlot* Plot() const { return plot_; }
  QLabel* Summary() const { return summary_; }
  QPushButton* SaveAsButton() const { return saveAs_; }
  // The record file's bytes of what is shown ("" before anything was read or opened).
  const std::string& ShownCsv() const { return csv_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool OnExportEnd(TransferWatcher::End end);
  void ShowRecords(std::string csv, const QString& origin);
  bool SaveShown();

  CfgRequests& requests_;
  RecordReader& reader_;
  TransferWatcher* watcher_ = nullptr;
  FileChooser chooser_ = ChooseFileWithDialog;
  QComboBox* channel_ = nullptr;
  QLineEdit* initValue_ = nullptr;
  QDateEdit* from_ = nullptr;
  QDateEdit* to_ = nullptr;
  CRecordPlot* plot_ = nullptr;
  QLabel* summary_ = nullptr;
  QPushButton* saveAs_ = nullptr;
  std::string csv_;
  FractionLayout layout_;
};
