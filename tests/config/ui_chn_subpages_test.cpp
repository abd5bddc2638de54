// A channel source's sub-pages offscreen ("通道属性", "通信参数", "报警参数"): a loaded text
// is kept before the window exists and shown through the field's encoding after; an
// untouched control gives it back, also outside its list or not code page 936; a pick or
// a typed text goes through the encoding; the linkage and camera rows follow
// ShowAlarmLinkage.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <functional>
#include <memory>

#include "base/cp936.h"
#include "config/channels/chn_comm_com_dlg.h"
#include "config/channels/chn_proper_dlg.h"
#include "config/channels/chn_warning_dlg.h"

namespace {

using Make = std::function<std::unique_ptr<CRTUCfgChnSubDlg>()>;
const Make kComProper = [] { return std::make_unique<CRTUCfgChnProperDlg>(81, 83); };
const Make kAdcProper = [] { return std::make_unique<CRTUCfgChnProperDlg>(57, 58); };
const Make kAdcComm = [] { return std::make_unique<CRTUCfgChnCommAdcDlg>(); };
const Make kComm = [] { return std::make_unique<CRTUCfgChnCommComDlg>(); };
const Make kComAlarm = [] { return std::make_unique<CRTUCfgChnWarningDlg>(100); };
const Make kAdcAlarm = [] { return std::make_unique<CRTUCfgChnWarningDlg>(73); };
const Make kDiAlarm = [] { return std::make_unique<CRTUCfgChnWarningDiDlg>(); };
const Make kPiAlarm = [] { return std::make_unique<CRTUCfgChnWarningRainDlg>(); };

TEST(ChnSensorAlarmPages, LoadedTextIsKeptUntilTheUserChangesTheControl) {
  const struct {
    const Make* page;
    int id;
    std::string loaded;
    const char* shown;  // UTF-8; nullptr: not compared
    int pick;           // item the user picks, or -1 to type `typed`
    const char* typed;
    std::optional<std::string> saved;  // after the user's change
  } cases[] = {
      {&kComProper, 81, "2", "关闭", 1, nullptr, "1"},       {&kComProper, 83, "\xFF\x81", nullptr, -1, "5", "5"},
      {&kComProper, 85, "2", "关闭", -1, "开", std::nullopt}, {&kComProper, 89, GBK("水位5"), "水位5", 0, nullptr, GBK("雨量")},
      {&kAdcProper, 57, "", "关闭", 1, nullptr, "1"},         {&kAdcProper, 64, "", "", -1, "X", "X"},
      {&kAdcComm, 68, "", "电流", 0, nullptr, "1"},           {&kComm, 82, "9", "不使用", -1, "RS422", std::nullopt},
      {&kComm, 95, "\x81\x7f\xff", nullptr, -1, "17", "17"},  // not code page 936
      {&kComm, 99, "16", "", 12, nullptr, "12"},              {&kComAlarm, 106, "103", "无关联", -1, "K7", "208"},
      {&kComAlarm, 107, "5", "无关联", 1, nullptr, "1"},      {&kAdcAlarm, 79, "201", "K0", 4, nullptr, "202"},
      {&kDiAlarm, 32, "2", "", 1, nullptr, "1"},              {&kDiAlarm, 33, "6", "", 4, nullptr, "4"},
      {&kPiAlarm, 55, "202", "K1", -1, "abc", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::string what = std::to_string(c.id) + " = \"" + c.loaded + "\"";
    std::unique_ptr<CRTUCfgChnSubDlg> page = (*c.page)();
    ASSERT_TRUE(page->SetField(c.id, c.loaded)) << what;
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": before the window exists";
    page->Create();
    page->show();
    page->ShowAlarmLinkage(true);
    page->ShowAlarmLinkage(false);
    QWidget* control = page->Field(c.id)->Control();
    auto* list = qobject_cast<QComboBox*>(control);
    QLineEdit* edit = list ? list->lineEdit() : qobject_cast<QLineEdit*>(control);
    ASSERT_TRUE(edit) << what;
    if (c.shown) {
      EXPECT_EQ(edit->text().toStdString(), c.shown) << what;
    }
    EXPECT_EQ(page->GetField(c.id), c.loaded) << what << ": shown, untouched";
    if (c.pick >= 0) {
      list->setCurrentIndex(c.pick);
      emit list->activated(c.pick);
    } else {
      edit->setText(QString::fromUtf8(c.typed));
      emit edit->textEdited(edit->text());
    }
    EXPECT_EQ(page->GetField(c.id), c.saved) << what << ": changed by the user";
  }
}

TEST(ChnSensorAlarmPages, LinkageAndCameraRowsFollowShowAlarmLinkageExceptOnADigitalInput) {
  const struct {
    const Make* page;
    std::vector<int> always;  // fields always shown
    bool follows;             // the linkage and camera rows follow ShowAlarmLinkage
  } pages[] = {{&kComAlarm, {100, 101, 102}, true}, {&kPiAlarm, {51}, true}, {&kDiAlarm, {32, 33}, false}};
  for (const auto& p : pages) {
    std::unique_ptr<CRTUCfgChnSubDlg> page = (*p.page)();
    page->Create();
    page->show();
    const int first = static_cast<CRTUCfgChnWarningBase*>(page.get())->CameraIntervalId();
    std::vector<QWidget*> shared;  // the five rows' controls (labels and hints go with them)
    for (int id = first; id < first + 5; ++id) shared.push_back(page->Field(id)->Control());
    for (QLabel* label : page->findChildren<QLabel*>())
      if (label->text().startsWith(QStringLiteral("(0~255s)"))) shared.push_back(label);
    ASSERT_EQ(shared.size(), 6u) << first;
    // As created (hidden until "更多参数" asks for them), then shown, then hidden again.
    for (int step = 0; step < 3; ++step) {
      if (step > 0) page->ShowAlarmLinkage(step == 1);
      for (QWidget* w : shared) EXPECT_EQ(w->isHidden(), p.follows && step != 1) << first << " step " << step;
      for (int id : p.always) EXPECT_FALSE(page->Field(id)->Control()->isHidden()) << id;
    }
  }
}

}  // namespace
