#pragma once
// The channel page (nodes 通道01 … 通道30): the current channel's save length and kind,
// and below them the source page of the hardware source the channel is bound to. Every
// parameter of the channel page's field tables is routed here: field_tables::kChannel to
// the channel's own values, the source tables (by SourceFamilyOf) to the source pages'
// fields.
//
// The header edits one channel at a time, so each channel keeps its kind and save
// length under the same rule as every field: the device's text as loaded, given back
// unchanged until the user picks a kind or types a length for that channel. Selecting
// a channel or opening a page never changes a value. UI thread only.
#include <QWidget>
#include <array>
#include <optional>
#include <string>

#include "config/cfg_page.h"
#include "config/channel_codes.h"
#include "config/ui/channels/chn_src_dlg.h"
#include "widgets/fraction_layout.h"

class QComboBox;
class QLabel;
class QLineEdit;

class CRTUCfgChnDlg : public QWidget, public ICfgPage {
  Q_OBJECT
 public:
  static constexpr int kChannels = channel_codes::kChannels;

  // Builds the header (kind list of 26 items at "无", save length edit) and constructs
  // every source page without creating it.
  explicit CRTUCfgChnDlg(QWidget* parent = nullptr);

  // The parameters of field_tables::kChannel and of the channel sources' tables.
  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

  // Kind of channel n from the table: kept as text, its code and caption noted. The
  // current channel stays; when n is it, the list shows the caption and a visible page
  // the new kind's source, so that the header always describes the selected node.
  void SetChannelKindText(int n, const std::string& text);
  // The kind to save (the loaded text until the user chose one); writes the caption.
  std::string GetChannelKindText(int n);
  // Save length of channel n from the table; the edit shows it when n is current.
  void SetSaveLengthText(int n, const std::string& text);
  std::string GetSaveLengthText(int n) const;
  int Kind(int n) const { return channels_[Slot(n)].kind; }
  int SaveLength(int n) const { return channels_[Slot(n)].saveLen; }
  int CurrentChannel() const { return cur_; }

  // The tree node of channel n + 1 was selected: shows its kind, length and source page.
  void SelectChannel(int n);
  // The user's pick in the kind list: binds the current channel to that source (save
  // length 0 becomes 120) or to none (save length 0).
  void ApplyKindSelection();

 signals:
  // A channel's kind or save length was loaded, edited or put back.
  void headerChanged();

 public:

  QComboBox* KindList() const { return kindList_; }
  QLineEdit* SaveLengthEdit() const { return saveLen_; }
  // The source page of a family's source n; nullptr when there is none.
  CRTUCfgChnSrcDlg* SourcePage(channel_codes::Family family, int n) const;
  // Whether the user picked a kind or typed a save length for channel n since its load
  // (the header's labels show it bold in dark orange while n is current).
  bool HeaderTouched(int n) const;
  // Puts channel n's loaded kind and save length back (a value never loaded stays);
  // returns how many of the two were put back. Nothing is sent.
  int RevertHeader(int n);
  // The source page channel n (0-based) is bound to by its kind; nullptr for none.
  CRTUCfgChnSrcDlg* BoundSource(int n) const;
  // The source page shown now; nullptr for none.
  CRTUCfgChnSrcDlg* ShownSource() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Channel {
    std::string kindText;  // as loaded
    int kind = 0;
    bool kindChosen = false;  // the user picked a kind since the load
    std::string saveLenText;
    int saveLen = 0;
    bool saveLenTyped = false;  // the user typed or a kind pick set it since the load
    bool kindLoaded = false;
    bool saveLenLoaded = false;
  };
  static size_t Slot(int n) { return static_cast<size_t>(n < 0 ? 0 : n >= kChannels ? kChannels - 1 : n); }
  // Hides every source page and shows the one of kind code (none for 0 or unknown codes).
  void ShowSource(int kind);
  void ShowSaveLength(int n);
  // The header controls' help names the current channel and what it was loaded with.
  void ShowHeaderHelp();
  void OnSaveLengthEdited(const QString& text);
  // The header labels' weight and colour after the current channel's touched state.
  void ShowHeaderMarks();

  int cur_ = 0;
  std::array<Channel, kChannels> channels_{};
  QComboBox* kindList_ = nullptr;
  QLineEdit* saveLen_ = nullptr;
  QLabel* kindLabel_ = nullptr;
  QLabel* saveLenLabel_ = nullptr;
  std::array<CRTUCfgChnSrcDlg*, 15> serial_{};
  std::array<CRTUCfgChnSrcDlg*, 4> adc_{};
  std::array<CRTUCfgChnSrcDlg*, 4> di_{};
  std::array<CRTUCfgChnSrcDlg*, 2> pi_{};
  CRTUCfgChnSrcDlg* sdi_ = nullptr;
  CRTUCfgChnSrcDlg* gray_ = nullptr;
  FractionLayout layout_;
  FractionLayout sourceLayout_;
};
