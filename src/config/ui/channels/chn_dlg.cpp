#include "config/ui/channels/chn_dlg.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <utility>

#include "base/cp936.h"
#include "base/cstr.h"
#include "config/channel_captions.h"
#include "config/field_help.h"
#include "config/field_tables.h"
#include "config/ui/station/station_widgets.h"
#include "widgets/ui_bridge.h"

namespace codes = channel_codes;
using codes::Family;

CRTUCfgChnDlg::CRTUCfgChnDlg(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("channelPage"));
  // Parameters 30 and 31 (field_tables::kChannel), one instance per channel.
  const FieldRow& lenRow = *RowOfRole(field_tables::kChannel, "saveLengthEdit");
  const FieldRow& kindRow = *RowOfRole(field_tables::kChannel, "kindCombo");
  QLabel* lenLabel = saveLenLabel_ = station_ui::MakeLabel(this, lenRow.label);
  saveLen_ = station_ui::MakeEdit(this, lenRow.role, 0);
  QLabel* kb = station_ui::MakeLabel(this, "KB");
  QLabel* kindLabel = kindLabel_ = station_ui::MakeLabel(this, kindRow.label);
  kindList_ = new QComboBox(this);
  kindList_->setObjectName(QString::fromLatin1(kindRow.role));
  for (const std::string& caption : codes::KindList()) kindList_->addItem(QString::fromStdString(caption));
  kindList_->setCurrentIndex(0);
  layout_.Add(lenLabel, 0.06, 0.02, 0.16, 0.05);
  layout_.Add(saveLen_, 0.23, 0.02, 0.13, 0.05);
  layout_.Add(kb, 0.37, 0.02, 0.05, 0.05);
  layout_.Add(kindLabel, 0.69, 0.02, 0.12, 0.05);
  layout_.Add(kindList_, 0.81, 0.02, 0.15, 0.05);
  connect(kindList_, &QComboBox::activated, this, [this] { ApplyKindSelection(); });
  connect(saveLen_, &QLineEdit::textEdited, this, [this](const QString& t) { OnSaveLengthEdited(t); });

  auto place = [this](CRTUCfgChnSrcDlg* page) {
    page->hide();
    sourceLayout_.Add(page, 0.01, 0.10, 0.98, 0.88);
  };
  auto make = [&](auto& pages, Family family) {
    for (size_t n = 0; n < pages.size(); ++n) {
      place(pages[n] = new CRTUCfgChnSrcDlg(family, this));
      pages[n]->SetInstance(static_cast<int>(n));
    }
  };
  make(serial_, Family::Serial);
  make(adc_, Family::Adc);
  make(di_, Family::Di);
  make(pi_, Family::Pi);
  place(sdi_ = new CRTUCfgChnSrcDlg(Family::Sdi, this));
  place(gray_ = new CRTUCfgChnSrcDlg(Family::Gray, this));
  ShowHeaderHelp();
}

void CRTUCfgChnDlg::ShowHeaderHelp() {
  const Channel& c = channels_[Slot(cur_)];
  auto tip = [this](int id, bool loaded, const std::string& text) {
    const std::optional<field_help::FieldHelp> help = field_help::Describe(id, cur_);
    return help ? QString::fromUtf8(field_help::HelpText(*help, loaded ? std::optional(text) : std::nullopt))
                : QString();
  };
  kindList_->setToolTip(tip(30, c.kindLoaded, c.kindText));
  saveLen_->setToolTip(tip(31, c.saveLenLoaded, c.saveLenText));
}

CRTUCfgChnSrcDlg* CRTUCfgChnDlg::BoundSource(int n) const {
  if (n < 0 || n >= kChannels) return nullptr;
  const codes::Source s = codes::SourceOfKind(Kind(n));
  return SourcePage(s.family, s.n);
}

CRTUCfgChnSrcDlg* CRTUCfgChnDlg::SourcePage(Family family, int n) const {
  auto pick = [n](const auto& pages) -> CRTUCfgChnSrcDlg* {
    return n >= 0 && n < static_cast<int>(pages.size()) ? pages[static_cast<size_t>(n)] : nullptr;
  };
  switch (family) {
    case Family::Serial: return pick(serial_);
    case Family::Adc: return pick(adc_);
    case Family::Di: return pick(di_);
    case Family::Pi: return pick(pi_);
    // The device has no SDI or GRAY source; their one page takes the routing.
    case Family::Sdi: return sdi_;
    case Family::Gray: return gray_;
    case Family::None: break;
  }
  return nullptr;
}

CRTUCfgChnSrcDlg* CRTUCfgChnDlg::ShownSource() const {
  for (CRTUCfgChnSrcDlg* p : findChildren<CRTUCfgChnSrcDlg*>(QString(), Qt::FindDirectChildrenOnly))
    if (p->isVisibleTo(this)) return p;
  return nullptr;
}

// --- routing ---

std::optional<std::string> CRTUCfgChnDlg::SaveToTable(int id, int index) {
  if (id == 30) return index >= 0 && index < kChannels ? GetChannelKindText(index) : std::string();
  if (id == 31) return index >= 0 && index < kChannels ? GetSaveLengthText(index) : std::string();
  const CRTUCfgChnSrcDlg* page = SourcePage(SourceFamilyOf(id), index);
  if (!page) return std::string();
  return page->GetField(id);
}

void CRTUCfgChnDlg::LoadFromTable(int id, int index, const std::string& text) {
  if (id == 30 || id == 31) {
    if (index < 0 || index >= kChannels) return;
    if (id == 30) SetChannelKindText(index, text);
    else SetSaveLengthText(index, text);
    return;
  }
  if (CRTUCfgChnSrcDlg* page = SourcePage(SourceFamilyOf(id), index)) page->SetField(id, text);
}

// --- kinds and save lengths ---

void CRTUCfgChnDlg::SetChannelKindText(int n, const std::string& text) {
  Channel& c = channels_[Slot(n)];
  c.kindText = text;
  c.kind = codes::KindCode(text);
  c.kindChosen = false;
  c.kindLoaded = true;
  ChannelCaptions::Instance().Set(n, cp936::FromUtf8(codes::KindCaption(c.kind).caption));
  emit headerChanged();
  if (Slot(n) != Slot(cur_)) return;
  ShowHeaderMarks();
  ShowHeaderHelp();
  // The selected channel's kind changed under the header: the list and, once shown,
  // the source page follow it.
  kindList_->setCurrentIndex(codes::KindCaption(c.kind).position);
  if (isVisible()) ShowSource(c.kind);
}

std::string CRTUCfgChnDlg::GetChannelKindText(int n) {
  const Channel& c = channels_[Slot(n)];
  ChannelCaptions::Instance().Set(n, cp936::FromUtf8(codes::KindCaption(c.kind).caption));
  return c.kindChosen ? cstr::FormatD(c.kind) : c.kindText;
}

void CRTUCfgChnDlg::SetSaveLengthText(int n, const std::string& text) {
  Channel& c = channels_[Slot(n)];
  c.saveLenText = text;
  c.saveLen = cstr::Atoi(text);
  c.saveLenTyped = false;
  c.saveLenLoaded = true;
  emit headerChanged();
  if (Slot(n) != Slot(cur_)) return;
  ShowHeaderMarks();
  ShowSaveLength(cur_);
  ShowHeaderHelp();
}

std::string CRTUCfgChnDlg::GetSaveLengthText(int n) const {
  const Channel& c = channels_[Slot(n)];
  return c.saveLenTyped ? cstr::FormatD(c.saveLen) : c.saveLenText;
}

void CRTUCfgChnDlg::ShowSaveLength(int n) {
  const Channel& c = channels_[Slot(n)];
  saveLen_->setText(c.saveLenTyped ? QString::number(c.saveLen) : FromGbk(c.saveLenText));
}

void CRTUCfgChnDlg::OnSaveLengthEdited(const QString& text) {
  Channel& c = channels_[Slot(cur_)];
  c.saveLen = cstr::Atoi(text.toStdString());
  c.saveLenTyped = true;
  ShowHeaderMarks();
  emit headerChanged();
}

bool CRTUCfgChnDlg::HeaderTouched(int n) const {
  if (n < 0 || n >= kChannels) return false;
  const Channel& c = channels_[Slot(n)];
  return c.kindChosen || c.saveLenTyped;
}

int CRTUCfgChnDlg::RevertHeader(int n) {
  if (n < 0 || n >= kChannels) return 0;
  Channel& c = channels_[Slot(n)];
  int reverted = 0;
  if (c.kindChosen && c.kindLoaded) {
    c.kind = codes::KindCode(c.kindText);
    c.kindChosen = false;
    ++reverted;
  }
  if (c.saveLenTyped && c.saveLenLoaded) {
    c.saveLen = cstr::Atoi(c.saveLenText);
    c.saveLenTyped = false;
    ++reverted;
  }
  if (!reverted) return 0;
  ChannelCaptions::Instance().Set(n, cp936::FromUtf8(codes::KindCaption(c.kind).caption));
  if (Slot(n) == Slot(cur_)) {
    kindList_->setCurrentIndex(codes::KindCaption(c.kind).position);
    ShowSaveLength(cur_);
    ShowHeaderMarks();
    if (isVisible()) ShowSource(c.kind);
  }
  emit headerChanged();
  return reverted;
}

void CRTUCfgChnDlg::ShowHeaderMarks() {
  // The header's labels carry the page's font themselves (resizeEvent): only the weight
  // and the colour change here.
  const Channel& c = channels_[Slot(cur_)];
  for (auto [label, marked] : {std::pair{kindLabel_, c.kindChosen}, std::pair{saveLenLabel_, c.saveLenTyped}}) {
    if (!label) continue;
    QFont f = label->font();
    f.setBold(marked);
    label->setFont(f);
    QPalette colour;
    if (marked) colour.setColor(QPalette::WindowText, field_ui::EditMarkColour());
    label->setPalette(colour);
  }
}

// --- selection ---

void CRTUCfgChnDlg::ShowSource(int kind) {
  for (CRTUCfgChnSrcDlg* p : findChildren<CRTUCfgChnSrcDlg*>(QString(), Qt::FindDirectChildrenOnly))
    p->hide();
  const codes::Source s = codes::SourceOfKind(kind);
  CRTUCfgChnSrcDlg* page = SourcePage(s.family, s.n);
  if (!page || s.family == Family::None) return;
  if (!page->Created()) {
    page->Create();
    sourceLayout_.Apply(this);
  } else {
    page->PrepareShow();
  }
  page->show();
}

void CRTUCfgChnDlg::SelectChannel(int n) {
  cur_ = static_cast<int>(Slot(n));
  const Channel& c = channels_[Slot(n)];
  const codes::KindCaptionResult caption = codes::KindCaption(c.kind);
  kindList_->setCurrentIndex(caption.position);
  ChannelCaptions::Instance().Set(cur_, cp936::FromUtf8(caption.caption));
  ShowSaveLength(cur_);
  ShowHeaderHelp();
  ShowHeaderMarks();
  ShowSource(c.kind);
  show();
}

void CRTUCfgChnDlg::ApplyKindSelection() {
  const std::string caption = kindList_->currentText().toStdString();
  const codes::Source s = codes::SourceOfCaption(caption);
  Channel& c = channels_[Slot(cur_)];
  if (s.family == Family::None) {
    // "无": the channel is bound to nothing and stores nothing.
    ShowSource(0);
    c.kind = 0;
    c.kindChosen = true;
    c.saveLen = 0;
    c.saveLenTyped = true;
    saveLen_->setText(QStringLiteral("0"));
    ShowHeaderMarks();
    emit headerChanged();
    return;
  }
  if (s.n >= codes::SourceCount(s.family)) {
    ShowSource(0);  // no such source: nothing changes
    return;
  }
  c.kind = codes::KindBase(s.family) + s.n;
  c.kindChosen = true;
  ShowSource(c.kind);
  if (c.saveLen == 0) {
    c.saveLen = 120;
    c.saveLenTyped = true;
    saveLen_->setText(QStringLiteral("120"));
  }
  ShowHeaderMarks();
  emit headerChanged();
}

void CRTUCfgChnDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  sourceLayout_.Apply(this);
  // "Tahoma" of one point per 50 pixels of client height.
  const QFont font = TahomaFont(height() / 50 * 96 / 72);
  for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
    if (!qobject_cast<CRTUCfgChnSrcDlg*>(w)) w->setFont(font);
  ShowHeaderMarks();
}
