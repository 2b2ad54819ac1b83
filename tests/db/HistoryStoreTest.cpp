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
using tbn::db::HistoryStore;

namespace {

TEST(HistoryStoreTest, KeepsTheNewestRunsAndPrunesInBatches) {
    tbn::test::TempDir dir;
    HistoryStore store(dir.file(QStringLiteral("tbn/history.db")), /*keep=*/10, /*slack=*/5);
    for (int i = 1; i <= 15; ++i) {
        HistoryRun run;
        run.connection = "c";
        run.text = "SELECT " + std::to_string(i);
        store.Append(run);
    }
    EXPECT_EQ(store.Count(), 15);  // within the slack: nothing deleted yet
    HistoryRun run;
    run.text = "SELECT 16";
    store.Append(run);
    EXPECT_EQ(store.Count(), 10);

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
