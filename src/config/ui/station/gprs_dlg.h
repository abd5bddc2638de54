#pragma once
// The centre address page ("中心地址参数"): the number of centres in use, four
// centres on tabs (each a CRTUCfgGprs2Dlg) and the two DNS server addresses.
#include <QWidget>
#include <array>
#include <string>

#include "config/cfg_page.h"
#include "config/ui/station/gprs2_dlg.h"
#include "config/station_codes.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "widgets/fraction_layout.h"

class QComboBox;
class QLineEdit;
class QTabBar;

class CRTUCfgGprsDlg : public QWidget, public CfgFieldPage {
  Q_OBJECT
 public:
  static constexpr int kServerCountId = 1257;
  static constexpr int kTabId = 1258;
  static constexpr int kDnsMainId = 1259;
  static constexpr int kDnsBackupId = 1260;

  // Builds the page and initialises it (four tabs, count "0", every centre closed).
  explicit CRTUCfgGprsDlg(ICfgWorkspace* workspace, QWidget* parent = nullptr);

  // The parameters of field_tables::kCenterAddress.
  static bool Owns(int id) { return TableLists(field_tables::kCenterAddress, id); }
  void LoadFromTable(int id, int index, const std::string& text) override;

  // Shows the count and opens centres 1..n (at most the four there are), closes the rest.
  void SetServerCount(const std::string& text);

  CRTUCfgGprs2Dlg* Center(int n) const { return centers_[n]; }  // n = 0..3
  QComboBox* ServerCountList() const { return count_; }
  QTabBar* Tabs() const { return tabs_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void OpenCenters(int n);
  void ShowCenter(int n);

  std::array<CRTUCfgGprs2Dlg*, station_codes::kCenterCount> centers_{};
  QTabBar* tabs_ = nullptr;
  QComboBox* count_ = nullptr;
  QLineEdit* dns_[2] = {};
  FractionLayout layout_;
};
