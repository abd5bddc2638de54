// The ten pages of the configuration workspace: constructed and registered here and
// nowhere else. A page is a QWidget that implements ICfgPage when it shows parameters;
// SetPage() gives it its tree node, its place in the layout and the per-parameter
// dispatch (parameter id → page: PageOfParam, from the field tables of
// config/field_tables.h).
#include "config/ui/cfg_dlg.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/records/camera_dlg.h"
#include "config/ui/records/rcd_dlg.h"
#include "config/ui/station/camera_timer_dlg.h"
#include "config/ui/station/com_trans_dlg.h"
#include "config/ui/station/dev_dlg.h"
#include "config/ui/station/gprs1_dlg.h"
#include "config/ui/station/gprs_dlg.h"
#include "config/ui/station/sms_dlg.h"
#include "config/ui/station/terminal_dlg.h"

void CRTUCfgDlg::CreatePages() {
  // Clock page (no parameters; its "设置" fills Requests() Clock).
  auto* dev = new CRTUCfgDevDlg(this, this);
  SetPage(CfgPageId::Dev, dev, nullptr);
  pages_[Index(CfgPageId::Dev)].hooks.enableRequestControls = [dev](CfgRequest r, bool enable) {
    if (r == CfgRequest::Clock) dev->EnableClockControls(enable);
  };
  pages_[Index(CfgPageId::Dev)].hooks.enableDeviceOperations = [dev](bool on) { dev->EnableDeviceOperations(on); };

  // Channel page: every channel parameter, and the channel nodes.
  auto* channels = new CRTUCfgChnDlg(this);
  SetPage(CfgPageId::Channel, channels, channels);
  pages_[Index(CfgPageId::Channel)].hooks.selectChannel = [channels](int n) {
    channels->SelectChannel(n);
  };
  pages_[Index(CfgPageId::Channel)].hooks.channelFields = [channels](int n) -> QWidget* {
    return channels->BoundSource(n);
  };
  pages_[Index(CfgPageId::Channel)].hooks.channelHeaderTouched = [channels](int n) {
    return channels->HeaderTouched(n);
  };
  pages_[Index(CfgPageId::Channel)].hooks.revertChannelHeader = [channels](int n) {
    return channels->RevertHeader(n);
  };
  // A kind picked binds the channel to another source, whose fields its node then shows.
  connect(channels, &CRTUCfgChnDlg::headerChanged, this, [this] { ScheduleEditMarks(); });

  auto* centre = new CRTUCfgGprsDlg(this, this);
  SetPage(CfgPageId::CenterAddress, centre, centre);
  auto* other = new CRTUCfgGprs1Dlg(this);
  SetPage(CfgPageId::CenterOther, other, other);
  auto* sms = new CRTUCfgSmsDlg(this);
  SetPage(CfgPageId::Sms, sms, sms);
  auto* terminal = new CRTUCfgTerminalDlg(this);
  SetPage(CfgPageId::Terminal, terminal, terminal);
  pages_[Index(CfgPageId::Terminal)].hooks.afterHide = [terminal] { terminal->RefreshReportField(); };
  // Camera page: parameters 148-154 and the snapshot (operation 11).
  auto* camera = new CRTUCfgCameraDlg(machine_, this);
  SetPage(CfgPageId::Camera, camera, camera);
  pages_[Index(CfgPageId::Camera)].hooks.enableDeviceOperations = [camera](bool on) {
    camera->EnableDeviceOperations(on);
  };
  auto* timer = new CRTUCfgCameraTimer(this);
  SetPage(CfgPageId::CameraTimer, timer, timer);
  auto* trans = new CRTUCfgComTransDlg(this);
  SetPage(CfgPageId::ComTrans, trans, trans);
  // Storage page (no parameters): the record read (operation 10) and the requests for
  // operations 12, 13 and 15; the channel selector and value edit wait for 15.
  auto* storage = new CRTUCfgRcdDlg(machine_, this);
  SetPage(CfgPageId::Storage, storage, nullptr);
  pages_[Index(CfgPageId::Storage)].hooks.enableRequestControls = [storage](CfgRequest r,
                                                                           bool enable) {
    if (r == CfgRequest::InitValue) storage->EnableInitValueControls(enable);
  };
  pages_[Index(CfgPageId::Storage)].hooks.enableDeviceOperations = [storage](bool on) {
    storage->EnableDeviceOperations(on);
  };
}
