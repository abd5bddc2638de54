// Camera timer and clock pages beyond their value codes.
#include <QDateEdit>
#include <QDateTime>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "config/station/dev_dlg.h"
#include "station_test_support.h"

namespace {

TEST(CameraTimerPage, HoursAndMinutesLandByRow) {
  CRTUCfgCameraTimer page;
  page.resize(600, 500);
  page.LoadFromTable(155, 10, "1");  // no eleventh slot: nothing happens
  EXPECT_EQ(page.SaveToTable(155, 10), "");
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
    EXPECT_EQ(hour->text().toInt() * 100 + minute->text().toInt(), (10 + k) * 100 + 30 + k) << k;
    EXPECT_TRUE(hour->y() == check->y() && minute->y() == check->y()) << k;  // a slot's row
    EXPECT_EQ(page.SaveToTable(156, k), std::to_string(10 + k));
  }
}

class ClockPage : public ::testing::Test {
 protected:
  FakeWorkspace ws;
  CRTUCfgDevDlg page{&ws};
};

// The sent weekday is the computed one, whatever the list shows; a picked date keeps the
// list in step; the digits are ASCII whatever the computer's locale.
TEST(ClockPageManual, LeapDayGoesOutAsThursdayInAsciiDigitsWhateverTheLocale) {
  const QLocale before;
  for (const QLocale& locale : {QLocale::c(), QLocale(QLocale::Arabic, QLocale::Egypt),
                                QLocale(QLocale::Persian, QLocale::Iran), QLocale(QLocale::Marathi, QLocale::India)}) {
    SCOPED_TRACE(locale.name().toStdString());
    QLocale::setDefault(locale);
    FakeWorkspace ws;
    CRTUCfgDevDlg page{&ws};
    EXPECT_TRUE(page.DatePicker()->isHidden() && !page.NowDisplay()->isHidden());  // computer time first
    page.DatePicker()->setDate(QDate(2024, 2, 29));
    page.TimePicker()->setTime(QTime(23, 59, 59));
    UserPicks(page.ModeList(), 1);
    EXPECT_FALSE(page.DatePicker()->isHidden() || page.WeekdayList()->isHidden() || !page.NowDisplay()->isHidden());
    EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期四"));
    page.WeekdayList()->setCurrentIndex(1);
    page.SetButton()->click();
    EXPECT_EQ(ws.requests.Get(CfgRequest::Clock), "2024/02/29,23:59:59,4");
    EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期四"));
    page.DatePicker()->setDate(QDate(2024, 3, 3));
    EXPECT_EQ(page.WeekdayList()->currentText(), QStringLiteral("星期天"));
    page.SetButton()->click();
    EXPECT_EQ(ws.requests.Get(CfgRequest::Clock), "2024/03/03,23:59:59,0");
  }
  QLocale::setDefault(before);
}

TEST_F(ClockPage, ComputerTimeModeSendsTheCurrentTimeWithItsWeekday) {
  page.DatePicker()->setDate(QDate(2001, 1, 1));  // a manual time first
  UserPicks(page.ModeList(), 1);
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
  for (bool enable : {false, true}) {
    page.EnableClockControls(enable);
    for (QWidget* w : std::initializer_list<QWidget*>{page.ModeList(), page.DatePicker(), page.TimePicker(),
                                                      page.WeekdayList(), page.NowDisplay()})
      EXPECT_EQ(w->isEnabled(), enable) << w->objectName().toStdString();
    EXPECT_TRUE(page.SetButton()->isEnabled());
  }
}

}  // namespace
