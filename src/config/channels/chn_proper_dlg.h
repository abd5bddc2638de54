#pragma once
// The property sub-pages of the source pages: "通道属性" of serial, ADC, SDI and GRAY
// sources (CRTUCfgChnProperDlg) and of pulse counters (CRTUCfgChnCommRainDlg), and
// "通信参数" of ADC sources (CRTUCfgChnCommAdcDlg). Each is a table of rows: label,
// control (edit or editable list) and hint, bound to one parameter field.
#include <vector>

#include "config/channels/chn_sub_dlg.h"

class QCheckBox;
class QComboBox;

class CRTUCfgChnRowsDlg : public CRTUCfgChnSubDlg {
  Q_OBJECT
 public:
  enum class Control { Edit, List, Element };
  struct RowSpec {
    int id;
    const char* label;
    const char* hint;  // nullptr: none
    const FieldCode* code;
    Control control;
    int column, row;
    bool more;    // shown only while "更多参数" is ticked
    bool report;  // the report interval: greyed unless the protocol selector is 0
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
  // rows in the order a new window applies them; withMore: the page has "更多参数".
  CRTUCfgChnRowsDlg(std::vector<RowSpec> rows, bool withMore, QWidget* parent);
  void BuildControls() override;

 private:
  std::vector<RowSpec> specs_;
  std::vector<Row> rows_;
  bool withMore_;
  QCheckBox* more_ = nullptr;
  QComboBox* element_ = nullptr;
};

// "通道属性" of serial, ADC, SDI and GRAY sources. ifOpenId: the family's 采集开启
// (57 Adc, 81 Com, 108 Sdi, 127 Gray); collectId: its 数据采集间隔 (58, 83, 109, 128), which
// the other nine fields follow in id order.
class CRTUCfgChnProperDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  CRTUCfgChnProperDlg(int ifOpenId, int collectId, QWidget* parent = nullptr);
};

// "通道属性" of pulse counters (the "Counter" records, ids 39-50).
class CRTUCfgChnCommRainDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  explicit CRTUCfgChnCommRainDlg(QWidget* parent = nullptr);
};

// "通信参数" of ADC sources: input type and the two pairs of range values (ids 68-72).
class CRTUCfgChnCommAdcDlg : public CRTUCfgChnRowsDlg {
  Q_OBJECT
 public:
  explicit CRTUCfgChnCommAdcDlg(QWidget* parent = nullptr);
};
