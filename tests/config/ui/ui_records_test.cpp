// The storage and camera pages: on their own (requests, the camera fields' untouched
// rule, files opened, saves that fail and keep the data) and in the workspace against
// the simulated device (records and snapshots saved, a refused query, a snapshot
// cancelled from its tip).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "config/cfg_fakes.h"
#include "config/ui/records/camera_dlg.h"
#include "config/ui/records/rcd_dlg.h"
#include "config/ui/records/record_plot.h"
#include "config/ui/station/station_widgets.h"
#include "ui_device_support.h"
#include "widgets/time_tip_dlg.h"

namespace {

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
  QStringList names;
  for (const auto& s : series) names << s.name;
  ASSERT_EQ(names, (QStringList{QStringLiteral("水位 (m)"), QStringLiteral("雨量 (mm)"), QStringLiteral("水位 (cm)")}));
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

// Nothing changes unless the user changes it: an untouched control gives back the
// loaded text, a touched one its encoding.
TEST_F(RecordPages, CameraFieldsGiveBackUntouchedValues) {
  CRTUCfgCameraDlg page(machine);
  struct Case {
    int id;
    const char* loaded;
    const char* shown;  // UTF-8; "" for no selection
    int pick;           // item the user picks, -1: types `typed` instead
    const char* typed;
    const char* after;  // the value then collected
  } cases[] = {
      {148, "12", "12", -1, "300", "300"}, {149, "7", "", 2, "", "2"},       {150, "2", "800X600", 5, "", "5"},
      {151, "3", "RS485-0", 0, "", "0"},    {151, "7", "不使用", 2, "", "2"}, {151, "0", "不使用", 4, "", "4"},
      {152, "9600", "9600", -1, "12345", "12345"}, {153, "7E1", "7E1", 1, "", "8E1"}, {154, "30", "30", -1, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    page.LoadFromTable(c.id, 2, c.loaded);
    QWidget* w = page.Detail(2)->ControlOf(c.id);
    auto* list = qobject_cast<QComboBox*>(w);
    auto* edit = list ? list->lineEdit() : qobject_cast<QLineEdit*>(w);
    ASSERT_TRUE(list || edit);
    EXPECT_EQ(list ? list->currentText() : edit->text(), QString::fromUtf8(c.shown));
    EXPECT_EQ(page.SaveToTable(c.id, 2), std::optional<std::string>(c.loaded));
    EXPECT_EQ(page.SaveToTable(c.id, 1), std::nullopt);  // another camera, never loaded
    PickOrType(w, c.pick, c.typed);
    EXPECT_EQ(page.SaveToTable(c.id, 2), std::optional<std::string>(c.after));
  }
  // Only the selected camera's window shows; the snapshot asks that camera.
  page.Selector()->setCurrentIndex(2);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(page.Detail(i)->isVisibleTo(&page), i == 2) << i;
  page.OnSnapshot();
  EXPECT_EQ(machine.Requests().Get(CfgRequest::Picture), "3");
}

// Records opened from a file are drawn; a save that fails says why and keeps them, so
// that another place can be chosen. The camera shows only pictures it can read.
TEST_F(RecordPages, FilesOpenedAreShownAndAFailedSaveKeepsThem) {
  CRTUCfgRcdDlg storage(machine);
  TipCatcher boxes;
  const std::string csv = G("序号,采集要素,采集值,采集单位,采集时间\r\n1,水位,1.5,m,2024/1/5 8:0:0\r\n"
                            "2,水位,2.5,m,2024/1/5 9:0:0\r\n");
  WriteAll(Path("in.csv"), csv);
  storage.SetFileChooser(Paths({Path("in.csv"), Path("missing/out.csv"), Path("out.csv")}));
  storage.OnOpenFile();
  EXPECT_EQ(storage.Plot()->PointCount(), 2);
  EXPECT_TRUE(storage.SaveAsButton()->isEnabled());
  storage.OnSaveAs();
  ASSERT_EQ(boxes.Texts().size(), 2);
  EXPECT_TRUE(boxes.Texts()[0].startsWith(QStringLiteral("保存失败：")) && boxes.Texts()[0].size() > 5);  // and why
  EXPECT_EQ(boxes.Texts()[1], QStringLiteral("保存成功"));
  EXPECT_EQ(ReadAll(Path("out.csv")), csv);
  EXPECT_EQ(storage.ShownCsv(), csv);

  CRTUCfgCameraDlg camera(machine);
  camera.resize(800, 500);
  QImage image(64, 48, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  ASSERT_TRUE(image.save(Path("in.jpg"), "JPG"));
  WriteAll(Path("bad.jpg"), "not a picture");
  camera.SetFileChooser(Paths({Path("in.jpg"), Path("bad.jpg")}));
  camera.OnOpenFile();
  ASSERT_FALSE(camera.PictureView()->pixmap().isNull());
  camera.OnOpenFile();  // not a picture: said so, the shown one stays
  EXPECT_EQ(boxes.Texts().mid(2), QStringList({QStringLiteral("读取文件失败")}));
  EXPECT_EQ(camera.ShownPicture(), ReadAll(Path("in.jpg")));
  EXPECT_TRUE(camera.SaveAsButton()->isEnabled());
}

class RecordsDevice : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    if (HasFatalFailure()) return;
    storage = PageOf<CRTUCfgRcdDlg>(CfgPageId::Storage);
    camera = PageOf<CRTUCfgCameraDlg>(CfgPageId::Camera);
    ASSERT_TRUE(storage && camera);
    auto chooser = [this](QWidget*, const FileRequest& r) {
      requests.push_back(r);
      return savePath;
    };
    storage->SetFileChooser(chooser);
    camera->SetFileChooser(chooser);
    Probe();  // into the configuration state, as the main window's tool entry does
    sim.ClearReceived();
  }
  bool Saved(const QString& path) {
    return PumpUntil([&] { return QFile::exists(path) && WaitIdle(0); }, kLongWaitMs);
  }

  CRTUCfgRcdDlg* storage = nullptr;
  CRTUCfgCameraDlg* camera = nullptr;
  QTemporaryDir dir;
  QString savePath;
  std::vector<FileRequest> requests;
};

// A refused query reports "读取失败" and offers no save; the next read comes in three
// batches and is saved as the csv and drawn.
TEST_F(RecordsDevice, RefusedQueryThenARecordReadInThreeBatchesIsSavedAsTheCsvAndDrawn) {
  sim.SetRecords({{1, 2024, 1, 5, GBK("水位;12.50;m;2024/1/5,08:00:00")},
                  {2, 2024, 1, 6, GBK("雨量;0.5;mm;2024/1/6,09:30:00")},
                  {1, 2024, 1, 9, GBK("水位;12.75;m;2024/1/9,23:00:00")},
                  {1, 2024, 1, 10, GBK("水位;13;m;2024/1/10,00:00:00")},
                  {3, 2024, 1, 7, GBK("电压;12,6;V;2024/1/7,10:00:00")},
                  {2, 2024, 1, 8, GBK("雨量;1.5;mm;2024/1/8,09:30:00")}});
  sim.SetRecordBatch(2);
  TipCatcher boxes;
  sim.SetErrorFor("AT+RDCHNNLRCRD");
  storage->OnExport();
  ASSERT_TRUE(PumpUntil([&] { return boxes.Saw(QStringLiteral("读取失败")); }, kLongWaitMs));
  ASSERT_TRUE(PumpUntil([&] { return storage->Reader().State() == ExportState::Idle && WaitIdle(0); }, kLongWaitMs));
  EXPECT_TRUE(requests.empty());
  sim.ClearErrors();
  sim.ClearReceived();
  savePath = dir.filePath(QStringLiteral("r.csv"));
  storage->FromPicker()->setDate(QDate(2024, 1, 5));
  storage->ToPicker()->setDate(QDate(2024, 1, 9));
  storage->OnExport();
  ASSERT_TRUE(Saved(savePath));

  const auto got = sim.ReceivedCommands();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.front(), "AT+RDCHNNLRCRD=0;2024/1/5,0:0:0;2024/1/9,23:55:55");
  EXPECT_EQ(sim.CountReceived("AT+RDCHNNLRCRD"), 3);  // the query and two acknowledgements
  EXPECT_EQ(ReadAll(savePath), GBK("序号,采集要素,采集值,采集单位,采集时间\r\n"
                                   "1,水位,12.50,m,2024/1/5 08:00:00\r\n"
                                   "2,雨量,0.5,mm,2024/1/6 09:30:00\r\n"
                                   "3,水位,12.75,m,2024/1/9 23:00:00\r\n"
                                   "4,电压,12 6,V,2024/1/7 10:00:00\r\n"
                                   "5,雨量,1.5,mm,2024/1/8 09:30:00\r\n"));
  EXPECT_EQ(boxes.Questions(), QStringList(2, QStringLiteral("确定导出历史数据吗？")));
  EXPECT_EQ(boxes.Texts(), (QStringList{QStringLiteral("读取失败"), QStringLiteral("保存成功")}));
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].suggestedName.startsWith(QStringLiteral("RCD")));
  EXPECT_EQ(requests[0].suffix, QStringLiteral("csv"));
  EXPECT_EQ(storage->Plot()->PointCount(), 4);  // "12 6" is no number
  EXPECT_EQ(storage->Plot()->Series().size(), 2u);
  EXPECT_EQ(storage->Reader().State(), ExportState::Idle);
}

// A picture cut short: the tip counts seconds until its cancel ends the wait. Then each
// snapshot is saved byte for byte; the watch rests while nothing is under way and each
// request starts it again.
TEST_F(RecordsDevice, SnapshotCancelledFromItsTipFailsAndTheWatcherRestsBetweenSnapshots) {
  RtuSimulator::CameraFaults faults;
  faults.cutShort = true;
  sim.SetCameraFaults(faults);
  TipCatcher boxes;
  camera->OnSnapshot();
  CTimeTipDlg* tip = camera->Watcher().Tip();
  ASSERT_TRUE(PumpUntil([&] { return tip->isVisible(); }, kLongWaitMs));
  EXPECT_EQ(tip->Message(), QStringLiteral("正在读取图片，请等待... 0秒"));
  tip->CancelButton()->click();
  ASSERT_TRUE(PumpUntil([&] { return boxes.Saw(QStringLiteral("读取失败")); }, kLongWaitMs));
  EXPECT_EQ(boxes.Questions(), QStringList{QStringLiteral("确定取消吗？")});
  EXPECT_FALSE(tip->isVisible());
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(WaitIdle(kLongWaitMs));

  sim.SetCameraFaults({});
  TransferWatcher& watcher = camera->Watcher();
  ASSERT_TRUE(PumpUntil([&] { return !watcher.Ticking(); }, kLongWaitMs));
  for (const char* name : {"p1.jpg", "p2.jpg"}) {
    SCOPED_TRACE(name);
    savePath = dir.filePath(QString::fromLatin1(name));
    camera->OnSnapshot();
    EXPECT_TRUE(watcher.Ticking());
    ASSERT_TRUE(Saved(savePath));
    EXPECT_EQ(ReadAll(savePath), RtuSimulator::CameraPicture(1));
    EXPECT_TRUE(PumpUntil([&] { return !watcher.Ticking(); }, kLongWaitMs));
  }
}

// A refused first attempt: the recovery's "CMD OK" and the refusal are no picture header,
// the second attempt's picture is shown and saved, and no failure is reported on the way.
TEST_F(RecordsDevice, SnapshotRefusedOnceArrivesOnTheRetryAndIsSaved) {
  sim.SetErrorFor("AT+TESTCAM", 1);
  TipCatcher boxes;
  savePath = dir.filePath(QStringLiteral("retry.jpg"));
  camera->OnSnapshot();
  ASSERT_TRUE(Saved(savePath));
  EXPECT_EQ(sim.CountReceived("AT+TESTCAM=1"), 2);
  EXPECT_EQ(ReadAll(savePath), RtuSimulator::CameraPicture(1));
  EXPECT_FALSE(boxes.Saw(QStringLiteral("读取失败")));
  EXPECT_EQ(camera->findChild<QPushButton*>(QStringLiteral("savePictureButton"))->isEnabled(), true);
}

}  // namespace
