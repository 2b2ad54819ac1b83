// How close a query window comes to unixODBC's own isql when reading a million rows through an
// ODBC driver: the SQLite3 driver on a file, and psqlODBC (Unicode) on the PostgreSQL server named
// by TBN_PG_HOST and friends (scripts/pg-server.sh starts one; without it that half is skipped).
//
// Builds a 1,000,000-row, six-column table on each, writes a temporary odbc.ini naming one data
// source per driver (ODBCINI points at it, for isql and for the window alike), then in interleaved
// rounds times (a) `isql -b -x0x09 DSN < query > /dev/null`, connection included, and (b)
// ExecuteQuery on a query window already connected to the same data source, from the call to the
// return (grid filled and sized), each (b) in a child process so its peak memory above an idle
// window can be read. Both drivers read the whole result into their own memory before the first
// row unless told to stream (SQLite3: StepAPI=1; psqlODBC: UseDeclareFetch=1 with Fetch rows per
// round trip), so the data sources say so; TBN_ODBC_BENCH_DRIVER_DEFAULTS=1 leaves that out. Prints
// per round, then last the medians, the ratio b/a, the peak memory against the raw text, and the
// cancel latency halfway through streaming the table (median of 5).
//
//   build/bench/odbc_fetch [rows]        (rows defaults to 1000000)
//   build/bench/odbc_fetch --walk CNN SQL   times opening SQL on the connection string and walking
//                                           its cursor, without a window: the split between the
//                                           driver and cursor and the grid's fill
#include "app/frmMDI.h"
#include "core/Error.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sqlite3.h>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using namespace bench;

constexpr const char* PgTable = "tbn_bench_odbc";
constexpr int Rounds = 5;

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

bool DriverDefaults() { return Env("TBN_ODBC_BENCH_DRIVER_DEFAULTS") == "1"; }

struct Route {
    std::string label;  // as printed
    std::string dsn;
    std::string table;
    long long textBytes = 0;
    std::vector<double> isql, window, cancel;
    std::vector<long> peaks;
};

void BuildSqliteTable(const std::string& path, long rows) {
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
    char* message = nullptr;
    const std::string sql = GeneratedTableScript(rows);
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", message);
        std::exit(1);
    }
    sqlite3_close(db);
}

std::string Scalar(tbn::db::Connection& cnn, const std::string& sql) {
    tbn::db::Recordset rs;
    rs.Open(sql, cnn);
    return rs.State() && !rs.Eof() ? std::string(rs.GetFields()[0].Value()) : std::string();
}

long long SqliteTextBytes(const std::string& path) {
    tbn::db::Connection cnn;
    cnn.Open("Data Source=" + path);
    return std::stoll(Scalar(
        cnn, "SELECT sum(length(CAST(id AS TEXT)) + length(code) + length(CAST(amount AS TEXT)) + "
             "length(stamp) + length(CAST(qty AS TEXT)) + coalesce(length(note), 0)) FROM t"));
}

std::string PgConnectionString() {
    return "Provider=PostgreSQL;Host=" + Env("TBN_PG_HOST") +
           ";Port=" + Env("TBN_PG_PORT", "5432") +
           ";Database=" + Env("TBN_PG_DATABASE", "postgres") +
           ";User ID=" + Env("TBN_PG_USER", "postgres") + ";Password=\"" + Env("TBN_PG_PASSWORD") +
           "\"";
}

// Builds the PostgreSQL table (dropped again with drop) and returns its text size.
long long BuildPgTable(long rows, bool drop) {
    tbn::db::Connection cnn;
    cnn.Open(PgConnectionString());
    tbn::db::Recordset rs;
    if (drop) {
        rs.Open(std::string("DROP TABLE IF EXISTS ") + PgTable, cnn);
        return 0;
    }
    rs.Open(
        std::string("DROP TABLE IF EXISTS ") + PgTable + "; CREATE TABLE " + PgTable +
            " AS SELECT i AS id, 'C' || (i % 9973) AS code, ((i * 37) % 100000) / 100.0 AS amount,"
            " timestamp '2017-07-14 02:40:00' + i * interval '61 seconds' AS stamp, i % 1000 AS "
            "qty,"
            " CASE WHEN i % 3 = 0 THEN NULL ELSE 'note ' || lpad(i::text, 15, '0') END AS note"
            " FROM generate_series(1, " +
            std::to_string(rows) + ") AS s(i); ANALYZE " + PgTable,
        cnn);
    return std::stoll(Scalar(
        cnn, std::string("SELECT sum(octet_length(id::text) + octet_length(code) + "
                         "octet_length(amount::text) + octet_length(stamp::text) + "
                         "octet_length(qty::text) + coalesce(octet_length(note), 0)) FROM ") +
                 PgTable));
}

void WriteOdbcIni(const QString& file, const std::string& sqlitePath, bool withPg) {
    const bool defaults = DriverDefaults();
    std::string ini = "[tbn_bench_sqlite]\nDriver=SQLite3\nDatabase=" + sqlitePath + "\n";
    if (!defaults) ini += "StepAPI=1\n";
    if (withPg) {
        ini += "\n[tbn_bench_pg]\nDriver=PostgreSQL Unicode\nServername=" + Env("TBN_PG_HOST") +
               "\nPort=" + Env("TBN_PG_PORT", "5432") +
               "\nDatabase=" + Env("TBN_PG_DATABASE", "postgres") +
               "\nUsername=" + Env("TBN_PG_USER", "postgres") +
               "\nPassword=" + Env("TBN_PG_PASSWORD") + "\n";
        if (!defaults) ini += "UseDeclareFetch=1\nFetch=2048\n";
    }
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly) ||
        out.write(ini.data(), static_cast<qint64>(ini.size())) != static_cast<qint64>(ini.size())) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        std::exit(1);
    }
    out.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
}

double IsqlRound(const Route& route) {
    QProcess isql;
    isql.setStandardOutputFile(QProcess::nullDevice());
    const auto start = Clock::now();
    isql.start(QStringLiteral("isql"),
               {QStringLiteral("-b"), QStringLiteral("-x0x09"), QString::fromStdString(route.dsn)});
    isql.write(QByteArray("SELECT * FROM ") + route.table.c_str() + "\n");
    isql.closeWriteChannel();
    if (!isql.waitForFinished(600000) || isql.exitCode() != 0 ||
        !isql.readAllStandardError().isEmpty()) {
        std::fprintf(stderr, "isql failed on %s\n", route.dsn.c_str());
        std::exit(1);
    }
    return Seconds(start);
}

QString Query(const std::string& table) {
    return QStringLiteral("SELECT * FROM ") + QString::fromStdString(table);
}

// (b), in a child: prints "seconds peakKiB gridRows".
int ChildRun(int argc, char** argv, const std::string& dsn, const std::string& table) {
    return TimedFillChild(argc, argv, QString::fromStdString("DSN=" + dsn), Query(table));
}

// The cancel rounds halfway through streaming, in a child of their own; prints the median seconds.
int CancelRun(int argc, char** argv, const std::string& dsn, const std::string& table, long rows) {
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window = OpenQueryWindow(frame, QString::fromStdString("DSN=" + dsn), QString());
    std::vector<double> latencies;
    for (int round = 0; round < Rounds; ++round) {
        latencies.push_back(
            CancelLatency(*window, Query(table), [rows](const tbn::run::QueryRun& run) {
                return run.RowsSoFar() >= rows / 2;
            }));
        if (latencies.back() < 0) return 1;
    }
    std::printf("%.6f\n", Median(latencies));
    return 0;
}

QByteArray RunChild(const char* self, const QStringList& arguments) {
    QProcess child;
    child.start(QString::fromLocal8Bit(self), arguments);
    if (!child.waitForFinished(600000) || child.exitCode() != 0) {
        std::fprintf(stderr, "child run %s failed: %s\n", qPrintable(arguments.join(' ')),
                     child.readAllStandardError().constData());
        std::exit(1);
    }
    return child.readAllStandardOutput();
}

}  // namespace

// Prints "open S s, walk S s, N bytes".
int Walk(const std::string& cnn, const std::string& sql) {
    tbn::db::Connection c;
    c.Open(cnn);
    const auto start = Clock::now();
    tbn::db::Recordset rs;
    rs.Open(sql, c);
    const double opened = Seconds(start);
    tbn::db::Cursor& cursor = *rs.cursor();
    std::size_t bytes = 0;
    for (; !cursor.AtEnd(); cursor.Next())
        for (std::size_t i = 0; i < cursor.FieldCount(); ++i) bytes += cursor.Value(i).size();
    std::printf("open %.3f s, walk %.3f s, %zu bytes\n", opened, Seconds(start) - opened, bytes);
    return 0;
}

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc >= 4 && std::string(argv[1]) == "--walk") return Walk(argv[2], argv[3]);
    if (argc >= 4 && std::string(argv[1]) == "--child")
        return ChildRun(argc, argv, argv[2], argv[3]);
    if (argc >= 5 && std::string(argv[1]) == "--cancel")
        return CancelRun(argc, argv, argv[2], argv[3], std::strtol(argv[4], nullptr, 10));

    const long rows = argc >= 2 ? std::strtol(argv[1], nullptr, 10) : 1000000;
    const bool withPg = !Env("TBN_PG_HOST").empty();
    QTemporaryDir dir;
    const std::string sqlitePath = dir.filePath(QStringLiteral("bench.db")).toStdString();
    const QString ini = dir.filePath(QStringLiteral("odbc.ini"));
    WriteOdbcIni(ini, sqlitePath, withPg);
    // User data sources come from ODBCINI, for isql and for this process's children alike.
    setenv("ODBCINI", ini.toLocal8Bit().constData(), 1);

    std::vector<Route> routes;
    try {
        std::printf("Building %ld rows x 6 columns (SQLite%s)...\n", rows,
                    withPg ? " and PostgreSQL" : "");
        BuildSqliteTable(sqlitePath, rows);
        routes.push_back({"SQLite3 ODBC driver",
                          "tbn_bench_sqlite",
                          "t",
                          SqliteTextBytes(sqlitePath),
                          {},
                          {},
                          {},
                          {}});
        if (withPg)
            routes.push_back({"psqlODBC (Unicode)",
                              "tbn_bench_pg",
                              PgTable,
                              BuildPgTable(rows, false),
                              {},
                              {},
                              {},
                              {}});
    } catch (const tbn::Error& e) {
        std::fprintf(stderr, "odbc_fetch: %s\n", e.Description().c_str());
        return 1;
    }
    if (!withPg)
        std::printf("No PostgreSQL server (set TBN_PG_HOST and friends, or run under "
                    "scripts/pg-server.sh): psqlODBC is skipped.\n");

    for (int round = 0; round < Rounds; ++round) {
        for (Route& route : routes) {
            route.isql.push_back(IsqlRound(route));
            double seconds = 0;
            long peakKiB = 0;
            long long gridRows = 0;
            const QByteArray out =
                RunChild(argv[0], {QStringLiteral("--child"), QString::fromStdString(route.dsn),
                                   QString::fromStdString(route.table)});
            if (std::sscanf(out.constData(), "%lf %ld %lld", &seconds, &peakKiB, &gridRows) != 3 ||
                gridRows != rows + 2) {
                std::fprintf(stderr, "child run on %s gave no usable figures\n", route.dsn.c_str());
                return 1;
            }
            route.window.push_back(seconds);
            route.peaks.push_back(peakKiB);
            std::printf("round %d, %s: isql %.3f s, ExecuteQuery %.3f s, peak +%.1f MiB\n",
                        round + 1, route.label.c_str(), route.isql.back(), seconds,
                        peakKiB / 1024.0);
        }
    }
    for (Route& route : routes) {
        const QByteArray out =
            RunChild(argv[0], {QStringLiteral("--cancel"), QString::fromStdString(route.dsn),
                               QString::fromStdString(route.table), QString::number(rows)});
        route.cancel.push_back(std::strtod(out.constData(), nullptr));
    }
    if (withPg) BuildPgTable(rows, true);

    std::printf(
        "\nrows %ld x 6, %s\n", rows,
        DriverDefaults()
            ? "driver defaults (each driver reads the whole result first)"
            : "drivers streaming (SQLite3 StepAPI=1, psqlODBC UseDeclareFetch=1;Fetch=2048)");
    for (const Route& route : routes) {
        const double a = Median(route.isql), b = Median(route.window);
        const double textMiB = route.textBytes / 1048576.0;
        const double peakMiB = *std::max_element(route.peaks.begin(), route.peaks.end()) / 1024.0;
        std::printf("%s, raw text %.1f MiB\n", route.label.c_str(), textMiB);
        std::printf("  (a) isql -b -x0x09 to /dev/null, median of %d: %.3f s\n", Rounds, a);
        std::printf("  (b) ExecuteQuery (fill + size), median of %d: %.3f s\n", Rounds, b);
        std::printf("  ratio b/a: %.2f (target <= 1.50)\n", b / a);
        std::printf("  peak memory of (b) above an idle window: %.1f MiB = %.2f x raw text (target "
                    "<= 2.00)\n",
                    peakMiB, peakMiB / textMiB);
        std::printf("  cancel latency halfway through streaming, median of %d: %.1f ms\n", Rounds,
                    route.cancel[0] * 1000);
    }
    return 0;
}
