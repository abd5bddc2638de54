#pragma once
// Base of the sub-pages of a channel source page ("通道属性", "通信参数", "报警参数"): the
// parameter fields of ONE source instance (one "Com", "Adc", "In io" or "Counter" record
// instance), so the routing addresses a field by parameter id alone.
//
// How a sub-page is written:
//   class CRTUCfgChnFooDlg : public CRTUCfgChnSubDlg {
//     CRTUCfgChnFooDlg(QWidget* parent) : CRTUCfgChnSubDlg(parent) {
//       AddField(57, channel_codes::kOnOff);   // every field, in the order a newly
//       AddField(58);                          // created window applies them
//     }
//     void BuildControls() override {          // once, on first use
//       QComboBox* c = station_ui::MakeList(this, "ifOpenCombo", 0, {}, true);
//       AddRow(0, 0, "采集开启：", c);          // label, control, hint at a grid place
//       Attach(57, c);                         // fills the items, shows the stored value
//       ...
//     }
//   };
//
// Stored values: every field holds the text last loaded (empty at construction) from
// construction on, so the workspace loads and saves a source whose page was never
// opened; SetField/GetField follow CfgField's rules (an untouched field gives its
// loaded text back unchanged). Create() builds the controls once and shows the stored
// values (the source page calls it when it is first shown). UI thread only.
#include <QWidget>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/field_code.h"
#include "config/ui/fields/cfg_field.h"
#include "widgets/fraction_layout.h"

class QLabel;

class CRTUCfgChnSubDlg : public QWidget {
  Q_OBJECT
 public:
  explicit CRTUCfgChnSubDlg(QWidget* parent = nullptr);

  // Load side: the field of parameter id stores text (and shows it once created).
  // false when this sub-page has no such field.
  bool SetField(int id, const std::string& text);
  // Save side: the field's value; std::nullopt when it holds none (or there is no such field).
  std::optional<std::string> GetField(int id) const;
  bool HasField(int id) const { return fields_.count(id) != 0; }
  CfgField* Field(int id) const;
  // Parameter ids of the fields, in application order.
  const std::vector<int>& FieldIds() const { return order_; }

  // Builds the controls on first use (BuildControls, then every field shows its stored
  // value, in field order); later calls do nothing.
  void Create();
  bool Created() const { return created_; }

  // "报警参数" pages with a linkage group: shows or hides the linkage target, linkage
  // state and camera rows. Others ignore it.
  virtual void ShowAlarmLinkage(bool show) { (void)show; }
  // "通道属性" pages: whether "更多参数" is ticked; the source page asks it when the alarm
  // tab is opened.
  virtual bool MoreParamsChecked() const { return false; }
  // "通道属性" pages: refills the element list for the current protocol, keeping its text.
  virtual void RefreshElementList() {}

 protected:
  // Declares the field of parameter id (constructor only, in application order).
  CfgField* AddField(int id, const FieldCode& code = TextField());
  // Builds the controls; called once by Create().
  virtual void BuildControls() = 0;
  // Binds a built control to the field of id.
  void Attach(int id, QWidget* control);

  // One row of the two-column grid: label, control and optional hint, placed at column
  // 0 or 1 and row 0..kRows-1; a long hint may take more of the width than the usual
  // 0.14. Returns the row so that pages can show or hide it whole.
  struct Row {
    QLabel* label = nullptr;
    QWidget* control = nullptr;
    QLabel* hint = nullptr;
    void SetVisible(bool visible) const;
  };
  static constexpr int kRows = 8;
  Row AddRow(int column, int row, const char* label, QWidget* control, const char* hint = nullptr,
             double hintWidth = 0.14, double labelWidth = 0.2);
  // Places any other widget at fractions of the sub-page.
  FractionLayout& Layout() { return layout_; }

  void resizeEvent(QResizeEvent* event) override;

 private:
  std::map<int, CfgField*> fields_;
  std::vector<int> order_;
  bool created_ = false;
  FractionLayout layout_;
};
