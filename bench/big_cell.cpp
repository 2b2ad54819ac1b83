// What one very large cell costs a query window after the run has fetched it.
//
// Runs `SELECT printf('%.*c', N, 'x')` (N characters, 100,000,000 by default) on an SQLite
// database in memory, in a child process per round, and times against (a) a bare libsqlite3 loop
// reading that cell as text in the same run (in a child too, for its peak memory):
//   (b) ExecuteQuery from the call until the result is shown and sized (fetch included);
//   the window's busy time after the fetch: the hand-over, the grid's reset, sizing, status line
//   and history, all on the user-interface thread;
//   the first paint of the grid, and the cell viewer's first show (built, shown, painted);
//   peak memory above the idle window, against the cell's own size.
// Prints medians of 3 rounds. Targets: the window's work after the fetch and the viewer's first
// show cost a small fraction of a second, not a time that grows with the cell; the run's memory is
// the bare loop's and one copy of the cell (the grid's), and the viewer adds at most one more.
//
//   build/bench/big_cell [characters]
//   build/bench/big_cell --child N    one (b) round
//   build/bench/big_cell --bare N     one (a) round
#include "app/frmMDI.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"
#include "ui/Modal.h"

#include <QApplication>
#include <QDialog>
#include <QProcess>
#include <sqlite3.h>
#include <tuple>

#include "BenchSupport.h"

namespace {

using namespace bench;

QString Sql(long characters) {
    return QStringLiteral("SELECT printf('%.*c', %1, 'x')").arg(characters);
}

double BareLoop(long characters) {
    const auto start = Clock::now();
    sqlite3* db = nullptr;
    sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    sqlite3_stmt* stmt = nullptr;
    const QByteArray sql = Sql(characters).toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr);
    long long bytes = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        if (sqlite3_column_text(stmt, 0)) bytes += sqlite3_column_bytes(stmt, 0);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    if (bytes != characters) std::abort();
    return Seconds(start);
}

int Child(int argc, char** argv, long characters) {
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window =
        OpenQueryWindow(frame, QStringLiteral("Data Source=:memory:"), Sql(characters));
    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    const long idleKiB = StatusKiB("VmRSS");
    ResetPeak();

    // The run's Ended comes once the worker is done; from then on the window's thread does the
    // rest.
    double busy = 0;
    Clock::time_point ended;
    QObject::connect(window, &frmMain::RunEnded, [&] { busy = Seconds(ended); });
    const auto start = Clock::now();
    window->ExecuteQuery();
    if (!window->Running()) std::abort();
    QObject::connect(window->CurrentRun(), &tbn::run::QueryRun::Ended,
                     [&] { ended = Clock::now(); });
    RunToEnd(*window);
    const double run = Seconds(start);
    if (grid.Rows() != 3) std::abort();

    const long runPeakKiB = StatusKiB("VmHWM") - idleKiB;
    const auto paintStart = Clock::now();
    grid.viewport()->repaint();
    const double paint = Seconds(paintStart);

    double viewer = 0;
    tbn::ui::SetModalResponder([&](QDialog& dialog) {
        dialog.show();
        QApplication::processEvents();
        dialog.repaint();
        viewer = Seconds(ended);
        dialog.hide();
        return 0;
    });
    ended = Clock::now();
    emit grid.doubleClicked(grid.model()->index(0, 0));
    tbn::ui::SetModalResponder({});

    const long peakKiB = StatusKiB("VmHWM") - idleKiB;
    std::printf("%.6f %.6f %.6f %.6f %ld %ld\n", run, busy, paint, viewer, runPeakKiB, peakKiB);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::string(argv[1]) == "--child")
        return Child(argc, argv, std::atol(argv[2]));
    if (argc == 3 && std::string(argv[1]) == "--bare") {
        const long idleKiB = StatusKiB("VmRSS");
        ResetPeak();
        const double seconds = BareLoop(std::atol(argv[2]));
        std::printf("%.6f %ld\n", seconds, StatusKiB("VmHWM") - idleKiB);
        return 0;
    }
    const long characters = argc > 1 ? std::atol(argv[1]) : 100'000'000;

    // Each child prints its figures on one line; figure i of every round goes to figures[i].
    auto rounds = [&](const char* mode, std::vector<std::vector<double>>& figures) {
        QProcess child;
        child.start(QString::fromLocal8Bit(argv[0]),
                    {QString::fromLatin1(mode), QString::number(characters)});
        if (!child.waitForFinished(600'000) || child.exitCode() != 0) {
            std::fprintf(stderr, "%s child failed: %s\n", mode,
                         child.readAllStandardError().constData());
            return false;
        }
        const QList<QByteArray> words = child.readAllStandardOutput().simplified().split(' ');
        if (words.size() != static_cast<qsizetype>(figures.size())) return false;
        for (std::size_t i = 0; i < figures.size(); ++i)
            figures[i].push_back(words[static_cast<qsizetype>(i)].toDouble());
        return true;
    };
    std::vector<std::vector<double>> bareFigures(2), runFigures(6);
    for (int round = 0; round < 3; ++round)
        if (!rounds("--bare", bareFigures) || !rounds("--child", runFigures)) return 1;
    const auto& [bare, barePeak] = std::tie(bareFigures[0], bareFigures[1]);
    const auto& [run, busy, paint, viewer, runPeak, peak] = std::tie(
        runFigures[0], runFigures[1], runFigures[2], runFigures[3], runFigures[4], runFigures[5]);
    const double cellMiB = static_cast<double>(characters) / (1024.0 * 1024.0);
    std::printf("one cell of %ld characters (%.1f MiB), medians of 3 rounds\n", characters,
                cellMiB);
    std::printf("(a) bare libsqlite3 loop           %8.3f s, peak memory %.1f MiB\n", Median(bare),
                Median(barePeak) / 1024.0);
    std::printf("(b) ExecuteQuery to the sized grid %8.3f s   b/a %.2f\n", Median(run),
                Median(run) / Median(bare));
    std::printf("    window busy after the fetch    %8.3f s\n", Median(busy));
    std::printf("    first paint of the grid        %8.3f s\n", Median(paint));
    std::printf("    cell viewer's first show       %8.3f s\n", Median(viewer));
    std::printf("    peak memory above idle, run    %8.1f MiB (%.2fx the cell)\n",
                Median(runPeak) / 1024.0, Median(runPeak) / 1024.0 / cellMiB);
    std::printf("    the same with the viewer shown %8.1f MiB (%.2fx the cell)\n",
                Median(peak) / 1024.0, Median(peak) / 1024.0 / cellMiB);
    return 0;
}
