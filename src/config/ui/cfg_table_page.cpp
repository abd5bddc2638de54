#include "config/ui/cfg_table_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "protocol/param_table.h"

CfgTablePage::CfgTablePage(const QString& title, QWidget* parent)
    : QWidget(parent), title_(title) {
  setObjectName(QStringLiteral("tablePage"));
  auto* layout = new QVBoxLayout(this);
  label_ = new QLabel(title, this);
  layout->addWidget(label_);
  layout->addStretch(1);
}

std::optional<std::string> CfgTablePage::SaveToTable(int id, int index) {
  auto it = texts_.find({id, index});
  if (it != texts_.end()) return it->second;
  // Never shown anything: read as the table, so that nothing counts as changed.
  return GetParamText(id, index).value_or(std::string());
}

void CfgTablePage::LoadFromTable(int id, int index, const std::string& text) {
  texts_[{id, index}] = text;
}

void CfgTablePage::SelectChannel(int channel) {
  channel_ = channel;
  label_->setText(QStringLiteral("%1%2").arg(title_).arg(channel + 1, 2, 10, QLatin1Char('0')));
}
