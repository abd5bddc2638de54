#pragma once
// Shared pieces of the station page suites: a fake workspace, GBK literals and
// the control lookup by id.
#include <QComboBox>
#include <QWidget>
#include <string>
#include <vector>

#include "base/cp936.h"
#include "config/cfg_page.h"
#include "config/station/station_widgets.h"

class FakeWorkspace : public ICfgWorkspace {
 public:
  void ShowComTransPage() override { ++comTransShown; }
  void AppendLog(const std::string& text) override { log.push_back(text); }
  CfgRequests& Requests() override { return requests; }

  int comTransShown = 0;
  std::vector<std::string> log;
  CfgRequests requests;
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
inline void UserTypes(QComboBox* list, const QString& text) { list->setEditText(text); }
