// The parameter field: only user interaction makes the encoding apply; a typed text
// that is no item has no value; the next load forgets the edits. (An untouched control
// giving back the device's text: the sub-page, camera and station page tables.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>

#include "config/channel_codes.h"
#include "config/fields/cfg_field.h"

namespace {

void Type(QWidget* w, const QString& text) {
  for (QChar ch : text) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
    QApplication::sendEvent(w, &press);
  }
}

void Key(QWidget* w, int key) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

TEST(CfgFieldTest, UserChangesApplyTheEncoding) {
  QComboBox onOff, element;
  QLineEdit edit;
  QCheckBox check;
  onOff.setEditable(true);
  element.setEditable(true);
  CfgField f1(channel_codes::kOnOff), f2(TextField()), f3, f4(FieldCode{
      {}, [](std::string_view v, int) { return v == "0" ? 0 : 1; },
      [](std::string_view, int item) -> std::optional<std::string> { return item ? "1" : "0"; }});
  f1.Attach(&onOff);
  f2.Attach(&element);
  f3.Attach(&edit);
  f4.Attach(&check);
  f1.Set("7");
  f2.Set("\xCB\xAE\xCE\xBB" "5");  // 水位5
  f3.Set("\x81");
  f4.Set("");
  EXPECT_TRUE(check.isChecked());  // every value but "0" is on
  onOff.setCurrentIndex(1);  // the program's changes touch nothing
  edit.setText(QStringLiteral("program"));
  EXPECT_EQ(f1.Get(), "7");
  EXPECT_EQ(f3.Get(), "\x81");
  onOff.setCurrentIndex(0);

  int edits = 0;
  QObject::connect(&f1, &CfgField::edited, [&edits] { ++edits; });
  Key(&onOff, Qt::Key_Down);  // picks the next item: "开启"
  EXPECT_EQ(edits, 1);
  EXPECT_EQ(f1.Get(), "1");
  onOff.lineEdit()->selectAll();
  Type(onOff.lineEdit(), QStringLiteral("开"));  // no item has this text
  EXPECT_EQ(f1.Get(), std::nullopt);

  Type(element.lineEdit(), QStringLiteral("X"));
  EXPECT_EQ(f2.Get(), "\xCB\xAE\xCE\xBB" "5X");  // 水位5X in code page 936
  edit.selectAll();
  Type(&edit, QStringLiteral("12"));
  EXPECT_EQ(f3.Get(), "12");
  check.click();
  EXPECT_EQ(f4.Get(), "0");
  // The next load forgets the edits.
  for (CfgField* f : {&f1, &f2, &f3, &f4}) {
    f->Set("9");
    EXPECT_FALSE(f->Touched());
    EXPECT_EQ(f->Get(), "9");
  }
}

}  // namespace
