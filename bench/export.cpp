// bench/export: getting a result out of the program. Sections share the fill benchmark's rows;
// each prints its figures against a baseline measured in the same run.
#include "BenchSupport.h"
#include "ExportBench.h"
#include "FillRows.h"

#include "results/ResultWriter.h"

#include <QApplication>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace bench {

namespace {

constexpr std::size_t kChunk = std::size_t{64} << 10;

// A file written with plain write(2) calls; both sides of the comparison go through it.
class FileSink final : public tbn::results::ByteSink {
public:
    // durable: the bytes reach the disk before the file is closed, as a save that replaces a
    // file needs before its rename.
    FileSink(const std::string& path, bool durable)
        : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600)),
          durable_(durable) {
        if (fd_ < 0) Fail("open");
    }
    ~FileSink() override {
        if (durable_ && ::fdatasync(fd_) != 0) Fail("fdatasync");
        ::close(fd_);
    }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    void Write(std::string_view bytes) override {
        while (!bytes.empty()) {
            const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
            if (written < 0 && errno == EINTR) continue;
            if (written < 0) Fail("write");
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

private:
    [[noreturn]] static void Fail(const char* what) {
        std::fprintf(stderr, "%s: %s\n", what, std::strerror(errno));
        std::exit(1);
    }
    int fd_;
    bool durable_;
};

// Takes the bytes and keeps none: what is left is the export's own work.
class DiscardSink final : public tbn::results::ByteSink {
public:
    void Write(std::string_view bytes) override { written += bytes.size(); }
    std::size_t written = 0;
};

class StringSink final : public tbn::results::ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

void WriteCsv(const tbn::results::ResultView& view, tbn::results::ByteSink& sink) {
    const auto writer = tbn::results::MakeResultWriter(tbn::results::ResultFormat::Csv, {}, sink);
    tbn::results::WriteView(view, tbn::results::ViewBlock::Whole(view), *writer);
}

}  // namespace

tbn::results::ResultView BuildExportView() {
    auto store = std::make_shared<tbn::results::CellStore>(2, kFillFields + 1);
    std::vector<std::string> names;
    std::vector<std::optional<std::string_view>> header(kFillFields + 1, std::string_view());
    for (int c = 1; c <= kFillFields; ++c) names.push_back("field" + std::to_string(c));
    for (int c = 1; c <= kFillFields; ++c) header[static_cast<std::size_t>(c)] = names[c - 1];
    store->WriteRow(0, {0, header});
    RowMaker maker;
    for (int r = 1; r <= kFillRows; ++r) {
        maker.Make(r);
        store->WriteRowAndAppend(r, {0, maker.values, maker.kinds});
    }
    return {std::move(store), nullptr, kFillRows};
}

// Medians of interleaved rounds: the bare write of bytes, then the export of the view, each into a
// fresh file; growthKiB gets the export's peak memory above where it started.
std::pair<double, double> TimeRounds(const tbn::results::ResultView& view, const std::string& bytes,
                                     const std::string& path, bool durable, int rounds,
                                     std::vector<double>& growthKiB) {
    std::vector<double> bare, exported;
    for (int round = 0; round < rounds; ++round) {
        ::unlink(path.c_str());
        auto start = Clock::now();
        {
            FileSink file(path, durable);
            for (std::size_t at = 0; at < bytes.size(); at += kChunk)
                file.Write(std::string_view(bytes).substr(at, kChunk));
        }
        bare.push_back(Seconds(start));

        ::unlink(path.c_str());
        const long before = StatusKiB("VmRSS");
        ResetPeak();
        start = Clock::now();
        {
            FileSink file(path, durable);
            WriteCsv(view, file);
        }
        exported.push_back(Seconds(start));
        growthKiB.push_back(static_cast<double>(StatusKiB("VmHWM") - before));
    }
    ::unlink(path.c_str());
    return {Median(bare), Median(exported)};
}

void ExportFromMemorySection(const tbn::results::ResultView& view, int rounds) {
    char folder[] = "/tmp/tbn-export-bench.XXXXXX";
    if (!::mkdtemp(folder)) {
        std::perror("mkdtemp");
        return;
    }
    const std::string path = std::string(folder) + "/out.csv";
    StringSink bytes;  // the same bytes, made once, for the bare write
    WriteCsv(view, bytes);
    std::vector<double> growthKiB;
    const auto [cachedBare, cachedExport] =
        TimeRounds(view, bytes.text, path, false, rounds, growthKiB);
    const auto [durableBare, durableExport] =
        TimeRounds(view, bytes.text, path, true, rounds, growthKiB);
    ::rmdir(folder);
    std::vector<double> formatting;
    for (int round = 0; round < rounds; ++round) {
        DiscardSink nowhere;
        const auto start = Clock::now();
        WriteCsv(view, nowhere);
        formatting.push_back(Seconds(start));
    }

    std::printf("CSV export from memory, %d rows x %d columns, %.1f MiB\n", kFillRows, kFillFields,
                static_cast<double>(bytes.text.size()) / (1024.0 * 1024.0));
    std::printf("  into the page cache: (a) bare write %.3f s, (b) export %.3f s (%.2fx)\n",
                cachedBare, cachedExport, cachedExport / cachedBare);
    std::printf("  on disk (fdatasync): (a) bare write %.3f s, (b) export %.3f s (%.2fx)\n",
                durableBare, durableExport, durableExport / durableBare);
    std::printf("  the export's own work, its bytes discarded: %.3f s\n", Median(formatting));
    std::printf("  target b/a <= 1.5x; memory growth during export %.1f MiB (target <= 32 MiB)\n",
                Median(growthKiB) / 1024.0);
}

}  // namespace bench

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The optional argument is the run-to-file section's row count.
    const long rows = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10'000'000;
    {
        const tbn::results::ResultView view = bench::BuildExportView();
        bench::ExportFromMemorySection(view, 5);
        bench::SortSection(view, 3);
    }
    return bench::RunToFileSection(rows) ? 0 : 1;
}
