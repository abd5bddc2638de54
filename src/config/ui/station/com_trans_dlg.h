#pragma once
// The "串口传输参数" page: the device port used for transparent serial
// transmission, its baud rate and its framing.
#include <QWidget>
#include <string>

#include "config/cfg_page.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "widgets/fraction_layout.h"

class QComboBox;

class CRTUCfgComTransDlg : public QWidget, public CfgFieldPage {
  Q_OBJECT
 public:
  static constexpr int kTypeId = 1234;
  static constexpr int kSpeedId = 1235;
  static constexpr int kParityId = 1236;

  explicit CRTUCfgComTransDlg(QWidget* parent = nullptr);

  // The parameters of field_tables::kComTrans.
  static bool Owns(int id) { return TableLists(field_tables::kComTrans, id); }

  QComboBox* TypeList() const { return type_; }
  QComboBox* SpeedList() const { return speed_; }
  QComboBox* ParityList() const { return parity_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QComboBox* type_ = nullptr;
  QComboBox* speed_ = nullptr;
  QComboBox* parity_ = nullptr;
  FractionLayout layout_;
};
