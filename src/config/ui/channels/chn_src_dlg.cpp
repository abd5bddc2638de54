#include "config/ui/channels/chn_src_dlg.h"

#include <QTabBar>

#include "config/ui/channels/chn_proper_dlg.h"
#include "config/ui/channels/chn_sub_dlg.h"
#include "config/ui/channels/chn_warning_dlg.h"

using field_tables::kAlarmTab;
using field_tables::kCommTab;
using field_tables::kProperTab;

CRTUCfgChnSrcDlg::CRTUCfgChnSrcDlg(channel_codes::Family family, QWidget* parent)
    : QWidget(parent) {
  using channel_codes::Family;
  switch (family) {
    case Family::Serial:
      setObjectName(QStringLiteral("serialSourcePage"));
      AddTab(kProperTab, new CRTUCfgChnProperDlg(field_tables::kComProper));
      AddTab(kCommTab, new CRTUCfgChnCommComDlg());
      AddTab(kAlarmTab, new CRTUCfgChnWarningDlg(field_tables::kComAlarm));
      break;
    case Family::Adc:
      setObjectName(QStringLiteral("adcSourcePage"));
      AddTab(kProperTab, new CRTUCfgChnProperDlg(field_tables::kAdcProper));
      AddTab(kCommTab, new CRTUCfgChnCommAdcDlg());
      AddTab(kAlarmTab, new CRTUCfgChnWarningDlg(field_tables::kAdcAlarm));
      break;
    case Family::Di:
      setObjectName(QStringLiteral("diSourcePage"));
      AddTab(kAlarmTab, new CRTUCfgChnWarningDiDlg());
      break;
    case Family::Pi:
      setObjectName(QStringLiteral("piSourcePage"));
      AddTab(kProperTab, new CRTUCfgChnCommRainDlg());
      AddTab(kAlarmTab, new CRTUCfgChnWarningRainDlg());
      break;
    case Family::Sdi:
      setObjectName(QStringLiteral("sdiSourcePage"));
      AddTab(kProperTab, new CRTUCfgChnProperDlg(field_tables::kSdiProper));
      AddTab(kAlarmTab, new CRTUCfgChnWarningDlg(field_tables::kSdiAlarm));
      break;
    case Family::Gray:
      setObjectName(QStringLiteral("graySourcePage"));
      AddTab(kProperTab, new CRTUCfgChnProperDlg(field_tables::kGrayProper));
      AddTab(kAlarmTab, new CRTUCfgChnWarningDlg(field_tables::kGrayAlarm));
      break;
    case Family::None:
      break;
  }
}

void CRTUCfgChnSrcDlg::AddTab(const char* title, CRTUCfgChnSubDlg* page) {
  page->setParent(this);
  page->hide();
  pages_.push_back({QString::fromUtf8(title), page});
  layout_.Add(page, 0.01, 0.09, 0.98, 0.89);
}

void CRTUCfgChnSrcDlg::SetInstance(int n) {
  for (const Tab& t : pages_)
    for (int id : t.page->FieldIds())
      if (CfgField* f = t.page->Field(id)) f->SetHelp(id, n);
}

CRTUCfgChnSubDlg* CRTUCfgChnSrcDlg::SubPageOf(int id) const {
  for (const Tab& t : pages_)
    if (t.page->HasField(id)) return t.page;
  return nullptr;
}

CRTUCfgChnSubDlg* CRTUCfgChnSrcDlg::SubPage(const char* title) const {
  const QString wanted = QString::fromUtf8(title);
  for (const Tab& t : pages_)
    if (t.title == wanted) return t.page;
  return nullptr;
}

bool CRTUCfgChnSrcDlg::SetField(int id, const std::string& text) {
  CRTUCfgChnSubDlg* page = SubPageOf(id);
  return page && page->SetField(id, text);
}

std::optional<std::string> CRTUCfgChnSrcDlg::GetField(int id) const {
  const CRTUCfgChnSubDlg* page = SubPageOf(id);
  return page ? page->GetField(id) : std::nullopt;
}

void CRTUCfgChnSrcDlg::Create() {
  if (tabs_) return;
  tabs_ = new QTabBar(this);
  tabs_->setObjectName(QStringLiteral("sourceTabs"));
  for (const Tab& t : pages_) tabs_->addTab(t.title);
  layout_.Add(tabs_, 0.01, 0.01, 0.98, 0.08);
  for (const Tab& t : pages_) t.page->Create();
  tabs_->setCurrentIndex(0);
  ShowTab(0);
  connect(tabs_, &QTabBar::currentChanged, this, [this](int tab) { ShowTab(tab); });
  layout_.Apply(this);
}

void CRTUCfgChnSrcDlg::SelectTab(int tab) {
  if (tabs_) tabs_->setCurrentIndex(tab);
}

void CRTUCfgChnSrcDlg::ShowTab(int tab) {
  if (tab < 0 || tab >= TabCount()) return;
  for (const Tab& t : pages_) t.page->hide();
  CRTUCfgChnSubDlg* page = SubPage(tab);
  if (pages_[static_cast<size_t>(tab)].title == QString::fromUtf8(kAlarmTab)) {
    // The linkage and camera rows follow the "更多参数" box of the same source.
    if (const CRTUCfgChnSubDlg* proper = SubPage(kProperTab))
      page->ShowAlarmLinkage(proper->MoreParamsChecked());
  }
  page->show();
}

void CRTUCfgChnSrcDlg::PrepareShow() {
  if (CRTUCfgChnSubDlg* proper = SubPage(kProperTab); proper && proper->Created())
    proper->RefreshElementList();
  if (CRTUCfgChnSubDlg* alarm = SubPage(kAlarmTab); alarm && alarm->Created())
    alarm->ShowAlarmLinkage(false);
}

void CRTUCfgChnSrcDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  // "Tahoma" of one point per 40 pixels of client height.
  if (tabs_) tabs_->setFont(TahomaFont(height() / 40 * 96 / 72));
}
