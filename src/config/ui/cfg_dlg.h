#pragma once
// The configuration workspace: the page tree on the left, the selected page on the
// right, the operation buttons below, and the log window docked beside the main
// window. All device talk runs on the machine's worker (CfgMachine); this widget is
// the machine's view: it runs page access, enabling and "提示" boxes on the UI thread.
#include <QPointer>
#include <QWidget>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "config/cfg_log.h"
#include "config/cfg_machine.h"
#include "config/cfg_page.h"
#include "config/cfg_page_map.h"
#include "config/cfg_view.h"
#include "config/ui/fields/cfg_field.h"
#include "config/ui/log_dlg.h"
#include "widgets/fraction_layout.h"
#include "widgets/tool.h"

class IToolHost;
class QCheckBox;
class QGroupBox;
class QPushButton;
class QTimer;
class QLineEdit;
class QListWidget;
class QToolButton;
class QTreeWidget;
class FieldSearch;
class QTreeWidgetItem;

// What the workspace may call on a page besides its parameters. All optional.
struct CfgPageHooks {
  std::function<void()> afterHide;                  // terminal page: RefreshReportField
  std::function<void(int channel)> selectChannel;   // channel page: SelectChannel(k − 1)
  // Clock page (CfgRequest::Clock), storage page (CfgRequest::InitValue): the controls a
  // request came from, disabled while it runs.
  std::function<void(CfgRequest, bool enable)> enableRequestControls;
  // The page's device operations' buttons: greyed while there is no device.
  std::function<void(bool enable)> enableDeviceOperations;
  // Channel page: the widget whose fields channel n (0-based) shows now (its bound
  // source's page); nullptr for a channel bound to none.
  std::function<QWidget*(int channel)> channelFields;
  // Channel page: whether channel n's kind or save length is the user's; puts them back.
  std::function<bool(int channel)> channelHeaderTouched;
  std::function<int(int channel)> revertChannelHeader;
};

class CRTUCfgDlg : public QWidget, public ICfgWorkspace, public ITool {
  Q_OBJECT
 public:
  static constexpr int kTreeId = 1247;
  static constexpr int kFrameId = 1256;
  static constexpr int kLoadId = 1248;
  static constexpr int kSaveId = 1249;
  static constexpr int kFactoryId = 1250;
  static constexpr int kRestartId = 1251;
  static constexpr int kSaveFileId = 1252;
  static constexpr int kLoadFileId = 1254;
  static constexpr int kLogToggleId = 1255;
  static constexpr int kUndoId = 1257;  // "撤销修改" (not a device operation)
  static constexpr int kCaptionTimerMs = 100;  // timer 112

  explicit CRTUCfgDlg(QWidget* parent = nullptr);
  ~CRTUCfgDlg() override;

  // Builds the tree, the log window (owned by host's main window) and the pages,
  // starts timers 111 and 112 and the worker. Once.
  void InitWorkspace(IToolHost* host);
  // Time-stamped log line (any thread); text in code page 936.
  void AppendLog(const std::string& text) override;
  // false: disables the tree and the operation buttons and empties the received text;
  // true: enables them.
  void EnableOperations(bool enable);
  int WorkMode() const { return machine_.WorkMode(); }
  void SetWorkMode(int mode) { machine_.SetWorkMode(mode); }
  // Asks the worker to load the parameters (after the configuration tool was entered);
  // ends offline editing.
  void RequestLoad();
  bool LoadRequested() const { return machine_.LoadRequested(); }
  // The main window's cancel: a requested load is dropped; log window and workspace
  // enabled; unless the worker is already loading: tree and buttons enabled, idle.
  void CancelLoadRequest();
  // The port was closed or went away: a running operation ends, and the workspace turns
  // idle once its worker has left it.
  void CancelOperation();
  // The log window (docked at the main window's right edge); nullptr before InitWorkspace.
  QWidget* LogWindow();
  // Shows or hides the log window and sets the toggle button (">>" hidden, "<<" shown).
  void ShowLogWindow(bool show);
  // Stops the timers and the worker and joins it. Makes every UiBridge call return at
  // once from then on (part of the program's exit). Idempotent.
  void Shutdown();

  // Receive entry (receive thread).
  void OnSerialData(const char* data, int count);

  // ITool. Receives in the work modes 0, 1 and 2; chosen, it shows its log window too and
  // is on screen while that window is. Entered, it loads the parameters and ends the main
  // window's wait itself after the load; a failed entry waits for a power-up; a cancelled
  // wait drops a load not yet begun. The port closed ends the running operation.
  LinkTool Kind() const override { return LinkTool::kConfig; }
  bool WantsData() const override;
  void OnData(const char* data, int count) override { OnSerialData(data, count); }
  void Choose(bool chosen) override;
  bool OnScreen() const override;
  QWidget* SideWindow() override { return LogWindow(); }
  void OnPortOpened() override { RefreshDeviceOperations(); }
  void OnPortClosed() override;
  void OnEntryOutcome(const ToolEntryOutcome& outcome) override;

  // ICfgWorkspace
  void ShowComTransPage() override;
  CfgRequests& Requests() override { return machine_.Requests(); }

  // Per-parameter dispatch to the page that shows id (UI thread).
  std::optional<std::string> SaveToTable(int id, int index);
  void LoadFromTable(int id, int index, const std::string& text);

  // Registers the page shown for id. Called by CreatePages only.
  void SetPage(CfgPageId id, QWidget* widget, ICfgPage* page, CfgPageHooks hooks = {});
  QWidget* PageWidget(CfgPageId id) const { return pages_[Index(id)].widget; }
  ICfgPage* Page(CfgPageId id) const { return pages_[Index(id)].page; }

  CfgMachine& Machine() { return machine_; }
  CLogDlg* LogDlg() const { return logDlg_; }
  QTreeWidget* Tree() const { return tree_; }
  // The search above the tree: the field the user types into, the list of matching
  // fields it shows over the tree (path and command word; choosing one shows it).
  QLineEdit* SearchEdit() const { return search_; }
  QListWidget* SearchResults() const { return results_; }
  // Shows the control of parameter instance (id, index): its node, channel, tab (or
  // camera, or "更多参数"), then focuses it and highlights it for kHighlightMs. False when
  // no control shows it now (a source no channel is bound to); the page is shown anyway.
  bool ShowField(int id, int index);
  static constexpr int kHighlightMs = 1500;
  static constexpr int kMaxSearchResults = 200;
  QPushButton* Button(int id) const;
  // "写入后校验" and "快速写入": options of the write-back operations, for this run only.
  QCheckBox* VerifyWritesBox() const { return verifyWrites_; }
  QCheckBox* FastWriteBox() const { return fastWrite_; }
  std::string LogText() const { return log_.Text(); }

  // Button handlers (also for tests): 1249, 1252 and 1254. 1249 and 1254 first show what
  // would be sent (ReviewWrite) and send only the ticked rows.
  void SaveParameters();
  void SaveConfigToFile();
  void LoadConfigFromFile();

  // Offline editing: the pages show the .cfg file at path, with no device; the device
  // operations are disabled, "保存配置到文件" saves the pages' values. Refused (with a
  // "提示" box) for a file that cannot be read or holds no parameter, or while an
  // operation runs. A load from the device ends it.
  bool OpenOffline(const QString& path);
  bool Offline() const { return offline_; }
  // Whether the device operations are offered: a port is open and no .cfg file is being
  // edited offline. Without, every button that would talk to the device is greyed out
  // (a request that still reaches the machine is refused as before, with its note).
  bool DeviceOperationsOffered() const { return deviceOps_; }
  // Greys out or brings back the device operations' buttons after the port or the
  // offline state changed.
  void RefreshDeviceOperations();

  // Marked edits: a field the user changed since its last load marks its label and the
  // tree node of its page (a channel's node for the fields of the source it is bound to).
  // "撤销修改" puts the touched fields of the page shown back to their loaded values,
  // its menu's "全部撤销" those of every page; neither sends anything. Returns how many
  // fields were put back.
  int UndoPageEdits();
  int UndoAllEdits();
  // Whether node is shown marked (bold, dark orange).
  static bool NodeMarked(const QTreeWidgetItem* node);
  // The channel node of channel n (1-based); nullptr outside 1..30.
  QTreeWidgetItem* ChannelNode(int n) const;
  // Brings the tree's marks up to date now (they follow the fields' changes at once
  // after the event that changed them).
  void RefreshEditMarks();
  QToolButton* UndoButton() const { return undo_; }

 protected:
  // The file dialogs (tests replace them). Empty: cancelled.
  virtual QString ChooseSaveFile(const QString& suggestedName);
  virtual QString ChooseOpenFile();
  // The review of plan (not empty): true to write the rows left in selection (all at first).
  virtual bool ReviewWrite(const WritePlan& plan, WriteSelection& selection);
  // The review, then the write: what 1249 and 1254 start.
  void ReviewAndWrite(const std::optional<WritePlan>& plan,
                      const std::function<void(WriteSelection)>& write);

  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  bool ReadCfgOrTell(const QString& path, std::string& text);
  class View;
  class PageAccess;
  struct Slot {
    QWidget* widget = nullptr;
    ICfgPage* page = nullptr;
    CfgPageHooks hooks;
  };
  static size_t Index(CfgPageId id) { return static_cast<size_t>(id); }

  // THE place where the ten pages are constructed and registered (cfg_pages.cpp).
  void CreatePages();
  void BuildTree();
  void BuildButtons();
  void OnTreeSelection(QTreeWidgetItem* item);
  void OnLogToggle();
  void OnCaptionTimer();
  void ClearLog();
  void ScheduleLogRefresh();
  void RefreshLog();
  void SetOperationsEnabledOnUi(bool enable);
  void ReleaseHostOnUi();
  // The fields a tree node's page holds (a channel node: its bound source's fields).
  QList<CfgField*> FieldsOfNode(const QTreeWidgetItem* node) const;
  void ConnectEditMarks();
  // Marks node by its own page and the nodes below it; returns whether it is marked.
  bool RefreshEditMarks(QTreeWidgetItem* node);
  void ScheduleEditMarks();
  QWidget* DialogParent();

  IToolHost* host_ = nullptr;
  std::function<void()> endWait_;  // the main window's wait for this entry; UI thread
  std::unique_ptr<View> view_;
  BackupGuard backup_{true};  // before the machine, which uses it
  CfgMachine machine_;
  CfgLog log_;
  std::atomic<bool> logRefreshPending_{false};
  uint64_t shownGeneration_ = 0;
  size_t shownLength_ = 0;
  std::atomic<bool> shutDown_{false};
  bool initialised_ = false;
  bool offline_ = false;  // UI thread
  bool deviceOps_ = true;  // UI thread: DeviceOperationsOffered
  bool operationsEnabled_ = true;  // UI thread: the last SetOperationsEnabledOnUi
  QString offlinePath_;

  // The search (cfg_dlg_search.cpp).
  void BuildSearch();
  void OnSearchText(const QString& text);
  void ChooseSearchResult(int row);
  QWidget* ShownControlOf(int id, int index) const;
  QTreeWidgetItem* NodeOfPage(CfgPageId id) const;

  QTreeWidget* tree_ = nullptr;
  QLineEdit* search_ = nullptr;
  QListWidget* results_ = nullptr;
  std::unique_ptr<FieldSearch> fieldSearch_;  // made at the first search
  QTreeWidgetItem* channelRoot_ = nullptr;
  QTreeWidgetItem* moreRoot_ = nullptr;
  QTreeWidgetItem* comTransNode_ = nullptr;
  QGroupBox* frame_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* factory_ = nullptr;
  QPushButton* restart_ = nullptr;
  QPushButton* saveFile_ = nullptr;
  QPushButton* loadFile_ = nullptr;
  QPushButton* logToggle_ = nullptr;
  QToolButton* undo_ = nullptr;
  bool marksPending_ = false;  // UI thread
  QCheckBox* verifyWrites_ = nullptr;
  QCheckBox* fastWrite_ = nullptr;
  QPointer<CLogDlg> logDlg_;
  QTimer* powerUpTimer_ = nullptr;  // 111
  QTimer* captionTimer_ = nullptr;  // 112
  std::array<Slot, kCfgPageCount> pages_{};
  FractionLayout layout_;
  FractionLayout pageLayout_;
};
