#pragma once
// The camera page ("摄像头参数"): the settings of the device's four serial cameras, one
// detail window per camera of which the selected one is shown, and the snapshot: the
// workspace's worker asks the selected camera for a test picture, the page shows it
// and saves it as a .jpg file. A .jpg from disk can be shown the same way.
#include <QPixmap>
#include <QWidget>
#include <optional>
#include <string>

#include "config/cfg_page.h"
#include "config/field_tables.h"
#include "config/ui/fields/cfg_field.h"
#include "config/picture_reader.h"
#include "config/ui/records/file_prompt.h"
#include "config/ui/records/transfer_watcher.h"
#include "widgets/fraction_layout.h"

class CfgMachine;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// One camera's settings (field_tables::kCamera, instance = camera number − 1).
class CRTUCfgCameraDetailDlg : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kIdEditId = 1032;
  static constexpr int kIntervalId = 1033;
  static constexpr int kTypeId = 1034;
  static constexpr int kPixelsId = 1035;
  static constexpr int kPortId = 1036;
  static constexpr int kSpeedId = 1037;
  static constexpr int kParityId = 1038;

  // The fields of camera instance camera (0-based; their help names it).
  explicit CRTUCfgCameraDetailDlg(int camera = 0, QWidget* parent = nullptr);

  // Nothing changes unless the user changes it: an untouched control gives back the
  // device's text as it was loaded (also a type or resolution outside its list).
  std::optional<std::string> SaveToTable(int id);
  void LoadFromTable(int id, const std::string& text);

  QWidget* ControlOf(int id) const;
  CfgField* FieldOf(int id) const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  CfgFieldMap fields_{this};
  FractionLayout layout_;
};

class CRTUCfgCameraDlg : public QWidget, public ICfgPage {
  Q_OBJECT
 public:
  // "抓拍" needs a device: greyed while there is none.
  void EnableDeviceOperations(bool enable);
  static constexpr int kCameras = 4;
  static constexpr int kSelectorId = 1046;
  static constexpr int kSnapshotId = 1047;
  static constexpr int kSelectorLabelId = 1048;

  // Builds and initialises the page on the machine's snapshot: shows camera 1 and
  // starts the picture watcher.
  explicit CRTUCfgCameraDlg(CfgMachine& machine, QWidget* parent = nullptr);

  // The parameters of field_tables::kCamera.
  static bool Owns(int id) { return TableLists(field_tables::kCamera, id); }
  std::optional<std::string> SaveToTable(int id, int index) override;
  void LoadFromTable(int id, int index, const std::string& text) override;

  // Selection change of the camera list: shows that camera's detail window.
  void SelectCamera(int index);
  // "抓拍": asks the selected camera for a picture.
  void OnSnapshot();
  // Opens a .jpg file and shows it.
  void OnOpenFile();
  // Saves the picture shown under a new name.
  void OnSaveAs();
  // Replaces the save and open dialogs (tests).
  void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

  PictureReader& Reader() { return reader_; }
  TransferWatcher& Watcher() { return *watcher_; }
  QComboBox* Selector() const { return selector_; }
  CRTUCfgCameraDetailDlg* Detail(int camera) const { return detail_[camera]; }
  QLabel* PictureView() const { return picture_; }
  QPushButton* SaveAsButton() const { return saveAs_; }
  // The bytes of the picture shown ("" before any).
  const std::string& ShownPicture() const { return jpeg_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  bool OnPictureEnd(TransferWatcher::End end);
  // Shows the picture and keeps its bytes; false when they are no image Qt can read.
  bool ShowPicture(std::string jpeg, const QString& origin);
  void FitPicture();
  bool SaveShown();

  PictureReader& reader_;
  TransferWatcher* watcher_ = nullptr;
  FileChooser chooser_ = ChooseFileWithDialog;
  QComboBox* selector_ = nullptr;
  CRTUCfgCameraDetailDlg* detail_[kCameras] = {};
  QLabel* picture_ = nullptr;
  QLabel* caption_ = nullptr;
  QPushButton* saveAs_ = nullptr;
  std::string jpeg_;
  QPixmap pixmap_;
  FractionLayout layout_;
};
