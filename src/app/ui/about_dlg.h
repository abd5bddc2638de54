#pragma once
// CAboutDlg: "关于 Quarvel" with the program's icon, "Quarvel，1.0 版" and "确定".
#include <QDialog>

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program's icon, from its SVG resource (empty if the resource is missing).
QIcon QuarvelIcon();
