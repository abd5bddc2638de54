#include "debug/ui/quick_send.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

#include "widgets/user_settings.h"

namespace quicksend {
namespace {
const QString kGroup = QStringLiteral("debugQuickSend");
const QString kName = QStringLiteral("name");
const QString kText = QStringLiteral("text");
const QString kHex = QStringLiteral("hex");
}  // namespace

std::vector<QuickSendEntry> Load() {
  const auto s = usersettings::Open();
  std::vector<QuickSendEntry> entries;
  const int n = s->beginReadArray(kGroup);
  for (int i = 0; i < n && static_cast<int>(entries.size()) < kMaxEntries; ++i) {
    s->setArrayIndex(i);
    QuickSendEntry e{s->value(kName).toString(), s->value(kText).toString(), s->value(kHex).toBool()};
    if (!e.text.isEmpty()) entries.push_back(e);
  }
  s->endArray();
  return entries;
}

void Save(const std::vector<QuickSendEntry>& entries) {
  const auto s = usersettings::Open();
  s->remove(kGroup);
  s->beginWriteArray(kGroup, static_cast<int>(entries.size()));
  for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
    s->setArrayIndex(i);
    s->setValue(kName, entries[i].name);
    s->setValue(kText, entries[i].text);
    s->setValue(kHex, entries[i].hex);
  }
  s->endArray();
}

bool EditInDialog(QWidget* parent, QuickSendEntry& entry) {
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("quickSendDialog"));
  dialog.setWindowTitle(QStringLiteral("快捷发送"));
  auto* name = new QLineEdit(entry.name, &dialog);
  name->setObjectName(QStringLiteral("quickName"));
  auto* text = new QLineEdit(entry.text, &dialog);
  text->setObjectName(QStringLiteral("quickText"));
  text->setMaxLength(1 << 20);
  text->setMinimumWidth(320);
  auto* hex = new QCheckBox(QStringLiteral("HEX发送"), &dialog);
  hex->setObjectName(QStringLiteral("quickHex"));
  hex->setChecked(entry.hex);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
  auto* form = new QFormLayout(&dialog);
  form->addRow(QStringLiteral("名称："), name);
  form->addRow(QStringLiteral("内容："), text);
  form->addRow(QString(), hex);
  form->addRow(buttons);
  auto updateOk = [&] { buttons->button(QDialogButtonBox::Ok)->setEnabled(!text->text().isEmpty()); };
  QObject::connect(text, &QLineEdit::textChanged, &dialog, updateOk);
  updateOk();
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (dialog.exec() != QDialog::Accepted) return false;
  entry.text = text->text();
  entry.name = name->text().trimmed().isEmpty() ? entry.text : name->text().trimmed();
  entry.hex = hex->isChecked();
  return true;
}

}  // namespace quicksend
