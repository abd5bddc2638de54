#pragma once
// The "中心其它参数" page: the modem's dial-up settings and two link timers, six
// plain edits whose texts travel unchanged.
#include <QWidget>
#include <string>

#include "config/cfg_page.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "widgets/fraction_layout.h"

class QLineEdit;

class CRTUCfgGprs1Dlg : public QWidget, public CfgFieldPage {
  Q_OBJECT
 public:
  explicit CRTUCfgGprs1Dlg(QWidget* parent = nullptr);

  // The parameters of field_tables::kCenterOther.
  static bool Owns(int id) { return TableLists(field_tables::kCenterOther, id); }

  // The edit of parameter id; nullptr for a parameter not on this page.
  QLineEdit* EditOf(int id) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  static constexpr int kFields = 6;
  QLineEdit* edits_[kFields] = {};
  FractionLayout layout_;
};
