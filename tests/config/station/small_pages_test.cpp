// SMS, serial transmission, camera timer and clock pages.
#include <QCheckBox>
#include <QDateTime>
#include <QRegularExpression>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "config/station/camera_timer_dlg.h"
#include "config/station/com_trans_dlg.h"
#include "config/station/dev_dlg.h"
#include "config/station/sms_dlg.h"
#include "config/station_clock.h"
#include "station_test_support.h"

namespace {

TEST(SmsPage, SmsSwitchAndNumbers) {
  CRTUCfgSmsDlg page;
  page.LoadFromTable(146, 0, "1");
  EXPECT_EQ(page.SmsSetList()->currentText(), QStringLiteral("开启"));
  EXPECT_EQ(page.SaveToTable(146, 0), "1");
  for (const char* v : {"0", "2", ""}) {
    page.LoadFromTable(146, 0, v);
    EXPECT_EQ(page.SmsSetList()->currentText(), QStringLiteral("关闭")) << v;
    EXPECT_EQ(page.SaveToTable(146, 0), "0");
  }
  UserTypes(page.SmsSetList(), QStringLiteral("开"));
  EXPECT_EQ(page.SaveToTable(146, 0), "");
  page.LoadFromTable(147, 0, "13800000000,13900000000");
  EXPECT_EQ(page.SaveToTable(147, 0), "13800000000,13900000000");
  EXPECT_EQ(page.SaveToTable(147, 1), "");
}

TEST(SmsPage, SecondPairOfRowsIsHiddenWithItsListAtItemZero) {
  CRTUCfgSmsDlg page;
  for (int id : {1318, 1307, 1321, 1315, 1367}) {
    ASSERT_NE(Control(&page, id), nullptr) << id;
    EXPECT_TRUE(Control(&page, id)->isHidden()) << id;
  }
  EXPECT_EQ(Control<QComboBox>(&page, 1307)->currentIndex(), 0);
  EXPECT_FALSE(Control(&page, 1317)->isHidden());
  EXPECT_FALSE(Control(&page, 1320)->isHidden());
}

TEST(ComTransPage, PortTypeCodes) {
  CRTUCfgComTransDlg page;
  const char* texts[] = {"不使用", "RS232-0", "RS232-1", "RS485-0", "RS485-1"};
  for (int v = 0; v < 5; ++v) {
    page.LoadFromTable(158, 0, std::to_string(v));
    EXPECT_EQ(page.TypeList()->currentText(), QString::fromUtf8(texts[v]));
    EXPECT_EQ(page.SaveToTable(158, 0), std::to_string(v));
  }
  page.LoadFromTable(158, 0, "9");
  EXPECT_EQ(page.TypeList()->currentText(), QStringLiteral("不使用"));
  EXPECT_EQ(page.SaveToTable(158, 0), "0");
  UserTypes(page.TypeList(), QStringLiteral("RS422"));
  EXPECT_EQ(page.SaveToTable(158, 0), "");
}

TEST(ComTransPage, SpeedAndFramingTravelAsText) {
  CRTUCfgComTransDlg page;
  page.LoadFromTable(160, 0, "7E2");
  EXPECT_EQ(page.ParityList()->currentText(), QStringLiteral("7E2"));
  EXPECT_EQ(page.ParityList()->currentIndex(), 8);
  EXPECT_EQ(page.SaveToTable(160, 0), "7E2");
  page.LoadFromTable(160, 0, "8-EVN-1");  // not translated on this page
  EXPECT_EQ(page.ParityList()->currentIndex(), -1);
  EXPECT_EQ(page.SaveToTable(160, 0), "8-EVN-1");
  page.LoadFromTable(159, 0, "9600");
  EXPECT_EQ(page.SpeedList()->currentIndex(), 5);
  EXPECT_EQ(page.SaveToTable(159, 0), "9600");
  page.LoadFromTable(159, 0, "250000");
  EXPECT_EQ(page.SpeedList()->currentIndex(), -1);
  EXPECT_EQ(page.SaveToTable(159, 0), "250000");
}

TEST(CameraTimerPage, SwitchesAreOffOnlyForZero) {
  CRTUCfgCameraTimer page;
  page.LoadFromTable(155, 2, "1");
  EXPECT_TRUE(page.Switch(2)->isChecked());
  EXPECT_EQ(page.Switch(2)->text(), QStringLiteral("定时3"));
  EXPECT_EQ(page.SaveToTable(155, 2), "1");
  EXPECT_FALSE(page.Switch(1)->isChecked());
  EXPECT_EQ(page.SaveToTable(155, 1), "0");
  for (const char* v : {"2", ""}) {
    page.LoadFromTable(155, 4, "0");
    page.LoadFromTable(155, 4, v);
    EXPECT_TRUE(page.Switch(4)->isChecked()) << v;
    EXPECT_EQ(page.SaveToTable(155, 4), "1");
  }
  page.LoadFromTable(155, 4, "0");
  EXPECT_FALSE(page.Switch(4)->isChecked());
  EXPECT_EQ(page.SaveToTable(155, 4), "0");
  EXPECT_EQ(page.SaveToTable(155, 10), "");
  page.LoadFromTable(155, 10, "1");  // no eleventh slot: nothing happens
}

TEST(CameraTimerPage, HoursAndMinutesLandByRow) {
  CRTUCfgCameraTimer page;
  page.resize(600, 500);
  for (int k = 0; k < 10; ++k) {
    page.LoadFromTable(156, k, std::to_string(10 + k));
    page.LoadFromTable(157, k, std::to_string(30 + k));
  }
  // Instance 1 is row 2, whose hour edit is control 1061 (control 1060 is row 3's).
  EXPECT_EQ(Control<QLineEdit>(&page, 1061)->text(), QStringLiteral("11"));
  EXPECT_EQ(Control<QLineEdit>(&page, 1060)->text(), QStringLiteral("12"));
  for (int k = 0; k < 10; ++k) {
    QLineEdit* hour = Control<QLineEdit>(&page, CRTUCfgCameraTimer::kHourId[k]);
    QLineEdit* minute = Control<QLineEdit>(&page, CRTUCfgCameraTimer::kMinuteId[k]);
    QCheckBox* check = Control<QCheckBox>(&page, CRTUCfgCameraTimer::kCheckId[k]);
    ASSERT_TRUE(hour && minute && check) << k;
    EXPECT_EQ(hour->text(), QString::number(10 + k)) << k;
    EXPECT_EQ(minute->text(), QString::number(30 + k)) << k;
    // The three controls of a slot share a row, and the rows run top to bottom.
    EXPECT_EQ(hour->y(), check->y()) << k;
    EXPECT_EQ(minute->y(), check->y()) << k;
    if (k > 0) {
      EXPECT_GT(check->y(), page.Switch(k - 1)->y()) << k;
    }
    EXPECT_EQ(page.SaveToTable(156, k), std::to_string(10 + k));
    EXPECT_EQ(page.SaveToTable(157, k), std::to_string(30 + k));
  }
}

class ClockPage : public ::testing::Test {
 protected:
  void Manual(QDate d, QTime t) {
    page.DatePicker()->setDate(d);
    page.TimePicker()->setTime(t);
    UserPicks(page.ModeList(), 1);
  }
  FakeWorkspace ws;
  CRTUCfgDevDlg page{&ws};
};

TEST_F(ClockPage, StartsInComputerTimeModeShowingTheTime) {
  EXPECT_EQ(page.ModeList()->currentText(), QStringLiteral("系统时间"));
  EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期天"));
  EXPECT_TRUE(page.DatePicker()->isHidden());
  EXPECT_TRUE(page.TimePicker()->isHidden());
  EXPECT_TRUE(page.WeekdayList()->isHidden());
  EXPECT_FALSE(page.NowDisplay()->isHidden());
  EXPECT_TRUE(page.NowDisplay()->isReadOnly());
  EXPECT_EQ(page.DatePicker()->displayFormat(), QStringLiteral("yyyy/MM/dd"));
  EXPECT_EQ(page.TimePicker()->displayFormat(), QStringLiteral("HH:mm:ss"));
  EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d$"))
                  .match(page.NowDisplay()->text()).hasMatch())
      << page.NowDisplay()->text().toStdString();
  EXPECT_FALSE(ws.requests.Pending(CfgRequest::Clock));
}

TEST_F(ClockPage, ManualTimeOnLeapDayGivesThursday) {
  Manual(QDate(2024, 2, 29), QTime(23, 59, 59));
  EXPECT_FALSE(page.DatePicker()->isHidden());
  EXPECT_FALSE(page.WeekdayList()->isHidden());
  EXPECT_TRUE(page.NowDisplay()->isHidden());
  EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期四"));
  // The sent weekday is the computed one, whatever the list shows.
  page.WeekdayList()->setCurrentIndex(1);
  page.SetButton()->click();
  EXPECT_EQ(page.ClockArgument(), "2024/02/29,23:59:59,4");
  EXPECT_EQ(ws.requests.Get(CfgRequest::Clock), "2024/02/29,23:59:59,4");
  EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期四"));
}

TEST_F(ClockPage, PickedDateKeepsTheWeekdayListInStep) {
  Manual(QDate(2024, 2, 29), QTime(8, 0, 0));
  page.DatePicker()->setDate(QDate(2024, 3, 3));
  EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期天"));
  page.SetButton()->click();
  EXPECT_EQ(ws.requests.Get(CfgRequest::Clock), "2024/03/03,08:00:00,0");
}

TEST_F(ClockPage, ComputerTimeModeSendsTheCurrentTimeWithItsWeekday) {
  Manual(QDate(2001, 1, 1), QTime(0, 0, 0));
  UserPicks(page.ModeList(), 0);
  EXPECT_TRUE(page.DatePicker()->isHidden());
  EXPECT_FALSE(page.NowDisplay()->isHidden());
  const QDateTime before = QDateTime::currentDateTime();
  page.SetButton()->click();
  const QDateTime after = QDateTime::currentDateTime();
  const std::string text = ws.requests.Get(CfgRequest::Clock);
  const QRegularExpressionMatch m =
      QRegularExpression(QStringLiteral("^(\\d{4}/\\d\\d/\\d\\d),(\\d\\d:\\d\\d:\\d\\d),([0-6])$"))
          .match(QString::fromStdString(text));
  ASSERT_TRUE(m.hasMatch()) << text;
  const QDateTime sent = QDateTime::fromString(m.captured(1) + " " + m.captured(2),
                                               QStringLiteral("yyyy/MM/dd HH:mm:ss"));
  EXPECT_GE(sent.toSecsSinceEpoch(), before.toSecsSinceEpoch() - 1);
  EXPECT_LE(sent.toSecsSinceEpoch(), after.toSecsSinceEpoch());
  EXPECT_EQ(m.captured(3).toInt(), sent.date().dayOfWeek() % 7);
}

TEST_F(ClockPage, ControlsAreDisabledWhileTheClockIsSetButTheButtonStays) {
  page.EnableClockControls(false);
  for (QWidget* w : {static_cast<QWidget*>(page.ModeList()), static_cast<QWidget*>(page.DatePicker()),
                     static_cast<QWidget*>(page.TimePicker()), static_cast<QWidget*>(page.WeekdayList()),
                     static_cast<QWidget*>(page.NowDisplay())})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(page.SetButton()->isEnabled());
  page.EnableClockControls(true);
  EXPECT_TRUE(page.ModeList()->isEnabled());
  EXPECT_TRUE(page.NowDisplay()->isEnabled());
}

}  // namespace
