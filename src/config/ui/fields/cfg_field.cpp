#include "config/ui/fields/cfg_field.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <algorithm>

#include "config/field_help.h"
#include "widgets/ui_bridge.h"

namespace field_ui {

int SelectedItem(const QComboBox* list) {
  const QString text = list->currentText();
  const int current = list->currentIndex();
  if (current >= 0 && list->itemText(current) == text) return current;
  if (!list->isEditable()) return current;
  return list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void SelectItem(QComboBox* list, int item) {
  if (item < 0 || item >= list->count()) {
    list->setCurrentIndex(-1);
    if (list->isEditable()) list->clearEditText();
    return;
  }
  list->setCurrentIndex(item);
  // An editable list may hold typed text while its current item is unchanged.
  if (list->isEditable()) list->setEditText(list->itemText(item));
}

void SetListText(QComboBox* list, const QString& text) {
  const int item = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (item >= 0) {
    SelectItem(list, item);
    return;
  }
  list->setCurrentIndex(-1);
  if (list->isEditable()) list->setEditText(text);
}

QLabel* LabelBeside(const QWidget* control, const QString& text) {
  const QWidget* parent = control ? control->parentWidget() : nullptr;
  if (!parent) return nullptr;
  const QList<QLabel*> labels = parent->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
  for (QLabel* l : labels)
    if (l->buddy() == control) return l;
  const QRect c = control->geometry();
  auto onRow = [&c](const QRect& g) { return g.bottom() >= c.top() && g.top() <= c.bottom(); };
  auto nearest = [&](auto&& wanted) {
    QLabel* best = nullptr;
    int bestGap = 0;
    for (QLabel* l : labels) {
      const QRect g = l->geometry();
      if (!onRow(g) || !wanted(l)) continue;
      const int gap = g.right() < c.left() ? c.left() - g.right() : g.left() - c.right();
      if (!best || gap < bestGap) {
        best = l;
        bestGap = gap;
      }
    }
    return best;
  };
  // The label with the field's own text on the control's row (a unit may follow it).
  if (!text.isEmpty()) {
    if (QLabel* named = nearest([&text](const QLabel* l) {
          QString shown = l->text();
          while (shown.endsWith(QStringLiteral("：")) || shown.endsWith(QLatin1Char(':'))) shown.chop(1);
          return shown == text;
        }))
      return named;
  }
  return nearest([&c](const QLabel* l) { return l->geometry().right() <= c.left(); });
}

void MarkLabel(QLabel* label, bool marked) {
  if (!label) return;
  // A label may name several fields (one row of two controls): it stays marked while
  // any of them is touched.
  const int marks = std::max(0, label->property("editMarks").toInt() + (marked ? 1 : -1));
  label->setProperty("editMarks", marks);
  // Only the weight and the text colour are set, so the label still follows its page's
  // font size and palette; unmarked it inherits both whole again.
  if (marks > 0) {
    QFont bold;
    bold.setBold(true);
    label->setFont(bold);
    QPalette colour;
    colour.setColor(QPalette::WindowText, EditMarkColour());
    label->setPalette(colour);
  } else {
    label->setFont(QFont());
    label->setPalette(QPalette());
  }
}

}  // namespace field_ui

CfgField::CfgField(const FieldCode& code, QObject* parent) : QObject(parent), code_(code) {}

void CfgField::Set(const std::string& text) {
  stored_ = text;
  loaded_ = true;
  Show();
  ShowHelp();
  SetTouched(false);
}

void CfgField::Revert() {
  if (!loaded_ || !touched_) return;
  Show();
  SetTouched(false);
}

void CfgField::SetLabel(QLabel* label) {
  label_ = label;
  ShowMark();
}

QLabel* CfgField::Label() const {
  if (label_) return label_.data();
  QString text;
  if (helpId_ >= 0)
    if (const std::optional<field_help::FieldHelp> help = field_help::Describe(helpId_, helpIndex_))
      text = QString::fromUtf8(help->label);
  return field_ui::LabelBeside(control_, text);
}

void CfgField::SetTouched(bool touched) {
  if (touched_ == touched) return;
  touched_ = touched;
  ShowMark();
  emit touchedChanged(touched);
}

void CfgField::ShowMark() {
  QLabel* label = touched_ ? Label() : nullptr;
  if (marked_ == label) return;
  if (marked_) field_ui::MarkLabel(marked_, false);
  marked_ = label;
  if (label) field_ui::MarkLabel(label, true);
}

void CfgField::SetHelp(int id, int index) {
  helpId_ = id;
  helpIndex_ = index;
  ShowHelp();
}

void CfgField::ShowHelp() {
  if (!control_ || helpId_ < 0) return;
  const std::optional<field_help::FieldHelp> help = field_help::Describe(helpId_, helpIndex_);
  if (!help) return;
  const std::optional<std::string> loaded = loaded_ ? std::optional<std::string>(stored_) : std::nullopt;
  control_->setToolTip(QString::fromUtf8(field_help::HelpText(*help, loaded)));
}

std::optional<std::string> CfgField::Get() const {
  if (!touched_ || !control_) return loaded_ ? std::optional<std::string>(stored_) : std::nullopt;
  if (edit_) return ToGbk(edit_->text());
  if (check_) return code_.valueOf ? code_.valueOf({}, check_->isChecked() ? 1 : 0) : std::nullopt;
  if (code_.IsText()) return ToGbk(list_->currentText());
  const std::string text = list_->currentText().toStdString();
  return code_.valueOf(text, field_ui::SelectedItem(list_));
}

void CfgField::Attach(QWidget* control, bool show) {
  if (control_ || !control) return;
  control_ = control;
  edit_ = qobject_cast<QLineEdit*>(control);
  list_ = qobject_cast<QComboBox*>(control);
  check_ = qobject_cast<QCheckBox*>(control);
  if (edit_) {
    connect(edit_, &QLineEdit::textEdited, this, &CfgField::Touch);
  } else if (list_) {
    if (list_->count() == 0)
      for (const char* item : code_.items) list_->addItem(QString::fromUtf8(item));
    connect(list_, &QComboBox::activated, this, &CfgField::Touch);
    if (list_->lineEdit()) connect(list_->lineEdit(), &QLineEdit::textEdited, this, &CfgField::Touch);
  } else if (check_) {
    connect(check_, &QCheckBox::clicked, this, &CfgField::Touch);
  }
  if (show) Show();
  ShowHelp();
}

void CfgField::SetItems(FieldItems items) {
  if (!list_) return;
  const QString kept = list_->currentText();
  list_->clear();
  for (const char* item : items) list_->addItem(QString::fromUtf8(item));
  field_ui::SetListText(list_, kept);
}

void CfgField::Show() {
  if (edit_) {
    edit_->setText(FromGbk(stored_));
  } else if (list_) {
    if (code_.IsText()) field_ui::SetListText(list_, FromGbk(stored_));
    else field_ui::SelectItem(list_, code_.itemOf(stored_, list_->count()));
  } else if (check_) {
    check_->setChecked(!code_.IsText() && code_.itemOf(stored_, 2) == 1);
  }
}

void CfgField::Touch() {
  SetTouched(true);
  emit edited();
}

CfgField* CfgFieldMap::Add(int id, int index, QWidget* control, const FieldCode& code, bool show) {
  auto* field = new CfgField(code, owner_);
  field->Attach(control, show);
  field->SetHelp(id, index);
  fields_[{id, index}] = field;
  return field;
}

CfgField* CfgFieldMap::Find(int id, int index) const {
  const auto it = fields_.find({id, index});
  return it == fields_.end() ? nullptr : it->second;
}

std::optional<std::string> CfgFieldPage::SaveToTable(int id, int index) {
  const CfgField* f = fields_.Find(id, index);
  return f ? f->Get() : std::string();
}

void CfgFieldPage::LoadFromTable(int id, int index, const std::string& text) {
  if (CfgField* f = fields_.Find(id, index)) f->Set(text);
}
