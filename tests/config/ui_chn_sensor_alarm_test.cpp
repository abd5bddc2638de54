// The "通信参数" page of a serial source and the three "报警参数" pages, offscreen: a loaded
// text is kept before the window exists and shown through the field's encoding after;
// an untouched control gives the loaded text back, also outside its list; a pick or a
// typed text goes through the encoding; the linkage and camera rows follow
// ShowAlarmLinkage.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <memory>
#include <optional>

#include "config/channels/chn_comm_com_dlg.h"
#include "config/channels/chn_warning_dlg.h"

namespace {

using Value = std::optional<std::string>;
using Make = std::function<std::unique_ptr<CRTUCfgChnSubDlg>()>;

const Make kComm = [] { return std::make_unique<CRTUCfgChnCommComDlg>(); };
const Make kComAlarm = [] { return std::make_unique<CRTUCfgChnWarningDlg>(100); };
const Make kAdcAlarm = [] { return std::make_unique<CRTUCfgChnWarningDlg>(73); };
const Make kDiAlarm = [] { return std::make_unique<CRTUCfgChnWarningDiDlg>(); };
const Make kPiAlarm = [] { return std::make_unique<CRTUCfgChnWarningRainDlg>(); };

QString Shown(QWidget* control) {
  if (auto* list = qobject_cast<QComboBox*>(control)) return list->currentText();
  if (auto* edit = qobject_cast<QLineEdit*>(control)) return edit->text();
  return QStringLiteral("?");
}

// The user picks item n (n >= 0) or types text into the control.
void UserChanges(QWidget* control, int item, const QString& text) {
  if (auto* list = qobject_cast<QComboBox*>(control)) {
    if (item >= 0) {
      list->setCurrentIndex(item);
      emit list->activated(item);
      return;
    }
    list->lineEdit()->setText(text);
    emit list->lineEdit()->textEdited(text);
  } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
    edit->setText(text);
    emit edit->textEdited(text);
  }
}

struct FieldCase {
  const Make* page;
  int id;
  std::string loaded;
  const char* shown;  // UTF-8; nullptr: not compared
  int pick;           // item the user picks, or -1 to type `typed`
  const char* typed;
  Value saved;        // after the user's change
};

TEST(ChnSensorAlarmPages, LoadedTextIsKeptUntilTheUserChangesTheControl) {
  const FieldCase cases[] = {
      {&kComm, 82, "3", "RS485-0", 4, nullptr, "4"},
      {&kComm, 82, "9", "不使用", -1, "RS422", std::nullopt},
      {&kComm, 82, "", "不使用", 1, nullptr, "1"},
      {&kComm, 93, "4800", "4800", -1, "9601", "9601"},
      {&kComm, 94, "7E1", "7E1", 0, nullptr, "8N1"},
      {&kComm, 95, "\x81\x7f\xff", nullptr, -1, "17", "17"},  // not code page 936
      {&kComm, 97, "65535", "65535", -1, "", ""},
      {&kComm, 99, "12", "Float ABCD", 3, nullptr, "3"},
      {&kComm, 99, "16", "", 12, nullptr, "12"},
      {&kComm, 99, "-1", "", -1, "Float", std::nullopt},
      {&kComm, 161, "1", "OTT", 0, nullptr, "0"},
      {&kComm, 161, "2", "", 1, nullptr, "1"},
      {&kComAlarm, 100, "12.5", "12.5", -1, "13", "13"},
      {&kComAlarm, 102, "", "", -1, "0.5", "0.5"},
      {&kComAlarm, 106, "103", "无关联", -1, "K7", "208"},
      {&kComAlarm, 106, "102", "DO1", 0, nullptr, "0"},
      {&kComAlarm, 106, "", "无关联", -1, "DOx", "101"},
      {&kComAlarm, 107, "5", "无关联", 1, nullptr, "1"},
      {&kComAlarm, 107, "", "DO低/K断开", -1, "闭合", "2"},
      {&kComAlarm, 103, "65535", "65535", -1, "0", "0"},
      {&kAdcAlarm, 79, "201", "K0", 4, nullptr, "202"},
      {&kAdcAlarm, 73, "-3", "-3", -1, "4", "4"},
      {&kAdcAlarm, 78, "9", "9", -1, "10", "10"},
      {&kDiAlarm, 32, "2", "", 1, nullptr, "1"},
      {&kDiAlarm, 32, "", "关闭", -1, "开", std::nullopt},
      {&kDiAlarm, 33, "6", "", 4, nullptr, "4"},
      {&kDiAlarm, 33, "4", "下降沿", 5, nullptr, "5"},
      {&kDiAlarm, 33, "", "不触发", -1, "上升沿", "3"},
      {&kDiAlarm, 37, "", "无关联", 2, nullptr, "102"},
      {&kDiAlarm, 38, "1", "DO高/K闭合", 0, nullptr, "0"},
      {&kDiAlarm, 35, "4", "4", -1, "2", "2"},
      {&kPiAlarm, 51, "30", "30", -1, "31", "31"},
      {&kPiAlarm, 55, "202", "K1", -1, "abc", std::nullopt},
      {&kPiAlarm, 56, "7", "无关联", 0, nullptr, "0"},
      {&kPiAlarm, 54, "255", "255", -1, "1", "1"},
  };
  for (const FieldCase& c : cases) {
    const std::string what = std::to_string(c.id) + " = \"" + c.loaded + "\"";
    std::unique_ptr<CRTUCfgChnSubDlg> page = (*c.page)();
    ASSERT_TRUE(page->SetField(c.id, c.loaded)) << what;
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": before the window exists";

    page->resize(700, 400);
    page->Create();
    page->show();
    page->ShowAlarmLinkage(true);
    page->ShowAlarmLinkage(false);
    QWidget* control = page->Field(c.id)->Control();
    ASSERT_NE(control, nullptr) << what;
    if (c.shown) {
      EXPECT_EQ(Shown(control).toStdString(), c.shown) << what;
    }
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": shown, untouched";

    UserChanges(control, c.pick, QString::fromUtf8(c.typed ? c.typed : ""));
    EXPECT_EQ(page->GetField(c.id), c.saved) << what << ": changed by the user";
    page->SetField(c.id, c.loaded);
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": loaded again";
  }
}

TEST(ChnSensorAlarmPages, LinkageAndCameraRowsFollowShowAlarmLinkageExceptOnADigitalInput) {
  struct PageCase {
    const Make* page;
    std::vector<int> always;   // rows always shown
    bool follows;              // the linkage and camera rows follow ShowAlarmLinkage
  };
  const PageCase pages[] = {{&kComAlarm, {100, 101, 102}, true},
                            {&kAdcAlarm, {73, 74, 75}, true},
                            {&kPiAlarm, {51}, true},
                            {&kDiAlarm, {32, 33}, false}};
  for (const PageCase& p : pages) {
    std::unique_ptr<CRTUCfgChnSubDlg> page = (*p.page)();
    page->Create();
    page->show();
    auto* alarm = static_cast<CRTUCfgChnWarningBase*>(page.get());
    const int first = alarm->CameraIntervalId();
    // Every label and hint of the five shared rows, and their controls.
    std::vector<QWidget*> shared;
    for (int id = first; id < first + 5; ++id) shared.push_back(page->Field(id)->Control());
    for (QLabel* label : page->findChildren<QLabel*>()) {
      const QString t = label->text();
      if (t.startsWith(QStringLiteral("报警联动")) || t.startsWith(QStringLiteral("报警抓拍")) ||
          t.startsWith(QStringLiteral("报警摄像头")) || t.startsWith(QStringLiteral("(0~")))
        shared.push_back(label);
    }
    ASSERT_EQ(shared.size(), 5u + 5u + 3u) << first;
    // As created (hidden until "更多参数" asks for them), then shown, then hidden again.
    for (int step = 0; step < 3; ++step) {
      const bool show = step == 1;
      if (step > 0) page->ShowAlarmLinkage(show);
      for (QWidget* w : shared) EXPECT_EQ(w->isHidden(), p.follows && !show) << first << " show " << show;
      for (int id : p.always) EXPECT_FALSE(page->Field(id)->Control()->isHidden()) << id;
    }
  }
}

}  // namespace
