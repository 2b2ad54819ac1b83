// A result larger than the memory budget: how soon its first rows show, how close the fill comes
// to the engine's own loop while sealed blocks go to the spill file, how little memory and how much
// disk it takes, how fast the grid jumps about in it, and how long a copy of all of it takes.
//
// Builds an N-row, six-column SQLite table in a temporary folder once, times (a) a bare libsqlite3
// loop reading every cell as text, then in a child process with the budget set (b) ExecuteQuery
// on a query window under the offscreen platform: the time to the first screenful (from the call to
// the grid holding rows and having painted them), the whole run (fill and sizing, to RunEnded),
// the process's peak RSS, the bytes kept on disk, 1,000 jumps to random rows (current row set, the
// row scrolled into view and painted), Ctrl+Shift+End followed by the copy's text streamed
// through the copy path to /dev/null, and a sort by a text column with the memory it takes.
//
//   build/fetch_huge [--rows N | --huge] [--budget-mib M]   (10,000,000 rows, 256 MiB by default;
//                                                             --huge: 100,000,000 rows)
//   build/fetch_huge --child DB BUDGET_MIB                    one (b) run on an existing table t
#include "app/frmMDI.h"
#include "grid/FlexGrid.h"
#include "query/frmMain.h"
#include "results/MemoryBudget.h"
#include "results/TabbedText.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace {

using namespace bench;

class DevNull : public tbn::results::ByteSink {
public:
    DevNull() : file_(std::fopen("/dev/null", "wb")) {
        if (!file_) std::abort();
    }
    ~DevNull() override { std::fclose(file_); }
    void Write(std::string_view bytes) override {
        std::fwrite(bytes.data(), 1, bytes.size(), file_);
        written += bytes.size();
    }
    std::size_t written = 0;

private:
    std::FILE* file_;
};

// The current row set to `row`, the row scrolled into view, and the view painted.
void JumpTo(tbn::grid::FlexGrid& grid, std::int64_t row) {
    grid.SetRow(row);
    grid.scrollTo(grid.model()->index(static_cast<int>(row - 1), 0));
    grid.viewport()->repaint();
}

// (b), in a child; prints "firstScreen fill peakKiB spilledBytes jumpMedian jumpP99 copySeconds
// copiedBytes copyPeakKiB copyFileKiB sortSeconds sortKiB sortFileKiB gridRows".
int ChildRun(int argc, char** argv, const std::string& path, std::size_t budgetMiB) {
    QApplication app(argc, argv);
    tbn::results::MemoryBudget::SetLimit(budgetMiB << 20);
    frmMDI frame;
    frmMain* window =
        OpenQueryWindow(frame, QStringLiteral("Data Source=") + QString::fromStdString(path),
                        QStringLiteral("SELECT * FROM t"));
    tbn::grid::FlexGrid& grid = *window->FlexWidget();
    ResetPeak();

    const auto start = Clock::now();
    window->ExecuteQuery();
    double firstScreen = -1;
    // A screenful: the rows the grid shows at once, under this run's column names (an idle grid
    // has empty rows of its own), or every row of a shorter result.
    const std::int64_t screenful =
        std::max(1, grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize());
    while (firstScreen < 0) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        const bool shown = grid.Rows() - 2 >= screenful && grid.Cols() > 1 &&
                           grid.CellBytes(0, 1) == std::string_view("id");
        if (shown || !window->Running()) {
            grid.viewport()->repaint();
            firstScreen = Seconds(start);
        }
    }
    RunToEnd(*window);
    const double fill = Seconds(start);
    const long peakKiB = StatusKiB("VmHWM");
    const std::size_t spilled = grid.View(0).store->SpilledBytes();
    ResetPeak();

    std::mt19937_64 random(27);
    std::uniform_int_distribution<std::int64_t> pick(1, grid.Rows() - 2);
    std::vector<double> jumps;
    for (int i = 0; i < 1000; ++i) {
        const std::int64_t row = pick(random);
        const auto jumpStart = Clock::now();
        JumpTo(grid, row);
        jumps.push_back(Millis(jumpStart));
    }

    const auto copyStart = Clock::now();
    SelectEveryRecord(grid);
    DevNull sink;
    tbn::results::WriteTabbed(
        grid.View(0),
        {std::min(grid.Row(), grid.RowSel()), std::max(grid.Row(), grid.RowSel()),
         std::min(grid.Col(), grid.ColSel()), std::max(grid.Col(), grid.ColSel())},
        sink);
    const double copySeconds = Seconds(copyStart);
    const long copyPeakKiB = StatusKiB("VmHWM");
    const long copyFileKiB = StatusKiB("RssFile");

    // A sort by a text column: the collation keys are the part that could grow with the result.
    ResetPeak();
    const long beforeSortKiB = StatusKiB("VmRSS");
    const auto sortStart = Clock::now();
    window->SortGrid(2, Qt::AscendingOrder);
    while (window->Sorting()) QApplication::processEvents(QEventLoop::AllEvents, 20);
    const double sortSeconds = Seconds(sortStart);
    const long sortKiB = StatusKiB("VmHWM") - beforeSortKiB;
    const long sortFileKiB = StatusKiB("RssFile");

    std::printf("%.6f %.6f %ld %zu %.3f %.3f %.6f %zu %ld %ld %.6f %ld %ld %lld\n", firstScreen,
                fill, peakKiB, spilled, Median(jumps), Percentile(jumps, 0.99), copySeconds,
                sink.written, copyPeakKiB, copyFileKiB, sortSeconds, sortKiB, sortFileKiB,
                static_cast<long long>(grid.Rows()));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc >= 4 && std::string(argv[1]) == "--child")
        return ChildRun(argc, argv, argv[2], std::strtoull(argv[3], nullptr, 10));

    long rows = 10000000;
    std::size_t budgetMiB = 256;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--huge")
            rows = 100000000;
        else if (arg == "--rows" && i + 1 < argc)
            rows = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--budget-mib" && i + 1 < argc)
            budgetMiB = std::strtoull(argv[++i], nullptr, 10);
        else {
            std::fprintf(stderr, "usage: %s [--rows N | --huge] [--budget-mib M]\n", argv[0]);
            return 2;
        }
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("bench.db")).toStdString();
    std::printf("Building %ld rows x 6 columns...\n", rows);
    std::fflush(stdout);
    BuildGeneratedTable(path, rows);

    long long textBytes = 0;
    BareTableLoop(path, textBytes);  // warms the page cache, as the run after it finds it
    const double bare = BareTableLoop(path, textBytes);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(
        QString::fromLocal8Bit(argv[0]),
        {QStringLiteral("--child"), QString::fromStdString(path), QString::number(budgetMiB)});
    double firstScreen = 0, fill = 0, jumpMedian = 0, jumpP99 = 0, copySeconds = 0;
    double sortSeconds = 0;
    long peakKiB = 0, copyPeakKiB = 0, copyFileKiB = 0, sortKiB = 0, sortFileKiB = 0;
    std::size_t spilled = 0, copied = 0;
    long long gridRows = 0;
    if (!child.waitForFinished(-1) || child.exitCode() != 0 ||
        std::sscanf(child.readAllStandardOutput().constData(),
                    "%lf %lf %ld %zu %lf %lf %lf %zu %ld %ld %lf %ld %ld %lld", &firstScreen, &fill,
                    &peakKiB, &spilled, &jumpMedian, &jumpP99, &copySeconds, &copied, &copyPeakKiB,
                    &copyFileKiB, &sortSeconds, &sortKiB, &sortFileKiB, &gridRows) != 14 ||
        gridRows != rows + 2) {
        std::fprintf(stderr, "child run gave no usable figures\n");
        return 1;
    }

    const double mib = 1048576.0;
    std::printf("\nrows %ld x 6, raw text %.1f MiB, budget %zu MiB\n", rows, textBytes / mib,
                budgetMiB);
    std::printf("first screenful after ExecuteQuery: %.1f ms\n", firstScreen * 1000);
    std::printf("(a) bare libsqlite3 loop: %.3f s\n", bare);
    std::printf("(b) ExecuteQuery (fill + size): %.3f s, b/a %.2f (target <= 1.50)\n", fill,
                fill / bare);
    std::printf("peak RSS: %.1f MiB (target <= budget + 200 = %zu MiB)\n", peakKiB / 1024.0,
                budgetMiB + 200);
    std::printf("disk used by the spill file: %.1f MiB\n", spilled / mib);
    std::printf("jump to 1,000 random rows: median %.2f ms, p99 %.2f ms (target p99 <= 50 ms)\n",
                jumpMedian, jumpP99);
    std::printf("Ctrl+Shift+End and copy of every record streamed to /dev/null: %.3f s, %.1f MiB\n",
                copySeconds, copied / mib);
    // Pages of the spill file read back are clean page cache the kernel reclaims under pressure;
    // they count in RSS all the same, so the file-backed share is shown apart.
    std::printf(
        "peak RSS during the jumps and the copy: %.1f MiB (file-backed after it %.1f MiB)\n",
        copyPeakKiB / 1024.0, copyFileKiB / 1024.0);
    std::printf("sort by the text column code: %.2f s, peak RSS above its start %.1f MiB "
                "(file-backed after it %.1f MiB)\n",
                sortSeconds, sortKiB / 1024.0, sortFileKiB / 1024.0);
    return 0;
}
