#include "app/frmAbout.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Shown non-modally: a test must never wait on a modal loop.
void ShowAndFocus(frmAbout& about, QWidget* focus) {
    about.open();
    about.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    focus->setFocus();
}

}  // namespace

TEST(frmAbout, ShowsAnEmptyTextAndAnOkButton) {
    frmAbout about;
    EXPECT_TRUE(about.windowTitle().isEmpty());
    EXPECT_TRUE(about.txtGNU()->toPlainText().isEmpty());
    EXPECT_EQ(about.cmdOk()->text(), "Ok");
    EXPECT_EQ(about.txtGNU()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_LT(about.txtGNU()->geometry().bottom(), about.cmdOk()->geometry().top());
}

TEST(frmAbout, OkCloses) {
    frmAbout about;
    ShowAndFocus(about, about.txtGNU());
    QTest::mouseClick(about.cmdOk(), Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(frmAbout, EscapeClosesLikeOkFromEitherControl) {
    for (int target = 0; target < 2; ++target) {
        frmAbout about;
        QWidget* focus = target == 0 ? static_cast<QWidget*>(about.txtGNU()) : about.cmdOk();
        ShowAndFocus(about, focus);
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_FALSE(about.isVisible()) << "focus on control " << target;
        EXPECT_EQ(about.result(), QDialog::Accepted);
    }
}

TEST(frmAbout, OtherKeysLeaveItOpen) {
    frmAbout about;
    ShowAndFocus(about, about.txtGNU());
    QTest::keyClick(&about, Qt::Key_Return);
    QTest::keyClick(&about, Qt::Key_A);
    QTest::keyClick(&about, Qt::Key_F1, Qt::ShiftModifier);
    EXPECT_TRUE(about.isVisible());
    about.close();
}

TEST(frmAbout, TheTextTakesNoTypingAndTabReachesOk) {
    frmAbout about;
    ShowAndFocus(about, about.txtGNU());
    QTest::keyClicks(about.txtGNU(), "typed");
    QTest::keyClick(about.txtGNU(), Qt::Key_Return);
    EXPECT_TRUE(about.txtGNU()->toPlainText().isEmpty());
    EXPECT_TRUE(about.isVisible());
    QTest::keyClick(about.txtGNU(), Qt::Key_Tab);
    EXPECT_TRUE(about.cmdOk()->hasFocus());
    EXPECT_TRUE(about.txtGNU()->toPlainText().isEmpty());
    about.close();
}
