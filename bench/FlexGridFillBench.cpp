// Fills a FlexGrid with a million rows of seven columns (about 61 MB of text) the way a query
// window does, with Redraw off, and prints the time against a loop that only produces the same
// values, and the memory the grid added against the size of its text.
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

constexpr int kRows = 1000000;
constexpr int kFields = 6;

double ResidentMiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

// Values shaped like a typical result: a key, names, a date, an amount, a status, a null.
struct RowMaker {
    char number[16], id[16], name[32], date[16], amount[16];
    std::vector<std::optional<std::string_view>> values =
        std::vector<std::optional<std::string_view>>(kFields + 1);

    std::size_t Make(int r) {
        const int numberLength = std::snprintf(number, sizeof number, "%d", r);
        const int idLength = std::snprintf(id, sizeof id, "%d", 100000 + r);
        const int nameLength =
            std::snprintf(name, sizeof name, "Customer name %07d", r * 7 % 9999999);
        const int dateLength =
            std::snprintf(date, sizeof date, "2024-%02d-%02d", r % 12 + 1, r % 28 + 1);
        const int amountLength =
            std::snprintf(amount, sizeof amount, "%d.%02d", r % 100000, r % 100);
        values[0] = std::string_view(number, static_cast<std::size_t>(numberLength));
        values[1] = std::string_view(id, static_cast<std::size_t>(idLength));
        values[2] = std::string_view(name, static_cast<std::size_t>(nameLength));
        values[3] = std::string_view(date, static_cast<std::size_t>(dateLength));
        values[4] = std::string_view(amount, static_cast<std::size_t>(amountLength));
        values[5] = std::string_view(r % 3 ? "shipped" : "pending");
        values[6] = std::nullopt;
        std::size_t bytes = 0;
        for (const auto& value : values) bytes += value ? value->size() : 0;
        return bytes;
    }
};

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);

    RowMaker maker;
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
        grid.FillRowAndAppend(r, 0, maker.values);
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
