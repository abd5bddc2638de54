#pragma once
// The terminal page's "更多参数" sub-page: heartbeat, backlog upload, own number,
// low-battery threshold, address type, water order and the hydrology report
// timings. The terminal page moves its values; this class holds the controls and
// the rows' visibility.
#include <QWidget>
#include <string>
#include <vector>

#include "widgets/fraction_layout.h"

class QComboBox;
class QLineEdit;

class CRTUCfgTerminal1Dlg : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kHeartbeatId = 1340;
  static constexpr int kUploadByLoseId = 1335;
  static constexpr int kSimNoId = 1283;
  static constexpr int kLowVoltId = 1284;
  static constexpr int kAddressTypeId = 1307;
  static constexpr int kWaterOrderId = 1308;
  static constexpr int kHourlySwitchId = 1309;
  static constexpr int kEvenIntervalId = 1285;
  static constexpr int kAlarmIntervalId = 1286;
  static constexpr int kRainBeginId = 1287;
  static constexpr int kTimeStepId = 1288;
  static constexpr int kStationTypeId = 1310;

  explicit CRTUCfgTerminal1Dlg(QWidget* parent = nullptr);

  QLineEdit* heartbeat = nullptr;
  QComboBox* uploadByLose = nullptr;
  QLineEdit* simNo = nullptr;
  QLineEdit* lowVolt = nullptr;
  QComboBox* addressType = nullptr;
  QComboBox* waterOrder = nullptr;
  QComboBox* hourlySwitch = nullptr;
  QLineEdit* evenInterval = nullptr;
  QLineEdit* alarmInterval = nullptr;
  QLineEdit* rainBegin = nullptr;
  QLineEdit* timeStep = nullptr;
  QComboBox* stationType = nullptr;

  void ShowAddressTypeRow(bool show);
  void ShowWaterOrderRow(bool show);
  // Hourly switch, even-period and additional intervals, rain start, time step, station type.
  void ShowHydrologyRows(bool show);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  using Row = std::vector<QWidget*>;
  Row AddRow(int column, int row, const char* label, QWidget* field, const char* hint = nullptr,
             int labelId = 0, int hintId = 0);
  static void ShowRow(const Row& row, bool show);

  Row addressTypeRow_, waterOrderRow_;
  std::vector<Row> hydrologyRows_;
  FractionLayout layout_;
};
