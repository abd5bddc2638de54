#include "config/ui/write_review_dlg.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "config/field_help.h"
#include "protocol/exchange.h"
#include "widgets/ui_bridge.h"

CWriteReviewDlg::CWriteReviewDlg(const WritePlan& plan, QWidget* parent, std::vector<int> channelKinds)
    : QDialog(parent), plan_(plan) {
  setObjectName(QStringLiteral("writeReview"));
  setWindowTitle(QStringLiteral("写入确认"));
  auto* note = new QLabel(QStringLiteral("将写入设备的参数（共 %1 项），取消勾选的不写入：").arg(plan_.size()), this);
  table_ = new QTableWidget(static_cast<int>(plan_.size()), 3, this);
  table_->setObjectName(QStringLiteral("reviewTable"));
  table_->setHorizontalHeaderLabels({QStringLiteral("参数"), QStringLiteral("设备值"), QStringLiteral("新值")});
  table_->verticalHeader()->setVisible(false);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionMode(QAbstractItemView::NoSelection);
  for (int r = 0; r < table_->rowCount(); ++r) {
    const WritePlanRow& row = plan_[static_cast<size_t>(r)];
    const std::optional<field_help::FieldHelp> help = field_help::Describe(row.id, row.index, channelKinds);
    auto* label = new QTableWidgetItem(help ? QString::fromUtf8(help->path) : FromGbk(row.label));
    label->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    label->setCheckState(Qt::Checked);
    // What the device calls it, and the line the write sends.
    const QString tip = FromGbk(row.label) + QLatin1Char('\n') +
                        FromGbk(InstanceCommand(row.id, row.index) + "=" + row.newValue);
    auto* device = new QTableWidgetItem(QString::fromUtf8(field_help::ShownWithRaw(row.id, row.deviceValue)));
    auto* wanted = new QTableWidgetItem(QString::fromUtf8(field_help::ShownWithRaw(row.id, row.newValue)));
    for (QTableWidgetItem* item : {label, device, wanted}) item->setToolTip(tip);
    table_->setItem(r, 0, label);
    table_->setItem(r, 1, device);
    table_->setItem(r, 2, wanted);
  }
  table_->resizeColumnsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);

  write_ = new QPushButton(QStringLiteral("写入"), this);
  write_->setObjectName(QStringLiteral("reviewWrite"));
  cancel_ = new QPushButton(QStringLiteral("取消"), this);
  cancel_->setObjectName(QStringLiteral("reviewCancel"));
  write_->setDefault(true);
  connect(write_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(write_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addWidget(table_);
  layout->addLayout(buttons);
  resize(640, 360);
}

WriteSelection CWriteReviewDlg::Selection() const {
  WriteSelection ticked;
  for (int r = 0; r < table_->rowCount(); ++r) {
    if (table_->item(r, 0)->checkState() != Qt::Checked) continue;
    const WritePlanRow& row = plan_[static_cast<size_t>(r)];
    ticked.insert({row.id, row.index});
  }
  return ticked;
}
