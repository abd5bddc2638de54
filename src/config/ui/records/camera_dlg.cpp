#include "config/ui/records/camera_dlg.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "config/cfg_machine.h"
#include "config/ui/fields/cfg_field.h"
#include "config/ui/station/station_widgets.h"
#include "config/station_codes.h"
#include "protocol/picture_stream.h"
#include "widgets/message_box.h"
#include "widgets/ui_bridge.h"

using namespace station_ui;
namespace codes = station_codes;

namespace {
constexpr qint64 kMaxOpenBytes = 16 << 20;

FileRequest JpgRequest(bool save) {
  FileRequest r;
  r.save = save;
  r.suffix = QStringLiteral("jpg");
  r.filters = {QStringLiteral("excel文件(*.jpg)"), QStringLiteral("所有文件(*.*)")};
  if (save) r.suggestedName = TimeStampedName("PIC", QDateTime::currentDateTime());
  return r;
}

QString CameraName(int index) { return QStringLiteral("摄像头%1").arg(index + 1); }
}  // namespace

// --- one camera ---

CRTUCfgCameraDetailDlg::CRTUCfgCameraDetailDlg(int camera, QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("cameraDetail"));
  // The control ids, in the order of field_tables::kCamera.
  constexpr int kCtrlIds[] = {kIdEditId, kTypeId, kPixelsId, kPortId, kSpeedId, kParityId, kIntervalId};
  Q_ASSERT(field_tables::kCamera.size() == std::size(kCtrlIds));
  double y = 0.03;
  for (size_t i = 0; i < field_tables::kCamera.size(); ++i) {
    const FieldRow& r = field_tables::kCamera[i];
    QWidget* control = r.control == FieldControl::Edit
                           ? static_cast<QWidget*>(MakeEdit(this, r.role, kCtrlIds[i]))
                           : MakeList(this, r.role, kCtrlIds[i], {}, r.control == FieldControl::List);
    fields_.Add(r.id, 0, control, CodeOf(r), true)->SetHelp(r.id, camera);
    layout_.Add(MakeLabel(this, r.label), 0.04, y, 0.5, 0.1);
    layout_.Add(control, 0.54, y, 0.42, 0.1);
    y += 0.135;
  }
  layout_.Apply(this);
}

QWidget* CRTUCfgCameraDetailDlg::ControlOf(int id) const {
  const CfgField* f = FieldOf(id);
  return f ? f->Control() : nullptr;
}

CfgField* CRTUCfgCameraDetailDlg::FieldOf(int id) const { return fields_.Find(id, 0); }

std::optional<std::string> CRTUCfgCameraDetailDlg::SaveToTable(int id) {
  const CfgField* f = FieldOf(id);
  return f ? f->Get() : std::nullopt;
}

void CRTUCfgCameraDetailDlg::LoadFromTable(int id, const std::string& text) {
  if (CfgField* f = FieldOf(id)) f->Set(text);
}

void CRTUCfgCameraDetailDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
}

// --- the page ---

CRTUCfgCameraDlg::CRTUCfgCameraDlg(CfgMachine& machine, QWidget* parent)
    : QWidget(parent), reader_(machine.Pictures()) {
  setObjectName(QStringLiteral("cameraPage"));
  QLabel* label = MakeLabel(this, "摄像头选择：", kSelectorLabelId);
  selector_ = new QComboBox(this);
  selector_->setObjectName(QStringLiteral("cameraCombo"));
  SetControlId(selector_, kSelectorId);
  for (int i = 0; i < kCameras; ++i) selector_->addItem(CameraName(i));
  auto* snapshot = new QPushButton(QStringLiteral("抓拍"), this);
  snapshot->setObjectName(QStringLiteral("snapshotButton"));
  SetControlId(snapshot, kSnapshotId);
  picture_ = new QLabel(this);
  picture_->setObjectName(QStringLiteral("pictureView"));
  picture_->setAlignment(Qt::AlignCenter);
  picture_->setFrameShape(QFrame::StyledPanel);
  caption_ = MakeLabel(this, "");
  caption_->setObjectName(QStringLiteral("pictureCaption"));
  auto* open = new QPushButton(QStringLiteral("打开图片"), this);
  open->setObjectName(QStringLiteral("openPictureButton"));
  saveAs_ = new QPushButton(QStringLiteral("另存为..."), this);
  saveAs_->setObjectName(QStringLiteral("savePictureButton"));
  saveAs_->setEnabled(false);

  layout_.Add(label, 0.03, 0.03, 0.16, 0.07);
  layout_.Add(selector_, 0.20, 0.03, 0.18, 0.07);
  layout_.Add(snapshot, 0.41, 0.03, 0.12, 0.07);
  for (int i = 0; i < kCameras; ++i) {
    detail_[i] = new CRTUCfgCameraDetailDlg(i, this);
    detail_[i]->setObjectName(QStringLiteral("cameraDetail%1").arg(i + 1));
    layout_.Add(detail_[i], 0.02, 0.13, 0.5, 0.85);
  }
  layout_.Add(caption_, 0.55, 0.03, 0.43, 0.07);
  layout_.Add(picture_, 0.55, 0.13, 0.43, 0.74);
  layout_.Add(open, 0.55, 0.89, 0.2, 0.07);
  layout_.Add(saveAs_, 0.78, 0.89, 0.2, 0.07);

  connect(selector_, &QComboBox::currentIndexChanged, this, [this](int i) { SelectCamera(i); });
  connect(snapshot, &QPushButton::clicked, this, [this] { OnSnapshot(); });
  connect(open, &QPushButton::clicked, this, [this] { OnOpenFile(); });
  connect(saveAs_, &QPushButton::clicked, this, [this] { OnSaveAs(); });

  // Initialisation: camera 1 shown, the tip and the watcher.
  selector_->setCurrentIndex(0);
  SelectCamera(0);
  watcher_ = new TransferWatcher(
      this, {QStringLiteral("正在读取图片，请等待... %1秒"), kPictureLimitMs, QString()},
      [this] { return static_cast<int>(reader_.State()); }, [this] { reader_.SetIdle(); },
      [this](TransferWatcher::End end) { return OnPictureEnd(end); });
  watcher_->Start();
  layout_.Apply(this);
}

std::optional<std::string> CRTUCfgCameraDlg::SaveToTable(int id, int index) {
  if (!Owns(id) || index < 0 || index >= kCameras) return std::nullopt;
  return detail_[index]->SaveToTable(id);
}

void CRTUCfgCameraDlg::LoadFromTable(int id, int index, const std::string& text) {
  if (Owns(id) && index >= 0 && index < kCameras) detail_[index]->LoadFromTable(id, text);
}

void CRTUCfgCameraDlg::SelectCamera(int index) {
  const QString name = selector_->itemText(index);
  for (int i = 0; i < kCameras; ++i) detail_[i]->setVisible(CameraName(i) == name);
}

void CRTUCfgCameraDlg::EnableDeviceOperations(bool enable) {
  if (auto* b = findChild<QPushButton*>(QStringLiteral("snapshotButton"))) b->setEnabled(enable);
}

void CRTUCfgCameraDlg::OnSnapshot() {
  if (reader_.Request(selector_->currentIndex() + 1)) watcher_->Begin();
}

// Anything but a complete picture: "读取失败" and nothing is saved. A complete one is
// shown, then the save dialog is offered; saved or not, the page keeps the picture.
bool CRTUCfgCameraDlg::OnPictureEnd(TransferWatcher::End end) {
  if (end != TransferWatcher::End::Finished) {
    reader_.Cancel();  // the time limit or the tip's cancel: the worker stops waiting
    TipBox::Show(this, QStringLiteral("读取失败"));
    reader_.SetIdle();
    return true;
  }
  ShowPicture(reader_.Collector().Bytes(), CameraName(selector_->currentIndex()));
  SaveShown();
  reader_.SetIdle();
  return true;
}

bool CRTUCfgCameraDlg::ShowPicture(std::string jpeg, const QString& origin) {
  // Bytes this computer cannot show are still kept and saved as they are.
  QPixmap pixmap;
  pixmap.loadFromData(reinterpret_cast<const uchar*>(jpeg.data()), static_cast<uint>(jpeg.size()));
  pixmap_ = pixmap;
  jpeg_ = std::move(jpeg);
  caption_->setText(pixmap_.isNull()
                        ? origin + QStringLiteral("：无法显示的图片，%1字节").arg(jpeg_.size())
                        : origin + QStringLiteral("：%1×%2，%3字节")
                                       .arg(pixmap_.width())
                                       .arg(pixmap_.height())
                                       .arg(jpeg_.size()));
  saveAs_->setEnabled(!jpeg_.empty());
  FitPicture();
  return !pixmap_.isNull();
}

void CRTUCfgCameraDlg::FitPicture() {
  if (pixmap_.isNull()) {
    picture_->clear();
    return;
  }
  picture_->setPixmap(pixmap_.scaled(picture_->size() - QSize(4, 4), Qt::KeepAspectRatio,
                                     Qt::SmoothTransformation));
}

bool CRTUCfgCameraDlg::SaveShown() {
  const std::string jpeg = jpeg_;
  return SaveUntilDone(this, chooser_, JpgRequest(true),
                       [&jpeg](const std::string& path, std::string* error) {
                         return WritePictureFile(path, jpeg, error);
                       });
}

void CRTUCfgCameraDlg::OnSaveAs() {
  if (!jpeg_.empty()) SaveShown();
}

void CRTUCfgCameraDlg::OnOpenFile() {
  const QString path = chooser_(this, JpgRequest(false));
  if (path.isEmpty()) return;
  QFile file(path);
  QByteArray bytes;
  if (file.open(QIODevice::ReadOnly) && file.size() <= kMaxOpenBytes) bytes = file.readAll();
  // Only a picture this computer can show replaces the one shown.
  QPixmap probe;
  if (bytes.isEmpty() || !probe.loadFromData(bytes)) {
    TipBox::Show(this, QStringLiteral("读取文件失败"));
    return;
  }
  ShowPicture(bytes.toStdString(), QFileInfo(path).fileName());
}

void CRTUCfgCameraDlg::resizeEvent(QResizeEvent*) {
  if (width() <= 0 || height() <= 0) return;
  layout_.Apply(this);
  setFont(PageFont(height()));
  FitPicture();
}
