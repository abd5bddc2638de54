#pragma once
// The property sub-pages of the source pages: "通道属性" of serial, ADC, SDI and GRAY
// sources (CRTUCfgChnProperDlg) and of pulse counters (CRTUCfgChnCommRainDlg), and
// "通信参数" of ADC and serial sources (CRTUCfgChnCommAdcDlg, CRTUCfgChnCommComDlg). Each
// builds a control per row of its field table (config/field_tables.h) and places it with
// its label and hint in the grid.
#include <vector>

#include "config/ui/channels/chn_sub_dlg.h"
#include "config/field_tables.h"

class QCheckBox;
class QComboBox;
class QGroupBox;

class CRTUCfgChnRowsDlg : public CRTUCfgChnSubDlg {
  Q_OBJECT
 public:
  // Where a table row goes.
  struct Place {
    int column, row;
    const char* hint;  // nullptr: none
    bool more;         // shown only while "更多参数" is ticked
    bool report;       // the report interval: greyed unless the protocol selector is 0
    double labelWidth = 0.2;  // of the sub-page's width
    double hintWidth = 0.14;
  };

  // "更多参数" (only on pages that have one).
  void ShowMoreParams(bool show);
  bool MoreParamsChecked() const override;
  // Empties the element list, refills it for ListingProtocolKind() and puts its text back.
  void RefreshElementList() override;

  QCheckBox* MoreCheck() const { return more_; }
  QComboBox* ElementList() const { return element_; }
  // The control of parameter id once created; nullptr before.
  QWidget* ControlOf(int id) const;

 protected:
  // table: the fields in the order a new window applies them; places: one per row;
  // withMore: the page has "更多参数".
  CRTUCfgChnRowsDlg(FieldTable table, std::vector<Place> places, bool withMore, QWidget* parent);
  void BuildControls() override;

 private:
  FieldTable table_;
  std::vector<Place> places_;
  std::vector<Row> rows_;
  bool withMore_;
  QCheckBox* more_ = nullptr;
  QComboBox* element_ = nullptr;
};

// "通道属性" of serial, ADC, SDI and GRAY sources: table is field_tables::kComProper,
// kAdcProper, kSdiProper or kGrayProper (the same rows for each family).
class CRTUCfgChnProperDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  explicit CRTUCfgChnProperDlg(FieldTable table, QWidget* parent = nullptr);
};

// "通道属性" of pulse counters (field_tables::kCounterProper).
class CRTUCfgChnCommRainDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  explicit CRTUCfgChnCommRainDlg(QWidget* parent = nullptr);
};

// "通信参数" of ADC sources: input type and the two pairs of range values
// (field_tables::kAdcRange).
class CRTUCfgChnCommAdcDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  explicit CRTUCfgChnCommAdcDlg(QWidget* parent = nullptr);
};

// "通信参数" of a serial sensor source (field_tables::kComComm): the RTU interface the
// sensor hangs on, its line settings, the sensor protocol and, for MODBUS sensors, slave
// address, function code, registers and the layout of the value in them. The fields do
// not depend on each other: every field stays visible and enabled whatever the protocol.
class CRTUCfgChnCommComDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  explicit CRTUCfgChnCommComDlg(QWidget* parent = nullptr);
  QGroupBox* ModbusGroup() const { return modbus_; }

 protected:
  void BuildControls() override;

 private:
  QGroupBox* modbus_ = nullptr;
};
