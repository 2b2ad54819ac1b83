// One body per behaviour, run over every provider route.
#include "DbTestSupport.h"
#include "ProviderRoutes.h"

#include "core/ErrorCodes.h"
#include "db/Catalog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace tbn::test {
namespace {

using db::adStateClosed;
using db::adStateOpen;
using Row = std::vector<std::optional<std::string>>;

class EngineTest : public RouteTest {
protected:
    void SetUp() override {
        RouteTest::SetUp();
        if (IsSkipped()) return;
        Exec(cnn_, "CREATE TABLE scratch (n INTEGER)");
    }

    // Runs the statements as one text where the route allows it, else one by one.
    void Script(const std::vector<std::string>& statements) {
        if (!GetParam().SeveralStatements) {
            for (const std::string& statement : statements) Exec(cnn_, statement);
            return;
        }
        std::string text;
        for (const std::string& statement : statements) text += statement + ";\n";
        Exec(cnn_, text);
    }

    // Runs a row-returning text both as the last statement (read as it is fetched) and followed
    // by another statement (read into memory first); both must give the same table.
    ResultTable BothWays(const std::string& select) {
        const std::optional<ResultTable> last = Query(cnn_, select);
        const std::optional<ResultTable> followed =
            GetParam().SeveralStatements
                ? Query(cnn_, select + ";\nDELETE FROM scratch WHERE 1 = 0")
                : last;
        EXPECT_TRUE(last && followed) << select;
        if (!last || !followed) return {};
        EXPECT_EQ(last->Names, followed->Names) << select;
        EXPECT_EQ(last->Rows, followed->Rows) << select;
        EXPECT_EQ(last->Kinds, followed->Kinds) << select;
        return *last;
    }

    std::string Quoted(std::string_view name) const {
        return GetParam().NameQuote + std::string(name) + GetParam().NameQuote;
    }
};

TEST_P(EngineTest, CatalogListsTablesViewsAndEngineTablesWithTheirTypes) {
    Script({"CREATE TABLE " + Quoted("Orders") + " (id INTEGER PRIMARY KEY, total REAL)",
            "CREATE VIEW " + Quoted("BigOrders") + " AS SELECT id FROM " + Quoted("Orders") +
                " WHERE total > 100",
            "INSERT INTO " + Quoted("Orders") + " (id, total) VALUES (1, 5)"});
    db::Catalog cat;
    cat.SetActiveConnection(cnn_);
    const std::vector<db::TableInfo> tables = cat.Tables();
    auto typeOf = [&](std::string_view name) -> std::string {
        for (const auto& t : tables)
            if (t.Name == name) return t.Type;
        return "(absent)";
    };
    EXPECT_EQ(typeOf("Orders"), "TABLE");
    EXPECT_EQ(typeOf("scratch"), "TABLE");
    EXPECT_EQ(typeOf("BigOrders"), "VIEW");
    EXPECT_EQ(std::any_of(tables.begin(), tables.end(),
                          [](const auto& t) { return t.Type == "SYSTEM TABLE"; }),
              GetParam().ReportsSystemTables);
    const auto orders = std::find_if(tables.begin(), tables.end(),
                                     [](const auto& t) { return t.Name == "Orders"; });
    const auto view = std::find_if(tables.begin(), tables.end(),
                                   [](const auto& t) { return t.Name == "BigOrders"; });
    if (GetParam().CatalogInCreationOrder) {
        EXPECT_LT(orders, view) << "tables come in the engine's order";
    }
}

TEST_P(EngineTest, TheLastRowSetOfSeveralStatementsWins) {
    if (!GetParam().SeveralStatements) {
        EXPECT_TRUE(CaughtError([&] { Query(cnn_, "SELECT 1 AS a; SELECT 2 AS b"); }));
        EXPECT_EQ(Query(cnn_, "SELECT 3 AS c;")->Rows, std::vector<Row>{{"3"}});
        return;
    }
    Exec(cnn_, "INSERT INTO scratch VALUES (1); INSERT INTO scratch VALUES (2)");
    EXPECT_EQ(Query(cnn_, "SELECT 1 AS a; SELECT 2 AS b")->Rows, std::vector<Row>{{"2"}});
    EXPECT_EQ(Query(cnn_, "SELECT 3 AS c; -- a closing remark\n/* and a comment */ ;")->Names,
              std::vector<std::string>{"c"});

    // The select's rows are read before the update runs, and the update still happens.
    const std::optional<ResultTable> before =
        Query(cnn_, "SELECT n FROM scratch ORDER BY n; UPDATE scratch SET n = n * 10");
    ASSERT_TRUE(before);
    EXPECT_EQ(before->Rows, (std::vector<Row>{{"1"}, {"2"}}));
    EXPECT_EQ(Query(cnn_, "SELECT n FROM scratch ORDER BY n")->Rows,
              (std::vector<Row>{{"10"}, {"20"}}));
}

TEST_P(EngineTest, AFailingStatementStopsTheRunAfterEarlierOnesTookEffect) {
    db::Recordset rs;
    if (!GetParam().SeveralStatements) {
        const std::optional<Error> error =
            CaughtError([&] { rs.Open("INSERT INTO no_such_table VALUES (1)", cnn_); });
        ASSERT_TRUE(error);
        EXPECT_NE(error->Description().find("no_such_table"), std::string::npos)
            << error->Description();
        EXPECT_EQ(rs.State(), adStateClosed);
        return;
    }
    const std::optional<Error> error = CaughtError([&] {
        rs.Open("INSERT INTO scratch VALUES (7); INSERT INTO no_such_table VALUES (1); INSERT INTO "
                "scratch VALUES (8)",
                cnn_);
    });
    ASSERT_TRUE(error);
    EXPECT_NE(error->Number(), 0);
    EXPECT_NE(error->Description().find("no_such_table"), std::string::npos)
        << error->Description();
    EXPECT_EQ(rs.State(), adStateClosed);
    EXPECT_EQ(Query(cnn_, "SELECT n FROM scratch")->Rows, GetParam().FailureUndoesEarlierStatements
                                                              ? std::vector<Row>{}
                                                              : std::vector<Row>{{"7"}});

    EXPECT_TRUE(CaughtError([&] { rs.Open("SELECT n FROM scratch; SELEC oops", cnn_); }));
    EXPECT_EQ(rs.State(), adStateClosed);

    // A text of one statement is the statement that failed, so a name the failure mentions can be
    // looked for there.
    const std::string single = "SELECT n FROM no_such_table";
    const std::optional<Error> alone = CaughtError([&] { rs.Open(single, cnn_); });
    ASSERT_TRUE(alone && alone->FailedStatement());
    EXPECT_EQ(alone->FailedStatement()->begin, 0u);
    EXPECT_EQ(alone->FailedStatement()->end, single.size());
}

TEST_P(EngineTest, ATextHoldingANulIsRefusedBeforeAnyOfItRuns) {
    Script({"INSERT INTO scratch VALUES (1)", "INSERT INTO scratch VALUES (2)"});
    // Engines that read up to a NUL would run "DELETE FROM scratch" alone and empty the table.
    const std::string text("DELETE FROM scratch\0 WHERE n = 1", 32);
    db::Recordset rs;
    const std::optional<Error> error = CaughtError([&] { rs.Open(text, cnn_); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), ErrorCode::NulInCommandText);
    EXPECT_EQ(error->Description(),
              "The command text contains a NUL character at position 20; nothing was run.");
    EXPECT_EQ(rs.State(), adStateClosed);
    EXPECT_EQ(Query(cnn_, "SELECT n FROM scratch ORDER BY n")->Rows,
              (std::vector<Row>{{"1"}, {"2"}}));
}

TEST_P(EngineTest, NullAndEmptyStringBothReadEmptyButOnlyNullIsNull) {
    const ResultTable t = BothWays("SELECT NULL AS n, '' AS e");
    EXPECT_EQ(t.Rows, (std::vector<Row>{{std::nullopt, ""}}));
}

TEST_P(EngineTest, AStatementWithoutRowSetLeavesTheRecordsetClosed) {
    db::Recordset rs;
    rs.Open("UPDATE scratch SET n = 1", cnn_);
    EXPECT_EQ(rs.State(), adStateClosed);
    EXPECT_EQ(rs.GetFields().Count(), 0u);
    EXPECT_TRUE(rs.Eof());
    rs.Open("", cnn_);
    EXPECT_EQ(rs.State(), adStateClosed) << "an empty text runs nothing";
}

TEST_P(EngineTest, ASelectWithoutRowsHasFieldsAndStartsAtEnd) {
    const ResultTable t = BothWays("SELECT n AS first, n AS second FROM scratch WHERE 1 = 0");
    EXPECT_EQ(t.Names, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(t.Rows.empty());

    db::Recordset rs;
    rs.Open("SELECT n FROM scratch", cnn_);
    ASSERT_EQ(rs.State(), adStateOpen);
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(CaughtError([&] { rs.MoveNext(); })->Number(), ErrorCode::NoCurrentRecord);
    EXPECT_EQ(CaughtError([&] { rs.GetFields()[0].Value(); })->Number(),
              ErrorCode::NoCurrentRecord);
}

TEST_P(EngineTest, AMillionCharacterValueComesBackWhole) {
    std::string value(1'000'000, 'x');
    for (std::size_t i = 0; i < value.size(); i += 1000)
        value[i] = static_cast<char>('a' + (i / 1000) % 26);
    Script({"CREATE TABLE big (t " + GetParam().LongTextType + ")",
            "INSERT INTO big VALUES ('" + value + "')"});
    const ResultTable t = BothWays("SELECT t FROM big");
    ASSERT_EQ(t.Rows.size(), 1u);
    ASSERT_TRUE(t.Rows[0][0]);
    EXPECT_TRUE(*t.Rows[0][0] == value) << "value of " << t.Rows[0][0]->size() << " bytes differs";
}

TEST_P(EngineTest, NonAsciiTextAndNamesKeepTheirBytes) {
    Script({"CREATE TABLE " + Quoted("Año") + " (" + Quoted("Descripción") + " TEXT)",
            "INSERT INTO " + Quoted("Año") + " VALUES ('Ñandú — 日本語 😀')"});
    const ResultTable t = BothWays("SELECT " + Quoted("Descripción") + " FROM " + Quoted("Año"));
    EXPECT_EQ(t.Names, std::vector<std::string>{"Descripción"});
    EXPECT_EQ(t.Rows, std::vector<Row>{{"Ñandú — 日本語 😀"}});
}

TEST_P(EngineTest, BinaryValuesReadAsUppercaseHex) {
    // The long value takes several pieces where a driver's values are read piecewise.
    std::string longHex;
    for (int i = 0; i < 2100; ++i) longHex += "00FF10AB";
    const ResultTable t = BothWays("SELECT " + GetParam().BlobLiteral("00FF10AB") + " AS b, " +
                                   GetParam().BlobLiteral(longHex) + " AS l");
    EXPECT_EQ(t.Rows, (std::vector<Row>{{"00FF10AB", longHex}}));
}

TEST_P(EngineTest, DecimalLiteralsKeepTheirFractionDigits) {
    const ResultTable t = BothWays("SELECT 1.0 AS one, 2.5 AS two_and_a_half, 42 AS answer");
    EXPECT_EQ(t.Rows, (std::vector<Row>{{GetParam().OneAsReal, "2.5", "42"}}));
}

TEST_P(EngineTest, ValuesKeepTheKindTheEngineGaveThem) {
    using core::ValueKind;
    Script({"CREATE TABLE kinds (i INTEGER, d REAL, t VARCHAR(10))",
            "INSERT INTO kinds VALUES (7, 2.5, '8')"});
    const ResultTable t =
        BothWays("SELECT i, d, t, " + GetParam().BlobLiteral("00FF") + " AS b FROM kinds");
    EXPECT_EQ(t.Kinds, (std::vector<std::vector<ValueKind>>{{ValueKind::Number, ValueKind::Number,
                                                             ValueKind::Text, ValueKind::Binary}}));
}

TEST_P(EngineTest, RowsChangedAddsUpTheStatementsWithoutRowSets) {
    db::Recordset rs;
    rs.Open("INSERT INTO scratch VALUES (1), (2), (3)", cnn_);
    EXPECT_EQ(cnn_.session().RowsChanged(), 3);
    rs.Open("CREATE TABLE other (n INTEGER)", cnn_);
    EXPECT_EQ(cnn_.session().RowsChanged(), 0) << "a definition changes no rows";
    if (!GetParam().SeveralStatements) return;
    rs.Open("UPDATE scratch SET n = 0 WHERE n > 1; DELETE FROM scratch WHERE n = 1", cnn_);
    EXPECT_EQ(cnn_.session().RowsChanged(), 3);
}

// What one statement of a text came to, read through ExecuteEach.
struct StatementRead {
    std::optional<ResultTable> rows;
    std::int64_t changed = -1;
    std::optional<std::size_t> offset;
};

StatementRead ReadStatement(db::StatementResults& each) {
    StatementRead read{std::nullopt, each.RowsChanged(), each.TextOffset()};
    if (const std::unique_ptr<db::Cursor> rows = each.TakeRows()) read.rows = ReadAll(*rows);
    return read;
}

// Where the engine says a statement starts, the text there is that statement.
void ExpectStartsAt(const std::string& text, const StatementRead& read, std::string_view start) {
    if (read.offset) {
        EXPECT_EQ(text.substr(*read.offset, start.size()), start);
    }
}

TEST_P(EngineTest, EachStatementOfATextGivesItsOwnResultInTurn) {
    Script({"INSERT INTO scratch VALUES (1), (2), (3)"});
    const std::string text = "SELECT n FROM scratch ORDER BY n;\n  UPDATE scratch SET n = n * 10 "
                             "WHERE n > 1;\n-- the changed ones\nSELECT n AS tens FROM scratch "
                             "WHERE n >= 10 ORDER BY n; -- the end";
    const std::unique_ptr<db::StatementResults> each = cnn_.session().ExecuteEach(text);
    if (!GetParam().SeveralStatements) {
        EXPECT_TRUE(CaughtError([&] { each->Next(); })) << "the driver runs one statement a text";
        return;
    }
    std::vector<StatementRead> reads;
    while (each->Next()) reads.push_back(ReadStatement(*each));
    ASSERT_EQ(reads.size(), 3u);
    ASSERT_TRUE(reads[0].rows);
    EXPECT_EQ(reads[0].rows->Rows, (std::vector<Row>{{"1"}, {"2"}, {"3"}}));
    EXPECT_FALSE(reads[1].rows);
    EXPECT_EQ(reads[1].changed, 2);
    ASSERT_TRUE(reads[2].rows);
    EXPECT_EQ(reads[2].rows->Names, std::vector<std::string>{"tens"});
    EXPECT_EQ(reads[2].rows->Rows, (std::vector<Row>{{"20"}, {"30"}}));
    ExpectStartsAt(text, reads[0], "SELECT n FROM");
    ExpectStartsAt(text, reads[1], "UPDATE");
    ExpectStartsAt(text, reads[2], "SELECT n AS tens");

    // A definition changes no rows, and says so by not counting.
    const std::unique_ptr<db::StatementResults> definition =
        cnn_.session().ExecuteEach("CREATE TABLE other (n INTEGER)");
    ASSERT_TRUE(definition->Next());
    EXPECT_LE(definition->RowsChanged(), 0);
    EXPECT_FALSE(definition->TakeRows());
    EXPECT_FALSE(definition->Next());
}

TEST_P(EngineTest, AFailingStatementEndsTheResultsAfterTheEarlierOnes) {
    if (!GetParam().SeveralStatements) return;
    Script({"INSERT INTO scratch VALUES (1)"});
    const std::string text = "SELECT n FROM scratch; INSERT INTO no_such_table VALUES (1); "
                             "INSERT INTO scratch VALUES (9)";
    const std::unique_ptr<db::StatementResults> each = cnn_.session().ExecuteEach(text);
    if (!GetParam().WholeTextBeforeFirstResult) {
        ASSERT_TRUE(each->Next());
        EXPECT_EQ(ReadStatement(*each).rows->Rows, std::vector<Row>{{"1"}});
    }
    const std::optional<Error> error = CaughtError([&] { each->Next(); });
    ASSERT_TRUE(error);
    EXPECT_NE(error->Description().find("no_such_table"), std::string::npos)
        << error->Description();
    if (const auto& failed = error->FailedStatement()) {
        EXPECT_NE(text.substr(failed->begin, failed->end - failed->begin).find("no_such_table"),
                  std::string::npos);
    }
    EXPECT_TRUE(Query(cnn_, "SELECT n FROM scratch WHERE n = 9")->Rows.empty())
        << "the statement after the failure ran";
}

TEST_P(EngineTest, ACancelDuringALaterStatementKeepsTheResultsBeforeIt) {
    if (!GetParam().SeveralStatements) return;
    // A server may hold small results back until the whole text has run; the thousand rows fill
    // its buffer, so the first two results reach the reader while the endless command runs.
    const std::string thousand =
        "WITH RECURSIVE d(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM d WHERE x < 9) "
        "SELECT a.x + 10 * b.x + 100 * c.x AS n FROM d a, d b, d c";
    const std::unique_ptr<db::CancelHandle> cancel = cnn_.session().PrepareCancel();
    const std::unique_ptr<db::StatementResults> each =
        cnn_.session().ExecuteEach("SELECT 1 AS one; INSERT INTO scratch VALUES (2); " + thousand +
                                   "; " + GetParam().EndlessCommand);
    if (!GetParam().WholeTextBeforeFirstResult) {
        ASSERT_TRUE(each->Next());
        EXPECT_EQ(ReadStatement(*each).rows->Rows, std::vector<Row>{{"1"}});
        ASSERT_TRUE(each->Next());
        EXPECT_EQ(ReadStatement(*each).changed, 1);
    }
    std::atomic<bool> stopped{false};
    std::thread canceller([&] {
        while (!stopped) {
            cancel->Cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const std::optional<Error> error = CaughtError([&] {
        while (each->Next()) ReadStatement(*each);
    });
    stopped = true;
    canceller.join();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), ErrorCode::CommandCancelled) << error->Description();
    EXPECT_EQ(Query(cnn_, "SELECT 5 AS five")->Rows, std::vector<Row>{{"5"}});
}

TEST_P(EngineTest, ACancelFromAnotherThreadStopsTheCommandAndTheSessionGoesOn) {
    const std::unique_ptr<db::CancelHandle> cancel = cnn_.session().PrepareCancel();
    std::atomic<bool> stopped{false};
    // A request that comes before the command has started is lost, so it is repeated until the
    // command gives up.
    std::thread canceller([&] {
        while (!stopped) {
            cancel->Cancel();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    const std::optional<Error> error = CaughtError([&] { Query(cnn_, GetParam().EndlessCommand); });
    stopped = true;
    canceller.join();
    EXPECT_TRUE(error.has_value()) << "the command ran to its end";
    const std::optional<ResultTable> next = Query(cnn_, "SELECT 5 AS five");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->Rows, std::vector<Row>{{"5"}});
}

TEST_P(EngineTest, ACancelWhileRowsAreReadNeverPassesForTheWholeResult) {
    // 100,000 rows that cost the engine little to make and the reader a while to take; some ODBC
    // drivers treat a cancel between two fetches as closing the cursor and then report a plain end.
    const std::string select =
        "WITH RECURSIVE d(x) AS (SELECT 0 UNION ALL SELECT x + 1 FROM d WHERE x < 9) "
        "SELECT a.x + 10 * b.x + 100 * c.x + 1000 * e.x + 10000 * f.x AS n "
        "FROM d a, d b, d c, d e, d f";
    constexpr std::size_t whole = 100'000;
    const std::unique_ptr<db::CancelHandle> cancel = cnn_.session().PrepareCancel();
    auto fails = [](const std::function<void()>& action) {
        try {
            action();
            return false;
        } catch (const Error&) {
            return true;
        }
    };

    // Cancelled after the first row has arrived.
    db::Recordset rs;
    rs.Open(select, cnn_);
    std::size_t rows = 0;
    cancel->Cancel();
    if (!fails([&] {
            for (; !rs.Eof(); rs.MoveNext()) ++rows;
        })) {
        EXPECT_EQ(rows, whole) << "cut short without an error";
    }
    rs.Close();

    // Cancelled again and again from the start, the requests landing wherever the read has got to.
    for (const int delayMs : {0, 20, 60, 120}) {
        std::atomic<bool> stopped{false};
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
            while (!stopped) {
                cancel->Cancel();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        std::optional<ResultTable> t;
        const bool failed = fails([&] { t = Query(cnn_, select); });
        stopped = true;
        canceller.join();
        if (!failed) {
            EXPECT_EQ(t->Rows.size(), whole)
                << "cut short without an error, cancelled after " << delayMs << " ms";
        }
    }
    EXPECT_EQ(Query(cnn_, "SELECT 5 AS five")->Rows, std::vector<Row>{{"5"}});
}

INSTANTIATE_TEST_SUITE_P(Routes, EngineTest, ::testing::ValuesIn(AllProviderRoutes()),
                         [](const ::testing::TestParamInfo<ProviderRoute>& info) {
                             return info.param.Name;
                         });

}  // namespace
}  // namespace tbn::test
