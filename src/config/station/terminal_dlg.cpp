#include "config/station/terminal_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "config/station/station_widgets.h"
#include "config/station_codes.h"
#include "protocol/listing.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;
namespace codes = station_codes;

namespace {
constexpr const char* kTimedReport = "定时上报时间：";
constexpr const char* kQuantityReport = "电量上报间隔：";
}  // namespace

CRTUCfgTerminalDlg::CRTUCfgTerminalDlg(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("terminalPage"));
  QLabel* protocolLabel = MakeLabel(this, "通信协议：");
  protocol_ = MakeList(this, "protocolCombo", kProtocolId, codes::kProtocol.items, true);
  QLabel* workModeLabel = MakeLabel(this, "工作模式：");
  workMode_ = MakeList(this, "workModeCombo", kWorkModeId, codes::kWorkModeItems, true);
  QLabel* stationLabel = MakeLabel(this, "遥测站地址：");
  stationAddress_ = MakeEdit(this, "stationAddressEdit", kStationAddressId);
  QLabel* passwordLabel = MakeLabel(this, "通信密码：");
  password_ = MakeEdit(this, "passwordEdit", kPasswordId);
  QLabel* centerLabel = MakeLabel(this, "中心站地址：");
  centerAddress_ = MakeEdit(this, "centerAddressEdit", kCenterAddressId);
  reportLabel_ = MakeLabel(this, kTimedReport, kReportLabelId);
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
  reportLabel_->setText(QString::fromUtf8(f == Family::Water21 ? kQuantityReport : kTimedReport));
  const bool show = f != Family::Water16;
  reportLabel_->setVisible(show);
  reportInterval_->setVisible(show);
  reportHint_->setVisible(show);
}

void CRTUCfgTerminalDlg::ApplyProtocolLayout() {
  const Family f = SelectedFamily();
  g_nProtocolKind.store(f == Family::Water21 ? 2 : f == Family::Water16 ? 1 : 0);
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

// The value of a setting the device lists only on some firmware: the list's item while
// the last listing had it, else the kept text. The kept text follows the list's
// selection, so that a later listing or file without the setting (which hides the
// row) gives back what the page showed instead of an older text.
std::string CRTUCfgTerminalDlg::ListedOrKept(bool listed, const QComboBox* list, std::string& kept) {
  if (!listed) return kept;
  const int item = SelectedItem(list);
  if (item >= 0) kept = codes::NumberOfItem(item);
  return codes::NumberOfItem(item);
}

std::optional<std::string> CRTUCfgTerminalDlg::SaveToTable(int id, int index) {
  if (index != 0) return std::string();
  CRTUCfgTerminal1Dlg& m = *more_;
  switch (id) {
    case 0: return codes::NumberOfItem(SelectedItem(workMode_));
    case 1: return debugLevel_;
    case 2: return debugSpeed_;
    case 3: return debugParity_;
    case 4: return TextOf(stationAddress_);
    case 5: return TextOf(centerAddress_);
    case 6: return TextOf(password_);
    case 7: return codes::ValueOfItem(codes::kProtocol, SelectedItem(protocol_));
    case 8: return codes::NumberOfItem(SelectedItem(m.hourlySwitch));
    case 9: return TextOf(m.evenInterval);
    case 10: return TextOf(reportInterval_);
    case 11: return TextOf(m.alarmInterval);
    case 12: return TextOf(m.rainBegin);
    case 13: return codes::ValueOfItem(codes::kUploadByLose, SelectedItem(m.uploadByLose));
    case 14: return TextOf(m.simNo);
    case 15: return TextOf(m.stationType);
    case 16: return TextOf(m.timeStep);
    case 17: return TextOf(m.lowVolt);
    case 27: return TextOf(m.heartbeat);
    case 162:
      m.ShowWaterOrderRow(g_bWaterOrderSeen.load() != 0);
      return ListedOrKept(g_bWaterOrderSeen.load() != 0, m.waterOrder, m.keptWaterOrder);
    case 163:
      m.ShowAddressTypeRow(g_bAddressTypeSeen.load() != 0);
      return ListedOrKept(g_bAddressTypeSeen.load() != 0, m.addressType, m.keptAddressType);
    default: return std::string();
  }
}

void CRTUCfgTerminalDlg::LoadFromTable(int id, int index, const std::string& text) {
  if (index != 0) return;
  CRTUCfgTerminal1Dlg& m = *more_;
  auto selectNumber = [&text](QComboBox* list) {
    SelectItem(list, codes::ItemOfNumber(text, list->count()));
  };
  switch (id) {
    case 0: selectNumber(workMode_); break;
    case 1: debugLevel_ = text; break;
    case 2: debugSpeed_ = text; break;
    case 3: debugParity_ = text; break;
    case 4: SetText(stationAddress_, text); break;
    case 5: SetText(centerAddress_, text); break;
    case 6: SetText(password_, text); break;
    case 7: SelectItem(protocol_, codes::ItemOfValue(codes::kProtocol, text)); break;
    case 8: selectNumber(m.hourlySwitch); break;
    case 9: SetText(m.evenInterval, text); break;
    case 10: SetText(reportInterval_, text); break;
    case 11: SetText(m.alarmInterval, text); break;
    case 12: SetText(m.rainBegin, text); break;
    case 13: SelectItem(m.uploadByLose, codes::ItemOfValue(codes::kUploadByLose, text)); break;
    case 14: SetText(m.simNo, text); break;
    case 15: SetListText(m.stationType, FromGbk(text)); break;
    case 16: SetText(m.timeStep, text); break;
    case 17: SetText(m.lowVolt, text); break;
    case 27: SetText(m.heartbeat, text); break;
    case 162:
      m.keptWaterOrder = text;
      if (g_bWaterOrderSeen.load()) selectNumber(m.waterOrder);
      break;
    case 163:
      m.keptAddressType = text;
      if (g_bAddressTypeSeen.load()) selectNumber(m.addressType);
      break;
    default: break;
  }
}

void CRTUCfgTerminalDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
