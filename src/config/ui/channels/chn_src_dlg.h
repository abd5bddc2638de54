#pragma once
// The source pages of the channel page: a tab row over the sub-pages of one hardware
// source instance. Constructed with the channel page (their sub-pages hold the loaded
// values from then on); Create() builds the tabs and every sub-page's controls on first
// use. Two channels bound to the same source show the same page.
#include <QString>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "config/channel_codes.h"
#include "widgets/fraction_layout.h"

class CRTUCfgChnSubDlg;
class QTabBar;

class CRTUCfgChnSrcDlg : public QWidget {
  Q_OBJECT
 public:
  // The page of one source of family, its tabs in order: serial sensor port and analog
  // input "通道属性", "通信参数", "报警参数"; digital input "报警参数" only; pulse counter,
  // SDI and GRAY "通道属性", "报警参数" (the device has no SDI or GRAY source: their page
  // is never shown).
  explicit CRTUCfgChnSrcDlg(channel_codes::Family family, QWidget* parent = nullptr);

  // The source instance the page holds (0-based): its fields' help names it.
  void SetInstance(int n);

  // Routing: the sub-page that holds parameter id stores / gives its value.
  bool SetField(int id, const std::string& text);
  std::optional<std::string> GetField(int id) const;
  CRTUCfgChnSubDlg* SubPageOf(int id) const;

  // Builds the tab row and every sub-page's controls, shows the first tab. Once.
  void Create();
  bool Created() const { return tabs_ != nullptr; }
  // Before the page is shown for a channel: the "通道属性" element list is refilled for
  // the current protocol (keeping its text) and the alarm linkage rows are hidden.
  void PrepareShow();

  int TabCount() const { return static_cast<int>(pages_.size()); }
  QString TabText(int tab) const { return pages_[static_cast<size_t>(tab)].title; }
  CRTUCfgChnSubDlg* SubPage(int tab) const { return pages_[static_cast<size_t>(tab)].page; }
  // The sub-page of the tab titled title (UTF-8); nullptr when there is none.
  CRTUCfgChnSubDlg* SubPage(const char* title) const;
  // Selects a tab as the user's click does (nullptr tab row before Create()).
  void SelectTab(int tab);
  QTabBar* TabBar() const { return tabs_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Tab {
    QString title;
    CRTUCfgChnSubDlg* page;
  };
  // Constructor only, in tab order.
  void AddTab(const char* title, CRTUCfgChnSubDlg* page);
  void ShowTab(int tab);

  std::vector<Tab> pages_;
  QTabBar* tabs_ = nullptr;
  FractionLayout layout_;
};
