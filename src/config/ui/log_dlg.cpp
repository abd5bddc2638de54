#include "config/ui/log_dlg.h"

#include <QCloseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include "widgets/ui_bridge.h"

CLogDlg::CLogDlg(QWidget* owner) : QWidget(owner, Qt::Tool) {
  setObjectName(QStringLiteral("logWindow"));
  setWindowTitle(QStringLiteral("日志"));
  edit_ = new QPlainTextEdit(this);
  edit_->setObjectName(QStringLiteral("logEdit"));
  edit_->setReadOnly(true);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setUndoRedoEnabled(false);
  auto makeButton = [this](const QString& text, const char* name) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    return b;
  };
  version_ = makeButton(QStringLiteral("设备版本"), "versionButton");
  signal_ = makeButton(QStringLiteral("设备信号"), "signalButton");
  imei_ = makeButton(QStringLiteral("设备IMEI"), "imeiButton");
  clear_ = makeButton(QStringLiteral("清除日志"), "clearLogButton");
  connect(version_, &QPushButton::clicked, this, &CLogDlg::versionClicked);
  connect(signal_, &QPushButton::clicked, this, &CLogDlg::signalClicked);
  connect(imei_, &QPushButton::clicked, this, &CLogDlg::imeiClicked);
  connect(clear_, &QPushButton::clicked, this, &CLogDlg::clearClicked);

  layout_.Add(edit_, 0.03, 0.01, 0.94, 0.91);
  layout_.Add(version_, 0.03, 0.94, 0.22, 0.04);
  layout_.Add(signal_, 0.27, 0.94, 0.22, 0.04);
  layout_.Add(imei_, 0.51, 0.94, 0.22, 0.04);
  layout_.Add(clear_, 0.75, 0.94, 0.22, 0.04);
  resize(420, 640);
}

void CLogDlg::EnableDeviceOperations(bool enable) {
  for (QPushButton* b : {version_, signal_, imei_}) b->setEnabled(enable);
}

QPushButton* CLogDlg::Button(int id) const {
  switch (id) {
    case kVersionId: return version_;
    case kSignalId: return signal_;
    case kImeiId: return imei_;
    case kClearId: return clear_;
    default: return nullptr;
  }
}

void CLogDlg::ShowText(const std::string& text, bool replace) {
  QString shown = FromGbk(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  if (replace) {
    edit_->setPlainText(shown);
  } else if (!shown.isEmpty()) {
    QTextCursor c(edit_->document());
    c.movePosition(QTextCursor::End);
    c.insertText(shown);
  }
  ScrollToEnd();
}

QString CLogDlg::Text() const { return edit_->toPlainText(); }

void CLogDlg::ScrollToEnd() {
  QScrollBar* bar = edit_->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void CLogDlg::closeEvent(QCloseEvent* event) {
  hide();
  emit closedByUser();
  event->accept();
}

void CLogDlg::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layout_.Apply(this);
  const QFont font = TahomaFont(PointsToPixels(this, height() / 70));
  edit_->setFont(font);
  for (QPushButton* b : {version_, signal_, imei_, clear_}) b->setFont(font);
  ScrollToEnd();
}
