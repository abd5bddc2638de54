#include "config/ui/records/rcd_dlg.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "base/atomic_file.h"
#include "config/cfg_machine.h"
#include "config/channel_codes.h"
#include "config/ui/records/record_plot.h"
#include "config/ui/station/station_widgets.h"
#include "protocol/record_batch.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;

namespace {
constexpr qint64 kMaxOpenBytes = 64 << 20;  // a record file larger than this is refused

RecordDate DateOf(const QDateEdit* picker) {
  const QDate d = picker->date();
  return {d.year(), d.month(), d.day()};
}

FileRequest CsvRequest(bool save) {
  FileRequest r;
  r.save = save;
  r.suffix = QStringLiteral("csv");
  r.filters = {QStringLiteral("excel文件(*.csv)"), QStringLiteral("所有文件(*.*)")};
  if (save) r.suggestedName = TimeStampedName("RCD", QDateTime::currentDateTime());
  return r;
}

QPushButton* MakeButton(QWidget* page, const char* utf8, const char* role, int id) {
  auto* b = new QPushButton(QString::fromUtf8(utf8), page);
  b->setObjectName(QString::fromLatin1(role));
  SetControlId(b, id);
  return b;
}
}  // namespace

CRTUCfgRcdDlg::CRTUCfgRcdDlg(CfgMachine& machine, QWidget* parent)
    : QWidget(parent), requests_(machine.Requests()), reader_(machine.Records()) {
  setObjectName(QStringLiteral("storagePage"));
  QPushButton* clearBacklog = MakeButton(this, "删除补传数据", "clearBacklogButton", kClearBacklogId);
  QLabel* channelLabel = MakeLabel(this, "硬件接口：", kChannelLabelId);
  channel_ = new QComboBox(this);
  channel_->setObjectName(QStringLiteral("channelCombo"));
  SetControlId(channel_, kChannelId);
  QPushButton* clearRecords = MakeButton(this, "删除通道记录", "clearRecordsButton", kClearRecordsId);
  initValue_ = MakeEdit(this, "initValueEdit", kInitValueEditId);
  QPushButton* setInit = MakeButton(this, "初值设置", "initValueButton", kInitValueId);
  QLabel* fromLabel = MakeLabel(this, "开始时间：", kFromLabelId);
  QLabel* toLabel = MakeLabel(this, "结束时间：", kToLabelId);
  // The pickers keep the system's short-date display; the query takes the date itself.
  from_ = new QDateEdit(QDate::currentDate(), this);
  from_->setObjectName(QStringLiteral("fromPicker"));
  from_->setCalendarPopup(true);
  SetControlId(from_, kFromId);
  to_ = new QDateEdit(QDate::currentDate(), this);
  to_->setObjectName(QStringLiteral("toPicker"));
  to_->setCalendarPopup(true);
  SetControlId(to_, kToId);
  QPushButton* exportButton = MakeButton(this, "导出历史记录", "exportButton", kExportId);

  QPushButton* open = MakeButton(this, "打开记录文件", "openRecordsButton", 0);
  saveAs_ = MakeButton(this, "另存为...", "saveRecordsButton", 0);
  saveAs_->setEnabled(false);
  summary_ = MakeLabel(this, "");
  summary_->setObjectName(QStringLiteral("recordSummary"));
  plot_ = new CRecordPlot(this);

  layout_.Add(channelLabel, 0.04, 0.03, 0.14, 0.07);
  layout_.Add(channel_, 0.19, 0.03, 0.18, 0.07);
  layout_.Add(clearRecords, 0.40, 0.03, 0.20, 0.07);
  layout_.Add(clearBacklog, 0.64, 0.03, 0.22, 0.07);
  layout_.Add(initValue_, 0.19, 0.12, 0.18, 0.07);
  layout_.Add(setInit, 0.40, 0.12, 0.20, 0.07);
  layout_.Add(fromLabel, 0.04, 0.21, 0.14, 0.07);
  layout_.Add(from_, 0.19, 0.21, 0.18, 0.07);
  layout_.Add(toLabel, 0.40, 0.21, 0.13, 0.07);
  layout_.Add(to_, 0.53, 0.21, 0.18, 0.07);
  layout_.Add(exportButton, 0.74, 0.21, 0.22, 0.07);
  layout_.Add(open, 0.04, 0.31, 0.18, 0.07);
  layout_.Add(saveAs_, 0.24, 0.31, 0.14, 0.07);
  layout_.Add(summary_, 0.40, 0.31, 0.56, 0.07);
  layout_.Add(plot_, 0.02, 0.40, 0.96, 0.58);

  connect(clearBacklog, &QPushButton::clicked, this, [this] { OnClearBacklog(); });
  connect(clearRecords, &QPushButton::clicked, this, [this] { OnClearRecords(); });
  connect(setInit, &QPushButton::clicked, this, [this] { OnSetInitValue(); });
  connect(exportButton, &QPushButton::clicked, this, [this] { OnExport(); });
  connect(open, &QPushButton::clicked, this, [this] { OnOpenFile(); });
  connect(saveAs_, &QPushButton::clicked, this, [this] { OnSaveAs(); });

  // Initialisation: "全部", then 通道01 … 通道30; the tip and the watcher.
  channel_->addItem(QStringLiteral("全部"));
  for (int n = 1; n <= channel_codes::kChannels; ++n) channel_->addItem(QStringLiteral("通道%1").arg(n, 2, 10, QLatin1Char('0')));
  channel_->setCurrentIndex(0);
  watcher_ = new TransferWatcher(
      this,
      {QStringLiteral("正在读取记录，请等待... %1秒"), kRecordReadLimitMs,
       QStringLiteral("数据量太大读取超时")},
      [this] { return static_cast<int>(reader_.State()); }, [this] { reader_.SetIdle(); },
      [this](TransferWatcher::End end) { return OnExportEnd(end); });
  watcher_->Start();
  layout_.Apply(this);
}

void CRTUCfgRcdDlg::OnClearBacklog() {
  if (!AskOkCancel(this, QStringLiteral("确定删除补传数据吗？"))) return;
  requests_.Set(CfgRequest::ClearBacklog, "1");
}

void CRTUCfgRcdDlg::OnClearRecords() {
  if (!AskOkCancel(this, QStringLiteral("确定删除历史数据吗？"))) return;
  requests_.Set(CfgRequest::ClearRecords, std::to_string(channel_->currentIndex()));
}

void CRTUCfgRcdDlg::OnSetInitValue() {
  const std::string value = TextOf(initValue_);
  if (value.empty()) return;
  char channel[8];
  std::snprintf(channel, sizeof channel, "%02u=", static_cast<unsigned>(channel_->currentIndex()));
  requests_.Set(CfgRequest::InitValue, channel + value);
}

void CRTUCfgRcdDlg::OnExport() {
  if (!AskOkCancel(this, QStringLiteral("确定导出历史数据吗？"))) return;
  // A read already under way keeps going; its records are not mixed with a new one's.
  if (reader_.Request(channel_->currentIndex(), DateOf(from_), DateOf(to_))) watcher_->Begin();
}

void CRTUCfgRcdDlg::EnableDeviceOperations(bool enable) {
  for (const char* name : {"clearBacklogButton", "clearRecordsButton", "initValueButton", "exportButton"})
    if (auto* b = findChild<QPushButton*>(QString::fromLatin1(name))) b->setEnabled(enable);
}

void CRTUCfgRcdDlg::EnableInitValueControls(bool enable) {
  channel_->setEnabled(enable);
  initValue_->setEnabled(enable);
}

// Failed: "读取失败" and nothing is saved. Otherwise (finished, or the wait ended by the
// time limit or the tip's cancel with what has arrived so far) the records are drawn and
// the save dialog is offered; cancelling it leaves the state: a finished read returns
// to idle at the next tick, one still under way is watched again.
bool CRTUCfgRcdDlg::OnExportEnd(TransferWatcher::End end) {
  if (end == TransferWatcher::End::Failed) {
    TipBox::Show(this, QStringLiteral("读取失败"));
    reader_.SetIdle();
    return true;
  }
  ShowRecords(RecordFileText(reader_.Text()), QString());
  if (!SaveShown()) return false;
  reader_.SetIdle();
  return true;
}

void CRTUCfgRcdDlg::ShowRecords(std::string csv, const QString& origin) {
  csv_ = std::move(csv);
  std::vector<RecordSeries> series = ParseRecordCsv(csv_);
  plot_->SetSeries(std::move(series));
  QString text = QStringLiteral("共%1条记录，%2条曲线").arg(plot_->PointCount()).arg(plot_->Series().size());
  if (!origin.isEmpty()) text = origin + QStringLiteral("：") + text;
  summary_->setText(text);
  saveAs_->setEnabled(!csv_.empty());
}

bool CRTUCfgRcdDlg::SaveShown() {
  const std::string csv = csv_;
  return SaveUntilDone(this, chooser_, CsvRequest(true),
                       [&csv](const std::string& path, std::string* error) {
                         return WriteFileAtomically(path, csv, error);
                       });
}

void CRTUCfgRcdDlg::OnSaveAs() {
  if (!csv_.empty()) SaveShown();
}

void CRTUCfgRcdDlg::OnOpenFile() {
  const QString path = chooser_(this, CsvRequest(false));
  if (path.isEmpty()) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxOpenBytes) {
    TipBox::Show(this, QStringLiteral("读取文件失败"));
    return;
  }
  const QByteArray bytes = file.readAll();
  if (bytes.size() != file.size()) {
    TipBox::Show(this, QStringLiteral("读取文件失败"));
    return;
  }
  ShowRecords(bytes.toStdString(), QFileInfo(path).fileName());
}

void CRTUCfgRcdDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
