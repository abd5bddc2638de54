#include "debug/ui/debug_dlg.h"

#include <QLabel>
#include <QVBoxLayout>

CDebug::CDebug(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("debugPage"));
  auto* l = new QVBoxLayout(this);
  l->addWidget(new QLabel(QStringLiteral("调试工具"), this));
}
CDebug::~CDebug() = default;
void CDebug::Init(IToolHost* host) { host_ = host; }
void CDebug::SetReceiving(bool on) { m_bReceiving.store(on); }
void CDebug::MarkTimedSendForReevaluation() {}
void CDebug::Shutdown() {}
void CDebug::OnSerialData(const char*, int) {}
