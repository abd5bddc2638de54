// The about box and the permission messages.
#include <QApplication>
#include <QLabel>

#include "fakes.h"
#include "main_window_fixture.h"

namespace {

TEST_F(MainWindowTest, AboutBox) {
  OpenAndDetect({device.PortName()});
  QString title, text;
  QImage icon;
  QTimer::singleShot(0, [&] {
    PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, 5000);
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("aboutText"))) text = label->text();
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("aboutIcon"))) icon = label->pixmap().toImage();
    box->findChild<QPushButton*>()->click();
  });
  dlg->ShowAbout();
  EXPECT_EQ(title, QStringLiteral("关于 Quarvel"));
  EXPECT_EQ(text, QStringLiteral("Quarvel，1.0 版"));
  // The program's icon, drawn from its resource: an opaque body on a transparent ground;
  // the window carries it too.
  ASSERT_EQ(icon.size(), QSize(32, 32));
  EXPECT_EQ(icon.pixelColor(16, 16).alpha(), 255);
  EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
  EXPECT_FALSE(dlg->windowIcon().isNull());
}

TEST_F(MainWindowTest, PortsRefusedForLackOfPermissionAreNamedWithTheFix) {
  ScriptedPort refusing(false);
  refusing.OnlyNamedPorts();
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
