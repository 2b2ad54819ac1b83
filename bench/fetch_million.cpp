// How close a query window comes to the engine's own text loop on a million rows.
//
// Builds a 1,000,000-row, six-column SQLite table in a temporary folder, then in interleaved
// rounds times (a) a bare libsqlite3 loop reading every cell as text and (b) ExecuteQuery on a
// query window under the offscreen platform, from the call to the return (grid filled and sized).
// Each (b) round runs in a child process so its peak memory above an idle window can be read.
// (b) includes the hand-over from the worker thread that fetches to the window. Prints medians, the
// ratio b/a, the peak memory against the raw text size, the page faults of (b), the time of sizing
// alone and of selecting every record with Ctrl+Shift+End and copying that block as clipboard text,
// and last the cancel latency: from the cancel request to the window being usable again, during a
// long first-row computation and halfway through streaming the table, medians of 5 rounds.
//
//   build/fetch_million [rows]        (rows defaults to 1000000; QT_QPA_PLATFORM=offscreen is set)
//   build/fetch_million --child DB    one (b) run on an existing table t, as each round does
//   build/fetch_million --bare DB     one (a) run; with --child, a pair to compare under callgrind
//   build/fetch_million --cancel DB ROWS   the cancel rounds
#include "app/frmMDI.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sqlite3.h>
#include <sys/resource.h>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using namespace bench;

// (b), in a child: one ExecuteQuery on a fresh window; prints "seconds peakKiB sizeSeconds
// copySeconds copied gridRows faults".
int ChildRun(int argc, char** argv, const std::string& path) {
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window =
        OpenQueryWindow(frame, QStringLiteral("Data Source=") + QString::fromStdString(path),
                        QStringLiteral("SELECT * FROM t"));
    const long idleKiB = StatusKiB("VmRSS");
    ResetPeak();

    const long faultsBefore = MinorFaults();
    const auto start = Clock::now();
    window->ExecuteQuery();
    RunToEnd(*window);
    const double seconds = Seconds(start);
    const long faults = MinorFaults() - faultsBefore;
    const long peakKiB = StatusKiB("VmHWM") - idleKiB;

    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    const auto sizeStart = Clock::now();
    window->AutosizeGridColumns(grid, 100, 400);
    const double sizeSeconds = Seconds(sizeStart);

    const auto copyStart = Clock::now();
    SelectEveryRecord(grid);
    window->QueryCopy();
    const double copySeconds = Seconds(copyStart);
    const bool copied = grid.RowSel() == grid.Rows() - 1 && grid.ColSel() == grid.Cols() - 1 &&
                        QApplication::clipboard()->text().size() > 0;

    std::printf("%.6f %ld %.6f %.6f %d %lld %ld\n", seconds, peakKiB, sizeSeconds, copySeconds,
                copied ? 1 : 0, static_cast<long long>(grid.Rows()), faults);
    return 0;
}

// The cancel rounds, in a child of their own.
int CancelRun(int argc, char** argv, const std::string& path, long rows) {
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window = OpenQueryWindow(
        frame, QStringLiteral("Data Source=") + QString::fromStdString(path), QString());
    const QString computation =
        QStringLiteral("WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) SELECT "
                       "count(*) FROM c WHERE x < 2000000000");
    return CancelChild(*window, computation, QStringLiteral("SELECT * FROM t"), rows, 5);
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc >= 3 && std::string(argv[1]) == "--child") return ChildRun(argc, argv, argv[2]);
    if (argc >= 4 && std::string(argv[1]) == "--cancel")
        return CancelRun(argc, argv, argv[2], std::strtol(argv[3], nullptr, 10));
    if (argc >= 3 && std::string(argv[1]) == "--bare") {
        long long textBytes = 0;
        const double seconds = BareTableLoop(argv[2], textBytes);
        std::printf("%.6f %lld\n", seconds, textBytes);
        return 0;
    }

    const long rows = argc >= 2 ? std::strtol(argv[1], nullptr, 10) : 1000000;
    const int rounds = 5;
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("bench.db")).toStdString();
    std::printf("Building %ld rows x 6 columns...\n", rows);
    BuildGeneratedTable(path, rows);

    std::vector<double> bare, window, sizing, copying, faulting;
    std::vector<long> peaks;
    long long textBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        bare.push_back(BareTableLoop(path, textBytes));
        QProcess child;
        child.start(QString::fromLocal8Bit(argv[0]),
                    {QStringLiteral("--child"), QString::fromStdString(path)});
        if (!child.waitForFinished(600000) || child.exitCode() != 0) {
            std::fprintf(stderr, "child run failed: %s\n",
                         child.readAllStandardError().constData());
            return 1;
        }
        double seconds = 0, sizeSeconds = 0, copySeconds = 0;
        long peakKiB = 0, faults = 0;
        int copied = 0;
        long long gridRows = 0;
        if (std::sscanf(child.readAllStandardOutput().constData(), "%lf %ld %lf %lf %d %lld %ld",
                        &seconds, &peakKiB, &sizeSeconds, &copySeconds, &copied, &gridRows,
                        &faults) != 7 ||
            !copied || gridRows != rows + 2) {
            std::fprintf(stderr, "child run gave no usable figures\n");
            return 1;
        }
        window.push_back(seconds);
        peaks.push_back(peakKiB);
        sizing.push_back(sizeSeconds);
        copying.push_back(copySeconds);
        faulting.push_back(static_cast<double>(faults));
        std::printf("round %d: bare %.3f s, ExecuteQuery %.3f s, peak +%.1f MiB\n", round + 1,
                    bare.back(), seconds, peakKiB / 1024.0);
    }
    QProcess canceller;
    canceller.start(
        QString::fromLocal8Bit(argv[0]),
        {QStringLiteral("--cancel"), QString::fromStdString(path), QString::number(rows)});
    double cancelCompute = 0, cancelStream = 0;
    if (!canceller.waitForFinished(600000) || canceller.exitCode() != 0 ||
        std::sscanf(canceller.readAllStandardOutput().constData(), "%lf %lf", &cancelCompute,
                    &cancelStream) != 2) {
        std::fprintf(stderr, "cancel run failed: %s\n",
                     canceller.readAllStandardError().constData());
        return 1;
    }

    const double a = Median(bare), b = Median(window);
    const double textMiB = textBytes / 1048576.0;
    const double peakMiB = *std::max_element(peaks.begin(), peaks.end()) / 1024.0;
    std::printf("\nrows %ld, raw text %.1f MiB\n", rows, textMiB);
    std::printf("(a) bare libsqlite3 loop, median of %d: %.3f s\n", rounds, a);
    std::printf("(b) ExecuteQuery (fill + size), median of %d: %.3f s\n", rounds, b);
    std::printf("ratio b/a: %.2f (target <= 1.30)\n", b / a);
    std::printf(
        "peak memory of (b) above an idle window: %.1f MiB = %.2f x raw text (target <= 2.00)\n",
        peakMiB, peakMiB / textMiB);
    std::printf("page faults during (b), median: %.0f\n", Median(faulting));
    std::printf("autosizing alone, median: %.2f ms\n", Median(sizing) * 1000);
    std::printf(
        "Ctrl+Shift+End and copy of every record (%ld x 6) as clipboard text, median: %.1f ms\n",
        rows, Median(copying) * 1000);
    std::printf("cancel latency, median of 5 (target <= 250 ms): first-row computation %.1f ms, "
                "halfway through streaming %.1f ms\n",
                cancelCompute * 1000, cancelStream * 1000);
    return 0;
}
