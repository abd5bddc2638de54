#pragma once
// What the link-state machine asks of the main window. The Qt main window implements it;
// tests give the machine a fake.
//
// Threads: RunOnUi may be called from any thread; it runs fn on the UI thread and waits
// (and returns without running fn once the program shuts down). Every other member is
// called on the UI thread only: inside a RunOnUi block, or from a UI-thread call of the
// machine (StartDetection, StartEntry, Cancel).
#include <functional>
#include <string>
#include <vector>

// The status box of the port bar.
enum class LinkStatus {
  kClosed,           // port closed
  kOpenUnconfirmed,  // port open, device not confirmed on it
  kOpenConfirmed,    // port open and the device confirmed
};

// Messages of the please-wait tip.
enum class TipText {
  kDetecting,        // auto-detection running
  kDetectTimeout,    // the search ended without a device
  kEnteringDebug,
  kEnteringDownload,
  kEnteringConfig,
};

// How a run of the link-state machine ended.
enum class LinkEnd {
  kFound,        // auto-detection: the device answered on `port`
  kNotFound,     // auto-detection: no device; `deniedPorts` refused for lack of permission
  kEntered,      // tool entry: the device answered "---" as the tool expects
  kEntryFailed,  // tool entry: no such answer after every try (the tool gets the link anyway)
};

// The tool a tool entry was for: the one whose page is showing.
enum class LinkTool { kNone, kConfig, kDownload, kDebug };

struct LinkOutcome {
  LinkEnd end = LinkEnd::kNotFound;
  LinkTool tool = LinkTool::kNone;
  std::string port{};                    // kFound
  std::vector<std::string> deniedPorts{};  // kNotFound
};

class ILinkView {
 public:
  virtual ~ILinkView() = default;

  virtual void RunOnUi(const std::function<void()>& fn) = 0;

  // Port bar.
  virtual void SelectPort(int index) = 0;
  virtual void SetPortButtonOpen(bool open) = 0;  // "关闭串口" when open, else "开启串口"
  virtual void SetStatus(LinkStatus status) = 0;
  virtual void EnableCombos(bool enable) = 0;

  // The tip and the main window.
  virtual void SetTipMessage(TipText text) = 0;
  virtual void ShowTip(bool show) = 0;
  virtual void EnableMainWindow(bool enable) = 0;
  virtual void BringToFront() = 0;

  // Tool pages.
  virtual void DebugReceiveOnIfVisible() = 0;
  virtual bool ConfigLogVisible() = 0;
  virtual bool DownloadVisible() = 0;
  // Cancel: a load the workspace has not started yet is dropped and the workspace enabled.
  virtual void CancelPendingLoad() = 0;
  // The end of a detection or a tool entry, after the port bar and the tip are updated
  // (for the download tool: before the tip is hidden). What the main window does then:
  // configuration entered: disable the log window and the workspace, request the load,
  // log "进入配置成功！"; configuration entry failed: operations disabled, work mode 0,
  // "载入参数失败，请将设备重新上电！"; download entered: log "进入升级成功！"; detection
  // without a device: the ports refused for lack of permission, if any, are reported.
  virtual void OnLinkOutcome(const LinkOutcome& outcome) = 0;
};
