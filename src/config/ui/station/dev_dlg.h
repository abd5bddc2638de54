#pragma once
// The clock page (shown for "通道参数设置"): sets the device's real-time clock to
// the computer's time or to a date and time picked by hand. "设置" puts the time
// text into the workspace's clock request; the worker sends it as AT+EXCCLK=.
#include <QWidget>
#include <string>

#include "widgets/fraction_layout.h"

class ICfgWorkspace;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QPushButton;
class QTimeEdit;
class QTimer;

class CRTUCfgDevDlg : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kModeId = 1240;
  static constexpr int kNowId = 1241;
  static constexpr int kSetId = 1242;
  static constexpr int kDateId = 1243;
  static constexpr int kTimeId = 1244;
  static constexpr int kWeekdayId = 1245;
  static constexpr int kClockDisplayMs = 1000;  // CLOCK_DISPLAY_TIMER

  // Builds and initialises the page (computer time mode, pickers hidden, the
  // computer's time shown and refreshed every second).
  explicit CRTUCfgDevDlg(ICfgWorkspace* workspace, QWidget* parent = nullptr);

  // Enables or disables the mode list, the pickers, the weekday list and the time
  // display while the clock is being set ("设置" stays enabled).
  void EnableClockControls(bool enable);
  // The clock's "设置" needs a device: greyed while there is none.
  void EnableDeviceOperations(bool enable);

  // Mode list change (0 computer time, 1 manual), as the user's choice does it.
  void SelectMode(int mode);
  // "设置": builds the time text and hands it to the workspace's clock request.
  void OnSet();
  // The time text of the last "设置".
  const std::string& ClockArgument() const { return clockArgument_; }

  QComboBox* ModeList() const { return mode_; }
  QComboBox* WeekdayList() const { return weekday_; }
  QDateEdit* DatePicker() const { return date_; }
  QTimeEdit* TimePicker() const { return time_; }
  QLineEdit* NowDisplay() const { return now_; }
  QPushButton* SetButton() const { return set_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ShowNow();
  // Weekday of the pickers' date and time, selected in the weekday list.
  int SelectPickerWeekday();

  ICfgWorkspace* workspace_;
  QComboBox* mode_ = nullptr;
  QLineEdit* now_ = nullptr;
  QPushButton* set_ = nullptr;
  QDateEdit* date_ = nullptr;
  QTimeEdit* time_ = nullptr;
  QComboBox* weekday_ = nullptr;
  QTimer* clockTimer_ = nullptr;
  std::string clockArgument_;
  FractionLayout layout_;
};
