// cnns.dat is a plain file that other tools and people edit. Reading it must list every non-empty
// line, and an add, change or delete on whatever was read must leave exactly the expected lines.
// The first byte picks the operation; the rest is the store file.
#include "FuzzCheck.h"
#include "connections/CnnStore.h"
#include "core/Error.h"
#include "core/FileOps.h"
#include "core/TextFile.h"

#include <QByteArray>
#include <QDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

using namespace tbn::connections;
using namespace tbn::core;

namespace {

// One folder for the whole run, in memory where possible: every rewrite flushes to the disk.
const QString& Folder() {
    static const QString folder = [] {
        char pattern[] = "/dev/shm/tbn-fuzz-store-XXXXXX";
        char fallback[] = "/tmp/tbn-fuzz-store-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        if (!made) made = ::mkdtemp(fallback);
        FUZZ_CHECK(made != nullptr);
        return QString::fromLocal8Bit(made);
    }();
    return folder;
}

QStringList LinesOf(const QList<CnnEntry>& entries) {
    QStringList lines;
    for (const CnnEntry& entry : entries) lines << entry.line;
    return lines;
}

void WriteStore(const QByteArray& bytes) {
    FileHandle file = OpenForWriting(StorePath(Folder()), 0600);
    file.Write(bytes);
    file.Close();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int operation = data[0] % 3;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1),
                           static_cast<qsizetype>(size - 1));
    WriteStore(bytes);

    const QList<CnnEntry> entries = ReadStore(Folder());
    QStringList expected;
    for (const QString& line : SplitLines(bytes))
        if (!line.isEmpty()) expected << line;
    FUZZ_CHECK(LinesOf(entries) == expected);
    for (const CnnEntry& entry : entries) {
        FUZZ_CHECK(entry.name == entry.line.section(u'\t', 0, 0));
        FUZZ_CHECK(entry.cnn == entry.line.section(u'\t', -1));
    }
    // A rewrite stores the text as UTF-8 whatever it was read as; a zero-width no-break space
    // that ends up at the very start of the file would then be taken for a byte-order mark.
    for (const QString& line : expected)
        if (line.startsWith(QChar(u'\xFEFF'))) return 0;

    const QString added = QStringLiteral("fuzz\tData Source=f.db");
    try {
        if (operation == 0) {
            AddRecord(Folder(), added);
            expected << added;
        } else if (entries.isEmpty()) {
            return 0;
        } else {
            const QString key = entries[static_cast<qsizetype>(size) % entries.size()].line;
            if (operation == 1) {
                ChangeRecord(Folder(), key, added);
                if (key != added) {
                    expected.removeAll(key);
                    expected << added;
                }
            } else {
                expected.removeAll(key);
                DeleteRecord(Folder(), key);
            }
        }
    } catch (const tbn::Error& e) {
        std::fprintf(stderr, "store operation failed: %s\n", e.what());
        std::abort();
    }
    FUZZ_CHECK(LinesOf(ReadStore(Folder())) == expected);
    FUZZ_CHECK(!FileExists(TempPath(Folder())));
    FUZZ_CHECK(FilePermissions(StorePath(Folder())) == 0600u);
    return 0;
}
