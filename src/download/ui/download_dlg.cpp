#include "download/ui/download_dlg.h"

#include <QLabel>
#include <QVBoxLayout>

CRTUDown::CRTUDown(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("downloadPage"));
  auto* l = new QVBoxLayout(this);
  l->addWidget(new QLabel(QStringLiteral("下载工具"), this));
}
CRTUDown::~CRTUDown() = default;
void CRTUDown::Init(IToolHost* host) { host_ = host; }
void CRTUDown::ToggleDownload() { m_bDownloadActive.store(false); }
void CRTUDown::AppendLog(const std::string&) {}
void CRTUDown::Shutdown() {}
void CRTUDown::OnSerialData(const char*, int) {}
