// The centre address page (four centres, their states and the jump to the transmission
// page), the camera timer and clock pages, beyond their value codes.
#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QPushButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

#include "config/ui/station/dev_dlg.h"
#include "config/ui/station/gprs1_dlg.h"
#include "config/ui/station/gprs_dlg.h"
#include "station_test_support.h"

namespace {

class CentrePage : public ::testing::Test {
 protected:
  void SetUp() override { station_ui::SetAskHook({}); }
  void TearDown() override { station_ui::SetAskHook({}); }

  // 1 when the centre shows "开启" in both state lists and all its fields, 0 when it
  // shows "关闭" and none of them, -1 for anything between.
  int Open(int centre) {
    CRTUCfgGprs2Dlg* c = page.Center(centre);
    int open = 0, closed = 0;
    for (bool backup : {false, true}) {
      const QString state = c->StateList(backup)->currentText();
      open += state == QStringLiteral("开启");
      closed += state == QStringLiteral("关闭");
      for (int id : {CRTUCfgGprs2Dlg::kChannelId[backup], CRTUCfgGprs2Dlg::kAddressId[backup],
                     CRTUCfgGprs2Dlg::kPortId[backup], CRTUCfgGprs2Dlg::kChannelLabelId[backup],
                     CRTUCfgGprs2Dlg::kAddressLabelId[backup], CRTUCfgGprs2Dlg::kPortLabelId[backup]}) {
        open += !Control(c, id)->isHidden();
        closed += Control(c, id)->isHidden();
      }
    }
    return open == 14 ? 1 : closed == 14 ? 0 : -1;
  }
  // The centres' states, centre 1 first.
  std::vector<int> States() {
    std::vector<int> s;
    for (int c = 0; c < 4; ++c) s.push_back(Open(c));
    return s;
  }

  FakeWorkspace ws;
  CRTUCfgGprsDlg page{&ws};
};

TEST_F(CentrePage, ServerCountOpensThatManyCentresAndTabsShowOneCentre) {
  EXPECT_EQ(page.SaveToTable(18, 0), std::nullopt);  // nothing loaded yet: no value
  EXPECT_EQ(States(), (std::vector<int>{0, 0, 0, 0}));
  ASSERT_EQ(page.Tabs()->count(), 4);
  for (int tab : {0, 2}) {
    page.Tabs()->setCurrentIndex(tab);
    for (int c = 0; c < 4; ++c) EXPECT_EQ(page.Center(c)->isHidden(), c != tab) << c;
  }
  struct Step {
    const char* loaded;  // device value, or nullptr when the user picks item `picked`
    int picked;
    std::vector<int> states;
  };
  const Step steps[] = {
      {"2", 0, {1, 1, 0, 0}},
      {"1", 0, {1, 0, 0, 0}},  // a smaller count closes the centres above it again
      {"7", 0, {1, 1, 1, 1}},  // above four: every centre, the count kept
      {"-3", 0, {0, 0, 0, 0}},  {nullptr, 3, {1, 1, 1, 0}}, {nullptr, 0, {0, 0, 0, 0}},
  };
  for (const Step& s : steps) {
    if (s.loaded) page.LoadFromTable(18, 0, s.loaded);
    else UserPicks(page.ServerCountList(), s.picked);
    const std::string what = s.loaded ? std::string("loaded ") + s.loaded : "picked " + std::to_string(s.picked);
    EXPECT_EQ(States(), s.states) << what;
    EXPECT_EQ(page.SaveToTable(18, 0), s.loaded ? s.loaded : std::to_string(s.picked)) << what;
  }
  // The state choice shows or hides one server's fields.
  page.LoadFromTable(18, 0, "1");
  CRTUCfgGprs2Dlg* c = page.Center(0);
  UserPicks(c->StateList(true), 0);
  EXPECT_TRUE(c->AddressEdit(true)->isHidden());
  EXPECT_TRUE(Control(c, CRTUCfgGprs2Dlg::kPortLabelId[1])->isHidden());
  EXPECT_FALSE(c->AddressEdit(false)->isHidden());
  UserPicks(c->StateList(true), 1);
  EXPECT_FALSE(c->AddressEdit(true)->isHidden());
}

TEST_F(CentrePage, SerialOrBeidouChannelOffersTheJumpToTheTransmissionPage) {
  std::vector<QString> asked;
  bool answer = true;
  station_ui::SetAskHook([&](const QString& q) {
    asked.push_back(q);
    return answer;
  });
  QComboBox* list = page.Center(0)->ChannelList(false);
  UserPicks(list, 6);  // 串口
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], QStringLiteral("是否跳转配置串口参数？"));
  EXPECT_EQ(ws.comTransShown, 1);

  answer = false;
  UserPicks(page.Center(3)->ChannelList(true), 2);  // 北斗卫星, cancelled
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_EQ(asked[1], QStringLiteral("是否跳转配置北斗参数？"));
  EXPECT_EQ(ws.comTransShown, 1);

  UserPicks(list, 7);  // UDP: no question
  EXPECT_EQ(asked.size(), 2u);
  // A value loaded from the device asks nothing.
  page.LoadFromTable(19, 1, "6");
  EXPECT_EQ(asked.size(), 2u);
}


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

TEST(ClockPage, ComputerTimeModeSendsTheCurrentTimeWithItsWeekdayAndSettingDisablesAllButTheButton) {
  FakeWorkspace ws;
  CRTUCfgDevDlg page{&ws};
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
  // The controls are disabled while the clock is set, but the button stays.
  for (bool enable : {false, true}) {
    page.EnableClockControls(enable);
    for (QWidget* w : std::initializer_list<QWidget*>{page.ModeList(), page.DatePicker(), page.TimePicker(),
                                                      page.WeekdayList(), page.NowDisplay()})
      EXPECT_EQ(w->isEnabled(), enable) << w->objectName().toStdString();
    EXPECT_TRUE(page.SetButton()->isEnabled());
  }
}

}  // namespace
