// bench/complete: reading the catalogue on a worker while the user-interface thread keeps ticking.
#include "BenchSupport.h"
#include "CompleteBench.h"
#include "core/Error.h"
#include "db/Connection.h"
#include "editor/CompletionIndex.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <sqlite3.h>
#include <thread>
#include <vector>

namespace bench {

namespace {

// The floor under any reader: a count of the rows of the pragmas a full read must walk, one
// joined statement each, as libsqlite3 gives them.
double BareCount(const QString& database, long* rows) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(database.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    const char* const counts[] = {
        "SELECT count(*) FROM sqlite_schema m WHERE m.type IN ('table', 'view') "
        "AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
        "SELECT count(*) FROM sqlite_schema m, pragma_table_xinfo(m.name, 'main') p "
        "WHERE m.type IN ('table', 'view') AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
        "SELECT count(*) FROM sqlite_schema m, pragma_index_list(m.name, 'main') il, "
        "pragma_index_info(il.name, 'main') ii WHERE m.type = 'table' "
        "AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
        "SELECT count(*) FROM sqlite_schema m, pragma_foreign_key_list(m.name, 'main') f "
        "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite\\_%' ESCAPE '\\'",
    };
    const auto start = Clock::now();
    *rows = 0;
    for (const char* sql : counts) {
        sqlite3_stmt* stmt = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr);
        if (sqlite3_step(stmt) == SQLITE_ROW) *rows += sqlite3_column_int64(stmt, 0);
        sqlite3_finalize(stmt);
    }
    const double seconds = Seconds(start);
    sqlite3_close(db);
    return seconds;
}

struct Load {
    double seconds = 0;  // ReadSchema on the worker
    double stallMs = 0;  // the longest gap between two ticks of a 10 ms timer meanwhile
    double indexMs = 0;  // indexing it for completion, on this thread, once it has arrived
    std::size_t relations = 0, columns = 0;
};

Load ReadOnWorker(const QString& database) {
    tbn::db::Connection cnn;
    cnn.Open("Data Source=" + database.toStdString());
    Load load;
    std::atomic<bool> done{false};
    auto schema = std::make_shared<tbn::core::SchemaInfo>();
    std::thread worker([&] {
        const auto start = Clock::now();
        try {
            *schema = cnn.session().ReadSchema();
        } catch (const tbn::Error& e) {
            std::fprintf(stderr, "ReadSchema failed: %s\n", e.Description().c_str());
        }
        load.seconds = Seconds(start);
        done = true;
    });
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(10);
    auto last = Clock::now();
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        load.stallMs = std::max(load.stallMs, Seconds(last) * 1000);
        last = Clock::now();
        if (done) loop.quit();
    });
    tick.start();
    loop.exec();
    worker.join();
    const auto start = Clock::now();
    const tbn::editor::CompletionIndex index(schema);
    load.indexMs = Seconds(start) * 1000;
    load.relations = schema->relations.size();
    for (const auto& relation : schema->relations) load.columns += relation.columns.size();
    return load;
}

}  // namespace

void LoadSection(const QString& database, int rounds) {
    std::vector<double> bare, read, stall, index;
    Load last;
    long rows = 0;
    for (int round = 0; round < rounds; ++round) {
        bare.push_back(BareCount(database, &rows));
        last = ReadOnWorker(database);
        read.push_back(last.seconds);
        stall.push_back(last.stallMs);
        index.push_back(last.indexMs);
    }
    std::printf(
        "catalogue of %zu relations, %zu columns: ReadSchema on a worker median %.2f s "
        "(target 2); bare count of the same pragmas' %ld rows %.2f s; longest stall of a "
        "10 ms timer meanwhile %.1f ms (worst round %.1f); indexing for completion %.0f ms; "
        "%d rounds\n",
        last.relations, last.columns, Median(read), rows, Median(bare), Median(stall),
        *std::max_element(stall.begin(), stall.end()), Median(index), rounds);
}

}  // namespace bench
