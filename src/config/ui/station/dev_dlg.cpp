#include "config/ui/station/dev_dlg.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>
#include <QTimer>

#include "config/cfg_page.h"
#include "config/ui/station/station_widgets.h"
#include "config/station_clock.h"
#include "config/station_codes.h"

using namespace station_ui;
namespace codes = station_codes;

namespace {
station_clock::ClockTime LocalNow() {
  const QDateTime now = QDateTime::currentDateTime();
  const QDate d = now.date();
  const QTime t = now.time();
  return {d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()};
}
}  // namespace

CRTUCfgDevDlg::CRTUCfgDevDlg(ICfgWorkspace* workspace, QWidget* parent)
    : QWidget(parent), workspace_(workspace) {
  setObjectName(QStringLiteral("clockPage"));
  QLabel* label = MakeLabel(this, "RTC时间设置：");
  mode_ = MakeList(this, "clockModeCombo", kModeId, codes::kClockModeItems, false);
  now_ = MakeEdit(this, "clockNowEdit", kNowId);
  now_->setReadOnly(true);
  set_ = new QPushButton(QStringLiteral("设置"), this);
  set_->setObjectName(QStringLiteral("clockSetButton"));
  SetControlId(set_, kSetId);
  date_ = new QDateEdit(QDate::currentDate(), this);
  date_->setObjectName(QStringLiteral("clockDatePicker"));
  SetControlId(date_, kDateId);
  date_->setCalendarPopup(true);
  time_ = new QTimeEdit(QTime::currentTime(), this);
  time_->setObjectName(QStringLiteral("clockTimePicker"));
  SetControlId(time_, kTimeId);
  weekday_ = MakeList(this, "weekdayCombo", kWeekdayId, codes::kWeekdayItems, false);

  layout_.Add(label, 0.05, 0.06, 0.18, 0.06);
  layout_.Add(mode_, 0.24, 0.06, 0.16, 0.06);
  layout_.Add(now_, 0.42, 0.06, 0.3, 0.06);
  layout_.Add(date_, 0.42, 0.06, 0.16, 0.06);
  layout_.Add(time_, 0.59, 0.06, 0.13, 0.06);
  layout_.Add(weekday_, 0.73, 0.06, 0.11, 0.06);
  layout_.Add(set_, 0.86, 0.06, 0.1, 0.06);

  connect(mode_, &QComboBox::activated, this, [this](int item) { SelectMode(item); });
  connect(set_, &QPushButton::clicked, this, [this] { OnSet(); });
  // Keeps the weekday list in step with the picked date, so it never shows a stale day.
  connect(date_, &QDateEdit::dateChanged, this, [this] {
    if (mode_->currentIndex() != 0) SelectPickerWeekday();
  });

  // Initialisation.
  date_->hide();
  time_->hide();
  weekday_->hide();
  date_->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
  time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
  SelectItem(mode_, 0);
  SelectItem(weekday_, 0);
  clockTimer_ = new QTimer(this);
  connect(clockTimer_, &QTimer::timeout, this, [this] { ShowNow(); });
  clockTimer_->start(kClockDisplayMs);
  ShowNow();
  layout_.Apply(this);
}

void CRTUCfgDevDlg::ShowNow() {
  now_->setText(QString::fromStdString(station_clock::ClockDisplayText(LocalNow())));
}

namespace {
// The pickers' values as "yyyy/MM/dd" and "HH:mm:ss" in ASCII digits: the shown text
// follows the user's locale, which may write other digits.
std::string PickedDate(const QDateEdit* d) {
  return QLocale::c().toString(d->date(), QStringLiteral("yyyy/MM/dd")).toStdString();
}
std::string PickedTime(const QTimeEdit* t) {
  return QLocale::c().toString(t->time(), QStringLiteral("HH:mm:ss")).toStdString();
}
}  // namespace

int CRTUCfgDevDlg::SelectPickerWeekday() {
  const auto t = station_clock::ParsePickerTexts(PickedDate(date_), PickedTime(time_));
  const int w = station_clock::WeekdayOf(t);
  SelectItem(weekday_, w);
  return w;
}

void CRTUCfgDevDlg::SelectMode(int mode) {
  SelectItem(mode_, mode);
  const bool manual = mode != 0;
  date_->setVisible(manual);
  time_->setVisible(manual);
  weekday_->setVisible(manual);
  now_->setVisible(!manual);
  if (manual) SelectPickerWeekday();
}

void CRTUCfgDevDlg::OnSet() {
  if (mode_->currentIndex() == 0) {
    clockArgument_ = station_clock::SystemClockArgument(LocalNow());
  } else {
    SelectPickerWeekday();
    clockArgument_ = station_clock::ManualClockArgument(PickedDate(date_), PickedTime(time_));
  }
  if (workspace_) workspace_->Requests().Set(CfgRequest::Clock, clockArgument_);
}

void CRTUCfgDevDlg::EnableClockControls(bool enable) {
  for (QWidget* w : {static_cast<QWidget*>(mode_), static_cast<QWidget*>(date_),
                     static_cast<QWidget*>(time_), static_cast<QWidget*>(weekday_),
                     static_cast<QWidget*>(now_)})
    w->setEnabled(enable);
}

void CRTUCfgDevDlg::EnableDeviceOperations(bool enable) { set_->setEnabled(enable); }

void CRTUCfgDevDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
