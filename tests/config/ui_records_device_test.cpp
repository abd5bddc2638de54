// The storage and camera pages in the workspace against the simulated device: a record
// read saved byte for byte, a refused query, a snapshot saved byte for byte, a snapshot
// cancelled from its tip, and the camera settings through a .cfg file.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <fstream>
#include <sstream>

#include "base/cp936.h"
#include "config/records/camera_dlg.h"
#include "config/records/rcd_dlg.h"
#include "config/records/record_plot.h"
#include "serial/serial.h"
#include "sim/rtu_sim.h"
#include "ui_support.h"
#include "widgets/time_tip_dlg.h"

namespace {

constexpr double kScale = 0.1;
constexpr int kLongWaitMs = 30000;

std::string ReadAll(const QString& path) {
  std::ifstream in(path.toStdString(), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class RecordsDevice : public WorkspaceFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(port.Open(sim.PortName(), 115200, 8, serial::kOneStopBit, serial::kParityNone));
    StartWorkspace(port, kScale);
    receive = std::make_unique<ReceiveHelper>(port, *ws);
    storage = PageOf<CRTUCfgRcdDlg>(CfgPageId::Storage);
    camera = PageOf<CRTUCfgCameraDlg>(CfgPageId::Camera);
    ASSERT_TRUE(storage && camera);
    auto chooser = [this](QWidget*, const FileRequest& r) {
      requests.push_back(r);
      return savePath;
    };
    storage->SetFileChooser(chooser);
    camera->SetFileChooser(chooser);
    // Into the configuration state, as the main window's tool entry does.
    receive->Capture(true);
    ASSERT_EQ(port.Write("---", 3), 3);
    ASSERT_TRUE(PumpUntil([&] { return receive->Captured().find("\r\nCMD OK\r\n") != std::string::npos; },
                          5000));
    receive->Capture(false);
    sim.ClearReceived();
  }
  void StopFeeding() override {
    if (receive) receive->Stop();
  }
  void TearDown() override {
    WorkspaceFixture::TearDown();
    port.Close();
    sim.Stop();
  }
  void Load(BoxCatcher& boxes) {
    const int before = boxes.Tips().count(QStringLiteral("载入RTU设备参数成功 ...\r\n"));
    ws->RequestLoad();
    ASSERT_TRUE(PumpUntil(
        [&] { return boxes.Tips().count(QStringLiteral("载入RTU设备参数成功 ...\r\n")) > before; },
        kLongWaitMs));
    ASSERT_TRUE(WaitIdle(kLongWaitMs));
  }
  bool Saved(const QString& path) {
    return PumpUntil([&] { return QFile::exists(path) && WaitIdle(0); }, kLongWaitMs);
  }

  RtuSimulator sim;
  CSerial port;
  std::unique_ptr<ReceiveHelper> receive;
  CRTUCfgRcdDlg* storage = nullptr;
  CRTUCfgCameraDlg* camera = nullptr;
  QTemporaryDir dir;
  QString savePath;
  std::vector<FileRequest> requests;
};

TEST_F(RecordsDevice, RecordReadInThreeBatchesIsSavedAsTheCsvAndDrawn) {
  sim.SetRecords({{1, 2024, 1, 5, GBK("水位;12.50;m;2024/1/5,08:00:00")},
                  {2, 2024, 1, 6, GBK("雨量;0.5;mm;2024/1/6,09:30:00")},
                  {1, 2024, 1, 9, GBK("水位;12.75;m;2024/1/9,23:00:00")},
                  {1, 2024, 1, 10, GBK("水位;13;m;2024/1/10,00:00:00")},
                  {3, 2024, 1, 7, GBK("电压;12,6;V;2024/1/7,10:00:00")},
                  {2, 2024, 1, 8, GBK("雨量;1.5;mm;2024/1/8,09:30:00")}});
  sim.SetRecordBatch(2);
  BoxCatcher boxes;
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
  EXPECT_EQ(boxes.Questions(), QStringList{QStringLiteral("确定导出历史数据吗？")});
  EXPECT_EQ(boxes.Tips(), QStringList{QStringLiteral("保存成功")});
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(QRegularExpression(QStringLiteral(R"(^RCD\d{4}_\d{1,2}_\d{1,2}_\d\d-\d\d-\d\d$)"))
                  .match(requests[0].suggestedName).hasMatch());
  EXPECT_EQ(requests[0].suffix, QStringLiteral("csv"));
  EXPECT_EQ(storage->Plot()->PointCount(), 4);  // "12 6" is no number
  EXPECT_EQ(storage->Plot()->Series().size(), 2u);
  EXPECT_EQ(storage->Reader().State(), ExportState::Idle);
}

TEST_F(RecordsDevice, RefusedQueryReportsReadFailedAndOffersNoSave) {
  sim.SetErrorFor("AT+RDCHNNLRCRD");
  BoxCatcher boxes;
  storage->OnExport();
  ASSERT_TRUE(PumpUntil([&] { return boxes.Saw(QStringLiteral("读取失败")); }, kLongWaitMs));
  EXPECT_TRUE(requests.empty());
  EXPECT_TRUE(PumpUntil([&] { return storage->Reader().State() == ExportState::Idle; }, 5000));
}

TEST_F(RecordsDevice, SnapshotOfCameraTwoIsShownAndSavedByteForByte) {
  BoxCatcher boxes;
  savePath = dir.filePath(QStringLiteral("p.jpg"));
  camera->Selector()->setCurrentIndex(1);
  camera->OnSnapshot();
  ASSERT_TRUE(Saved(savePath));
  EXPECT_EQ(sim.ReceivedCommands().front(), "AT+TESTCAM=2");
  EXPECT_EQ(ReadAll(savePath), RtuSimulator::CameraPicture(2));
  EXPECT_FALSE(camera->PictureView()->pixmap().isNull());
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_TRUE(requests[0].suggestedName.startsWith(QStringLiteral("PIC")));
  EXPECT_EQ(boxes.Tips(), QStringList{QStringLiteral("保存成功")});
}

// A picture cut short: the tip counts seconds until its cancel ends the wait.
TEST_F(RecordsDevice, SnapshotCancelledFromItsTipFails) {
  RtuSimulator::CameraFaults faults;
  faults.cutShort = true;
  sim.SetCameraFaults(faults);
  BoxCatcher boxes;
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
}

// Untouched settings travel unchanged (a type outside its list too); an edited one is
// written; a .cfg file saved from the table puts both back into the device.
TEST_F(RecordsDevice, CameraSettingsRoundTripThroughACfgFile) {
  sim.SetValue("camera3 type:", "7");
  sim.SetValue("camera3 com type:", "3");
  sim.SetValue("camera2 pixel:", "1");
  BoxCatcher boxes;
  Load(boxes);
  auto* type3 = qobject_cast<QComboBox*>(camera->Detail(2)->ControlOf(149));
  auto* port3 = qobject_cast<QComboBox*>(camera->Detail(2)->ControlOf(151));
  auto* pixel2 = qobject_cast<QComboBox*>(camera->Detail(1)->ControlOf(150));
  ASSERT_TRUE(type3 && port3 && pixel2);
  EXPECT_EQ(type3->currentIndex(), -1);
  EXPECT_EQ(port3->currentText(), QStringLiteral("RS485-0"));
  EXPECT_EQ(pixel2->currentText(), QStringLiteral("640X480"));
  pixel2->setCurrentIndex(5);  // the user picks 1280X960
  emit pixel2->activated(5);

  sim.ClearReceived();
  ws->Button(CRTUCfgDlg::kSaveId)->click();
  ASSERT_TRUE(WaitIdle(kLongWaitMs));
  EXPECT_EQ(sim.ReceivedCommands(), std::vector<std::string>{"AT+CAMPIX02=5"});
  ws->savePath = dir.filePath(QStringLiteral("site.cfg"));
  ws->SaveConfigToFile();
  ASSERT_TRUE(QFile::exists(ws->savePath));

  sim.SetValue("camera3 type:", "1");
  sim.SetValue("camera2 pixel:", "0");
  Load(boxes);
  EXPECT_EQ(type3->currentText(), QStringLiteral("SXH-L1N-OLD"));
  ws->openPath = ws->savePath;
  sim.ClearReceived();
  ws->LoadConfigFromFile();
  ASSERT_TRUE(PumpUntil([&] { return sim.CountReceived("AT+CAM") == 2 && WaitIdle(0); }, kLongWaitMs));
  EXPECT_EQ(sim.Value("camera3 type:"), "7");
  EXPECT_EQ(sim.Value("camera2 pixel:"), "5");
  EXPECT_EQ(ws->SaveToTable(149, 2), "7");
}

}  // namespace
