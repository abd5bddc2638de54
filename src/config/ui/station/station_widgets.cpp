#include "config/ui/station/station_widgets.h"

#include <QLineEdit>
#include <QVariant>

#include "protocol/param_table.h"
#include "widgets/fraction_layout.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

namespace station_ui {
namespace {
std::function<bool(const QString&)>& AskHook() {
  static std::function<bool(const QString&)> hook;
  return hook;
}
}  // namespace

void SetControlId(QWidget* w, int id) {
  if (id) w->setProperty(kCtrlIdProperty, id);
}

QWidget* FindControl(const QWidget* page, int id) {
  const auto children = page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
  for (QWidget* w : children) {
    const QVariant v = w->property(kCtrlIdProperty);
    if (v.isValid() && v.toInt() == id) return w;
  }
  return nullptr;
}

const char* LabelOf(FieldTable table, const char* role) {
  const FieldRow* r = RowOfRole(table, role);
  Q_ASSERT(r && r->label);
  return r ? r->label : "";
}

int InstancesOf(int id) {
  const ParamEntry* entry = FindParam(id);
  return entry ? entry->count : 0;
}

void BindRows(CfgFieldMap& fields, FieldTable table, const QWidget* page) {
  for (const FieldRow& r : table) {
    for (int id = r.id; id <= r.Last(); ++id) {
      for (int k = 0; k < InstancesOf(id); ++k) {
        if (r.control == FieldControl::Kept) {
          fields.Add(id, k, nullptr)->Set(std::string());
          continue;
        }
        if (!r.role) continue;
        const QString role = QString::fromLatin1(r.role);
        const bool numbered = role.contains(QLatin1String("%1"));
        if (!numbered && k > 0) continue;
        if (QWidget* control = page->findChild<QWidget*>(numbered ? role.arg(k + 1) : role))
          fields.Add(id, k, control, CodeOf(r));
      }
    }
  }
}

QLabel* MakeLabel(QWidget* page, const char* utf8, int id) {
  auto* l = new QLabel(QString::fromUtf8(utf8), page);
  l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  SetControlId(l, id);
  return l;
}

QLineEdit* MakeEdit(QWidget* page, const char* role, int id) {
  auto* e = new QLineEdit(page);
  e->setObjectName(QString::fromLatin1(role));
  SetControlId(e, id);
  return e;
}

QComboBox* MakeList(QWidget* page, const char* role, int id, station_codes::Items items,
                    bool editable) {
  auto* c = new QComboBox(page);
  c->setObjectName(QString::fromLatin1(role));
  SetControlId(c, id);
  c->setEditable(editable);
  if (editable) {
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setCompleter(nullptr);
  }
  for (const char* item : items) c->addItem(QString::fromUtf8(item));
  c->setCurrentIndex(-1);
  return c;
}

std::string TextOf(const QLineEdit* edit) { return ToGbk(edit->text()); }
std::string TextOf(const QComboBox* list) { return ToGbk(list->currentText()); }
void SetText(QLineEdit* edit, std::string_view gbk) { edit->setText(FromGbk(gbk)); }

QFont PageFont(int clientHeight) {
  const int points = clientHeight / 50;
  return TahomaFont(points * 96 / 72);
}

bool AskOkCancel(QWidget* parent, const QString& text) {
  if (AskHook()) return AskHook()(text);
  return TipBox::AskOkCancel(parent, text);
}

void SetAskHook(std::function<bool(const QString&)> hook) { AskHook() = std::move(hook); }

}  // namespace station_ui
