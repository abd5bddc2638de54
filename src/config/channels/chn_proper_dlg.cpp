#include "config/channels/chn_proper_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include "config/channel_codes.h"
#include "config/station/station_widgets.h"
#include "protocol/listing.h"

namespace codes = channel_codes;
using Control = CRTUCfgChnRowsDlg::Control;
using RowSpec = CRTUCfgChnRowsDlg::RowSpec;

namespace {
const FieldCode kText = TextField();
const FieldCode kStoreInterval = TextField(codes::kStoreIntervalItems);
const FieldCode kAccuracy = TextField(codes::kAccuracyItems);
const FieldCode kUnit = TextField(codes::kUnitItems);
const FieldCode kElement = TextField();  // items filled at run time

std::vector<RowSpec> ProperRows(int ifOpen, int c) {
  // Element and accuracy stay visible without "更多参数": they head the right column.
  return {
      {ifOpen, "采集开启：", nullptr, &codes::kOnOff, Control::List, 0, 0, true, false},
      {c, "数据采集间隔：", "(0~65535s)", &kText, Control::Edit, 0, 1, true, false},
      {c + 1, "数据存储间隔：", "(min)", &kStoreInterval, Control::List, 0, 2, true, false},
      {c + 3, "上报间隔：", nullptr, &kText, Control::Edit, 0, 3, true, true},
      {c + 2, "上报开启：", nullptr, &codes::kOnOff, Control::List, 0, 4, true, false},
      {c + 4, "上电延时：", "(0~255s)", &kText, Control::Edit, 0, 5, true, false},
      {c + 5, "采集精度：", nullptr, &kAccuracy, Control::List, 1, 0, false, false},
      {c + 6, "采集要素：", nullptr, &kElement, Control::Element, 1, 1, false, false},
      {c + 7, "采集单位：", nullptr, &kUnit, Control::List, 1, 2, true, false},
      {c + 8, "采集基值：", nullptr, &kText, Control::Edit, 1, 3, true, false},
      {c + 9, "采集修正值：", nullptr, &kText, Control::Edit, 1, 4, true, false},
  };
}

std::vector<RowSpec> RainRows() {
  return {
      {39, "采集开启：", nullptr, &codes::kOnOff, Control::List, 0, 0, true, false},
      {40, "计数方式：", nullptr, &codes::kCountMode, Control::List, 0, 1, true, false},
      {41, "数据存储间隔：", "(min)", &kText, Control::Edit, 0, 2, true, false},
      {42, "上报开启：", nullptr, &codes::kOnOff, Control::List, 0, 3, true, false},
      {43, "上报间隔：", "(min)", &kText, Control::Edit, 0, 4, true, true},
      {44, "防抖时间：", "(ms)", &kText, Control::Edit, 0, 5, true, false},
      {45, "上电延时：", "(0~255s)", &kText, Control::Edit, 1, 2, true, false},
      {46, "采样精度：", nullptr, &kAccuracy, Control::List, 1, 0, false, false},
      {47, "采样要素：", nullptr, &kElement, Control::Element, 1, 1, false, false},
      {48, "数据单位：", nullptr, &kUnit, Control::List, 1, 3, true, false},
      {49, "采样基值：", nullptr, &kText, Control::Edit, 1, 4, true, false},
      {50, "采样修正值：", nullptr, &kText, Control::Edit, 1, 5, true, false},
  };
}

std::vector<RowSpec> AdcRangeRows() {
  return {
      {68, "采样类型：", nullptr, &codes::kInputType, Control::List, 0, 0, false, false},
      {69, "输入电压(电流)最大值：", "(电压0~5V)", &kText, Control::Edit, 0, 1, false, false},
      {70, "输入电压(电流)最小值：", "(电流4~20mA)", &kText, Control::Edit, 0, 2, false, false},
      {71, "上量程：", nullptr, &kText, Control::Edit, 1, 1, false, false},
      {72, "下量程：", nullptr, &kText, Control::Edit, 1, 2, false, false},
  };
}
}  // namespace

CRTUCfgChnRowsDlg::CRTUCfgChnRowsDlg(std::vector<RowSpec> rows, bool withMore, QWidget* parent)
    : CRTUCfgChnSubDlg(parent), specs_(std::move(rows)), withMore_(withMore) {
  for (const RowSpec& r : specs_) AddField(r.id, *r.code);
}

void CRTUCfgChnRowsDlg::BuildControls() {
  for (const RowSpec& r : specs_) {
    QWidget* control = nullptr;
    if (r.control == Control::Edit) {
      control = station_ui::MakeEdit(this, "", 0);
    } else {
      QComboBox* list = station_ui::MakeList(this, "", 0, {}, true);
      if (r.control == Control::Element) {
        element_ = list;
        for (const char* name : codes::ElementCatalogue(ListingProtocolKind().load()))
          list->addItem(QString::fromUtf8(name));
        field_ui::SelectItem(list, 0);
      }
      control = list;
    }
    control->setObjectName(QStringLiteral("field%1").arg(r.id));
    rows_.push_back(AddRow(r.column, r.row, r.label, control, r.hint));
  }
  if (withMore_) {
    more_ = new QCheckBox(QStringLiteral("更多参数"), this);
    more_->setObjectName(QStringLiteral("moreCheck"));
    Layout().Add(more_, 0.51, 0.03 + 6 * (0.94 / kRows), 0.3, 0.94 / kRows * 0.7);
    connect(more_, &QCheckBox::clicked, this, [this](bool checked) { ShowMoreParams(checked); });
    ShowMoreParams(false);
  }
  // Every stored value, in field order.
  for (size_t i = 0; i < specs_.size(); ++i) Attach(specs_[i].id, rows_[i].control);
}

void CRTUCfgChnRowsDlg::ShowMoreParams(bool show) {
  if (!more_) return;
  more_->setChecked(show);
  for (size_t i = 0; i < specs_.size(); ++i) {
    if (!specs_[i].more) continue;
    rows_[i].SetVisible(show);
    // The report interval is not used by the water-resources protocols: greyed, kept, saved.
    if (specs_[i].report) rows_[i].control->setEnabled(ListingProtocolKind().load() == 0);
  }
}

bool CRTUCfgChnRowsDlg::MoreParamsChecked() const { return more_ && more_->isChecked(); }

void CRTUCfgChnRowsDlg::RefreshElementList() {
  for (const RowSpec& r : specs_) {
    if (r.control != Control::Element) continue;
    if (CfgField* f = Field(r.id)) f->SetItems(codes::ElementCatalogue(ListingProtocolKind().load()));
  }
}

QWidget* CRTUCfgChnRowsDlg::ControlOf(int id) const {
  const CfgField* f = Field(id);
  return f ? f->Control() : nullptr;
}

CRTUCfgChnProperDlg::CRTUCfgChnProperDlg(int ifOpenId, int collectId, QWidget* parent)
    : CRTUCfgChnRowsDlg(ProperRows(ifOpenId, collectId), true, parent) {
  setObjectName(QStringLiteral("chnProperPage"));
}

CRTUCfgChnCommRainDlg::CRTUCfgChnCommRainDlg(QWidget* parent)
    : CRTUCfgChnRowsDlg(RainRows(), true, parent) {
  setObjectName(QStringLiteral("chnCommRainPage"));
}

CRTUCfgChnCommAdcDlg::CRTUCfgChnCommAdcDlg(QWidget* parent)
    : CRTUCfgChnRowsDlg(AdcRangeRows(), false, parent) {
  setObjectName(QStringLiteral("chnCommAdcPage"));
}
