// The history store on its own: it keeps only the newest runs, pruning in batches, and pages
// through the runs newest first; it never takes another program's database for a history, and
// stores that create the file at the same moment all open it.
#include "db/HistoryStore.h"
#include "support/SqliteFile.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <thread>

using tbn::db::HistoryRun;
using tbn::db::HistoryStatement;
using tbn::db::HistoryStore;
using tbn::db::StatementEnd;

namespace {

TEST(HistoryStoreTest, KeepsTheNewestRunsAndPrunesInBatches) {
    tbn::test::TempDir dir;
    HistoryStore store(dir.file(QStringLiteral("tbn/history.db")), /*keep=*/10, /*slack=*/5);
    for (int i = 1; i <= 15; ++i) {
        HistoryRun run;
        run.connection = "c";
        run.text = "SELECT " + std::to_string(i);
        run.statements.push_back({run.text, 0, StatementEnd::Rows, 1, 0, {}, {}});
        store.Append(run);
    }
    EXPECT_EQ(store.Count(), 15);  // within the slack: nothing deleted yet
    HistoryRun run;
    run.text = "SELECT 16";
    store.Append(run);
    EXPECT_EQ(store.Count(), 10);
    EXPECT_TRUE(store.Statements(1).empty());  // the lines went with their runs

    // Paging goes on from the last id seen, newest first, to the oldest one kept.
    const std::vector<HistoryRun> first = store.Page({}, 0, 6);
    ASSERT_EQ(first.size(), 6u);
    EXPECT_EQ(first.front().text, "SELECT 16");
    const std::vector<HistoryRun> rest = store.Page({}, first.back().id, 6);
    ASSERT_EQ(rest.size(), 4u);
    EXPECT_EQ(rest.back().text, "SELECT 7");
    // Wildcards typed in the filter are plain characters.
    EXPECT_TRUE(store.Page({"%", ""}, 0, 6).empty());
}

// The table a history had before it was marked as TBN's own.
constexpr const char* kUnmarkedHistory =
    "CREATE TABLE runs(id INTEGER PRIMARY KEY, started INTEGER NOT NULL, connection TEXT NOT NULL,"
    " text TEXT NOT NULL, seconds REAL NOT NULL, outcome INTEGER NOT NULL, rows INTEGER,"
    " error_number INTEGER, error_text TEXT);"
    "INSERT INTO runs(started, connection, text, seconds, outcome) VALUES (1, 'c', 'SELECT 1', 0, "
    "0);";

TEST(HistoryStoreTest, AnotherProgramsDatabaseIsRefusedAsForeignAndLeftAsItWas) {
    struct Case {
        const char* name;
        std::string sql;  // run on the database the history's name leads to
        bool throughLink;
    };
    const Case cases[] = {
        {"a link to another database", "CREATE TABLE notes(x); INSERT INTO notes VALUES (1);",
         true},
        {"a link to an old history", kUnmarkedHistory, true},
        {"other tables", "CREATE TABLE notes(x); INSERT INTO notes VALUES (1);", false},
        {"a runs table of another layout",
         "CREATE TABLE runs(x, y); INSERT INTO runs VALUES (1, 2);", false},
        {"another program's mark", std::string(kUnmarkedHistory) + "PRAGMA application_id=42;",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tbn::test::TempDir dir;
        const QString path = dir.file(QStringLiteral("tbn/history.db"));
        ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("tbn"))));
        const QString other = c.throughLink ? dir.file(QStringLiteral("other.db")) : path;
        tbn::test::RunSqlite(other, c.sql);
        if (c.throughLink) {
            ASSERT_TRUE(QFile::link(other, path));
        }
        const QString otherName =
            c.throughLink ? QStringLiteral("other.db") : QStringLiteral("tbn/history.db");
        const QByteArray before = dir.read(otherName);

        try {
            HistoryStore store(path);
            ADD_FAILURE() << "taken for a history";
        } catch (const tbn::Error& e) {
            EXPECT_TRUE(HistoryStore::IsCorruption(e)) << e.Number() << " " << e.Description();
        }
        EXPECT_EQ(dir.read(otherName), before);
        EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral("-wal"))) << "switched to WAL";
    }
}

TEST(HistoryStoreTest, AHistoryFromBeforeTheMarkIsKeptAndMarked) {
    tbn::test::TempDir dir;
    const QString path = dir.file(QStringLiteral("history.db"));
    tbn::test::RunSqlite(path, kUnmarkedHistory);
    EXPECT_EQ(HistoryStore(path).Count(), 1);
    sqlite3* raw = nullptr;
    ASSERT_EQ(
        sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr),
        SQLITE_OK);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    sqlite3_stmt* mark = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA application_id", -1, &mark, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(mark), SQLITE_ROW);
    EXPECT_NE(sqlite3_column_int64(mark, 0), 0);
    sqlite3_finalize(mark);
}

// A history as the program wrote it before its runs kept their statements' lines.
TEST(HistoryStoreTest, AnOlderHistoryKeepsItsRunsAndNewRunsKeepTheirLines) {
    tbn::test::TempDir dir;
    const QString path = dir.file(QStringLiteral("history.db"));
    tbn::test::RunSqlite(path, std::string(kUnmarkedHistory) +
                                   "CREATE INDEX runs_by_connection ON runs(connection, id);"
                                   "CREATE TABLE closed_windows(run_id INTEGER PRIMARY KEY, cnn "
                                   "TEXT NOT NULL);"
                                   "PRAGMA application_id=1413631592;");
    HistoryRun run;
    run.text = "SELECT 1;\nSELECT x;";
    const std::vector<HistoryStatement> lines = {
        {"SELECT 1;", 0, StatementEnd::Rows, 1, 0.01, {}, {}},
        {"SELECT x;", 10, StatementEnd::Failed, 0, 0.02, 1, "no such column: x (line 2, column 8)"},
        {std::string(HistoryStore::kLineChars + 100, 'y'), {}, StatementEnd::Done, 0, 0, {}, {}},
    };
    run.statements = lines;
    std::int64_t id = 0;
    {
        HistoryStore store(path);
        const std::vector<HistoryRun> old = store.Page({}, 0, 10);
        ASSERT_EQ(old.size(), 1u);
        EXPECT_EQ(old[0].text, "SELECT 1");
        EXPECT_TRUE(store.Statements(old[0].id).empty());
        id = store.Append(run);
    }
    HistoryStore reopened(path);
    EXPECT_EQ(reopened.Count(), 2);
    const std::vector<HistoryStatement> kept = reopened.Statements(id);
    ASSERT_EQ(kept.size(), lines.size());
    for (std::size_t i = 0; i < kept.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(kept[i].firstLine, lines[i].firstLine.substr(0, HistoryStore::kLineChars));
        EXPECT_EQ(kept[i].textOffset, lines[i].textOffset);
        EXPECT_EQ(kept[i].ending, lines[i].ending);
        EXPECT_EQ(kept[i].rows, lines[i].rows);
        EXPECT_EQ(kept[i].seconds, lines[i].seconds);
        EXPECT_EQ(kept[i].errorNumber, lines[i].errorNumber);
        EXPECT_EQ(kept[i].errorText, lines[i].errorText);
    }
}

TEST(HistoryStoreTest, StoresThatCreateTheFileAtTheSameMomentAllOpenIt) {
    constexpr int kStores = 6;
    tbn::test::TempDir dir;
    for (int round = 0; round < 20; ++round) {
        const QString path = dir.file(QStringLiteral("r%1/history.db").arg(round));
        std::atomic<int> starting{kStores};
        std::mutex guard;
        std::vector<std::string> failures;
        std::vector<std::thread> stores;
        for (int i = 0; i < kStores; ++i)
            stores.emplace_back([&] {
                --starting;
                while (starting.load() > 0) std::this_thread::yield();
                try {
                    HistoryStore store(path);
                    store.Append(HistoryRun{});
                } catch (const tbn::Error& e) {
                    const std::lock_guard<std::mutex> lock(guard);
                    failures.push_back(std::to_string(e.Number()) + " " + e.Description());
                }
            });
        for (std::thread& store : stores) store.join();
        ASSERT_TRUE(failures.empty()) << "round " << round << ": " << failures.front();
        EXPECT_EQ(HistoryStore(path).Count(), kStores);
    }
}

}  // namespace
