// The download page with its widgets, on the fake device.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <filesystem>
#include <memory>

#include "base/cp936.h"
#include "download/ui/download_dlg.h"
#include "download_rig.h"
#include "protocol/backup.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "widgets/message_box.h"
#include "widgets/tool_host.h"
#include "widgets/ui_bridge.h"

namespace {

using W = DownloadWorker;

class FakeHost : public IToolHost {
 public:
  explicit FakeHost(ISerialPort& port) : port_(port) {}
  ISerialPort& Port() override { return port_; }
  bool LinkToTools() const override { return true; }
  QWidget* MainWindow() override { return nullptr; }

 private:
  ISerialPort& port_;
};

// Processes UI events until pred holds or limitMs (real time) has passed.
bool WaitUi(const std::function<bool()>& pred, int limitMs) {
  return WaitUntil([&] {
    QApplication::processEvents();
    return pred();
  }, limitMs);
}

struct SeenBox {
  QString title;
  QString text;
  bool seen = false;
};

// Closes the next modal message box that opens and records it.
std::shared_ptr<SeenBox> CloseNextBox() {
  auto seen = std::make_shared<SeenBox>();
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [seen, timer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->seen = true;
    box->accept();
    timer->stop();
    timer->deleteLater();
  });
  timer->start(5);
  return seen;
}

QString Plain(const std::string& gbk) { return FromGbk(gbk).remove(QLatin1Char('\r')); }

class DownloadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Timing::SetScale(kTestScale);
    UiBridge::Restart();
    device.Open("fake", 115200, 8, 0, 0);
    page.resize(800, 500);
    page.Init(&host);
    load = page.findChild<QPushButton*>(QStringLiteral("loadButton"));
    download = page.findChild<QPushButton*>(QStringLiteral("downloadButton"));
    clearLog = page.findChild<QPushButton*>(QStringLiteral("clearLogButton"));
    path = page.findChild<QLineEdit*>(QStringLiteral("pathEdit"));
    logEdit = page.findChild<QPlainTextEdit*>(QStringLiteral("logEdit"));
    progress = page.findChild<QProgressBar*>(QStringLiteral("progressBar"));
    ASSERT_TRUE(load && download && clearLog && path && logEdit && progress);
  }
  void TearDown() override {
    pump.Stop();
    UiBridge::Shutdown();  // a power-up message still open returns at once
    page.Shutdown();
    UiBridge::Restart();
  }

  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
    return dir.File(name, bytes).string();
  }
  bool WaitIdle(int limitMs) {
    return WaitUi([&] { return !page.IsDownloadActive() && !!progress->isHidden() &&
                               download->text() == QStringLiteral("下载"); }, limitMs);
  }
  void ExpectIdleControls() {
    EXPECT_FALSE(page.IsDownloadActive());
    EXPECT_EQ(download->text(), QStringLiteral("下载"));
    EXPECT_TRUE(download->isEnabled());
    EXPECT_TRUE(load->isEnabled());
    EXPECT_TRUE(path->isEnabled());
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(progress->value(), 0);
  }

  FakeBootDevice device;
  FakeHost host{device};
  CRTUDown page;
  // Hands received blocks to the page while its download is active, as the main window does.
  ReceivePump pump{device, [this](const char* d, int n) {
                     if (page.IsDownloadActive()) page.OnSerialData(d, n);
                   }};
  QPushButton *load = nullptr, *download = nullptr, *clearLog = nullptr;
  QLineEdit* path = nullptr;
  QPlainTextEdit* logEdit = nullptr;
  QProgressBar* progress = nullptr;
  TempDir dir;
};

}  // namespace

TEST_F(DownloadPageTest, StartsIdleAndRefusedStartsSayWhyAndSendNothing) {
  EXPECT_EQ(load->text(), QStringLiteral("加载"));
  EXPECT_EQ(clearLog->text(), QStringLiteral("清除日志"));
  ExpectIdleControls();
  EXPECT_EQ(logEdit->toPlainText(),
            QStringLiteral("**********************下载工具软件版本：V1.2.2**********************\n"));

  struct Case {
    std::string file;  // "" leaves the path empty
    bool portOpen;
    QString title;
    QString text;
  };
  const Case cases[] = {
      {File("ok.bin", TestImage(100)), false, "提示", "请先打开串口"},
      {"", true, "提示", "请先选择文件"},
      {File("empty.bin", {}), true, "文件长度错误", "请先选择文件"},
      {File("1m.bin", TestImage(1048576)), true, "文件长度错误", "请先选择文件"},
      {(dir.Path() / "missing.bin").string(), true, "提示", "无法读取文件："},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (c.portOpen) device.Open("fake", 115200, 8, 0, 0);
    else device.Close();
    path->setText(QString::fromStdString(c.file));
    auto seen = CloseNextBox();
    download->click();
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->title, c.title);
    EXPECT_TRUE(seen->text.startsWith(c.text)) << seen->text.toStdString();
    ExpectIdleControls();
  }
  EXPECT_EQ(device.Written(), "");
  EXPECT_EQ(page.LogText(), DownloadLog::Banner());
}

TEST_F(DownloadPageTest, FullDownloadEndsIdleWithoutAMessage) {
  const auto image = TestImage(10000, 21);
  path->setText(QString::fromStdString(File("fw.bin", image)));
  download->click();
  // Right after the start: cancel shown but disabled until the device has restarted.
  EXPECT_TRUE(page.IsDownloadActive());
  EXPECT_EQ(download->text(), QStringLiteral("取消"));
  EXPECT_FALSE(load->isEnabled());
  EXPECT_FALSE(path->isEnabled());
  EXPECT_TRUE(!progress->isHidden());
  EXPECT_EQ(progress->minimum(), 0);
  EXPECT_EQ(progress->maximum(), 3);

  ASSERT_TRUE(WaitIdle(Limit(W::kBlockAckMs, 4)));
  ExpectIdleControls();
  EXPECT_FALSE(TipBox::IsOpen());
  EXPECT_EQ(device.Image(), image);

  // Every line time-stamped, after the banner, in order; the control shows the same.
  const QString log = Plain(page.LogText());
  const QStringList lines = log.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  // Nothing was loaded from the device, so there is nothing to back up: the log says so.
  const QStringList expected = {"未备份：尚未从设备载入参数",
                                "Wait for the device to restart", "Device restart ing...",
                                "Device restart succeed",         "Download 1 block ok",
                                "Download 2 block ok",            "Download 3 block ok",
                                "Download success ok"};
  ASSERT_EQ(lines.size(), expected.size() + 1);
  for (int i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(lines[i + 1].startsWith(QStringLiteral("<Time:")));
    EXPECT_TRUE(lines[i + 1].endsWith(QStringLiteral(">:") + expected[i])) << lines[i + 1].toStdString();
  }
  ASSERT_TRUE(WaitUi([&] { return logEdit->toPlainText() == log; }, kMarginMs));
}

TEST_F(DownloadPageTest, PowerUpMessageClosesByItselfWhenTheBootLoaderAnswers) {
  const auto image = TestImage(5000, 22);
  device.SetIgnoreReset(true);
  path->setText(QString::fromStdString(File("fw.bin", image)));
  // The user powers the device up once the message is there.
  std::atomic<bool> sawMessage{false};
  std::thread user([&] {
    if (WaitUntil([] { return TipBox::OpenText() == QStringLiteral("升级错误，请将设备重新上电！"); },
                  Limit(W::kRestartReplyMs, 4) + Limit(W::kReenterReplyMs))) {
      sawMessage = true;
      device.PowerUp();
    }
  });
  download->click();
  const bool idle = WaitIdle(Limit(W::kRestartReplyMs, 4) + Limit(W::kReenterReplyMs) +
                             Limit(W::kBlockAckMs, 4));
  user.join();
  ASSERT_TRUE(sawMessage);
  ASSERT_TRUE(idle);
  EXPECT_FALSE(TipBox::IsOpen());
  EXPECT_EQ(device.Image(), image);
  EXPECT_NE(page.LogText().find(">:The device fails to restart\r\n"), std::string::npos);
  EXPECT_NE(page.LogText().find(">:Download success ok\r\n"), std::string::npos);
}

TEST_F(DownloadPageTest, LogRestartsEmptyAtOneMebibyteAndClearShowsTheBanner) {
  const std::string chunk(4000, 'x');
  while (page.LogText().size() < DownloadLog::kRestartChars) page.AppendLog(chunk + "\r\n");
  // From another thread, as the machine logs: shown once the UI runs.
  std::thread([&] { page.AppendLog(GBK("进入升级成功！\r\n")); }).join();
  const QString expected = Plain(page.LogText());
  EXPECT_TRUE(expected.startsWith(QStringLiteral("<Time:")));
  EXPECT_TRUE(expected.endsWith(QStringLiteral(">:进入升级成功！\n")));
  EXPECT_EQ(expected.count(QLatin1Char('\n')), 1);
  ASSERT_TRUE(WaitUi([&] { return logEdit->toPlainText() == expected; }, kMarginMs));

  clearLog->click();
  EXPECT_EQ(page.LogText(), DownloadLog::Banner());
  EXPECT_EQ(logEdit->toPlainText(), Plain(DownloadLog::Banner()));
}

TEST_F(DownloadPageTest, LoadChoosesABinFile) {
  const std::string file = File("image.bin", TestImage(10));
  bool checked = false;
  QTimer::singleShot(0, [&] {
    WaitUi([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; }, kMarginMs);
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    checked = dialog->defaultSuffix() == QStringLiteral("bin") &&
              dialog->nameFilters() == QStringList{QStringLiteral("*.bin (*.bin)")} &&
              dialog->fileMode() == QFileDialog::ExistingFile;
    // Typed into the dialog's file name box, as a user would.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      name->setText(QString::fromStdString(file));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    if (dialog->isVisible()) dialog->reject();
  });
  load->click();
  EXPECT_TRUE(checked);
  EXPECT_EQ(path->text(), QDir::toNativeSeparators(QString::fromStdString(file)));
}

namespace {

TEST_F(DownloadPageTest, LoadedValuesAreBackedUpFirstAndAnUnwritableFolderStopsTheDownload) {
  ParseListing("Modem Apn:  cmnet\r\n", 19);
  SetTableFromDevice(true);
  const auto image = TestImage(5000, 23);
  path->setText(QString::fromStdString(File("fw.bin", image)));
  File("file", {1});
  setenv(kBackupDirVariable, (dir.Path() / "file" / "sub").string().c_str(), 1);
  auto seen = CloseNextBox();
  download->click();
  ASSERT_TRUE(seen->seen);
  EXPECT_TRUE(seen->text.startsWith(QStringLiteral("备份失败"))) << seen->text.toStdString();
  EXPECT_EQ(device.Written(), "");

  setenv(kBackupDirVariable, (dir.Path() / "backups").string().c_str(), 1);
  download->click();
  ASSERT_TRUE(WaitIdle(Limit(W::kBlockAckMs, 4)));
  EXPECT_EQ(device.Image(), image);
  const std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(dir.Path() / "backups"), {});
  ASSERT_EQ(files.size(), 1u);
  EXPECT_NE(page.LogText().find(files[0].string()), std::string::npos);  // says where
  SetTableFromDevice(false);
  ResetParamValues();
}

}  // namespace
