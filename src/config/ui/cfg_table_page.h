#pragma once
// Stand-in for a page that has not been built yet (channel, camera, storage pages):
// it keeps the texts LoadFromTable gives it and returns them from SaveToTable, so that
// a load followed by a save sends nothing for its parameters. A real page takes its
// place in CRTUCfgDlg::CreatePages without any other change to the workspace.
#include <QWidget>
#include <map>
#include <string>
#include <utility>

#include "config/cfg_page.h"

class QLabel;

class CfgTablePage : public QWidget, public ICfgPage {
  Q_OBJECT
 public:
  // title: the tree node text shown at the top of the page.
  explicit CfgTablePage(const QString& title, QWidget* parent = nullptr);

  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

  // Channel page stand-in: the channel whose node was selected (0-29), -1 before.
  void SelectChannel(int channel);
  int SelectedChannel() const { return channel_; }

 private:
  QString title_;
  QLabel* label_ = nullptr;
  std::map<std::pair<int, int>, std::string> texts_;
  int channel_ = -1;
};
