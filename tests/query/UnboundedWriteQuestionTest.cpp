// The question before a statement that changes every row, through a real window on every route:
// answered No, nothing of the text runs and every row is still there; answered Yes, it runs.
#include "RouteWindowTest.h"
#include "grid/FlexGrid.h"
#include "run/UnboundedWrites.h"
#include "support/QueryWindowFixture.h"
#include "support/ScriptedFileDialog.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

using tbn::test::QueryWindowFixture;
using tbn::ui::vbNo;
using tbn::ui::vbYes;

namespace {

class UnboundedWriteQuestionTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        tbn::run::SetAskBeforeUnboundedWrites(true);
    }
    // Runs the text as F5 does, and returns once the run, if any, has ended.
    static void Run(frmMain* window, const QString& sql) {
        window->QueryText().SetText(sql);
        window->ExecuteQuery();
        ASSERT_TRUE(tbn::test::WaitForRun(*window));
    }
    static QString People(frmMain* window) {
        Run(window, QStringLiteral("SELECT count(*) FROM people WHERE name <> 'x'"));
        return window->FlexWidget()->TextMatrix(1, 1);
    }
};

using UnboundedWriteRouteTest = RouteWindowTest<UnboundedWriteQuestionTest>;

}  // namespace

TEST_P(UnboundedWriteRouteTest, NoKeepsEveryRowAndYesRunsIt) {
    Prepare({"CREATE TABLE people(name VARCHAR(20))",
             "INSERT INTO people VALUES ('Ada'), ('Grace'), ('Linus')"});
    frmMain* window = OpenWindow(QStringLiteral("route"), QString::fromStdString(cnn));
    boxes->Answer(vbNo);
    Run(window, QStringLiteral("DELETE FROM people"));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().prompt,
              QStringLiteral("This statement changes every row of people (DELETE without WHERE). "
                             "Run it?"));
    EXPECT_EQ(boxes->Last().style & (tbn::ui::vbYesNo | tbn::ui::vbDefaultButton2),
              tbn::ui::vbYesNo | tbn::ui::vbDefaultButton2);
    EXPECT_EQ(People(window), QStringLiteral("3"));

    boxes->Answer(vbYes);
    Run(window, QStringLiteral("DELETE FROM people"));
    EXPECT_EQ(People(window), QStringLiteral("0"));
    EXPECT_EQ(boxes->Count(), 2u);
}

TBN_ON_EVERY_ROUTE(UnboundedWriteRouteTest);

TEST_F(UnboundedWriteQuestionTest, EachIsAskedInOrderAndOneNoRunsNothingNotEvenToAFile) {
    frmMain* window = OpenWindow(QStringLiteral("people"),
                                 MakeDatabase(QStringLiteral("p.db"),
                                              "CREATE TABLE people(name TEXT);"
                                              "INSERT INTO people VALUES ('Ada'), ('Grace');"));
    const QString text = QStringLiteral("UPDATE people SET name = 'x';\n"
                                        "INSERT INTO people VALUES ('Linus');\n"
                                        "DELETE FROM people");
    boxes->Answer(vbYes).Answer(vbNo);
    Run(window, text);
    ASSERT_EQ(boxes->Count(), 2u);
    EXPECT_TRUE(boxes->Calls()[0].prompt.contains(QStringLiteral("(UPDATE without WHERE)")));
    EXPECT_TRUE(boxes->Calls()[1].prompt.contains(QStringLiteral("(DELETE without WHERE)")));
    EXPECT_EQ(People(window), QStringLiteral("2"));

    tbn::test::ScriptedFileDialog dialog;
    boxes->Answer(vbNo);
    window->QueryText().SetText(text);
    window->RunToFile();
    EXPECT_FALSE(window->Running());
    EXPECT_TRUE(dialog.Requests().empty());
    EXPECT_EQ(People(window), QStringLiteral("2"));
}
