#include "config/ui/station/terminal_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"
#include "protocol/listing.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;
namespace codes = station_codes;

namespace {
const FieldTable& kTable = field_tables::kTerminal;
// The report interval's label: its row's for the hydrology protocols, this one for 水资源21.
constexpr const char* kQuantityReport = "电量上报间隔：";
}  // namespace

CRTUCfgTerminalDlg::CRTUCfgTerminalDlg(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("terminalPage"));
  QLabel* protocolLabel = MakeLabel(this, LabelOf(kTable, "protocolCombo"));
  protocol_ = MakeList(this, "protocolCombo", kProtocolId, codes::kProtocol.items, true);
  QLabel* workModeLabel = MakeLabel(this, LabelOf(kTable, "workModeCombo"));
  workMode_ = MakeList(this, "workModeCombo", kWorkModeId, codes::kWorkModeItems, true);
  QLabel* stationLabel = MakeLabel(this, LabelOf(kTable, "stationAddressEdit"));
  stationAddress_ = MakeEdit(this, "stationAddressEdit", kStationAddressId);
  QLabel* passwordLabel = MakeLabel(this, LabelOf(kTable, "passwordEdit"));
  password_ = MakeEdit(this, "passwordEdit", kPasswordId);
  QLabel* centerLabel = MakeLabel(this, LabelOf(kTable, "centerAddressEdit"));
  centerAddress_ = MakeEdit(this, "centerAddressEdit", kCenterAddressId);
  reportLabel_ = MakeLabel(this, LabelOf(kTable, "reportIntervalEdit"), kReportLabelId);
  reportLabel_->setObjectName(QStringLiteral("reportIntervalLabel"));
  reportInterval_ = MakeEdit(this, "reportIntervalEdit", kReportIntervalId);
  reportHint_ = MakeLabel(this, "(单位min)");
  moreCheck_ = new QCheckBox(QStringLiteral("更多参数"), this);
  moreCheck_->setObjectName(QStringLiteral("moreCheck"));
  SetControlId(moreCheck_, kMoreId);
  more_ = new CRTUCfgTerminal1Dlg(this);

  const double lx = 0.02, rx = 0.51, lw = 0.16, fw = 0.2, h = 0.055;
  layout_.Add(protocolLabel, lx, 0.03, lw, h);
  layout_.Add(protocol_, lx + lw, 0.03, fw, h);
  layout_.Add(workModeLabel, rx, 0.03, lw, h);
  layout_.Add(workMode_, rx + lw, 0.03, fw, h);
  layout_.Add(stationLabel, lx, 0.11, lw, h);
  layout_.Add(stationAddress_, lx + lw, 0.11, fw, h);
  layout_.Add(passwordLabel, rx, 0.11, lw, h);
  layout_.Add(password_, rx + lw, 0.11, fw, h);
  layout_.Add(centerLabel, lx, 0.19, lw, h);
  layout_.Add(centerAddress_, lx + lw, 0.19, fw, h);
  layout_.Add(reportLabel_, rx, 0.19, lw, h);
  layout_.Add(reportInterval_, rx + lw, 0.19, fw * 0.6, h);
  layout_.Add(reportHint_, rx + lw + fw * 0.62, 0.19, 0.14, h);
  layout_.Add(moreCheck_, lx, 0.28, 0.3, h);
  layout_.Add(more_, 0.0, 0.36, 1.0, 0.62);

  connect(protocol_, &QComboBox::activated, this, [this] { ApplyProtocolLayout(); });
  connect(moreCheck_, &QCheckBox::clicked, this, [this](bool checked) { OnMoreClicked(checked); });

  // Initialisation.
  SelectItem(workMode_, 0);
  SelectItem(protocol_, 0);
  moreCheck_->setChecked(false);
  more_->ShowAddressTypeRow(false);
  more_->ShowWaterOrderRow(false);
  more_->hide();
  // Every field of the table; 162 and 163 are listed only by some firmware: their rows
  // show while the last listing had them.
  BindRows(fields_, kTable, this);
  reportLabel_->hide();
  reportInterval_->hide();
  reportHint_->hide();
  layout_.Apply(this);
}

CRTUCfgTerminalDlg::Family CRTUCfgTerminalDlg::SelectedFamily() const {
  const int item = SelectedItem(protocol_);
  const std::string value = codes::ValueOfItem(codes::kProtocol, item);
  if (value == "5") return Family::Water21;
  if (value == "2") return Family::Water16;
  return Family::Hydrology;
}

void CRTUCfgTerminalDlg::ShowReportField(Family f) {
  reportLabel_->setText(QString::fromUtf8(f == Family::Water21 ? kQuantityReport
                                                                : LabelOf(kTable, "reportIntervalEdit")));
  const bool show = f != Family::Water16;
  reportLabel_->setVisible(show);
  reportInterval_->setVisible(show);
  reportHint_->setVisible(show);
}

void CRTUCfgTerminalDlg::ApplyProtocolLayout() {
  const Family f = SelectedFamily();
  ListingProtocolKind().store(f == Family::Water21 ? 2 : f == Family::Water16 ? 1 : 0);
  ShowReportField(f);
  more_->ShowHydrologyRows(f == Family::Hydrology);
}

void CRTUCfgTerminalDlg::RefreshReportField() { ShowReportField(SelectedFamily()); }

void CRTUCfgTerminalDlg::OnMoreClicked(bool checked) {
  if (!checked) {
    more_->hide();
    return;
  }
  ApplyProtocolLayout();
  more_->show();
}

std::string CRTUCfgTerminalDlg::StationAddress() const { return TextOf(stationAddress_); }

std::optional<std::string> CRTUCfgTerminalDlg::SaveToTable(int id, int index) {
  if (index != 0) return std::string();
  if (id == 162) more_->ShowWaterOrderRow(ListingWaterOrderSeen().load() != 0);
  if (id == 163) more_->ShowAddressTypeRow(ListingAddressTypeSeen().load() != 0);
  return CfgFieldPage::SaveToTable(id, 0);
}

void CRTUCfgTerminalDlg::LoadFromTable(int id, int index, const std::string& text) {
  if (index == 0) CfgFieldPage::LoadFromTable(id, 0, text);
}

void CRTUCfgTerminalDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
