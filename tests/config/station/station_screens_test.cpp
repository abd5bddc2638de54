// Pictures of the station pages filled with sample values, for looking at them:
// written only when QX_STATION_SHOTS names a folder.
#include <QCheckBox>
#include <QDate>
#include <QDateEdit>
#include <QDir>
#include <QPixmap>
#include <QTimeEdit>
#include <gtest/gtest.h>

#include "config/station/camera_timer_dlg.h"
#include "config/station/com_trans_dlg.h"
#include "config/station/dev_dlg.h"
#include "config/station/gprs1_dlg.h"
#include "config/station/gprs_dlg.h"
#include "config/station/sms_dlg.h"
#include "config/station/terminal_dlg.h"
#include "station_test_support.h"

namespace {

void Shoot(QWidget& page, const char* name) {
  const QString dir = qEnvironmentVariable("QX_STATION_SHOTS");
  page.resize(740, 560);
  page.show();
  const QString path = QDir(dir).filePath(QString::fromLatin1(name) + ".png");
  EXPECT_TRUE(page.grab().save(path)) << path.toStdString();
}

TEST(StationScreens, PagesWithSampleValues) {
  if (qEnvironmentVariableIsEmpty("QX_STATION_SHOTS")) GTEST_SKIP() << "QX_STATION_SHOTS not set";
  FakeWorkspace ws;

  CRTUCfgGprsDlg centre(&ws);
  centre.LoadFromTable(18, 0, "2");
  centre.LoadFromTable(19, 0, "1");
  centre.LoadFromTable(19, 4, "7");
  centre.LoadFromTable(20, 0, "112.64.1.20");
  centre.LoadFromTable(20, 4, "112.64.1.21");
  centre.LoadFromTable(21, 0, "5005");
  centre.LoadFromTable(21, 4, "5006");
  centre.LoadFromTable(22, 0, "8.8.8.8");
  centre.LoadFromTable(22, 1, "114.114.114.114");
  Shoot(centre, "centre");

  CRTUCfgGprs1Dlg other;
  const std::pair<int, const char*> otherValues[] = {{23, "cmnet"}, {24, "user"}, {25, "pass"},
                                                     {26, "*99***1#"}, {28, "30"}, {29, "120"}};
  for (const auto& [id, text] : otherValues) other.LoadFromTable(id, 0, text);
  Shoot(other, "centre_other");

  CRTUCfgTerminalDlg terminal;
  const std::pair<int, const char*> termValues[] = {
      {0, "0"}, {4, "0012345678"}, {5, "01"}, {6, "1234"}, {7, "0"}, {8, "1"}, {9, "1"},
      {10, "60"}, {11, "5"}, {12, "8"}, {13, "1"}, {14, "13800000000"}, {16, "5"},
      {17, "11.5"}, {27, "60"}};
  for (const auto& [id, text] : termValues) terminal.LoadFromTable(id, 0, text);
  terminal.LoadFromTable(15, 0, G("河道"));
  terminal.RefreshReportField();
  terminal.MoreCheck()->click();
  Shoot(terminal, "terminal");
  terminal.LoadFromTable(7, 0, "5");
  terminal.ApplyProtocolLayout();
  Shoot(terminal, "terminal_water21");

  CRTUCfgSmsDlg sms;
  sms.LoadFromTable(146, 0, "1");
  sms.LoadFromTable(147, 0, "13800000000,13900000000");
  Shoot(sms, "sms");

  CRTUCfgComTransDlg trans;
  trans.LoadFromTable(158, 0, "3");
  trans.LoadFromTable(159, 0, "9600");
  trans.LoadFromTable(160, 0, "8E1");
  Shoot(trans, "com_trans");

  CRTUCfgCameraTimer timer;
  for (int k = 0; k < 10; ++k) {
    timer.LoadFromTable(155, k, k < 4 ? "1" : "0");
    timer.LoadFromTable(156, k, std::to_string(6 + k));
    timer.LoadFromTable(157, k, "30");
  }
  Shoot(timer, "camera_timer");

  CRTUCfgDevDlg clock(&ws);
  Shoot(clock, "clock");
  clock.DatePicker()->setDate(QDate(2024, 2, 29));
  clock.TimePicker()->setTime(QTime(23, 59, 59));
  clock.SelectMode(1);
  Shoot(clock, "clock_manual");
}

}  // namespace
