#pragma once
// Helpers for the workspace's widget tests: the user's pick or typing, a workspace whose
// file dialogs and review are scripted, the fixture that builds and tears it down, and
// the receive thread that feeds the workspace from a real port.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QTreeWidget>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <mutex>
#include <string>

#include "support/qt_wait.h"
#include "base/timing.h"
#include "config/channel_captions.h"
#include "config/ui/cfg_dlg.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "serial/serial_port.h"
#include "widgets/message_box.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"
#include "support/test_host.h"
#include "support/port_reader.h"
#include "support/tip_catcher.h"

// (Through std::filesystem::path from UTF-16: any file name, on Windows too.)
inline std::string ReadAll(const QString& path) {
  std::ifstream in(std::filesystem::path(path.toStdU16String()), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
inline void WriteAll(const QString& path, const std::string& bytes) {
  std::ofstream(std::filesystem::path(path.toStdU16String()), std::ios::binary) << bytes;
}

// The user picks item `pick` of the control's list or, with pick < 0, types `typed`
// (UTF-8) into its text: the edit's, or the list's own.
inline void PickOrType(QWidget* control, int pick, const char* typed) {
  auto* list = qobject_cast<QComboBox*>(control);
  if (pick >= 0) {
    list->setCurrentIndex(pick);
    emit list->activated(pick);
    return;
  }
  QLineEdit* edit = list ? list->lineEdit() : qobject_cast<QLineEdit*>(control);
  edit->setText(QString::fromUtf8(typed));
  emit edit->textEdited(edit->text());
}

class TestWorkspace : public CRTUCfgDlg {
 public:
  QString savePath;         // what the save dialog "chooses" ("" = cancel)
  QString openPath;         // what the open dialog "chooses"
  QString offeredName;      // the name the save dialog was offered
  std::vector<WritePlan> reviews;               // the rows of every review before a write
  std::function<bool(WriteSelection&)> review;  // the user's answer; none: write every row

 protected:
  QString ChooseSaveFile(const QString& suggestedName) override {
    offeredName = suggestedName;
    return savePath;
  }
  QString ChooseOpenFile() override { return openPath; }

 public:
  // The program's own save dialog, as the button opens it.
  QString RealChooseSaveFile(const QString& suggestedName) { return CRTUCfgDlg::ChooseSaveFile(suggestedName); }

 protected:
  bool ReviewWrite(const WritePlan& plan, WriteSelection& selection) override {
    reviews.push_back(plan);
    return review ? review(selection) : true;
  }
};


// Builds the workspace on a port, shown, with time scaled and the parameter table, the
// protocol kind and the channel captions emptied; tears it down in order. Derived
// fixtures stop what feeds the workspace in StopFeeding().
class WorkspaceFixture : public ::testing::Test {
 protected:
  void StartWorkspace(ISerialPort& port, double scale) {
    UiBridge::Restart();
    Timing::SetScale(scale);
    ResetParamValues();
    ListingProtocolKind() = 0;
    ListingWaterOrderSeen() = 0;
    ListingAddressTypeSeen() = 0;
    ChannelCaptions::Instance().ClearAll();
    host = std::make_unique<TestHost>(port, &hostWindow);
    ws = std::make_unique<TestWorkspace>();
    ws->InitWorkspace(host.get());
    ws->resize(1000, 600);
    ws->show();
  }
  virtual void StopFeeding() {}
  void TearDown() override {
    if (ws) ws->Shutdown();
    StopFeeding();
    ws.reset();
    host.reset();
    UiBridge::Restart();
    Timing::SetScale(1.0);
  }

  QTreeWidgetItem* Node(const QString& text) const {
    auto found = ws->Tree()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
  }
  // Idle with the operations enabled again (the enabling reaches the widgets after the
  // worker has set the mode).
  bool WaitIdle(int ms = 6 * kTestMarginMs) {
    return PumpUntil(
        [&] {
          return ws->WorkMode() == kModeIdle && !ws->LoadRequested() && ws->Tree()->isEnabled() &&
                 ws->Button(CRTUCfgDlg::kSaveId)->isEnabled();
        },
        ms);
  }
  template <typename T = QWidget>
  T* PageOf(CfgPageId id) const {
    return qobject_cast<T*>(ws->PageWidget(id));
  }

  QWidget hostWindow;  // the main window, as parent of the workspace's boxes
  std::unique_ptr<TestHost> host;
  std::unique_ptr<TestWorkspace> ws;
};

// The main window's receive thread, as far as the workspace is concerned: reads the
// port and hands each block to the workspace while its mode is 0, 1 or 2. While
// capturing (the main window talking to the device itself) blocks are kept here.
class ReceiveHelper {
 public:
  ReceiveHelper(ISerialPort& port, CRTUCfgDlg& ws)
      : reader_(port, [this, &ws](const char* d, int n) { Deliver(ws, d, n); }) {}
  void Stop() { reader_.Stop(); }
  void Capture(bool on) {
    std::lock_guard<std::mutex> lock(mutex_);
    capture_ = on;
    captured_.clear();
  }
  std::string Captured() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return captured_;
  }

 private:
  void Deliver(CRTUCfgDlg& ws, const char* data, int n) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (capture_) {
        captured_.append(data, static_cast<size_t>(n));
        return;
      }
    }
    const int mode = ws.WorkMode();
    if (mode == kModeWaitPowerUp || mode == kModeOperation || mode == kModeRecovery)
      ws.OnSerialData(data, n);
  }

  mutable std::mutex mutex_;
  bool capture_ = false;
  std::string captured_;
  PortReader reader_;  // last: stops before the rest goes
};
