#pragma once
// ITool: how a tool (the debug console, the download page, the configuration workspace)
// plugs into the main window. The main window holds its tools in a list, in the order in
// which received data is offered to them, and reaches them only through this interface
// (and IToolHost the other way). Entering a tool anew on the open port, after a menu
// choice or a reconnect, is the same call sequence: Choose, then the entry, whose end
// the tool hears through OnEntryOutcome.
#include <functional>
#include <string>

#include "app/link_view.h"
#include "app/receive_pump.h"

class QWidget;

// How the main window's entry into a tool ended, as the tool hears of it.
enum class EntryEnd {
  kEntered,    // the device is in the tool's state
  kFailed,     // it did not answer as the tool needs (the tool has the link anyway)
  kCancelled,  // the main window's wait was cancelled (its tip's cancel): any tool may hear it
};

struct ToolEntryOutcome {
  EntryEnd end = EntryEnd::kEntered;
  // False when no probe was sent because the device was in a command state already (the
  // debug console's professional mode); the main window then logs why.
  bool probed = true;
  // Ends the main window's wait for the entry: hides its tip and enables it. A tool that
  // finishes the entry itself (the workspace loads first) keeps it and calls it when done,
  // on the UI thread. Empty when there is no wait to end.
  std::function<void()> endWait{};
};

class ITool : public IReceiver {
 public:
  // Which tool this is (what the link machine's entries are for).
  virtual LinkTool Kind() const = 0;

  // Receive thread (IReceiver): WantsData while the tool takes received blocks (the
  // download while it runs, the console while it receives, the workspace in its modes
  // 0, 1, 2), OnData for each block it is given.

  // --- UI thread ---
  // The menu's tool switch: the chosen tool is shown, every other one hidden.
  virtual void Choose(bool chosen) = 0;
  // True while the tool is the one on screen, which an entry is made for (the workspace:
  // while its log window is shown).
  virtual bool OnScreen() const = 0;
  // A window of the tool that the main window keeps docked at its right edge, or nullptr.
  virtual QWidget* SideWindow() { return nullptr; }
  // The port was opened by hand; it was closed by hand or went away.
  virtual void OnPortOpened() {}
  virtual void OnPortClosed() {}
  // The end of the main window's entry into this tool.
  virtual void OnEntryOutcome(const ToolEntryOutcome& outcome) {}

  // A line in the tool's log (code page 936, with its own line end). Any thread.
  virtual void AppendLog(const std::string& text) = 0;
};
