#include "config/ui/channels/chn_proper_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>

#include "config/channel_codes.h"
#include "config/ui/station/station_widgets.h"
#include "protocol/listing.h"

namespace codes = channel_codes;
using Place = CRTUCfgChnRowsDlg::Place;

namespace {
// The places of the rows of field_tables::kComProper, kAdcProper, kSdiProper and kGrayProper.
// Element and accuracy stay visible without "更多参数": they head the right column.
std::vector<Place> ProperPlaces() {
  return {{0, 0, nullptr, true, false},      {0, 1, "(0~65535s)", true, false},
          {0, 2, "(min)", true, false},      {0, 3, nullptr, true, true},
          {0, 4, nullptr, true, false},      {0, 5, "(0~255s)", true, false},
          {1, 0, nullptr, false, false},     {1, 1, nullptr, false, false},
          {1, 2, nullptr, true, false},      {1, 3, nullptr, true, false},
          {1, 4, nullptr, true, false}};
}

// field_tables::kCounterProper.
std::vector<Place> CounterPlaces() {
  return {{0, 0, nullptr, true, false},  {0, 1, nullptr, true, false}, {0, 2, "(min)", true, false},
          {0, 3, nullptr, true, false},  {0, 4, "(min)", true, true},  {0, 5, "(ms)", true, false},
          {1, 2, "(0~255s)", true, false}, {1, 0, nullptr, false, false}, {1, 1, nullptr, false, false},
          {1, 3, nullptr, true, false},  {1, 4, nullptr, true, false}, {1, 5, nullptr, true, false}};
}

// field_tables::kAdcRange: one column, its labels ("输入电压(电流)最大值：") and hints wider than
// two columns leave room for.
std::vector<Place> AdcRangePlaces() {
  constexpr double kLabel = 0.3, kHint = 0.22;
  return {{0, 0, nullptr, false, false, kLabel, kHint},
          {0, 1, "(电压0~5V)", false, false, kLabel, kHint},
          {0, 2, "(电流4~20mA)", false, false, kLabel, kHint},
          {0, 3, nullptr, false, false, kLabel, kHint},
          {0, 4, nullptr, false, false, kLabel, kHint}};
}

// field_tables::kComComm: the line settings and the protocol on the left, MODBUS on the right.
std::vector<Place> ComCommPlaces() {
  return {{0, 0, nullptr, false, false},     {0, 1, nullptr, false, false},
          {0, 2, nullptr, false, false},     {1, 1, "(0~255)", false, false},
          {1, 2, "(0~255)", false, false},   {1, 3, "(0~65535)", false, false},
          {1, 4, "(0~255)", false, false},   {1, 5, nullptr, false, false},
          {0, 3, nullptr, false, false}};
}
}  // namespace

CRTUCfgChnRowsDlg::CRTUCfgChnRowsDlg(FieldTable table, std::vector<Place> places, bool withMore,
                                     QWidget* parent)
    : CRTUCfgChnSubDlg(parent), table_(table), places_(std::move(places)), withMore_(withMore) {
  Q_ASSERT(places_.size() == table_.size());
  for (const FieldRow& r : table_) AddField(r.id, CodeOf(r));
}

void CRTUCfgChnRowsDlg::BuildControls() {
  for (size_t i = 0; i < table_.size(); ++i) {
    const FieldRow& r = table_[i];
    const Place& p = places_[i];
    QWidget* control = nullptr;
    if (r.control == FieldControl::Edit) {
      control = station_ui::MakeEdit(this, "", 0);
    } else {
      QComboBox* list = station_ui::MakeList(this, "", 0, {}, true);
      if (r.control == FieldControl::Element) {
        element_ = list;
        for (const char* name : codes::ElementCatalogue(ListingProtocolKind().load()))
          list->addItem(QString::fromUtf8(name));
        field_ui::SelectItem(list, 0);
      }
      control = list;
    }
    control->setObjectName(r.role ? QString::fromLatin1(r.role) : QStringLiteral("field%1").arg(r.id));
    rows_.push_back(AddRow(p.column, p.row, r.label, control, p.hint, p.hintWidth, p.labelWidth));
  }
  if (withMore_) {
    more_ = new QCheckBox(QStringLiteral("更多参数"), this);
    more_->setObjectName(QStringLiteral("moreCheck"));
    Layout().Add(more_, 0.51, 0.03 + 6 * (0.94 / kRows), 0.3, 0.94 / kRows * 0.7);
    connect(more_, &QCheckBox::clicked, this, [this](bool checked) { ShowMoreParams(checked); });
    ShowMoreParams(false);
  }
  // Every stored value, in field order.
  for (size_t i = 0; i < table_.size(); ++i) Attach(table_[i].id, rows_[i].control);
}

void CRTUCfgChnRowsDlg::ShowMoreParams(bool show) {
  if (!more_) return;
  more_->setChecked(show);
  for (size_t i = 0; i < places_.size(); ++i) {
    if (!places_[i].more) continue;
    rows_[i].SetVisible(show);
    // The report interval is not used by the water-resources protocols: greyed, kept, saved.
    if (places_[i].report) rows_[i].control->setEnabled(ListingProtocolKind().load() == 0);
  }
}

bool CRTUCfgChnRowsDlg::MoreParamsChecked() const { return more_ && more_->isChecked(); }

void CRTUCfgChnRowsDlg::RefreshElementList() {
  for (const FieldRow& r : table_) {
    if (r.control != FieldControl::Element) continue;
    if (CfgField* f = Field(r.id)) f->SetItems(codes::ElementCatalogue(ListingProtocolKind().load()));
  }
}

QWidget* CRTUCfgChnRowsDlg::ControlOf(int id) const {
  const CfgField* f = Field(id);
  return f ? f->Control() : nullptr;
}

CRTUCfgChnProperDlg::CRTUCfgChnProperDlg(FieldTable table, QWidget* parent)
    : CRTUCfgChnRowsDlg(table, ProperPlaces(), true, parent) {
  setObjectName(QStringLiteral("chnProperPage"));
}

CRTUCfgChnCommRainDlg::CRTUCfgChnCommRainDlg(QWidget* parent)
    : CRTUCfgChnRowsDlg(field_tables::kCounterProper, CounterPlaces(), true, parent) {
  setObjectName(QStringLiteral("chnCommRainPage"));
}

CRTUCfgChnCommAdcDlg::CRTUCfgChnCommAdcDlg(QWidget* parent)
    : CRTUCfgChnRowsDlg(field_tables::kAdcRange, AdcRangePlaces(), false, parent) {
  setObjectName(QStringLiteral("chnCommAdcPage"));
}

CRTUCfgChnCommComDlg::CRTUCfgChnCommComDlg(QWidget* parent)
    : CRTUCfgChnRowsDlg(field_tables::kComComm, ComCommPlaces(), false, parent) {
  setObjectName(QStringLiteral("chnCommComPage"));
}

void CRTUCfgChnCommComDlg::BuildControls() {
  // The group frame sits behind the MODBUS rows of the right column; its rows stay
  // children of the page like every other control.
  modbus_ = new QGroupBox(QStringLiteral("MODBUS"), this);
  Layout().Add(modbus_, 0.495, 0.075, 0.49, 0.66);
  CRTUCfgChnRowsDlg::BuildControls();
  modbus_->lower();
}
