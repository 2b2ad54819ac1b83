#include "core/Error.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "support/QueryWindowFixture.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include "query/SchemaTree.h"
#include <QRegularExpression>
#include <QScrollBar>
#include <string>

using tbn::grid::FlexGrid;
using tbn::test::QueryWindowFixture;

namespace {
const std::string kPeople =
    "CREATE TABLE people(name TEXT, nick TEXT);"
    "INSERT INTO people VALUES('Ada', 'countess'), ('Grace', NULL), ('Linus', '');";

QStringList Row(const FlexGrid& grid, std::int64_t r) {
    QStringList cells;
    for (std::int64_t c = 0; c < grid.Cols(); ++c) cells << grid.TextMatrix(r, c);
    return cells;
}
}  // namespace

class ExecuteQueryTest : public QueryWindowFixture {
protected:
    frmMain* Open(const std::string& sql = kPeople) {
        return OpenWindow("people", MakeDatabase("p.db", sql));
    }
    void Run(frmMain* window, const QString& sql) {
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    }
};

TEST_F(ExecuteQueryTest, ThreeRecordsGiveHeaderNumberedRowsAndOneEmptyRow) {
    frmMain* window = Open();
    Run(window, "SELECT name, nick FROM people ORDER BY name");
    const FlexGrid& grid = *window->FlexWidget();
    EXPECT_EQ(grid.Cols(), 3);
    EXPECT_EQ(grid.Rows(), 5);
    EXPECT_EQ(Row(grid, 0), (QStringList{"", "name", "nick"}));
    EXPECT_EQ(Row(grid, 1), (QStringList{"1", "Ada", "countess"}));
    EXPECT_EQ(Row(grid, 2), (QStringList{"2", "Grace", ""}));  // null: empty text, drawn as "NULL"
    EXPECT_EQ(Row(grid, 3), (QStringList{"3", "Linus", ""}));  // an empty string
    EXPECT_TRUE(grid.IsNull(2, 2));
    EXPECT_FALSE(grid.IsNull(3, 2));
    EXPECT_FALSE(grid.IsNull(2, 1));
    EXPECT_EQ(Row(grid, 4), (QStringList{"", "", ""}));
    EXPECT_EQ(tbn::ui::MousePointer(), tbn::ui::vbDefault);
    EXPECT_TRUE(grid.isVisible());
    EXPECT_TRUE(grid.Redraw());
}

TEST_F(ExecuteQueryTest, NoRecordsGiveTheHeaderAndOneEmptyRow) {
    frmMain* window = Open();
    Run(window, "SELECT name, nick FROM people ORDER BY name");
    Run(window, "SELECT name AS who FROM people WHERE 0");
    const FlexGrid& grid = *window->FlexWidget();
    EXPECT_EQ(grid.Cols(), 2);
    EXPECT_EQ(grid.Rows(), 2);
    EXPECT_EQ(Row(grid, 0), (QStringList{"", "who"}));
    EXPECT_EQ(Row(grid, 1), (QStringList{"", ""}));
}

TEST_F(ExecuteQueryTest, ExecuteSelectedSendsExactlyTheSelectedCharacters) {
    frmMain* window = Open();
    const QString text = "SELECT 1 AS first;\r\nSELECT 2 AS second";
    window->QueryText().SetText(text);
    window->QueryText().SetSelStart(text.indexOf("SELECT 2"));
    window->QueryText().SetSelLength(static_cast<int>(QStringLiteral("SELECT 2 AS second").size()));
    window->ExecuteQuerySelected();
    ASSERT_TRUE(tbn::test::WaitForRun(*window));
    EXPECT_EQ(Row(*window->FlexWidget(), 0), (QStringList{"", "second"}));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("2"));
}

TEST_F(ExecuteQueryTest, ExecuteSelectedWithoutSelectionDoesNothing) {
    frmMain* window = Open();
    Run(window, "SELECT name FROM people");
    const int widthBefore = window->FlexWidget()->ColWidth(1);
    window->QueryText().SetText("DELETE FROM people");
    window->ExecuteQuerySelected();
    EXPECT_FALSE(window->Running());
    EXPECT_EQ(window->FlexWidget()->Rows(), 5);
    EXPECT_EQ(window->FlexWidget()->ColWidth(1), widthBefore);
    EXPECT_EQ(tbn::ui::MousePointer(), tbn::ui::vbDefault);
    EXPECT_EQ(window->StatusLine()->Text(), QStringLiteral("Nothing selected"));
    window->QueryText().SetText("SELECT count(*) FROM people");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("3"));  // the delete never ran
}

TEST_F(ExecuteQueryTest, AStatementWithoutRowsClearsTextsAndKeepsTheColumnCount) {
    frmMain* window = Open();
    Run(window, "SELECT name, nick FROM people");
    Run(window, "UPDATE people SET nick = 'x'");
    const FlexGrid& grid = *window->FlexWidget();
    EXPECT_EQ(grid.Cols(), 3);
    EXPECT_EQ(grid.Rows(), 2);
    EXPECT_EQ(Row(grid, 0), (QStringList{"", "", ""}));
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(ExecuteQueryTest, AFailingStatementIsReportedAndThePreviousResultStays) {
    frmMain* window = Open();
    Run(window, "SELECT name FROM people ORDER BY name");
    boxes->Answer(tbn::ui::vbOK);
    Run(window, "SELECT missing FROM nowhere");
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> ExecuteQuery"));
    EXPECT_EQ(boxes->Last().style, 16);
    EXPECT_TRUE(boxes->Last().prompt.startsWith(QStringLiteral("Application error:\r\n#")));
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("no such table: nowhere")));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("Ada"));
    EXPECT_EQ(window->recordset().State(), tbn::db::adStateClosed);
    EXPECT_EQ(tbn::ui::MousePointer(), tbn::ui::vbDefault);
}

TEST_F(ExecuteQueryTest, TheStatusLineSaysWhatEachRunDidWithoutABox) {
    frmMain* window = Open();
    auto status = [window] { return window->StatusLine()->Text(); };
    auto matches = [&status](const char* pattern) {
        return QRegularExpression(QString::fromLatin1(pattern)).match(status()).hasMatch();
    };
    Run(window, "SELECT name FROM people");
    EXPECT_TRUE(matches("^3 rows in \\d+\\.\\d+ s$")) << status().toStdString();
    Run(window, "UPDATE people SET nick = 'x' WHERE nick IS NOT NULL; DELETE FROM people WHERE "
                "name = 'Grace'");
    EXPECT_TRUE(matches("^Statement done, 3 rows changed in \\d+\\.\\d+ s$"))
        << status().toStdString();
    EXPECT_EQ(boxes->Count(), 0u);
    boxes->Answer(tbn::ui::vbOK);
    Run(window, "SELECT missing FROM nowhere");
    EXPECT_TRUE(matches("^Failed after \\d+\\.\\d+ s$")) << status().toStdString();
    EXPECT_EQ(boxes->Count(), 1u);  // the report still comes as a box
}

TEST_F(ExecuteQueryTest, AWindowWhoseConnectFailedOnlyResizesColumns) {
    frmMain* window = frame->NewQueryWindow();
    window->Load();
    EXPECT_THROW(tbn::test::ConnectAndWait(*window, "gone", "Data Source=" + dir.file("gone.db")),
                 tbn::Error);
    window->Show();
    Settle();
    window->FlexWidget()->SetColWidth(1, 5);
    window->QueryText().SetText("SELECT 1");
    window->ExecuteQuery();
    EXPECT_FALSE(window->Running());  // nothing to run on: done at once
    EXPECT_EQ(window->FlexWidget()->Rows(), 2);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(0, 1), QString());
    EXPECT_NE(window->FlexWidget()->ColWidth(1), 5);
    EXPECT_EQ(boxes->Count(), 0u);
    // The key is not left doing nothing in silence: the status line says why.
    const QString told = window->StatusLine()->Text();
    EXPECT_TRUE(told.startsWith(QStringLiteral("Not connected: "))) << told.toStdString();
    EXPECT_GT(told.size(), QStringLiteral("Not connected: ").size());
}

TEST_F(ExecuteQueryTest, ReconnectOpensTheWindowsStringAgain) {
    frmMain* window = frame->NewQueryWindow();
    window->Load();
    const QString cnn = "Data Source=" + dir.file("late.db");
    EXPECT_THROW(tbn::test::ConnectAndWait(*window, "late", cnn), tbn::Error);
    window->Show();
    Settle();
    boxes->Answer(tbn::ui::vbOK);
    window->Reconnect();  // still missing: reported, and the status line says so
    Settle();
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> Reconnect"));
    EXPECT_TRUE(window->StatusLine()->Text().startsWith(QStringLiteral("Not connected: ")));
    EXPECT_FALSE(window->IsConnected());

    MakeDatabase("late.db", kPeople);  // the server is back
    window->Reconnect();
    Settle();
    ASSERT_TRUE(window->IsConnected());
    EXPECT_EQ(window->lstTablasWidget()->TableNames().size(), 1);
    Run(window, "SELECT count(*) FROM people");
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("3"));
}

TEST_F(ExecuteQueryTest, FortyThousandRecordsAreFilledAndSized) {
    frmMain* window =
        Open("CREATE TABLE n(v INTEGER);"
             "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 40000) "
             "INSERT INTO n SELECT i FROM s;");
    Run(window, "SELECT v FROM n");
    const FlexGrid& grid = *window->FlexWidget();
    EXPECT_EQ(grid.Rows(), 40002);
    EXPECT_EQ(grid.TextMatrix(40000, 0), QStringLiteral("40000"));
    EXPECT_EQ(grid.TextMatrix(40000, 1), QStringLiteral("40000"));
    EXPECT_GT(grid.ColWidth(1), 150);
    EXPECT_EQ(boxes->Count(), 0u);
    // Sizing moved the current cell down the sample; the view still shows the first records.
    EXPECT_EQ(grid.verticalScrollBar()->value(), 0);
    EXPECT_EQ(grid.horizontalScrollBar()->value(), 0);
}
