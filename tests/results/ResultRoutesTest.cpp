// The formats against the engines themselves: results read through our cursors into a cell store,
// as a query window's run fills it, then written.
#include "WriterTestSupport.h"
#include "support/PgServer.h"
#include "support/SqliteFile.h"
#include "support/TempDir.h"

#include "core/Error.h"
#include "run/RunJob.h"

#include <QJsonDocument>
#include <QProcess>
#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <memory>

namespace tbn::test {
namespace {

using results::ResultFormat;
using results::SqlDialect;

// The result of sql as a run leaves it, viewed as the grid shows it.
results::ResultView RunToView(const std::string& connectionString, const std::string& sql) {
    auto connection = std::make_shared<db::Connection>();
    connection->Open(connectionString);
    run::RunJob job(connection, sql);
    job.Work();
    if (job.Failure()) std::rethrow_exception(job.Failure());
    auto store = std::make_shared<results::CellStore>(job.TakeStore());
    const std::int64_t records = store->Rows() - 2;  // the header row and the empty row after
    return {std::move(store), nullptr, records};
}

// Text, nullness and kind of every cell, for comparing two results.
std::string Dump(const results::ResultView& view) {
    std::string dump;
    for (std::int64_t r = 0; r <= view.records; ++r) {
        for (std::int64_t c = 1; c <= view.Columns(); ++c) {
            dump.push_back(static_cast<char>('0' + static_cast<int>(view.store->Kind(r, c))));
            if (view.store->IsNull(r, c))
                dump.push_back('N');
            else
                dump.append(":").append(view.store->Cell(r, c));
            dump.push_back('|');
        }
        dump += '\n';
    }
    return dump;
}

// Values meant to trip a writer up; each engine's table holds them with its own types.
constexpr const char* kAwkwardRows =
    "(1, 'it''s \"quoted\", with comma', 9007199254740993, 0.1 + 0.2, %BLOB%),"
    "(2, 'line one' || %CHR%(10) || 'line two' || %CHR%(13) || %CHR%(10) || 'three', -5, 1e-300,"
    " NULL),"
    "(3, '', NULL, NULL, %EMPTY%),"
    "(4, NULL, 0, 2.5, NULL)";

std::string Awkward(std::string text, const std::string& blob, const std::string& empty,
                    const std::string& chr = "char") {
    std::string rows = kAwkwardRows;
    rows.replace(rows.find("%BLOB%"), 6, blob);
    rows.replace(rows.find("%EMPTY%"), 7, empty);
    for (std::size_t at; (at = rows.find("%CHR%")) != std::string::npos;) rows.replace(at, 5, chr);
    return text + rows;
}

class PgRoute : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = PgServer::FromEnvironment();
        if (!server_) GTEST_SKIP() << PgServer::AbsentReason();
        database_ = server_->CreateDatabase();
        cs_ = server_->ConnectionString(database_);
    }
    void TearDown() override {
        if (server_ && !database_.empty()) server_->DropDatabase(database_);
    }

    // What COPY (sql) TO STDOUT WITH (FORMAT csv, HEADER) sends, read with libpq alone.
    std::string Copy(const std::string& sql) const {
        const std::string info = "host='" + server_->Host + "' port='" + server_->Port +
                                 "' user='" + server_->User + "' password='" + server_->Password +
                                 "' dbname='" + database_ + "' client_encoding=UTF8";
        const std::unique_ptr<PGconn, decltype(&PQfinish)> conn(PQconnectdb(info.c_str()),
                                                                &PQfinish);
        EXPECT_EQ(PQstatus(conn.get()), CONNECTION_OK) << PQerrorMessage(conn.get());
        PQclear(
            PQexec(conn.get(), ("COPY (" + sql + ") TO STDOUT WITH (FORMAT csv, HEADER)").c_str()));
        std::string copied;
        char* chunk = nullptr;
        for (int n; (n = PQgetCopyData(conn.get(), &chunk, 0)) > 0; PQfreemem(chunk))
            copied.append(chunk, static_cast<std::size_t>(n));
        PQclear(PQgetResult(conn.get()));
        return copied;
    }

    std::optional<PgServer> server_;
    std::string database_;
    std::string cs_;
};

TEST_F(PgRoute, CsvIsWhatCopyWrites) {
    RunToView(cs_, "CREATE TABLE t (id int, \"a,b\" text, big int8, f float8, b bytea, "
                   "n numeric, d date, flag boolean, arr int[], j json)");
    RunToView(cs_, "INSERT INTO t VALUES "
                   "(1, 'it''s \"quoted\", with comma', 9007199254740993, 0.1 + 0.2, '\\x00ff', "
                   "1.50, '2024-02-29', true, '{1,2}', '{\"k\": [1, \"x\"]}'), "
                   "(2, E'line\\nbreak\\r\\nand cr\\r', -5, 'NaN', '\\x', -0.000, NULL, false, "
                   "'{}', 'null'), "
                   "(3, '', NULL, '-Infinity', NULL, NULL, NULL, NULL, NULL, NULL), "
                   "(4, '\\.', 0, 1e-300, NULL, 1e20, NULL, NULL, NULL, NULL), "
                   "(5, ' spaced  ', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL), "
                   "(6, 'Grüße — 日本 😀', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL)");
    for (const std::string sql : {"SELECT * FROM t ORDER BY id",
                                  "SELECT \"a,b\" FROM t ORDER BY id", "SELECT '\\.' AS \"\\.\"",
                                  "SELECT 1 AS \"x\"\"y\", 2 AS \" \", NULL AS \"line\nbreak\""}) {
        EXPECT_EQ(WriteWhole(RunToView(cs_, sql), ResultFormat::Csv), Copy(sql)) << sql;
    }
}

TEST_F(PgRoute, SqlInsertsRecreateTheRows) {
    const std::string columns =
        "(id int, \"a\"\"b\" text, big int8, f float8, b bytea, n numeric, r real)";
    RunToView(cs_, "CREATE TABLE t " + columns + "; CREATE TABLE copied " + columns);
    RunToView(cs_, Awkward("INSERT INTO t (id, \"a\"\"b\", big, f, b) VALUES ", "'\\x00ff0a27'",
                           "'\\x'", "chr") +
                       "; UPDATE t SET n = 12345678901234567890.000000000001, r = 0.1 WHERE id = 1"
                       "; UPDATE t SET n = 'NaN', f = 'Infinity' WHERE id = 4");
    const results::ResultView original = RunToView(cs_, "SELECT * FROM t ORDER BY id");
    RunToView(cs_, WriteWhole(original, ResultFormat::SqlInsert, {"copied", SqlDialect::Postgres}));
    EXPECT_EQ(Dump(RunToView(cs_, "SELECT * FROM copied ORDER BY id")), Dump(original));
}

class SqliteRoute : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.file("route.db");
        cs_ = SqliteConnectionString(path_).toStdString();
    }
    TempDir dir_;
    QString path_;
    std::string cs_;
};

TEST_F(SqliteRoute, SqlInsertsRecreateTheRows) {
    const std::string columns = "(id INTEGER, \"a\"\"b\" TEXT, big INTEGER, f REAL, b BLOB)";
    RunSqlite(path_, "CREATE TABLE t " + columns + "; CREATE TABLE copied " + columns + ";" +
                         Awkward("INSERT INTO t VALUES ", "X'00FF0A27'", "X''") +
                         "; INSERT INTO t VALUES (5, 'typeless', 'text in an integer column', "
                         "9e999, 12)");
    const results::ResultView original = RunToView(cs_, "SELECT * FROM t ORDER BY id");
    RunToView(cs_, WriteWhole(original, ResultFormat::SqlInsert, {"copied", SqlDialect::Sqlite}));
    EXPECT_EQ(Dump(RunToView(cs_, "SELECT * FROM copied ORDER BY id")), Dump(original));
    EXPECT_NE(Dump(original).find("0.30000000000000004"), std::string::npos)
        << "a real is read with every digit it needs";
}

TEST_F(SqliteRoute, JsonParsesAsSqlite3Writes) {
    RunSqlite(path_, "CREATE TABLE t (id INTEGER, \"a\"\"b\" TEXT, big INTEGER, f REAL, g);" +
                         Awkward("INSERT INTO t VALUES ", "'ctl' || char(1, 9, 92, 34)", "1.0") +
                         "; INSERT INTO t VALUES (5, 'Grüße — 日本 😀', -9223372036854775808, "
                         "-1.5e-7, 123456789.125)");
    const std::string sql = "SELECT *, id * 2 AS \"x\ny\" FROM t ORDER BY id";
    QProcess sqlite3;
    sqlite3.start(QStringLiteral("sqlite3"),
                  {QStringLiteral("-json"), path_, QString::fromStdString(sql)});
    ASSERT_TRUE(sqlite3.waitForFinished(30000)) << "the sqlite3 program is needed";
    ASSERT_EQ(sqlite3.exitCode(), 0) << sqlite3.readAllStandardError().toStdString();
    const QJsonDocument expected = QJsonDocument::fromJson(sqlite3.readAllStandardOutput());
    ASSERT_TRUE(expected.isArray());
    const std::string written = WriteWhole(RunToView(cs_, sql), ResultFormat::Json);
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(written)), expected) << written;
}

}  // namespace
}  // namespace tbn::test
