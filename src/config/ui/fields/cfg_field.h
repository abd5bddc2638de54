#pragma once
// One parameter field of a page: its control, its encoding (FieldCode), the device text
// last loaded into it, and whether the user has changed the control since.
//
//   CfgField f(channel_codes::kOnOff);   // may exist before its control
//   f.Set("2");                           // load: stored "2"; a control would show "关闭"
//   f.Attach(combo);                      // fills the list's items, shows the stored value
//   f.Get();                              // "2": untouched, the device's text comes back
//   ... the user picks "开启" ...
//   f.Get();                              // "1": touched, the encoding applies
//
// Rules:
// - Get() of an untouched field is the stored text, byte for byte (also bytes that are
//   not valid code page 936, and values outside a list): nothing changes on the device
//   unless the user changed it.
// - Only user interaction touches a field: a list's activated (pick, wheel, keys), typing
//   in an edit or an editable list (textEdited), a check box's clicked. Programmatic
//   changes (loading, refilling a list, showing a page, switching a tab) never do.
// - A touched coded list whose text matches none of its items has no value (nullopt);
//   the caller keeps the table's value and says so.
// - Set() always clears the touched state; so does Revert(), which shows the stored text
//   again without a load (a field never loaded keeps what its control shows).
// - A touched field marks the label beside its control (bold, dark orange) until it is
//   untouched again. The label is the one named by SetLabel, else the control's buddy,
//   else the label on its row with the field's own label text (field_help), else the
//   nearest left of the control on its row.
// - A field never Set and never touched holds no device value (nullopt): its control
//   may still show its construction state, so the first load fills it, empty texts too.
// UI thread only.
#include <QColor>
#include <QObject>
#include <QPointer>
#include <map>
#include <utility>
#include <optional>
#include <string>

#include "config/cfg_page.h"
#include "config/field_code.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QWidget;

class CfgField : public QObject {
  Q_OBJECT
 public:
  explicit CfgField(const FieldCode& code = TextField(), QObject* parent = nullptr);

  // Load side: text becomes the stored value; the control (if any) shows it.
  void Set(const std::string& text);
  // Save side: the stored text while untouched, else the control through the encoding.
  std::optional<std::string> Get() const;
  const std::string& Stored() const { return stored_; }
  bool Touched() const { return touched_; }
  // Undoes the user's change: a loaded, touched field shows its stored text again and is
  // untouched. Nothing else changes (a field never loaded stays as it is).
  void Revert();
  // The label that is marked while the field is touched (see the rules above).
  void SetLabel(QLabel* label);
  QLabel* Label() const;

  // Binds the control (QLineEdit, QComboBox or QCheckBox) once: an empty list gets the
  // encoding's items, then the control shows the stored value (unless show is false:
  // a page that set up its control's first state itself).
  void Attach(QWidget* control, bool show = true);
  QWidget* Control() const { return control_; }
  const FieldCode& Code() const { return code_; }

  // Names the parameter instance the field stands for: from then on its control's
  // tooltip tells the field's help (listing label, command word, accepted values) and
  // the value of the last load, refreshed by every Set.
  void SetHelp(int id, int index);
  bool HasHelp() const { return helpId_ >= 0; }
  bool Shows(int id, int index) const { return helpId_ == id && helpIndex_ == index; }

  // Refills a list filled at run time (the element catalogue) and puts back the text it
  // showed; the value and the touched state stay as they are.
  void SetItems(FieldItems items);

 signals:
  // The user changed the control (the field is touched).
  void edited();
  // Touched() changed (an edit after a load or Revert/Set after an edit).
  void touchedChanged(bool touched);

 private:
  void Show();
  void Touch();
  void ShowHelp();
  void SetTouched(bool touched);
  void ShowMark();

  FieldCode code_;
  std::string stored_;
  bool loaded_ = false;
  bool touched_ = false;
  int helpId_ = -1;
  int helpIndex_ = 0;
  QWidget* control_ = nullptr;
  QPointer<QLabel> label_;
  QPointer<QLabel> marked_;  // the label shown marked now
  QLineEdit* edit_ = nullptr;
  QComboBox* list_ = nullptr;
  QCheckBox* check_ = nullptr;
};

// A page's fields by (parameter id, instance), for pages whose controls exist from
// construction. Fields are children of owner.
class CfgFieldMap {
 public:
  explicit CfgFieldMap(QObject* owner) : owner_(owner) {}
  // Binds control to the field of (id, index); the control keeps what it shows until
  // the first Set (show: it shows the empty value at once, as Attach does). The field's
  // help names (id, index).
  CfgField* Add(int id, int index, QWidget* control, const FieldCode& code = TextField(),
                bool show = false);
  CfgField* Find(int id, int index) const;

 private:
  QObject* owner_;
  std::map<std::pair<int, int>, CfgField*> fields_;
};

// A page whose parameters are the fields of its map: a parameter without a field reads
// as "" and ignores loads.
class CfgFieldPage : public ICfgPage {
 public:
  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

 protected:
  explicit CfgFieldPage(QObject* owner) : fields_(owner) {}
  CfgFieldMap fields_;
};

// List selection the way device values need it (shared by every page).
namespace field_ui {
// The item the list's text stands for: the current item while its text is shown, else
// the item whose text equals the typed text exactly; -1 for none.
int SelectedItem(const QComboBox* list);
// Selects item; an item outside the list clears the selection (and an editable list's text).
void SelectItem(QComboBox* list, int item);
// Selects the item with that text; otherwise no item is selected and an editable list
// shows the text.
void SetListText(QComboBox* list, const QString& text);
// The label that names control on its page, among the QLabel children of its parent on
// the control's row: its buddy, else the nearest whose text is text (a closing colon
// aside; a unit after the control may be it), else the nearest left of the control;
// nullptr for none.
QLabel* LabelBeside(const QWidget* control, const QString& text = QString());
// The colour of an edited field's label and of its tree node (with bold text).
inline QColor EditMarkColour() { return QColor(0xC0, 0x50, 0x00); }
// One mark more (marked) or less on label: with any mark it shows bold and dark orange,
// with none as its page's other labels; the count is its "editMarks" property.
void MarkLabel(QLabel* label, bool marked);
}  // namespace field_ui
