// The pane's completion pop-up: when it opens by itself and when it must not, the keys it takes,
// and what a choice does to the text.
#include "editor/CompletionPopup.h"
#include "editor/SqlEdit.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace tbn::editor {
namespace {

std::shared_ptr<core::SchemaInfo> Shop() {
    auto schema = std::make_shared<core::SchemaInfo>();
    schema->schemas = {"main"};
    schema->defaultSchemaCount = 1;
    core::RelationInfo orders{"main", "orders", core::RelationKind::Table, {}, {}, {}};
    for (const char* column : {"id", "total", "customer_id"})
        orders.columns.push_back({column, "INTEGER", true, false});
    schema->relations.push_back(orders);
    return schema;
}

class CompletionPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        edit.resize(600, 300);
        edit.show();
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
    }

    // Puts text in as the program does (never a trigger), caret at its end.
    void Start(const QString& text) {
        edit.setPlainText(text);
        edit.moveCursor(QTextCursor::End);
    }

    bool Shown() const { return edit.OpenCompletionPopup() != nullptr; }
    QString First() const {
        return Shown() ? edit.OpenCompletionPopup()->Candidates().front().label : QString();
    }

    SqlEdit edit;
};

TEST_F(CompletionPopupTest, OpensByItselfOnASecondWordCharacterOrADotButNeverInAStringOrComment) {
    edit.SetCompletionSchema(Shop());
    Start(QStringLiteral("SELECT * FROM orders o WHERE "));
    QTest::keyClicks(&edit, QStringLiteral("t"));
    EXPECT_FALSE(Shown()) << "one character is not yet a word to complete";
    QTest::keyClicks(&edit, QStringLiteral("o"));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(First(), QStringLiteral("total"));

    QTest::keyClick(&edit, Qt::Key_Space);
    EXPECT_FALSE(Shown()) << "the caret left the word";
    QTest::keyClicks(&edit, QStringLiteral("AND o."));
    ASSERT_TRUE(Shown());
    EXPECT_EQ(First(), QStringLiteral("customer_id"));

    for (const QString& text : {QStringLiteral("SELECT 'to"), QStringLiteral("-- to")}) {
        Start(text);
        QTest::keyClicks(&edit, QStringLiteral("ta"));
        EXPECT_FALSE(Shown()) << text.toStdString();
    }
    Start(QStringLiteral("SELECT 1"));
    QTest::keyClicks(&edit, QStringLiteral("."));
    EXPECT_FALSE(Shown()) << "a decimal point qualifies nothing";
}

TEST_F(CompletionPopupTest, TextThatWasNotTypedNeverOpensIt) {
    Start(QStringLiteral("sel"));
    EXPECT_FALSE(Shown());
    edit.insertPlainText(QStringLiteral("ect 1, co"));  // as a paste does
    EXPECT_FALSE(Shown());
    QTest::keyClicks(&edit, QStringLiteral(" fr"));
    ASSERT_TRUE(Shown());
    edit.setPlainText(QStringLiteral("other text"));  // a file loaded, the table list's name
    EXPECT_FALSE(Shown());
}

TEST_F(CompletionPopupTest, KeywordsAloneWithoutACatalogueAndTheListNarrowsThenCloses) {
    Start(QString());
    QTest::keyClicks(&edit, QStringLiteral("se"));
    ASSERT_TRUE(Shown());
    const auto& candidates = edit.OpenCompletionPopup()->Candidates();
    EXPECT_TRUE(std::all_of(candidates.begin(), candidates.end(),
                            [](const auto& c) { return c.kind == CandidateKind::Keyword; }));
    const qsizetype before = candidates.size();
    QTest::keyClicks(&edit, QStringLiteral("l"));
    ASSERT_TRUE(Shown());
    EXPECT_LT(edit.OpenCompletionPopup()->Candidates().size(), before);
    QTest::keyClicks(&edit, QStringLiteral("qx"));
    EXPECT_FALSE(Shown()) << "nothing matches";
}

TEST_F(CompletionPopupTest, TabOrEnterInsertsTheCurrentChoiceAsOneUndoStep) {
    edit.SetCompletionSchema(Shop());
    for (const Qt::Key accept : {Qt::Key_Tab, Qt::Key_Return}) {
        Start(QStringLiteral("SELECT * FROM orders WHERE "));
        QTest::keyClick(&edit, Qt::Key_Space, Qt::ControlModifier);
        ASSERT_TRUE(Shown());
        EXPECT_EQ(First(), QStringLiteral("customer_id"));
        QTest::keyClick(&edit, Qt::Key_Down);
        QTest::keyClick(&edit, accept);
        EXPECT_FALSE(Shown());
        EXPECT_EQ(edit.toPlainText(), QStringLiteral("SELECT * FROM orders WHERE id"))
            << "the second choice, and no line break or tab";
        QTest::keyClicks(&edit, QStringLiteral(" = 1"));
        edit.undo();
        edit.undo();
        EXPECT_EQ(edit.toPlainText(), QStringLiteral("SELECT * FROM orders WHERE "));
    }
    Start(QStringLiteral("SELECT * FROM orders WHERE cus"));
    QTest::keyClick(&edit, Qt::Key_Space, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Enter);
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("SELECT * FROM orders WHERE customer_id"));
    edit.undo();
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("SELECT * FROM orders WHERE cus"));
}

TEST_F(CompletionPopupTest, EscapeAndFocusOutCloseItAndOtherKeysGoToThePane) {
    Start(QStringLiteral("se"));
    QTest::keyClick(&edit, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    QTest::keyClick(&edit, Qt::Key_Escape);
    EXPECT_FALSE(Shown());
    QTest::keyClicks(&edit, QStringLiteral("l"));
    EXPECT_FALSE(Shown()) << "not again in the word it was closed on";
    EXPECT_EQ(edit.toPlainText(), QStringLiteral("sel"));

    QTest::keyClick(&edit, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    QTest::keyClick(&edit, Qt::Key_Left);
    EXPECT_TRUE(Shown()) << "still in the word";
    QTest::keyClick(&edit, Qt::Key_Home);
    EXPECT_FALSE(Shown());

    QTest::keyClick(&edit, Qt::Key_End);
    QTest::keyClick(&edit, Qt::Key_Space, Qt::ControlModifier);
    ASSERT_TRUE(Shown());
    EXPECT_TRUE(edit.hasFocus()) << "the pop-up never takes the focus";
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_FALSE(Shown());
}

}  // namespace
}  // namespace tbn::editor
