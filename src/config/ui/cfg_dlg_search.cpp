// The workspace's search: a field above the tree; what the user types lists the matching
// parameter instances over the tree (FieldSearch); choosing one shows its control.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include "config/channel_codes.h"
#include "config/field_search.h"
#include "config/field_tables.h"
#include "config/ui/cfg_dlg.h"
#include "config/ui/channels/chn_dlg.h"
#include "config/ui/fields/cfg_field.h"

namespace {
constexpr int kIdRole = Qt::UserRole;
constexpr int kIndexRole = Qt::UserRole + 1;
}  // namespace

void CRTUCfgDlg::BuildSearch() {
  search_ = new QLineEdit(this);
  search_->setObjectName(QStringLiteral("searchEdit"));
  search_->setPlaceholderText(QStringLiteral("搜索参数"));
  search_->setClearButtonEnabled(true);
  results_ = new QListWidget(this);
  results_->setObjectName(QStringLiteral("searchResults"));
  results_->hide();
  connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { OnSearchText(text); });
  // Enter takes the first match.
  connect(search_, &QLineEdit::returnPressed, this, [this] {
    if (results_->isVisible() && results_->count() > 0) ChooseSearchResult(0);
  });
  connect(results_, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { ChooseSearchResult(results_->row(item)); });
  connect(results_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ChooseSearchResult(results_->row(item)); });
}

void CRTUCfgDlg::OnSearchText(const QString& text) {
  results_->clear();
  if (text.trimmed().isEmpty()) {
    results_->hide();
    return;
  }
  if (!fieldSearch_) fieldSearch_ = std::make_unique<FieldSearch>(field_help::DescribeAll());
  for (size_t i : fieldSearch_->Find(text.toStdString(), kMaxSearchResults)) {
    const field_help::FieldHelp& f = fieldSearch_->Fields()[i];
    auto* item = new QListWidgetItem(QString::fromUtf8(f.path + "  " + f.command), results_);
    item->setData(kIdRole, f.id);
    item->setData(kIndexRole, f.index);
    // The whole line, where the list is too narrow for it.
    item->setToolTip(QString::fromUtf8(f.path + "\n" + f.command + "\n" + f.listingLabel));
  }
  if (results_->count() == 0) new QListWidgetItem(QStringLiteral("（没有匹配的参数）"), results_);
  results_->show();
  results_->raise();
}

void CRTUCfgDlg::ChooseSearchResult(int row) {
  const QListWidgetItem* item = results_->item(row);
  if (!item || !item->data(kIdRole).isValid()) return;
  const int id = item->data(kIdRole).toInt(), index = item->data(kIndexRole).toInt();
  results_->hide();
  ShowField(id, index);
}

QTreeWidgetItem* CRTUCfgDlg::NodeOfPage(CfgPageId id) const {
  const QString text = QString::fromUtf8(CfgPageNode(id));
  const QList<QTreeWidgetItem*> found = tree_->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

QWidget* CRTUCfgDlg::ShownControlOf(int id, int index) const {
  for (const CfgField* f : findChildren<CfgField*>())
    if (f->Shows(id, index) && f->Control() && f->Control()->isVisible()) return f->Control();
  // A page's own control (the channel header's kind and save length) tells its instance in
  // its help.
  const std::optional<field_help::FieldHelp> help = field_help::Describe(id, index);
  if (!help) return nullptr;
  const QString line = QString::fromUtf8(field_help::CommandLine(*help));
  for (QWidget* w : findChildren<QWidget*>())
    if (w->isVisible() && w->toolTip().contains(line)) return w;
  return nullptr;
}

bool CRTUCfgDlg::ShowField(int id, int index) {
  const PageTable* owner = OwnerOf(PageTables(), id);
  if (!owner || !tree_->isEnabled()) return false;
  QTreeWidgetItem* node = nullptr;
  if (owner->page == CfgPageId::Channel) {
    auto* channels = dynamic_cast<CRTUCfgChnDlg*>(PageWidget(CfgPageId::Channel));
    if (!channels || !channelRoot_) return false;
    // The channel's own fields by the channel; a source's by the first channel bound to it.
    int channel = owner->family == channel_codes::Family::None ? index : -1;
    for (int n = 0; channel < 0 && n < CRTUCfgChnDlg::kChannels; ++n) {
      const channel_codes::Source s = channel_codes::SourceOfKind(channels->Kind(n));
      if (s.family == owner->family && s.n == index) channel = n;
    }
    if (channel < 0 || channel >= channelRoot_->childCount()) {
      tree_->setCurrentItem(channelRoot_);
      return false;
    }
    node = channelRoot_->child(channel);
  } else {
    node = NodeOfPage(owner->page);
  }
  if (!node) return false;
  tree_->setCurrentItem(node);
  tree_->scrollToItem(node);
  QWidget* page = PageWidget(owner->page);
  QWidget* control = ShownControlOf(id, index);
  // Behind a tab (a source's, a centre's), a camera of the list, or "更多参数".
  if (!control && page) {
    for (QTabBar* tabs : page->findChildren<QTabBar*>()) {
      if (!tabs->isVisible()) continue;
      for (int t = 0; t < tabs->count() && !control; ++t) {
        tabs->setCurrentIndex(t);
        control = ShownControlOf(id, index);
      }
      if (control) break;
    }
  }
  if (!control && page) {
    if (auto* cameras = page->findChild<QComboBox*>(QStringLiteral("cameraCombo")); cameras && cameras->isVisible()) {
      for (int c = 0; c < cameras->count() && !control; ++c) {
        cameras->setCurrentIndex(c);
        emit cameras->activated(c);
        control = ShownControlOf(id, index);
      }
    }
  }
  if (!control && page) {
    for (QCheckBox* more : page->findChildren<QCheckBox*>()) {
      if (!more->isVisible() || more->isChecked() || more->text() != QStringLiteral("更多参数")) continue;
      more->click();
      control = ShownControlOf(id, index);
      if (control) break;
      more->click();  // not behind this one: as it was
    }
  }
  if (!control) return false;
  control->setFocus(Qt::OtherFocusReason);
  // A short highlight, so that the eye finds it.
  const QString before = control->styleSheet();
  control->setStyleSheet(QStringLiteral("background-color: #ffe08a;"));
  QTimer::singleShot(kHighlightMs, control, [control = QPointer<QWidget>(control), before] {
    if (control) control->setStyleSheet(before);
  });
  return true;
}
