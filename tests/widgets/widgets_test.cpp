// Qt's own texts in the user's language, and file names between Qt and the program.
#include <QApplication>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>
#include <gtest/gtest.h>

#include "support/qt_translations.h"
#include "widgets/qt_translation.h"
#include "widgets/ui_bridge.h"

namespace {

// The texts of a Qt file-save dialog (Qt's own, not the system's) and its buttons.
QStringList SaveDialogTexts() {
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  QStringList texts;
  for (const QLabel* label : dialog.findChildren<QLabel*>()) texts << label->text();
  for (const QPushButton* button : dialog.findChildren<QPushButton*>()) texts << button->text();
  return texts;
}

class QtTranslation : public ::testing::Test {
 protected:
  void TearDown() override {
    if (installed_) QCoreApplication::removeTranslator(installed_);
    delete installed_;
  }
  QTranslator* installed_ = nullptr;
};

TEST_F(QtTranslation, ChineseSystemsGetQtsDialogsInTheirScript) {
  installed_ = InstallQtTranslation(*qApp, QLocale(QLocale::Chinese, QLocale::China), TestQtTranslationFolders());
  ASSERT_NE(installed_, nullptr);
  EXPECT_TRUE(installed_->filePath().endsWith(QStringLiteral("qtbase_zh_CN.qm"))) << installed_->filePath().toStdString();
  const QStringList texts = SaveDialogTexts();
  EXPECT_TRUE(texts.contains(QStringLiteral("查找范围："))) << texts.join('|').toStdString();      // "Look in:"
  EXPECT_TRUE(texts.contains(QStringLiteral("文件名称(&N)："))) << texts.join('|').toStdString();  // "File &name:"
  EXPECT_FALSE(texts.contains(QStringLiteral("Look in:")));
  EXPECT_EQ(QDialogButtonBox(QDialogButtonBox::Cancel).button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));

  QCoreApplication::removeTranslator(installed_);
  delete installed_;
  installed_ = InstallQtTranslation(*qApp, QLocale(QLocale::Chinese, QLocale::TraditionalChineseScript, QLocale::Taiwan), TestQtTranslationFolders());
  ASSERT_NE(installed_, nullptr);
  EXPECT_TRUE(installed_->filePath().endsWith(QStringLiteral("qtbase_zh_TW.qm"))) << installed_->filePath().toStdString();
}

TEST_F(QtTranslation, EnglishAndUnknownLanguagesKeepQtsOwnTexts) {
  installed_ = InstallQtTranslation(*qApp, QLocale(QLocale::English, QLocale::UnitedStates), TestQtTranslationFolders());
  EXPECT_TRUE(SaveDialogTexts().contains(QStringLiteral("Look in:")));
  if (installed_) QCoreApplication::removeTranslator(installed_);
  delete installed_;
  installed_ = InstallQtTranslation(*qApp, QLocale(QLocale::Swahili, QLocale::Kenya), TestQtTranslationFolders());
  EXPECT_EQ(installed_, nullptr);  // no catalogue: Qt's English
  EXPECT_TRUE(SaveDialogTexts().contains(QStringLiteral("Look in:")));
  EXPECT_EQ(InstallQtTranslation(*qApp, QLocale(QLocale::Chinese, QLocale::China), {QStringLiteral("/nonexistent")}), nullptr);
}

TEST(FileNamesAtTheWidgetEdge, UnicodeNamesPassUnchanged) {
#ifdef _WIN32
  EXPECT_EQ(LocalPath(QStringLiteral("C:/Users/测试用户/桌面/站点.cfg")), "C:\\Users\\测试用户\\桌面\\站点.cfg");
#else
  EXPECT_EQ(LocalPath(QStringLiteral("/home/测试用户/桌面/站点.cfg")), "/home/测试用户/桌面/站点.cfg");
#endif
  EXPECT_EQ(PathText("C:\\Users\\测试用户\\站点.cfg"), QStringLiteral("C:\\Users\\测试用户\\站点.cfg"));
  EXPECT_EQ(PathText(LocalPath(QStringLiteral("数据 2024.csv"))), QStringLiteral("数据 2024.csv"));
}

}  // namespace
