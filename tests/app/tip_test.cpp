// The wait tips.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "app/ui/com_tip_dlg.h"
#include "widgets/message_box.h"
#include "widgets/time_tip_dlg.h"
#include "support/qt_wait.h"

namespace {

TEST(ComTip, CountsWholeSecondsWhileShownByItselfAndStartsOverWhenShownAgain) {
  int cancels = 0;
  CComTipDlg tip;
  tip.Init(nullptr, [&] { ++cancels; });
  EXPECT_EQ(tip.windowTitle(), QStringLiteral("提示"));
  EXPECT_EQ(tip.Message(), QStringLiteral("串口检测中，请稍后..."));
  tip.show();
  QStringList seen{tip.Elapsed()};
  // 2.5 s of turns.
  for (int i = 0; i < 25; ++i) {
    tip.Tick();
    if (seen.back() != tip.Elapsed()) seen << tip.Elapsed();
  }
  EXPECT_EQ(seen, (QStringList{"0 s", "1 s", "2 s"}));
  tip.hide();
  EXPECT_EQ(tip.Elapsed(), QStringLiteral("2 s"));
  tip.show();
  EXPECT_EQ(tip.Elapsed(), QStringLiteral("0 s"));
  for (int i = 0; i < 10; ++i) tip.Tick();
  EXPECT_EQ(tip.Elapsed(), QStringLiteral("1 s"));
  EXPECT_EQ(cancels, 0);
  // By itself, too, while shown.
  EXPECT_TRUE(PumpUntil([&] { return tip.Elapsed() == QStringLiteral("2 s"); }, 10 * CComTipDlg::kTickMs + kTestMarginMs));

  // The button cancels the owner's operation and hides the tip.
  tip.findChild<QPushButton*>(QStringLiteral("tipCancel"))->click();
  EXPECT_EQ(cancels, 1);
  EXPECT_FALSE(tip.isVisible());
}

// Answers the next OK/Cancel box with the given button.
void AnswerNextBox(QMessageBox::StandardButton answer) {
  QTimer::singleShot(0, [answer] {
    PumpUntil([] { return QApplication::activeModalWidget() != nullptr; }, kTestMarginMs);
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("确定取消吗？"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("提示"));
    box->button(answer)->click();
  });
}

TEST(TimeTip, CancelAsksAndRaisesTheFlagOnlyOnOk) {
  CTimeTipDlg tip;
  tip.SetMessage(QStringLiteral("正在读取记录..."));
  tip.show();
  AnswerNextBox(QMessageBox::Cancel);
  tip.CancelButton()->click();
  EXPECT_FALSE(tip.CancelRequested());
  EXPECT_TRUE(tip.isVisible());

  AnswerNextBox(QMessageBox::Ok);
  tip.CancelButton()->click();
  EXPECT_TRUE(tip.CancelRequested());
  // The tip stays: its owner decides what to do.
  EXPECT_TRUE(tip.isVisible());
  tip.ResetCancel();
  EXPECT_FALSE(tip.CancelRequested());
}

}  // namespace

TEST(TipBoxUnattended, ReportsEachBoxAndAnswersWithoutOpeningIt) {
  QStringList seen;
  TipBox::SetUnattended([&](const QString& text) { seen << text; });
  TipBox::Show(nullptr, QStringLiteral("a"));            // returns: nothing to press
  EXPECT_FALSE(TipBox::AskOkCancel(nullptr, QStringLiteral("b")));  // the side that changes nothing
  EXPECT_FALSE(TipBox::IsOpen());
  TipBox::SetUnattended({});
  EXPECT_EQ(seen, (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}
