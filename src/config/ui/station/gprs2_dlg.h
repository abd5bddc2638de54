#pragma once
// One centre of the centre address page: a main and a backup server, each with a
// display-only state, a channel kind, an address and a port.
#include <QWidget>
#include <string>

#include "widgets/fraction_layout.h"

class ICfgWorkspace;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;

class CRTUCfgGprs2Dlg : public QWidget {
  Q_OBJECT
 public:
  // Control ids of the main (index 0) and backup (index 1) server.
  static constexpr int kGroupId[2] = {1286, 1287};
  static constexpr int kStateId[2] = {1278, 1280};
  static constexpr int kChannelId[2] = {1279, 1281};
  static constexpr int kAddressId[2] = {1282, 1284};
  static constexpr int kPortId[2] = {1283, 1285};
  static constexpr int kStateLabelId[2] = {1288, 1291};
  static constexpr int kChannelLabelId[2] = {1289, 1293};
  static constexpr int kAddressLabelId[2] = {1361, 1292};
  static constexpr int kPortLabelId[2] = {1290, 1294};

  explicit CRTUCfgGprs2Dlg(QWidget* parent = nullptr);

  // Remembers the workspace (for the jump to the serial transmission page), closes
  // both servers' display.
  void InitCenter(ICfgWorkspace* workspace);

  // Both servers "开启" with their fields shown / "关闭" with them hidden.
  void OpenCenter();
  void CloseCenter();

  QLineEdit* AddressEdit(bool backup) const { return servers_[backup].address; }
  QLineEdit* PortEdit(bool backup) const { return servers_[backup].port; }
  QComboBox* ChannelList(bool backup) const { return servers_[backup].channel; }
  QComboBox* StateList(bool backup) const { return servers_[backup].state; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Server {
    QGroupBox* group = nullptr;
    QLabel* stateLabel = nullptr;
    QComboBox* state = nullptr;
    QLabel* channelLabel = nullptr;
    QComboBox* channel = nullptr;
    QLabel* addressLabel = nullptr;
    QLineEdit* address = nullptr;
    QLabel* portLabel = nullptr;
    QLineEdit* port = nullptr;
  };

  void BuildServer(int s, const char* groupText, const char* const labels[4], const char* roles[4]);
  void ShowServerFields(int s, bool show);
  void OnStateActivated(int s);
  void OnChannelActivated(int s);

  Server servers_[2];
  ICfgWorkspace* workspace_ = nullptr;
  FractionLayout layout_;
};
