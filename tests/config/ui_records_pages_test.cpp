// The storage and camera pages on their own: their requests, the camera fields'
// untouched rule, records and pictures opened from files, and saves that fail and
// keep the data for another place.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "config/cfg_fakes.h"
#include "config/records/rcd_dlg.h"
#include "config/records/record_plot.h"
#include "config/station/station_widgets.h"
#include "ui_support.h"

namespace {

std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
void WriteAll(const QString& path, const std::string& bytes) {
  std::ofstream(path.toStdString(), std::ios::binary) << bytes;
}
// A chooser that gives the paths in turn, then cancels.
FileChooser Paths(QStringList paths) {
  return [paths](QWidget*, const FileRequest&) mutable {
    return paths.isEmpty() ? QString() : paths.takeFirst();
  };
}

class RecordPages : public ::testing::Test {
 protected:
  void SetUp() override { UiBridge::Restart(); }
  void TearDown() override { station_ui::SetAskHook({}); }
  QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

  FakeCfgView view;
  CfgMachine machine{view};
  QTemporaryDir dir;
};

TEST(RecordCsv, SeriesPerElementAndUnitInTimeOrder) {
  const std::string csv = G(
      "序号,采集要素,采集值,采集单位,采集时间\r\n"
      "1,水位,12.5,m,2024/1/5 8:0:0\r\n"
      "2,雨量,0.5,mm,2024/1/5 8:05:00\r\n"
      "3,水位,12.25,m,2024-01-05 07:00\r\n"
      "4,水位,abc,m,2024/1/5 9:0:0\r\n"
      "5,水位,13,cm,2024/1/5 9:0:0\r\n"
      "6,水位,1,m,2024/13/5 9:0:0\r\n"
      "7,水位,14");
  const auto series = ParseRecordCsv(csv);
  ASSERT_EQ(series.size(), 3u);
  EXPECT_EQ(series[0].name, QStringLiteral("水位 (m)"));
  EXPECT_EQ(series[1].name, QStringLiteral("雨量 (mm)"));
  EXPECT_EQ(series[2].name, QStringLiteral("水位 (cm)"));
  ASSERT_EQ(series[0].points.size(), 2u);
  EXPECT_EQ(series[0].points[0].second, 12.25);
  EXPECT_EQ(series[0].points[1].second, 12.5);
  EXPECT_EQ(series[0].points[1].first - series[0].points[0].first, 3600 * 1000);
}

// The buttons' requests after their questions; the dates go out as year/month/day
// whatever the computer's date style.
TEST_F(RecordPages, StorageButtonsFillTheirRequests) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  CRTUCfgRcdDlg page(machine);
  QLocale::setDefault(QLocale::c());
  QStringList asked;
  bool answer = false;
  station_ui::SetAskHook([&](const QString& q) {
    asked << q;
    return answer;
  });
  CfgRequests& req = machine.Requests();
  EXPECT_EQ(page.ChannelList()->count(), 31);
  EXPECT_EQ(page.ChannelList()->currentText(), QStringLiteral("全部"));

  page.OnSetInitValue();  // empty value: nothing, not even a question
  page.OnClearRecords();
  page.OnClearBacklog();
  page.OnExport();
  EXPECT_EQ(asked, QStringList({QStringLiteral("确定删除历史数据吗？"),
                                QStringLiteral("确定删除补传数据吗？"),
                                QStringLiteral("确定导出历史数据吗？")}));
  for (CfgRequest r : {CfgRequest::InitValue, CfgRequest::ClearRecords, CfgRequest::ClearBacklog,
                       CfgRequest::RecordQuery})
    EXPECT_FALSE(req.Pending(r)) << static_cast<int>(r);

  answer = true;
  page.OnClearRecords();
  EXPECT_EQ(req.Get(CfgRequest::ClearRecords), "0");
  page.OnClearBacklog();
  EXPECT_TRUE(req.Pending(CfgRequest::ClearBacklog));
  page.ChannelList()->setCurrentIndex(5);
  page.InitValueEdit()->setText(QStringLiteral("12.5"));
  page.OnSetInitValue();
  EXPECT_EQ(req.Get(CfgRequest::InitValue), "05=12.5");

  page.ChannelList()->setCurrentIndex(0);
  page.FromPicker()->setDate(QDate(2024, 1, 5));
  page.ToPicker()->setDate(QDate(2024, 1, 9));
  ASSERT_FALSE(page.FromPicker()->text().startsWith(QStringLiteral("2024/1/5")));
  page.OnExport();
  EXPECT_EQ(req.Get(CfgRequest::RecordQuery), "0;2024/1/5,0:0:0;2024/1/9,23:55:55");
  EXPECT_EQ(page.Reader().State(), ExportState::Reading);

  page.EnableInitValueControls(false);
  EXPECT_FALSE(page.ChannelList()->isEnabled() || page.InitValueEdit()->isEnabled());
}

// Records opened from a file are drawn; a save that fails says why and keeps them, so
// that another place can be chosen.
TEST_F(RecordPages, StorageSaveFailureKeepsTheRecords) {
  CRTUCfgRcdDlg page(machine);
  BoxCatcher boxes;
  const std::string csv = G("序号,采集要素,采集值,采集单位,采集时间\r\n1,水位,1.5,m,2024/1/5 8:0:0\r\n"
                            "2,水位,2.5,m,2024/1/5 9:0:0\r\n");
  WriteAll(Path("in.csv"), csv);
  page.SetFileChooser(Paths({Path("in.csv"), Path("missing/out.csv"), Path("out.csv")}));
  page.OnOpenFile();
  EXPECT_EQ(page.Plot()->PointCount(), 2);
  EXPECT_TRUE(page.SaveAsButton()->isEnabled());
  page.OnSaveAs();
  ASSERT_EQ(boxes.Tips().size(), 2);
  EXPECT_TRUE(boxes.Tips()[0].startsWith(QStringLiteral("保存失败：")));
  EXPECT_GT(boxes.Tips()[0].size(), 5);  // the reason follows
  EXPECT_EQ(boxes.Tips()[1], QStringLiteral("保存成功"));
  EXPECT_EQ(ReadAll(Path("out.csv")), csv);
  EXPECT_EQ(page.ShownCsv(), csv);
}

}  // namespace
