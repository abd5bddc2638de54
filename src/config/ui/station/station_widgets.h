#pragma once
// Small widget helpers shared by the station pages: controls with their numeric
// ids, list selection the way the device values need it, the page font, and the
// OK/Cancel question of the centre page.
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "config/station_codes.h"

namespace station_ui {

// The numeric control id is kept as the "ctrlId" property (ids repeat across pages,
// so a control is found by id within its own page).
constexpr const char* kCtrlIdProperty = "ctrlId";
void SetControlId(QWidget* w, int id);
// The direct child of page with that id; nullptr when none.
QWidget* FindControl(const QWidget* page, int id);

// id 0 means the control has no id of its own.
QLabel* MakeLabel(QWidget* page, const char* utf8, int id = 0);
QLineEdit* MakeEdit(QWidget* page, const char* role, int id);
// A list with the items; editable lists take typed text and never add it as an item.
QComboBox* MakeList(QWidget* page, const char* role, int id, station_codes::Items items,
                    bool editable);

// Binds the fields of a page's table: each instance whose control the row's role names
// (the page's child of that name; "%1" in it: the instance number, else instance 0 only)
// gets its field; every instance of a Kept row gets a field without a control, which
// gives back the loaded text ("" before a load). Other instances are left to the page.
void BindRows(CfgFieldMap& fields, FieldTable table, const QWidget* page);
// The label of the row of table whose control has this role.
const char* LabelOf(FieldTable table, const char* role);
// The instances of parameter id (0 for none).
int InstancesOf(int id);

// List selection: shared with every page through the field mechanism.
using field_ui::SelectedItem;
using field_ui::SelectItem;
using field_ui::SetListText;

// Device bytes (code page 936) <-> widget text.
std::string TextOf(const QLineEdit* edit);
std::string TextOf(const QComboBox* list);
void SetText(QLineEdit* edit, std::string_view gbk);

// The page font: "Tahoma" of one point per 50 pixels of client height.
QFont PageFont(int clientHeight);

// The "提示" OK/Cancel question (TipBox::AskOkCancel); true for OK. Tests replace the
// box with a hook (an empty hook restores the box).
bool AskOkCancel(QWidget* parent, const QString& text);
void SetAskHook(std::function<bool(const QString&)> hook);

}  // namespace station_ui
