// What files, databases and servers can hand the query window: huge or binary query files, odd
// table names, a million rows, values with tabs and line breaks, a server that goes away in the
// middle of a result. Each either works or is reported; none crashes or hangs.
#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "support/Bytes.h"
#include "support/PgServer.h"
#include "support/QueryWindowFixture.h"
#include "ui/Clipboard.h"
#include "ui/FileDialogs.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QElapsedTimer>
#include "query/SchemaTree.h"
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace tbn::grid;
using namespace tbn::ui;
using tbn::test::QueryWindowFixture;

namespace {

using tbn::test::Bytes;

class HostileQueryTest : public QueryWindowFixture {
protected:
    void TearDown() override {
        SetFileDialogResponder({});
        QueryWindowFixture::TearDown();
    }
    frmMain* Open(const std::string& sql) {
        return OpenWindow(QStringLiteral("db"), MakeDatabase(QStringLiteral("db.sqlite"), sql));
    }
    // Loads `bytes` through the Load command as a person choosing the file would.
    void Load(frmMain* window, const QByteArray& bytes) {
        dir.write("q.sql", bytes);
        const QString path = dir.file("q.sql");
        SetFileDialogResponder([path](const FileDialogRequest&) {
            return FileDialogAnswer{false, {path}, 0};
        });
        window->LoadQuery();
    }
    static void Run(frmMain* window, const QString& sql) {
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    }
    // Copies the block between two corners of the grid, as a person selecting it would.
    static QString CopyBlock(frmMain* window, std::int64_t row, std::int64_t col,
                             std::int64_t rowSel, std::int64_t colSel) {
        FlexGrid& grid = *window->FlexWidget();
        grid.SetRow(row);
        grid.SetCol(col);
        grid.SetRowSel(rowSel);
        grid.SetColSel(colSel);
        grid.setFocus();
        Clipboard::Clear();
        window->QueryCopy();
        return Clipboard::GetText();
    }
};

TEST_F(HostileQueryTest, AHundredThousandLineFileLoadsWhole) {
    frmMain* window = Open("CREATE TABLE t(x);");
    QByteArray file;
    for (int i = 0; i < 100000; ++i) file += "select " + QByteArray::number(i) + "\r\n";
    QElapsedTimer timer;
    timer.start();
    Load(window, file);
    EXPECT_LT(timer.elapsed(), 20000) << "loading took " << timer.elapsed() << " ms";
    EXPECT_EQ(boxes->Count(), 0u);
    const QString text = window->QueryText().Text();
    EXPECT_EQ(text.count(QStringLiteral("\r\n")), 99999);
    EXPECT_TRUE(text.startsWith(QStringLiteral("select 0\r\nselect 1\r\n")));
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\nselect 99999")));
}

TEST_F(HostileQueryTest, ATenMegabyteLineLoadsWhole) {
    frmMain* window = Open("CREATE TABLE t(x);");
    const QByteArray line = "select '" + QByteArray(10 * 1024 * 1024, 'x') + "'";
    QElapsedTimer timer;
    timer.start();
    Load(window, line);
    EXPECT_LT(timer.elapsed(), 20000) << "loading took " << timer.elapsed() << " ms";
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_EQ(window->QueryText().Text().size(), line.size());
    Settle();  // the pane lays the line out when it is next painted
}

TEST_F(HostileQueryTest, NulBytesAndInvalidUtf8LoadAsText) {
    frmMain* window = Open("CREATE TABLE t(x);");
    Load(window, Bytes("select 'caf\xe9'\r\n-- \xff\xfe nul:\0:\r\nselect '\xe2\x82\xac'"));
    EXPECT_EQ(boxes->Count(), 0u);
    const QString text = window->QueryText().Text();
    EXPECT_TRUE(
        text.startsWith(QString::fromUtf8("select 'caf\xc3\xa9'\r\n-- \xc3\xbf\xc3\xbe nul:")))
        << text.toStdString();
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("\r\nselect '\xe2\x82\xac'")))
        << text.toStdString();
    // Whatever the pane makes of the NUL, the rest of the file still runs.
    window->QueryText().SetText(text.section(QStringLiteral("\r\n"), 2));
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QString::fromUtf8("\xe2\x82\xac"));
}

TEST_F(HostileQueryTest, AQueryFileWithANulIsRefusedAndTheTableKeepsItsRows) {
    frmMain* window =
        Open("CREATE TABLE victim(id INTEGER); INSERT INTO victim VALUES (1), (2), (3);");
    // Loaded as a person would: the NUL does not show, and everything before it would delete all.
    Load(window, Bytes("delete /* caf\xc3\xa9 */ from victim\0 where id = 1\r\n"));
    const QString text = window->QueryText().Text();
    ASSERT_GE(text.indexOf(QChar(0)), 0) << "the pane keeps the NUL";
    boxes->Answer(vbOK);
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> ExecuteQuery"));
    EXPECT_EQ(boxes->Last().style, 16);
    EXPECT_EQ(boxes->Last().prompt,
              QStringLiteral("Application error:\r\n#%1 The command text contains a NUL "
                             "character at position %2; nothing was run.")
                  .arg(tbn::ErrorCode::NulInCommandText)
                  .arg(text.indexOf(QChar(0)) + 1));
    Run(window, QStringLiteral("select count(*) from victim"));
    EXPECT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("3"));
}

TEST_F(HostileQueryTest, ATableNameWithQuotesSpacesAndAccentsIsListedAndQueryable) {
    frmMain* window = Open("CREATE TABLE \"it's \"\"odd\"\" t\xc3\xa1"
                           "bla \xc3\xbc\"(x); "
                           "INSERT INTO \"it's \"\"odd\"\" t\xc3\xa1"
                           "bla \xc3\xbc\" VALUES (42);");
    const QString name = QString::fromUtf8("it's \"odd\" t\xc3\xa1"
                                           "bla \xc3\xbc");
    ASSERT_EQ(window->lstTablasWidget()->TableNames().size(), 1);
    EXPECT_EQ(window->lstTablasWidget()->TableNames().value(0), name);

    window->QueryText().SetText(QStringLiteral("select * from"));
    window->lstTablasWidget()->setCurrentItem(window->lstTablasWidget()->topLevelItem(0));
    window->lstTablas_DblClick();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("select * from ") + name);

    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    Run(window, QStringLiteral("select x from \"") + quoted + u'"');
    EXPECT_EQ(boxes->Count(), 0u);
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("42"));
}

TEST_F(HostileQueryTest, AMillionRowsRunSizeAndCopyABlock) {
    frmMain* window =
        Open("CREATE TABLE n(v INTEGER);"
             "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 1000000) "
             "INSERT INTO n SELECT i FROM s;");
    QElapsedTimer timer;
    timer.start();
    Run(window, QStringLiteral("select v from n"));
    EXPECT_LT(timer.elapsed(), 60000) << "a million rows took " << timer.elapsed() << " ms";
    EXPECT_EQ(boxes->Count(), 0u);
    const FlexGrid& grid = *window->FlexWidget();
    ASSERT_EQ(grid.Rows(), 1000002);
    EXPECT_EQ(grid.TextMatrix(1000000, 0), QStringLiteral("1000000"));
    EXPECT_EQ(grid.TextMatrix(1000000, 1), QStringLiteral("1000000"));
    EXPECT_GT(grid.ColWidth(1), 0);

    EXPECT_EQ(CopyBlock(window, 1000000, 1, 999998, 0),
              QStringLiteral("999998\t999998\t\r\n999999\t999999\t\r\n1000000\t1000000\t\r\n"));
    const QString big = CopyBlock(window, 1, 1, 100000, 1);
    EXPECT_EQ(big.count(QStringLiteral("\r\n")), 100000);
    EXPECT_TRUE(big.endsWith(QStringLiteral("\r\n100000\t\r\n")));
}

TEST_F(HostileQueryTest, ValuesWithTabsAndLineBreaksAreShownAndCopiedAsTheyAre) {
    frmMain* window = Open("CREATE TABLE t(a, b);"
                           "INSERT INTO t VALUES ('one' || char(9) || 'two' || char(13, 10) || "
                           "'three' || char(10), 'x');");
    Run(window, QStringLiteral("select a, b from t"));
    EXPECT_EQ(boxes->Count(), 0u);
    const QString value = QStringLiteral("one\ttwo\r\nthree\n");
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), value);
    EXPECT_EQ(CopyBlock(window, 1, 1, 1, 2), value + QStringLiteral("\tx\t\r\n"));
}

TEST_F(HostileQueryTest, AServerThatDropsTheConnectionMidResultIsReported) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    const QString cnn = QString::fromStdString(server->ConnectionString());
    frmMain* window = nullptr;
    try {
        window = OpenWindow(QStringLiteral("pg"), cnn);
    } catch (const tbn::Error& e) {
        GTEST_SKIP() << "the PostgreSQL server cannot be used here: " << e.Description();
    }

    // A second connection ends the first one's backend as soon as the marked query is running.
    std::atomic<bool> done{false};
    std::atomic<bool> terminated{false};
    std::thread killer([&] {
        try {
            tbn::db::Connection other;
            other.Open(cnn.toStdString(), {}, {}, -1);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
            while (!done && !terminated && std::chrono::steady_clock::now() < deadline) {
                tbn::db::Recordset rs;
                rs.Open("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                        "WHERE query LIKE '%tbn-hostile-' || 'marker%' AND pid <> pg_backend_pid()",
                        other, tbn::db::adOpenStatic, tbn::db::adLockOptimistic, -1);
                terminated = !rs.Eof();
                rs.Close();
                if (!terminated) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        } catch (const tbn::Error&) {}
    });
    boxes->Answer(vbOK);
    Run(window,
        QStringLiteral(
            "SELECT g, pg_sleep(0.001), 'tbn-hostile-marker' FROM generate_series(1, 20000) g"));
    done = true;
    killer.join();
    ASSERT_TRUE(terminated) << "the query was never seen running";
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> ExecuteQuery"));
    EXPECT_TRUE(boxes->Last().prompt.startsWith(QStringLiteral("Application error:\r\n#")));
    EXPECT_TRUE(window->StatusLine()->Text().startsWith(QStringLiteral("Failed after ")));

    // The window survives: the next run either works or says why.
    std::vector<MsgBoxCall> later;
    SetMsgBoxResponder([&later](const MsgBoxCall& call) {
        later.push_back(call);
        return vbOK;
    });
    Run(window, QStringLiteral("SELECT 1"));
    SetMsgBoxResponder({});
    if (later.empty()) {
        EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("1"));
    } else {
        ASSERT_EQ(later.size(), 1u);
        EXPECT_EQ(later.front().title, QStringLiteral("frmMain >> ExecuteQuery"));
    }
}

}  // namespace
