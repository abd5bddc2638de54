#include "config/ui/station/gprs2_dlg.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "config/cfg_page.h"
#include "config/field_help.h"
#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"

using namespace station_ui;
namespace codes = station_codes;

CRTUCfgGprs2Dlg::CRTUCfgGprs2Dlg(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("centerSubPage"));
  const FieldTable& table = field_tables::kCenterAddress;
  const char* const kMainLabels[4] = {"主中心状态：", LabelOf(table, "mainChannelCombo"),
                                      LabelOf(table, "mainAddressEdit"), LabelOf(table, "mainPortEdit")};
  // The backup server's labels are the main server's, read for the backup.
  std::string backup[4];
  const char* kBackupLabels[4];
  for (int i = 0; i < 4; ++i) {
    backup[i] = field_help::ServerLabel(kMainLabels[i], true);
    kBackupLabels[i] = backup[i].c_str();
  }
  const char* mainRoles[4] = {"mainStateCombo", "mainChannelCombo", "mainAddressEdit",
                              "mainPortEdit"};
  const char* backupRoles[4] = {"backupStateCombo", "backupChannelCombo", "backupAddressEdit",
                                "backupPortEdit"};
  BuildServer(0, "主中心", kMainLabels, mainRoles);
  BuildServer(1, "备中心", kBackupLabels, backupRoles);
}

void CRTUCfgGprs2Dlg::BuildServer(int s, const char* groupText, const char* const labels[4],
                                  const char* roles[4]) {
  Server& v = servers_[s];
  // The frame first, so that the controls lie above it.
  v.group = new QGroupBox(QString::fromUtf8(groupText), this);
  SetControlId(v.group, kGroupId[s]);
  v.stateLabel = MakeLabel(this, labels[0], kStateLabelId[s]);
  v.state = MakeList(this, roles[0], kStateId[s], codes::kCenterStateItems, false);
  v.channelLabel = MakeLabel(this, labels[1], kChannelLabelId[s]);
  v.channel = MakeList(this, roles[1], kChannelId[s], codes::kTransferMode.items, true);
  v.addressLabel = MakeLabel(this, labels[2], kAddressLabelId[s]);
  v.address = MakeEdit(this, roles[2], kAddressId[s]);
  v.portLabel = MakeLabel(this, labels[3], kPortLabelId[s]);
  v.port = MakeEdit(this, roles[3], kPortId[s]);

  connect(v.state, &QComboBox::activated, this, [this, s] { OnStateActivated(s); });
  connect(v.channel, &QComboBox::activated, this, [this, s] { OnChannelActivated(s); });

  const double x = s == 0 ? 0.02 : 0.51;
  layout_.Add(v.group, x, 0.02, 0.47, 0.94);
  QWidget* labelsOf[4] = {v.stateLabel, v.channelLabel, v.addressLabel, v.portLabel};
  QWidget* fields[4] = {v.state, v.channel, v.address, v.port};
  for (int r = 0; r < 4; ++r) {
    const double y = 0.15 + r * 0.2;
    layout_.Add(labelsOf[r], x + 0.02, y, 0.2, 0.12);
    layout_.Add(fields[r], x + 0.23, y, 0.22, 0.12);
  }
}

void CRTUCfgGprs2Dlg::InitCenter(ICfgWorkspace* workspace) {
  workspace_ = workspace;
  for (int s = 0; s < 2; ++s) {
    SelectItem(servers_[s].state, 0);
    ShowServerFields(s, false);
  }
  layout_.Apply(this);
}

void CRTUCfgGprs2Dlg::ShowServerFields(int s, bool show) {
  const Server& v = servers_[s];
  for (QWidget* w : {static_cast<QWidget*>(v.addressLabel), static_cast<QWidget*>(v.address),
                     static_cast<QWidget*>(v.portLabel), static_cast<QWidget*>(v.port),
                     static_cast<QWidget*>(v.channelLabel), static_cast<QWidget*>(v.channel)})
    w->setVisible(show);
}

void CRTUCfgGprs2Dlg::OpenCenter() {
  for (int s = 0; s < 2; ++s) {
    SelectItem(servers_[s].state, 1);
    ShowServerFields(s, true);
  }
}

void CRTUCfgGprs2Dlg::CloseCenter() {
  for (int s = 0; s < 2; ++s) {
    SelectItem(servers_[s].state, 0);
    ShowServerFields(s, false);
  }
}

void CRTUCfgGprs2Dlg::OnStateActivated(int s) {
  const int item = servers_[s].state->currentIndex();
  if (item == 0) ShowServerFields(s, false);
  else if (item == 1) ShowServerFields(s, true);
}

void CRTUCfgGprs2Dlg::OnChannelActivated(int s) {
  const QString text = servers_[s].channel->currentText();
  QString question;
  if (text == QStringLiteral("串口")) question = QStringLiteral("是否跳转配置串口参数？");
  else if (text == QStringLiteral("北斗卫星")) question = QStringLiteral("是否跳转配置北斗参数？");
  else return;
  if (AskOkCancel(this, question) && workspace_) workspace_->ShowComTransPage();
}

void CRTUCfgGprs2Dlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
}
