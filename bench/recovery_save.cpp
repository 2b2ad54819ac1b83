// Times a query window's recovery save of its whole text (read from the pane, encoded, written to
// a scratch file, flushed and renamed into place) for texts of 10 KB to 50 MB, against the bare
// cost of writing the same number of bytes the same safe way with plain POSIX calls, measured in
// the same run, and prints the pause the writer then leaves before its next save. Typing itself
// never saves; this is what one save every second (or later, for huge texts) costs the user.
#include "BenchSupport.h"
#include "recovery/RecoveryWriter.h"

#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {

// The irreducible part: the bytes to a new file, fsync, rename over the old one.
void BareSafeWrite(const QByteArray& path, const QByteArray& bytes) {
    const QByteArray scratch = path + ".tmp";
    const int fd = ::open(scratch.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) std::abort();
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t put =
            ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (put <= 0) std::abort();
        done += put;
    }
    ::fsync(fd);
    ::close(fd);
    if (::rename(scratch.constData(), path.constData()) != 0) std::abort();
}

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir folder;
    setenv("XDG_STATE_HOME", qPrintable(folder.path()), 1);
    QApplication app(argc, argv);
    frmMDI frame;
    frmMain* window = bench::OpenQueryWindow(
        frame, QStringLiteral("Mode=ReadWriteCreate;Data Source=") + folder.filePath("bench.db"),
        {});
    const QString line =
        QStringLiteral("SELECT id, name, amount FROM orders WHERE status = 'open' -- note\n");
    std::printf("%10s %12s %12s %7s %14s\n", "text", "bare (ms)", "save (ms)", "ratio",
                "next save (s)");
    for (const double megabytes : {0.01, 1.0, 10.0, 50.0}) {
        const QString text =
            line.repeated(static_cast<qsizetype>(megabytes * 1024 * 1024) / line.size());
        window->QueryText().SetText(text);
        const QByteArray bytes = text.toUtf8();
        std::vector<double> bare, save;
        for (int round = 0; round < 5; ++round) {
            auto start = bench::Clock::now();
            BareSafeWrite(QFile::encodeName(folder.filePath("bare.rec")), bytes);
            bare.push_back(bench::Seconds(start) * 1000);
            start = bench::Clock::now();
            if (!window->Recovery().SaveNow()) return 1;
            save.push_back(bench::Seconds(start) * 1000);
        }
        const double b = bench::Median(bare), s = bench::Median(save);
        // The interval the writer chose after its last save.
        const double next = std::max(1.0, 4 * save.back() / 1000);
        std::printf("%8.2f MB %12.1f %12.1f %7.2f %14.1f\n", megabytes, b, s, s / b, next);
    }
    return 0;
}
