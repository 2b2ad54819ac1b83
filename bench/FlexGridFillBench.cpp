// Fills a FlexGrid with a million rows of seven columns (about 61 MB of text) the way a query
// window does, with Redraw off, and prints the time against a loop that only produces the same
// values, and the memory the grid added against the size of its text.
#include "FillRows.h"
#include "grid/FlexGrid.h"

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRows = bench::kFillRows;
constexpr int kFields = bench::kFillFields;

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    bench::RowMaker maker;
    auto start = std::chrono::steady_clock::now();
    std::size_t textBytes = 0;
    for (int r = 1; r <= kRows; ++r) textBytes += maker.Make(r);
    const double baseline = Seconds(start);

    tbn::grid::FlexGrid grid;
    grid.resize(800, 600);
    grid.show();
    app.processEvents();
    const double residentBefore = ResidentMiB();  // the empty window's own cost excluded
    start = std::chrono::steady_clock::now();
    grid.SetRedraw(false);
    grid.SetCols(kFields + 1);
    for (int c = 1; c <= kFields; ++c) grid.SetTextMatrix(0, c, QStringLiteral("field%1").arg(c));
    for (int r = 1; r <= kRows; ++r) {
        maker.Make(r);
        grid.FillRowAndAppend(r, 0, maker.values, maker.kinds);
    }
    const double residentStored = ResidentMiB();
    grid.SetRedraw(true);
    const double fill = Seconds(start);
    app.processEvents();
    const double residentAfter = ResidentMiB();

    const double textMiB = static_cast<double>(textBytes) / (1024.0 * 1024.0);
    std::printf("rows %d, text %.1f MiB\n", kRows, textMiB);
    std::printf("values only  %.3f s\n", baseline);
    std::printf("grid fill    %.3f s (%.2fx the values-only loop)\n", fill, fill / baseline);
    std::printf("store bytes  %.1f MiB (%.2fx the text)\n",
                static_cast<double>(grid.BytesUsed()) / (1024.0 * 1024.0),
                static_cast<double>(grid.BytesUsed()) / static_cast<double>(textBytes));
    std::printf("resident +   %.1f MiB (%.2fx the text), %.1f MiB of it before the view was told\n",
                residentAfter - residentBefore, (residentAfter - residentBefore) / textMiB,
                residentStored - residentBefore);

    start = std::chrono::steady_clock::now();
    grid.SetRedraw(false);
    grid.Clear();
    while (grid.Rows() > 2) grid.RemoveItem(2);
    grid.SetRedraw(true);
    std::printf("reset        %.3f s\n", Seconds(start));
    return 0;
}
