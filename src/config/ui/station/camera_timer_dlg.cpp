#include "config/ui/station/camera_timer_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"

using namespace station_ui;
namespace codes = station_codes;

CRTUCfgCameraTimer::CRTUCfgCameraTimer(QWidget* parent) : QWidget(parent), CfgFieldPage(this) {
  setObjectName(QStringLiteral("cameraTimerPage"));
  const FieldTable& table = field_tables::kCameraTimer;
  const QString switchText = QString::fromUtf8(LabelOf(table, "timer%1Check"));
  for (int r = 0; r < kSlots; ++r) {
    switch_[r] = new QCheckBox(switchText.arg(r + 1), this);
    switch_[r]->setObjectName(QStringLiteral("timer%1Check").arg(r + 1));
    SetControlId(switch_[r], kCheckId[r]);
    hour_[r] = MakeEdit(this, "", kHourId[r]);
    hour_[r]->setObjectName(QStringLiteral("timer%1HourEdit").arg(r + 1));
    QLabel* hourUnit = MakeLabel(this, LabelOf(table, "timer%1HourEdit"));
    minute_[r] = MakeEdit(this, "", kMinuteId[r]);
    minute_[r]->setObjectName(QStringLiteral("timer%1MinuteEdit").arg(r + 1));
    QLabel* minuteUnit = MakeLabel(this, LabelOf(table, "timer%1MinuteEdit"));
    const double y = 0.03 + r * 0.095;
    layout_.Add(switch_[r], 0.06, y, 0.16, 0.07);
    layout_.Add(hour_[r], 0.24, y, 0.12, 0.07);
    layout_.Add(hourUnit, 0.37, y, 0.05, 0.07);
    layout_.Add(minute_[r], 0.44, y, 0.12, 0.07);
    layout_.Add(minuteUnit, 0.57, y, 0.05, 0.07);
  }
  BindRows(fields_, field_tables::kCameraTimer, this);
  layout_.Apply(this);
}

void CRTUCfgCameraTimer::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
}
