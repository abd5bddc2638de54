#pragma once
// The "短信参数" page: configuration by SMS on or off, and the numbers allowed to do it.
#include <QWidget>
#include <string>

#include "config/cfg_page.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "widgets/fraction_layout.h"

class QComboBox;
class QLineEdit;

class CRTUCfgSmsDlg : public QWidget, public CfgFieldPage {
  Q_OBJECT
 public:
  static constexpr int kSmsSetId = 1317;
  static constexpr int kAdminNoId = 1320;

  // Builds the page; the template's second, unused pair of rows is hidden.
  explicit CRTUCfgSmsDlg(QWidget* parent = nullptr);

  // The parameters of field_tables::kSms.
  static bool Owns(int id) { return TableLists(field_tables::kSms, id); }

  QComboBox* SmsSetList() const { return smsSet_; }
  QLineEdit* AdminNumbers() const { return adminNo_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QComboBox* smsSet_ = nullptr;
  QLineEdit* adminNo_ = nullptr;
  FractionLayout layout_;
};
