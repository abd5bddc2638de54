#pragma once
// Shared pieces of the station page suites: a fake workspace, every station page at
// once with the control that shows each parameter, GBK literals, the control lookup by
// id and the user's picks and typing.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>
#include <string>
#include <vector>

#include "base/cp936.h"
#include "config/cfg_page.h"
#include "config/ui/station/camera_timer_dlg.h"
#include "config/ui/station/com_trans_dlg.h"
#include "config/ui/station/gprs1_dlg.h"
#include "config/ui/station/gprs_dlg.h"
#include "config/ui/station/sms_dlg.h"
#include "config/ui/station/station_widgets.h"
#include "config/ui/station/terminal_dlg.h"

class FakeWorkspace : public ICfgWorkspace {
 public:
  void ShowComTransPage() override { ++comTransShown; }
  void AppendLog(const std::string& text) override { log.push_back(text); }
  CfgRequests& Requests() override { return requests; }

  int comTransShown = 0;
  std::vector<std::string> log;
  CfgRequests requests;
};

// The pages that carry parameters, each once.
struct StationPages {
  FakeWorkspace ws;
  CRTUCfgGprsDlg centre{&ws};
  CRTUCfgGprs1Dlg other;
  CRTUCfgTerminalDlg terminal;
  CRTUCfgSmsDlg sms;
  CRTUCfgComTransDlg trans;
  CRTUCfgCameraTimer timer;

  std::vector<ICfgPage*> Owners(int id) {
    std::vector<ICfgPage*> out;
    if (CRTUCfgGprsDlg::Owns(id)) out.push_back(&centre);
    if (CRTUCfgGprs1Dlg::Owns(id)) out.push_back(&other);
    if (CRTUCfgTerminalDlg::Owns(id)) out.push_back(&terminal);
    if (CRTUCfgSmsDlg::Owns(id)) out.push_back(&sms);
    if (CRTUCfgComTransDlg::Owns(id)) out.push_back(&trans);
    if (CRTUCfgCameraTimer::Owns(id)) out.push_back(&timer);
    return out;
  }
  ICfgPage* PageFor(int id) {
    const auto owners = Owners(id);
    return owners.size() == 1 ? owners[0] : nullptr;
  }
  // The control that shows instance index of parameter id (nullptr: not listed here).
  QWidget* ControlOf(int id, int index) {
    CRTUCfgTerminal1Dlg* more = terminal.MorePage();
    switch (id) {
      case 0: return terminal.WorkModeList();
      case 7: return terminal.ProtocolList();
      case 8: return more->hourlySwitch;
      case 13: return more->uploadByLose;
      case 15: return more->stationType;
      case 18: return centre.ServerCountList();
      case 19: return centre.Center(index % 4)->ChannelList(index >= 4);
      case 20: return centre.Center(index % 4)->AddressEdit(index >= 4);
      case 146: return sms.SmsSetList();
      case 155: return timer.Switch(index);
      case 158: return trans.TypeList();
      case 159: return trans.SpeedList();
      case 160: return trans.ParityList();
      case 23: case 24: case 25: case 26: case 28: case 29: return other.EditOf(id);
      default: return nullptr;
    }
  }
};

// Device bytes of a UTF-8 literal.
inline std::string G(const char* utf8) { return GBK(utf8); }

template <typename T = QWidget>
T* Control(const QWidget* page, int id) {
  return qobject_cast<T*>(station_ui::FindControl(page, id));
}

// The user picks item of a list: the selection changes and "activated" fires.
inline void UserPicks(QComboBox* list, int item) {
  list->setCurrentIndex(item);
  emit list->activated(item);
}
inline void UserTypes(QComboBox* list, const QString& text) {
  list->setEditText(text);
  emit list->lineEdit()->textEdited(text);
}
