// The ten pages of the configuration workspace: constructed and registered here and
// nowhere else. A page is a QWidget that implements ICfgPage when it shows parameters;
// SetPage() gives it its tree node, its place in the layout and the per-parameter
// dispatch (parameter id → page, see PageOfParam). To put a real page in the place of a
// stand-in, construct and initialise it here, in this order, and pass it to SetPage()
// with the hooks it needs; nothing else in the workspace changes.
#include "config/ui/cfg_dlg.h"
#include "config/ui/cfg_table_page.h"

void CRTUCfgDlg::CreatePages() {
  auto standIn = [this](CfgPageId id, const char* title) {
    auto* page = new CfgTablePage(QString::fromUtf8(title), this);
    SetPage(id, page, page);
    return page;
  };

  // Clock page (no parameters; its "设置" fills Requests() Clock).
  standIn(CfgPageId::Dev, "通道参数设置");

  // Channel page: every channel parameter, and the channel nodes.
  CfgTablePage* channels = standIn(CfgPageId::Channel, "通道");
  pages_[Index(CfgPageId::Channel)].hooks.selectChannel = [channels](int n) {
    channels->SelectChannel(n);
  };

  standIn(CfgPageId::CenterAddress, "中心地址参数");
  standIn(CfgPageId::CenterOther, "中心其它参数");
  standIn(CfgPageId::Sms, "短信参数");
  standIn(CfgPageId::Terminal, "终端参数");
  standIn(CfgPageId::Camera, "摄像头参数");
  standIn(CfgPageId::CameraTimer, "摄像头定时报");
  standIn(CfgPageId::ComTrans, "串口传输参数");
  standIn(CfgPageId::Storage, "存储设置和数据查询");
}
