// Mode=ReadOnly through a real window on every route: the engine itself refuses what would
// write, with its own message, whatever the statement looks like, and the window says the
// connection is read-only.
#include "RouteWindowTest.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QRegularExpression>

using tbn::test::ProviderRoute;

namespace {

// A data-modifying WITH as each engine spells one (MariaDB takes WITH only inside the DELETE).
std::string WithDelete(const ProviderRoute& route) {
    if (route.Name.starts_with("Postgres"))
        return "WITH gone AS (DELETE FROM t WHERE n > 1 RETURNING n) SELECT count(*) FROM gone";
    if (route.Name.starts_with("MariaDb"))
        return "DELETE FROM t WHERE n IN (WITH d AS (SELECT 2 AS n) SELECT n FROM d)";
    return "WITH d AS (SELECT 2 AS n) DELETE FROM t WHERE n IN (SELECT n FROM d)";
}

std::string Sum(const std::string& cnn) {
    tbn::db::Connection connection;
    connection.Open(cnn);
    const std::unique_ptr<tbn::db::Cursor> rows =
        connection.session().Execute("SELECT count(*), sum(n) FROM t");
    return std::string(rows->Value(0)) + "/" + std::string(rows->Value(1));
}

}  // namespace

using ReadOnlyRouteTest = RouteWindowTest<>;

TEST_P(ReadOnlyRouteTest, TheEngineRefusesEveryWriteAndTheStatusLineSaysReadOnly) {
    Prepare({"CREATE TABLE t(n INTEGER)", "INSERT INTO t VALUES (1), (2), (3)"});
    const std::string before = Sum(cnn);
    frmMain* window = OpenWindow("ro", QString::fromStdString(cnn + ";Mode=ReadOnly"));
    EXPECT_TRUE(window->StatusLine()->ReadOnlyMarkShown());
    // Each refusal is the engine's: a message about read-only-ness, never a syntax error.
    const QRegularExpression readOnly(QStringLiteral("read.?only"),
                                      QRegularExpression::CaseInsensitiveOption);
    for (const std::string& sql :
         {std::string("UPDATE t SET n = 0 WHERE n > 1"), std::string("CREATE TABLE u(n INTEGER)"),
          WithDelete(GetParam())}) {
        window->QueryText().SetText(QString::fromStdString(sql));
        boxes->Answer(tbn::ui::vbOK);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
        ASSERT_EQ(boxes->Unanswered(), 0u) << sql << ": nothing refused it";
        EXPECT_TRUE(boxes->Last().prompt.contains(readOnly))
            << sql << ": " << boxes->Last().prompt.toStdString();
    }
    window->QueryText().SetText("SELECT n FROM t WHERE n = 2");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    EXPECT_EQ(window->FlexWidget()->Rows(), 3) << "reading goes on as ever";
    EXPECT_TRUE(window->StatusLine()->ReadOnlyMarkShown());
    window->Unload();
    Settle();
    EXPECT_EQ(Sum(cnn), before);
}

TBN_ON_EVERY_ROUTE(ReadOnlyRouteTest);
