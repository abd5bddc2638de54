#pragma once
// The terminal page ("终端参数"): protocol, work mode, addresses, password and the
// report interval, with the "更多参数" sub-page. The protocol choice decides which
// fields are shown and sets ListingProtocolKind().
#include <QWidget>
#include <string>

#include "config/cfg_page.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "config/ui/station/terminal1_dlg.h"
#include "widgets/fraction_layout.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

class CRTUCfgTerminalDlg : public QWidget, public CfgFieldPage {
  Q_OBJECT
 public:
  static constexpr int kProtocolId = 1324;
  static constexpr int kWorkModeId = 1307;
  static constexpr int kStationAddressId = 1327;
  static constexpr int kPasswordId = 1284;
  static constexpr int kCenterAddressId = 1283;
  static constexpr int kReportLabelId = 1330;
  static constexpr int kReportIntervalId = 1285;
  static constexpr int kMoreId = 1322;

  // Builds and initialises the page (first items selected, sub-page hidden, the
  // report interval hidden until a protocol layout is applied).
  explicit CRTUCfgTerminalDlg(QWidget* parent = nullptr);

  // The parameters of field_tables::kTerminal.
  static bool Owns(int id) { return TableLists(field_tables::kTerminal, id); }
  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

  // The protocol's layout on both pages; sets ListingProtocolKind().
  void ApplyProtocolLayout();
  // The report interval's label and visibility for the protocol, on this page only.
  void RefreshReportField();

  // The station address as shown (the default .cfg file name uses it).
  std::string StationAddress() const;

  CRTUCfgTerminal1Dlg* MorePage() const { return more_; }
  QComboBox* ProtocolList() const { return protocol_; }
  QComboBox* WorkModeList() const { return workMode_; }
  QLabel* ReportLabel() const { return reportLabel_; }
  QLineEdit* ReportInterval() const { return reportInterval_; }
  QCheckBox* MoreCheck() const { return moreCheck_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  enum class Family { Hydrology, Water16, Water21 };
  Family SelectedFamily() const;
  void ShowReportField(Family f);
  void OnMoreClicked(bool checked);

  QComboBox* protocol_ = nullptr;
  QComboBox* workMode_ = nullptr;
  QLineEdit* stationAddress_ = nullptr;
  QLineEdit* password_ = nullptr;
  QLineEdit* centerAddress_ = nullptr;
  QLabel* reportLabel_ = nullptr;
  QLineEdit* reportInterval_ = nullptr;
  QLabel* reportHint_ = nullptr;
  QCheckBox* moreCheck_ = nullptr;
  CRTUCfgTerminal1Dlg* more_ = nullptr;
  FractionLayout layout_;
};
