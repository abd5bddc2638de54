#include "config/ui/station/gprs_dlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>

#include "config/field_help.h"
#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;
namespace codes = station_codes;

CRTUCfgGprsDlg::CRTUCfgGprsDlg(ICfgWorkspace* workspace, QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("centerAddressPage"));
  const FieldTable& table = field_tables::kCenterAddress;
  QLabel* countLabel = MakeLabel(this, LabelOf(table, "serverCountCombo"), 1261);
  count_ = MakeList(this, "serverCountCombo", kServerCountId, codes::kServerCountItems, false);
  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("centerTabs"));
  SetControlId(tabs_, kTabId);
  tabs_->setExpanding(false);
  for (int n = 0; n < codes::kCenterCount; ++n) {
    tabs_->addTab(QStringLiteral("  %1%2  ").arg(QStringLiteral("中心")).arg(n + 1));
    centers_[n] = new CRTUCfgGprs2Dlg(this);
    centers_[n]->setObjectName(QStringLiteral("center%1").arg(n + 1));
  }
  auto* dnsGroup = new QGroupBox(QStringLiteral("域名解析DNS参数"), this);
  SetControlId(dnsGroup, 1262);
  QLabel* dnsMainLabel = MakeLabel(this, LabelOf(table, "mainDnsEdit"), 1263);
  dns_[0] = MakeEdit(this, "mainDnsEdit", kDnsMainId);
  const std::string backupDns = field_help::ServerLabel(LabelOf(table, "mainDnsEdit"), true);
  QLabel* dnsBackupLabel = MakeLabel(this, backupDns.c_str(), 1264);
  dns_[1] = MakeEdit(this, "backupDnsEdit", kDnsBackupId);
  dnsGroup->lower();

  layout_.Add(countLabel, 0.03, 0.02, 0.2, 0.06);
  layout_.Add(count_, 0.24, 0.02, 0.15, 0.06);
  layout_.Add(tabs_, 0.02, 0.1, 0.96, 0.06);
  for (CRTUCfgGprs2Dlg* c : centers_) layout_.Add(c, 0.02, 0.16, 0.96, 0.52);
  layout_.Add(dnsGroup, 0.02, 0.7, 0.96, 0.28);
  layout_.Add(dnsMainLabel, 0.05, 0.77, 0.32, 0.07);
  layout_.Add(dns_[0], 0.38, 0.77, 0.4, 0.07);
  layout_.Add(dnsBackupLabel, 0.05, 0.87, 0.32, 0.07);
  layout_.Add(dns_[1], 0.38, 0.87, 0.4, 0.07);

  connect(tabs_, &QTabBar::currentChanged, this, [this](int n) { ShowCenter(n); });
  connect(count_, &QComboBox::activated, this, [this](int item) { OpenCenters(item); });

  // Initialisation: tab 1, count "0", every centre closed, only centre 1 shown.
  tabs_->setCurrentIndex(0);
  SelectItem(count_, 0);
  layout_.Apply(this);
  for (CRTUCfgGprs2Dlg* c : centers_) c->InitCenter(workspace);
  ShowCenter(0);
  // The table's roles name instance 0: the main server of centre 1 (the main DNS
  // server). Of n instances the first n/2 are main and the rest backup servers, instance
  // i of centre i % (n/2) + 1: the centre's control, or the page's own (DNS).
  BindRows(fields_, table, this);
  for (const FieldRow& r : table) {
    const int half = InstancesOf(r.id) / 2;
    const QString main = QString::fromLatin1(r.role);
    const QString backup = QString(main).replace(QLatin1String("main"), QLatin1String("backup"));
    for (int i = 1; i < 2 * half; ++i) {
      const QString role = i >= half ? backup : main;
      QWidget* control = centers_[static_cast<size_t>(i % half)]->findChild<QWidget*>(role);
      if (!control) control = findChild<QWidget*>(role, Qt::FindDirectChildrenOnly);
      if (control) fields_.Add(r.id, i, control, CodeOf(r));
    }
  }
}

void CRTUCfgGprsDlg::ShowCenter(int n) {
  for (int i = 0; i < codes::kCenterCount; ++i) centers_[i]->setVisible(i == n);
}

void CRTUCfgGprsDlg::OpenCenters(int n) {
  for (int i = 0; i < codes::kCenterCount; ++i) {
    if (i < n) centers_[i]->OpenCenter();
    else centers_[i]->CloseCenter();
  }
}

void CRTUCfgGprsDlg::SetServerCount(const std::string& text) {
  if (CfgField* f = fields_.Find(18, 0)) f->Set(text);
  OpenCenters(codes::OpenCentreCount(text));
}

void CRTUCfgGprsDlg::LoadFromTable(int id, int index, const std::string& text) {
  if (id == 18 && index == 0) {
    SetServerCount(text);
    return;
  }
  if (CfgField* f = fields_.Find(id, index)) f->Set(text);
}

void CRTUCfgGprsDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
