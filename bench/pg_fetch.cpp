// How close a query window comes to psql when reading a million rows from a PostgreSQL server.
//
// Uses the server named by TBN_PG_HOST, TBN_PG_PORT, TBN_PG_USER, TBN_PG_PASSWORD and
// TBN_PG_DATABASE (scripts/pg-server.sh starts one and sets them); without them it says so and
// exits 0. Creates a 1,000,000-row, six-column table, then in interleaved rounds times
// (a) `psql -X -At -c 'SELECT * FROM ...' > /dev/null`, connection included, and (b) ExecuteQuery
// on a query window already connected, from the call to the return (grid filled and sized), each
// (b) in a child process so its peak memory above an idle window can be read. Prints medians, the
// ratio b/a, the peak memory against the raw text size, and last the cancel latency: from the
// cancel request to the window being usable again, during `SELECT pg_sleep(30)` and halfway
// through streaming the table, medians of 5 rounds. The table is dropped at the end.
//
//   build/pg_fetch [rows]        (rows defaults to 1000000)
#include "app/frmMDI.h"
#include "core/Error.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using namespace bench;

using Clock = std::chrono::steady_clock;
constexpr const char* Table = "tbn_bench_fetch";

std::string Env(const char* name, const char* fallback = "") {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

std::string ConnectionString() {
    return "Provider=PostgreSQL;Host=" + Env("TBN_PG_HOST") +
           ";Port=" + Env("TBN_PG_PORT", "5432") +
           ";Database=" + Env("TBN_PG_DATABASE", "postgres") +
           ";User ID=" + Env("TBN_PG_USER", "postgres") + ";Password=\"" + Env("TBN_PG_PASSWORD") +
           "\"";
}

std::string Scalar(tbn::db::Connection& cnn, const std::string& sql) {
    tbn::db::Recordset rs;
    rs.Open(sql, cnn);
    return rs.State() && !rs.Eof() ? std::string(rs.GetFields()[0].Value()) : std::string();
}

double PsqlRound() {
    QProcess psql;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), QString::fromStdString(Env("TBN_PG_PASSWORD")));
    psql.setProcessEnvironment(env);
    psql.setStandardOutputFile(QProcess::nullDevice());
    const auto start = Clock::now();
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-At"), QStringLiteral("-h"),
                QString::fromStdString(Env("TBN_PG_HOST")), QStringLiteral("-p"),
                QString::fromStdString(Env("TBN_PG_PORT", "5432")), QStringLiteral("-U"),
                QString::fromStdString(Env("TBN_PG_USER", "postgres")), QStringLiteral("-d"),
                QString::fromStdString(Env("TBN_PG_DATABASE", "postgres")), QStringLiteral("-c"),
                QStringLiteral("SELECT * FROM %1").arg(QLatin1String(Table))});
    if (!psql.waitForFinished(600000) || psql.exitCode() != 0) {
        std::fprintf(stderr, "psql failed: %s\n", psql.readAllStandardError().constData());
        std::exit(1);
    }
    return Seconds(start);
}

// (b), in a child: one ExecuteQuery on a fresh window; prints "seconds peakKiB gridRows".
int ChildRun(int argc, char** argv) {
    return TimedFillChild(argc, argv, QString::fromStdString(ConnectionString()),
                          QStringLiteral("SELECT * FROM %1").arg(QLatin1String(Table)));
}

// The cancel rounds, in a child of their own.
int CancelRun(int argc, char** argv, long rows) {
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window = OpenQueryWindow(frame, QString::fromStdString(ConnectionString()), QString());
    return CancelChild(*window, QStringLiteral("SELECT pg_sleep(30)"),
                       QStringLiteral("SELECT * FROM %1").arg(QLatin1String(Table)), rows, 5);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (Env("TBN_PG_HOST").empty()) {
        std::printf("pg_fetch: no PostgreSQL server (set TBN_PG_HOST and friends, or run under "
                    "scripts/pg-server.sh); nothing measured.\n");
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "--child") return ChildRun(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == "--cancel")
        return CancelRun(argc, argv, std::strtol(argv[2], nullptr, 10));
    const long rows = argc >= 2 ? std::strtol(argv[1], nullptr, 10) : 1000000;
    const int rounds = 5;

    tbn::db::Connection cnn;
    long long textBytes = 0;
    try {
        cnn.Open(ConnectionString());
        std::printf("Building %ld rows x 6 columns on %s:%s...\n", rows, Env("TBN_PG_HOST").c_str(),
                    Env("TBN_PG_PORT", "5432").c_str());
        tbn::db::Recordset rs;
        rs.Open(
            std::string("DROP TABLE IF EXISTS ") + Table + "; CREATE TABLE " + Table +
                " AS SELECT i AS id, 'C' || (i % 9973) AS code, ((i * 37) % 100000) / 100.0 AS "
                "amount,"
                " timestamp '2017-07-14 02:40:00' + i * interval '61 seconds' AS stamp, i % 1000 "
                "AS qty,"
                " CASE WHEN i % 3 = 0 THEN NULL ELSE 'note ' || lpad(i::text, 15, '0') END AS note"
                " FROM generate_series(1, " +
                std::to_string(rows) + ") AS s(i); ANALYZE " + Table,
            cnn);
        textBytes = std::stoll(Scalar(
            cnn, std::string("SELECT sum(octet_length(id::text) + octet_length(code) + "
                             "octet_length(amount::text) + octet_length(stamp::text) + "
                             "octet_length(qty::text) + coalesce(octet_length(note), 0)) FROM ") +
                     Table));
    } catch (const tbn::Error& e) {
        std::fprintf(stderr, "pg_fetch: %s\n", e.Description().c_str());
        return 1;
    }

    std::vector<double> psql, window;
    std::vector<long> peaks;
    for (int round = 0; round < rounds; ++round) {
        psql.push_back(PsqlRound());
        QProcess child;
        child.start(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--child")});
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            std::fprintf(stderr, "child run failed: %s\n",
                         child.readAllStandardError().constData());
            return 1;
        }
        double seconds = 0;
        long peakKiB = 0;
        long long gridRows = 0;
        if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %ld %lld", &seconds,
                        &peakKiB, &gridRows) != 3 ||
            gridRows != rows + 2) {
            std::fprintf(stderr, "child run gave no usable figures\n");
            return 1;
        }
        window.push_back(seconds);
        peaks.push_back(peakKiB);
        std::printf("round %d: psql %.3f s, ExecuteQuery %.3f s, peak +%.1f MiB\n", round + 1,
                    psql.back(), seconds, peakKiB / 1024.0);
    }
    QProcess canceller;
    canceller.start(QString::fromLocal8Bit(argv[0]),
                    {QStringLiteral("--cancel"), QString::number(rows)});
    double cancelSleep = 0, cancelStream = 0;
    const bool cancelled = canceller.waitForFinished(600000) && canceller.exitCode() == 0 &&
                           std::sscanf(canceller.readAllStandardOutput().constData(), "%lf %lf",
                                       &cancelSleep, &cancelStream) == 2;
    tbn::db::Recordset drop;
    drop.Open(std::string("DROP TABLE ") + Table, cnn);
    if (!cancelled) {
        std::fprintf(stderr, "cancel run failed: %s\n",
                     canceller.readAllStandardError().constData());
        return 1;
    }

    const double a = Median(psql), b = Median(window);
    const double textMiB = textBytes / 1048576.0;
    const double peakMiB = *std::max_element(peaks.begin(), peaks.end()) / 1024.0;
    std::printf("\nrows %ld, raw text %.1f MiB\n", rows, textMiB);
    std::printf("(a) psql -At to /dev/null, median of %d: %.3f s\n", rounds, a);
    std::printf("(b) ExecuteQuery (fill + size), median of %d: %.3f s\n", rounds, b);
    std::printf("ratio b/a: %.2f (target <= 1.50)\n", b / a);
    std::printf("peak memory of (b) above an idle window: %.1f MiB = %.2f x raw text\n", peakMiB,
                peakMiB / textMiB);
    std::printf("cancel latency, median of 5 (target <= 250 ms): pg_sleep(30) %.1f ms, halfway "
                "through streaming %.1f ms\n",
                cancelSleep * 1000, cancelStream * 1000);
    return 0;
}
