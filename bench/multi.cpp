// How a run of many statements, every row set kept, compares with the engine's own loop.
//
// Builds a 100,000-row, six-column SQLite table in a temporary folder, then in interleaved rounds
// times (a) a bare libsqlite3 loop over the text's ten statements (prepare through the tail, every
// cell read as text) and (b) the run path of a query window: a RunJob on a worker thread over the
// lent connection, each statement's row set walked into a cell store of its own, all ten kept.
// Each (b) round runs in a child process, so its peak memory above the connected, idle process can
// be read; it is set against the raw text of the ten row sets. Prints every round, then medians.
//
//   build/bench/multi [rounds]     (rounds defaults to 3)
//   build/bench/multi --child DB   one (b) run: prints "seconds peakKiB storeBytes rowSets rows"
#include "db/Connection.h"
#include "run/RunJob.h"

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"

namespace {

using namespace bench;

constexpr long kRows = 100'000;
constexpr int kStatements = 10;

std::string Script() {
    std::string text;
    for (int i = 0; i < kStatements; ++i) text += "SELECT * FROM t;\n";
    return text;
}

// (a): every statement prepared from the tail of the last, every cell read as text.
double BareLoop(const std::string& path, long long& textBytes) {
    const auto start = Clock::now();
    const SqliteHandle db = OpenForBareReading(path);
    const std::string text = Script();
    const char* rest = text.c_str();
    long long bytes = 0;
    while (*rest) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db.get(), rest, -1, &stmt, &rest) != SQLITE_OK) std::abort();
        if (!stmt) continue;
        bytes += ReadEveryCellAsText(stmt);
        sqlite3_finalize(stmt);
    }
    textBytes = bytes;
    return Seconds(start);
}

// (b), in a child.
int ChildRun(const std::string& path) {
    auto connection = std::make_shared<tbn::db::Connection>();
    connection->Open("Data Source=" + path);
    const long idleKiB = StatusKiB("VmRSS");
    ResetPeak();
    const auto start = Clock::now();
    tbn::run::RunJob job(connection, Script());
    std::thread worker([&job] { job.Work(); });
    worker.join();
    const double seconds = Seconds(start);
    const long peakKiB = StatusKiB("VmHWM") - idleKiB;
    if (job.Ending() != tbn::run::RunEnding::Rows) {
        std::fprintf(stderr, "the run did not end with its row set\n");
        return 1;
    }
    long long storeBytes = 0;
    long long rows = 0;
    int rowSets = 0;
    for (const tbn::run::EndedStatement& ended : job.TakeEnded()) {
        if (!ended.rows) continue;
        ++rowSets;
        storeBytes += static_cast<long long>(ended.rows->BytesUsed());
        rows += ended.outcome.rows;
    }
    std::printf("%.4f %ld %lld %d %lld\n", seconds, peakKiB, storeBytes, rowSets, rows);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--child") return ChildRun(argv[2]);
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 3;
    QTemporaryDir dir;
    const std::string path = dir.filePath("multi.db").toStdString();
    {
        sqlite3* db = nullptr;
        if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) return 1;
        char* message = nullptr;
        if (sqlite3_exec(db, GeneratedTableScript(kRows).c_str(), nullptr, nullptr, &message) !=
            SQLITE_OK) {
            std::fprintf(stderr, "%s\n", message);
            return 1;
        }
        sqlite3_close(db);
    }

    std::printf("multi: %d statements of %ld rows x 6 columns from SQLite, %d rounds\n",
                kStatements, kRows, rounds);
    std::vector<double> bare, run, ratios, memory;
    long long textBytes = 0;
    for (int round = 1; round <= rounds; ++round) {
        const double a = BareLoop(path, textBytes);
        const std::string command = std::string(argv[0]) + " --child " + path;
        FILE* child = popen(command.c_str(), "r");
        double b = 0;
        long peakKiB = 0;
        long long storeBytes = 0, rows = 0;
        int rowSets = 0;
        const int read = child ? std::fscanf(child, "%lf %ld %lld %d %lld", &b, &peakKiB,
                                             &storeBytes, &rowSets, &rows)
                               : 0;
        if (!child || pclose(child) != 0 || read != 5) {
            std::fprintf(stderr, "the child run failed\n");
            return 1;
        }
        if (rowSets != kStatements || rows != kStatements * kRows) {
            std::fprintf(stderr, "kept %d row sets of %lld rows in all\n", rowSets, rows);
            return 1;
        }
        const double peakRatio =
            static_cast<double>(peakKiB) * 1024.0 / static_cast<double>(textBytes);
        std::printf("  round %d: (a) bare loop %.3f s, (b) run %.3f s, b/a %.2f; kept row sets: "
                    "peak %.1f MiB above idle (%.2f x the %.1f MiB of text), stores %.1f MiB\n",
                    round, a, b, b / a, peakKiB / 1024.0, peakRatio, textBytes / 1048576.0,
                    storeBytes / 1048576.0);
        bare.push_back(a);
        run.push_back(b);
        ratios.push_back(b / a);
        memory.push_back(peakRatio);
    }
    std::printf("median: (a) %.3f s, (b) %.3f s, b/a %.2f (target <= 1.3); peak memory %.2f x the "
                "raw text (target <= 2)\n",
                Median(bare), Median(run), Median(ratios), Median(memory));
    return 0;
}
