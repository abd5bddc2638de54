#include "config/ui/cfg_dlg.h"

#include <QLabel>
#include <QVBoxLayout>

CRTUCfgDlg::CRTUCfgDlg(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("configWorkspace"));
  auto* l = new QVBoxLayout(this);
  l->addWidget(new QLabel(QStringLiteral("配置工具"), this));
}
CRTUCfgDlg::~CRTUCfgDlg() = default;
void CRTUCfgDlg::InitWorkspace(IToolHost* host) { host_ = host; }
void CRTUCfgDlg::AppendLog(const std::string&) {}
void CRTUCfgDlg::EnableOperations(bool) {}
void CRTUCfgDlg::ShowLogWindow(bool) {}
void CRTUCfgDlg::Shutdown() {}
void CRTUCfgDlg::OnSerialData(const char*, int) {}
