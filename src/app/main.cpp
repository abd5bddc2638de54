// Placeholder entry point until the main window lands.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget w;
  w.setWindowTitle(QStringLiteral("QX310-TOOLS-V3.01"));
  w.show();
  return app.exec();
}
