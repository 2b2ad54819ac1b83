// The Messages tab: a line per statement, a failed one giving its error as the box did and
// leading back to its failure, and lines the user can copy.
#include "core/Error.h"
#include "query/MessagesPane.h"
#include "ui/Clipboard.h"

#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using tbn::run::StatementEnding;
using tbn::run::StatementOutcome;

namespace {

class MessagesPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        // As the window placed it for its box: the place on the first line, the engine's detail
        // after it.
        failure = std::make_exception_ptr(
            tbn::Error(1, "no such table: nowhere (line 4, column 15)\nmore about it"));
        pane_.Add({"select 1;", 0, StatementEnding::Rows, 1, 0.01, nullptr});
        pane_.Add({"update t set a = 1;", 10, StatementEnding::Changed, 3, 0.02, nullptr});
        pane_.Add({"select * from nowhere;", 30, StatementEnding::Failed, 0, 0.01, failure});
        pane_.resize(600, 200);
        pane_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&pane_));
    }
    QListWidget& Lines() { return *pane_.Lines(); }

    tbn::query::MessagesPane pane_;
    std::exception_ptr failure;
};

TEST_F(MessagesPaneTest, AFailedLineGivesItsErrorAndLeadsBackToTheFailure) {
    ASSERT_EQ(Lines().count(), 3);
    EXPECT_EQ(pane_.objectName(), QStringLiteral("Messages"));
    EXPECT_TRUE(Lines().item(1)->text().contains(QStringLiteral("3 rows changed")));
    const QListWidgetItem* failed = Lines().item(2);
    EXPECT_TRUE(
        failed->text().endsWith(QStringLiteral("no such table: nowhere (line 4, column 15)")))
        << failed->text().toStdString();
    EXPECT_TRUE(failed->toolTip().contains(QStringLiteral("more about it")));

    QSignalSpy chosen(&pane_, &tbn::query::MessagesPane::FailureChosen);
    QTest::mouseClick(Lines().viewport(), Qt::LeftButton, {},
                      Lines().visualItemRect(Lines().item(0)).center());
    EXPECT_EQ(chosen.count(), 0);  // a line that did not fail has nothing to point at
    QTest::mouseClick(Lines().viewport(), Qt::LeftButton, {},
                      Lines().visualItemRect(failed).center());
    Lines().setCurrentRow(2);
    QTest::keyClick(&Lines(), Qt::Key_Return);
    ASSERT_EQ(chosen.count(), 2);
    for (const QList<QVariant>& emitted : chosen)
        EXPECT_EQ(emitted.at(0).value<std::exception_ptr>(), failure);

    pane_.Clear();
    EXPECT_EQ(Lines().count(), 0);
    QTest::keyClick(&Lines(), Qt::Key_Return);  // nothing left to lead to
    EXPECT_EQ(chosen.count(), 2);
}

TEST_F(MessagesPaneTest, CtrlCCopiesTheSelectedLines) {
    tbn::ui::Clipboard::SetText(QStringLiteral("before"));
    Lines().item(0)->setSelected(true);
    Lines().item(2)->setSelected(true);
    Lines().setFocus();
    QTest::keyClick(&Lines(), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(tbn::ui::Clipboard::GetText(),
              Lines().item(0)->text() + QLatin1Char('\n') + Lines().item(2)->text());
}

}  // namespace
