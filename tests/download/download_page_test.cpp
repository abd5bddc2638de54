// The download page with its widgets, on the fake device.
#include <gtest/gtest.h>

#include "support/env.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <memory>

#include "base/cp936.h"
#include "base/utf8_path.h"
#include "download/ui/download_dlg.h"
#include "download_rig.h"
#include "protocol/backup.h"
#include "protocol/listing.h"
#include "protocol/param_table.h"
#include "support/qt_wait.h"
#include "support/test_host.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

namespace {

using W = DownloadWorker;

struct SeenBox { QString title, text; bool seen = false; };

// Closes the next modal message box that opens and records it.
std::shared_ptr<SeenBox> CloseNextBox() {
  auto seen = std::make_shared<SeenBox>();
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [seen, timer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    *seen = {box->windowTitle(), box->text(), true};
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
    ASSERT_TRUE(load && download && clearLog && path && logEdit && progress);
  }
  void TearDown() override {
    pump.Stop();
    UiBridge::Shutdown();  // a power-up message still open returns at once
    page.Shutdown();
    UiBridge::Restart();
  }

  std::string File(const std::string& name, const std::vector<uint8_t>& bytes) {
    return dir.File(name, bytes);
  }
  bool WaitIdle(int limitMs) {
    return PumpUntil([&] { return !page.IsDownloadActive() && progress->isHidden() &&
                                  download->text() == QStringLiteral("下载"); }, limitMs);
  }
  void ExpectIdleControls() {
    EXPECT_FALSE(page.IsDownloadActive());
    EXPECT_EQ(download->text(), QStringLiteral("下载"));
    EXPECT_TRUE(download->isEnabled() && load->isEnabled() && path->isEnabled());
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(progress->value(), 0);
  }

  FakeBootDevice device;
  TestHost host{device};
  CRTUDown page;
  // Hands received blocks to the page while its download is active, as the main window does.
  PortReader pump{device, [this](const char* d, int n) {
                    if (page.IsDownloadActive()) page.OnSerialData(d, n);
                  }, true};
  template <class T>
  T* Find(const char* name) {
    return page.findChild<T*>(QLatin1String(name));
  }
  QPushButton *load = Find<QPushButton>("loadButton"), *download = Find<QPushButton>("downloadButton"),
              *clearLog = Find<QPushButton>("clearLogButton");
  QLineEdit* path = Find<QLineEdit>("pathEdit");
  QPlainTextEdit* logEdit = Find<QPlainTextEdit>("logEdit");
  QProgressBar* progress = Find<QProgressBar>("progressBar");
  TempDir dir;
};

}  // namespace

TEST_F(DownloadPageTest, StartsIdleAndRefusedStartsSayWhyAndSendNothing) {
  EXPECT_EQ(load->text(), QStringLiteral("加载"));
  EXPECT_EQ(clearLog->text(), QStringLiteral("清除日志"));
  ExpectIdleControls();
  EXPECT_EQ(logEdit->toPlainText(),
            QStringLiteral("**********************下载工具软件版本：V1.2.2**********************\n"));

  const struct { std::string file; bool portOpen; QString title, text; } cases[] = {  // file "": the path left empty
      {PathToUtf8(dir.path / "missing.bin"), false, "提示", "请先打开串口"},  // the port comes first
      {"", true, "提示", "请先选择文件"},
      {File("empty.bin", {}), true, "文件长度错误", "请先选择文件"},
      {File("1m.bin", TestImage(1048576)), true, "文件长度错误", "请先选择文件"},
      {PathToUtf8(dir.path / "missing.bin"), true, "提示", "无法读取文件："},
  };
  for (const auto& c : cases) {
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

TEST_F(DownloadPageTest, ChosenFileDownloadsAndEndsIdleWithoutAMessage) {
  const auto image = TestImage(10000, 21);
  const std::string file = File("fw.bin", image);
  bool binOnly = false;
  QTimer::singleShot(0, [&] {
    PumpUntil([] { return qobject_cast<QFileDialog*>(QApplication::activeModalWidget()) != nullptr; },
              kTestMarginMs);
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    binOnly = dialog->nameFilters() == QStringList{QStringLiteral("*.bin (*.bin)")};
    // Typed into the dialog's file name box, as a user would.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
      name->setText(QString::fromStdString(file));
    QMetaObject::invokeMethod(dialog, "accept", Qt::DirectConnection);
    if (dialog->isVisible()) dialog->reject();
  });
  load->click();
  EXPECT_TRUE(binOnly);
  ASSERT_EQ(path->text(), QDir::toNativeSeparators(QString::fromStdString(file)));

  download->click();
  // Right after the start: cancel shown but disabled until the device has restarted.
  EXPECT_TRUE(page.IsDownloadActive());
  EXPECT_EQ(download->text(), QStringLiteral("取消"));
  EXPECT_FALSE(load->isEnabled() || path->isEnabled());
  EXPECT_FALSE(progress->isHidden());
  EXPECT_EQ(progress->maximum(), 3);

  ASSERT_TRUE(WaitIdle(Within(W::kBlockAckMs, 4)));
  ExpectIdleControls();
  EXPECT_FALSE(TipBox::IsOpen());
  EXPECT_EQ(device.Image(), image);

  // Every line after the banner is time-stamped (the machine's lines are its own test's);
  // nothing was loaded from the device, so there is nothing to back up: the log says so.
  const QString log = Plain(page.LogText());
  const QStringList lines = log.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 9);
  for (int i = 1; i < lines.size(); ++i) EXPECT_TRUE(lines[i].startsWith(QStringLiteral("<Time:"))) << i;
  EXPECT_TRUE(lines[1].endsWith(QStringLiteral(">:未备份：尚未从设备载入参数")));
  EXPECT_TRUE(lines[8].endsWith(QStringLiteral(">:Download success ok")));
  ASSERT_TRUE(PumpUntil([&] { return logEdit->toPlainText() == log; }, kTestMarginMs));

  clearLog->click();
  EXPECT_EQ(page.LogText(), DownloadLog::Banner());
  EXPECT_EQ(logEdit->toPlainText(), Plain(DownloadLog::Banner()));
}

TEST_F(DownloadPageTest, PowerUpMessageClosesByItselfWhenTheBootLoaderAnswers) {
  const auto image = TestImage(5000, 22);
  device.SetResetReply("", false);  // the device stays in its configuration state
  path->setText(QString::fromStdString(File("fw.bin", image)));
  const int toMessage = Within(W::kRestartReplyMs, 4) + Within(W::kReenterReplyMs);
  // The user powers the device up once the message is there.
  std::atomic<bool> sawMessage{false};
  std::thread user([&] {
    if (WaitUntil([] { return TipBox::OpenText() == QStringLiteral("升级错误，请将设备重新上电！"); }, toMessage)) {
      sawMessage = true;
      device.PowerUp();
    }
  });
  download->click();
  const bool idle = WaitIdle(toMessage + Within(W::kBlockAckMs, 4));
  user.join();
  ASSERT_TRUE(sawMessage);
  ASSERT_TRUE(idle);
  EXPECT_FALSE(TipBox::IsOpen());
  EXPECT_EQ(device.Image(), image);
  EXPECT_NE(page.LogText().find(">:The device fails to restart\r\n"), std::string::npos);
  EXPECT_NE(page.LogText().find(">:Download success ok\r\n"), std::string::npos);
}

TEST_F(DownloadPageTest, LoadedValuesAreBackedUpFirstAndAnUnwritableFolderStopsTheDownload) {
  ParseListing("Modem Apn:  cmnet\r\n", 19);
  SetTableFromDevice(true);
  const auto image = TestImage(5000, 23);
  path->setText(QString::fromStdString(File("fw.bin", image)));
  File("file", {1});
  SetEnv(kBackupDirVariable, PathToUtf8(dir.path / "file" / "sub").c_str());
  auto seen = CloseNextBox();
  download->click();
  ASSERT_TRUE(seen->seen);
  EXPECT_TRUE(seen->text.startsWith(QStringLiteral("备份失败"))) << seen->text.toStdString();
  EXPECT_EQ(device.Written(), "");

  // A folder with a Chinese name, as under a Chinese user's profile.
  const std::filesystem::path backups = dir.path / PathFromUtf8("备份");
  SetEnv(kBackupDirVariable, PathToUtf8(backups).c_str());
  download->click();
  ASSERT_TRUE(WaitIdle(Within(W::kBlockAckMs, 4)));
  EXPECT_EQ(device.Image(), image);
  const std::vector<std::filesystem::path> files(std::filesystem::directory_iterator(backups), {});
  ASSERT_EQ(files.size(), 1u);
  // Says where, in the log's own code page 936.
  const std::string where = cp936::FromUtf8(PathToUtf8(files[0]));
  EXPECT_NE(page.LogText().find(where), std::string::npos) << FromGbk(page.LogText()).toStdString();
  SetTableFromDevice(false);
  ResetParamValues();
}
