#include "config/station/gprs1_dlg.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "config/station/station_widgets.h"

using namespace station_ui;

namespace {
struct Field {
  int param;
  int ctrl;
  const char* label;
  const char* role;
};
constexpr Field kFieldList[] = {
    {23, 1265, "无线网络APN：", "apnEdit"},
    {24, 1266, "APN用户名：", "apnUserEdit"},
    {25, 1267, "APN密码：", "apnPasswordEdit"},
    {26, 1268, "APN拨号中心密码：", "callNumberEdit"},
    {28, 1269, "重连时间(0~65535s)：", "reconnectEdit"},
    {29, 1270, "LCP心跳时间(秒)：", "lcpEchoEdit"},
};
}  // namespace

CRTUCfgGprs1Dlg::CRTUCfgGprs1Dlg(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("centerOtherPage"));
  auto* group = new QGroupBox(QStringLiteral("拨号设置"), this);
  SetControlId(group, 1271);
  layout_.Add(group, 0.03, 0.03, 0.94, 0.52);
  for (int i = 0; i < kFields; ++i) {
    const Field& f = kFieldList[i];
    QLabel* label = MakeLabel(this, f.label);
    edits_[i] = MakeEdit(this, f.role, f.ctrl);
    // Four rows inside the group, two below it.
    const double y = i < 4 ? 0.1 + i * 0.11 : 0.62 + (i - 4) * 0.11;
    layout_.Add(label, 0.07, y, 0.3, 0.07);
    layout_.Add(edits_[i], 0.38, y, 0.45, 0.07);
    fields_.Add(f.param, 0, edits_[i]);
  }
  layout_.Apply(this);
}

bool CRTUCfgGprs1Dlg::Owns(int id) {
  for (const Field& f : kFieldList)
    if (f.param == id) return true;
  return false;
}

QLineEdit* CRTUCfgGprs1Dlg::EditOf(int id) const {
  for (int i = 0; i < kFields; ++i)
    if (kFieldList[i].param == id) return edits_[i];
  return nullptr;
}

void CRTUCfgGprs1Dlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
