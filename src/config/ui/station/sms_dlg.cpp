#include "config/ui/station/sms_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"

using namespace station_ui;
namespace codes = station_codes;

CRTUCfgSmsDlg::CRTUCfgSmsDlg(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("smsPage"));
  const FieldTable& table = field_tables::kSms;
  const char* setText = LabelOf(table, "smsSetCombo");
  const char* noText = LabelOf(table, "smsAdminEdit");
  QLabel* setLabel = MakeLabel(this, setText);
  smsSet_ = MakeList(this, "smsSetCombo", kSmsSetId, codes::kSmsSet.items, true);
  QLabel* noLabel = MakeLabel(this, noText);
  adminNo_ = MakeEdit(this, "smsAdminEdit", kAdminNoId);
  QLabel* hint = MakeLabel(this, "(多个号码逗号隔开)");
  layout_.Add(setLabel, 0.05, 0.06, 0.25, 0.06);
  layout_.Add(smsSet_, 0.31, 0.06, 0.2, 0.06);
  layout_.Add(noLabel, 0.05, 0.16, 0.25, 0.06);
  layout_.Add(adminNo_, 0.31, 0.16, 0.4, 0.06);
  layout_.Add(hint, 0.72, 0.16, 0.26, 0.06);

  // The template's second pair of rows carries no parameter: hidden, its list at item 0.
  QLabel* spareSetLabel = MakeLabel(this, setText, 1318);
  QComboBox* spareSet = MakeList(this, "spareSmsSetCombo", 1307, codes::kSmsSet.items, true);
  QLabel* spareNoLabel = MakeLabel(this, noText, 1321);
  QLineEdit* spareNo = MakeEdit(this, "spareSmsAdminEdit", 1315);
  QLabel* spareHint = MakeLabel(this, "(多个号码逗号隔开)", 1367);
  for (QWidget* w : {static_cast<QWidget*>(spareSetLabel), static_cast<QWidget*>(spareSet),
                     static_cast<QWidget*>(spareNoLabel), static_cast<QWidget*>(spareNo),
                     static_cast<QWidget*>(spareHint)})
    w->hide();
  SelectItem(spareSet, 0);
  BindRows(fields_, table, this);
  layout_.Apply(this);
}

void CRTUCfgSmsDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
