// The main window's layout, the about box and the permission messages.
#include <QApplication>
#include <QLabel>
#include <QMenuBar>

#include "fakes.h"
#include "main_window_fixture.h"

namespace {

TEST_F(MainWindowTest, PortBarAndPagesSitAtTheirFractionsWithFontsFromTheHeight) {
  OpenAndDetect({device.PortName()});
  dlg->resize(1000, 800);
  QCoreApplication::processEvents();
  const QWidget* client = dlg->StatusBox()->parentWidget();
  const int w = client->width(), h = client->height();
  ASSERT_EQ(w, 1000);
  EXPECT_EQ(client->y(), dlg->findChild<QMenuBar*>()->height());  // below the menu
  EXPECT_EQ(dlg->StatusBox()->geometry(), QRect(qRound(0.75 * w), qRound(0.033 * h), qRound(0.23 * w), qRound(0.045 * h)));
  EXPECT_EQ(dlg->OpenButton()->geometry().x(), qRound(0.53 * w));
  EXPECT_EQ(dlg->PortCombo()->geometry().x(), qRound(0.08 * w));
  EXPECT_EQ(dlg->DebugPage()->geometry(), QRect(qRound(0.01 * w), qRound(0.11 * h), qRound(0.98 * w), qRound(0.88 * h)));
  // H/51 points for the combos and the status, H/60 for labels and buttons.
  const int dpi = dlg->logicalDpiY();
  EXPECT_EQ(dlg->StatusBox()->font().pixelSize(), std::max(8, h / 51 * dpi / 72));
  EXPECT_EQ(dlg->PortCombo()->font().pixelSize(), std::max(8, h / 51 * dpi / 72));
  EXPECT_EQ(dlg->OpenButton()->font().pixelSize(), std::max(8, h / 60 * dpi / 72));

  dlg->resize(1200, 500);
  QCoreApplication::processEvents();
  EXPECT_EQ(dlg->StatusBox()->x(), qRound(0.75 * 1200));
  EXPECT_EQ(dlg->DownloadPage()->width(), qRound(0.98 * 1200));
}

TEST_F(MainWindowTest, AboutBox) {
  OpenAndDetect({device.PortName()});
  QString title, text;
  QTimer::singleShot(0, [&] {
    PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("aboutText"))) text = label->text();
    box->findChild<QPushButton*>()->click();
  });
  dlg->ShowAbout();
  EXPECT_EQ(title, QStringLiteral("关于 Quarvel"));
  EXPECT_EQ(text, QStringLiteral("Quarvel，1.0 版"));
}

TEST_F(MainWindowTest, PortsRefusedForLackOfPermissionAreNamedWithTheFix) {
  FakePort refusing;
  refusing.DenyPort("/dev/ttyUSB7");
  refusing.DenyPort("/dev/ttyACM2");
  // The search ends without a device and says which ports it could not open, and why.
  const QString report = CloseTipBoxDuring([&] { Open({"/dev/ttyUSB7", "/dev/ttyS0", "/dev/ttyACM2"}, &refusing); },
                                           Deadline(0));
  EXPECT_TRUE(report.contains(QStringLiteral("/dev/ttyUSB7")) && report.contains(QStringLiteral("/dev/ttyACM2")))
      << report.toStdString();
  EXPECT_FALSE(report.contains(QStringLiteral("/dev/ttyS0")));
#ifndef Q_OS_WIN
  EXPECT_TRUE(report.contains(QStringLiteral("dialout")));
#endif
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);

  // Opening by hand: the usual message, then the reason and the fix.
  dlg->PortCombo()->setCurrentIndex(0);
  const QString text = CloseTipBoxDuring([&] { dlg->OpenButton()->click(); }, 5000);
  EXPECT_TRUE(text.startsWith(QStringLiteral(">>> 请先以正确参数打开串口...")));
  EXPECT_TRUE(text.contains(QStringLiteral("/dev/ttyUSB7")));
#ifndef Q_OS_WIN
  EXPECT_TRUE(text.contains(QStringLiteral("sudo usermod -aG dialout")));
#endif
  // A port that is merely missing gets the usual message only.
  dlg->PortCombo()->setCurrentIndex(1);
  EXPECT_EQ(CloseTipBoxDuring([&] { dlg->OpenButton()->click(); }, 5000),
            QStringLiteral(">>> 请先以正确参数打开串口..."));
  EXPECT_FALSE(refusing.IsOpen());
  EXPECT_EQ(dlg->StatusBox()->text(), kClosed);
  EXPECT_EQ(dlg->OpenButton()->text(), QStringLiteral("开启串口"));
  EXPECT_TRUE(CombosEnabled());
  dlg.reset();  // before the port it uses
}

}  // namespace
