// Two programs editing one store at once, as two open copies of TBN do: each process adds,
// changes and deletes its own records as fast as it can. Every change a process was told had
// succeeded must be in the store exactly once at the end, and nothing else: no record lost to
// the other's rewrite, none resurrected, no line torn.
#include "connections/CnnStore.h"

#include "core/Error.h"
#include "support/ChildEntry.h"

#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

namespace tbn::connections {
namespace {

constexpr int kOperationsPerProcess = 300;

// Child: says "ready", waits for "go" on its input, then runs `count` operations on the store in
// `folder` with records named after `id`. Prints "error <text>" per failure and, at the end,
// "live <line>" per record it believes the store holds for it.
int Hammer(const QStringList& arguments) {
    const QString folder = arguments.value(0);
    const QString id = arguments.value(1);
    const int count = arguments.value(2).toInt();
    std::printf("ready\n");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin)) return 3;

    QStringList live;
    for (int i = 0; i < count; ++i) {
        // Lines of varied length, so that a torn write shows as a line no process wrote.
        const QString value = QStringLiteral("Data Source=%1.db;Application Name=%2")
                                  .arg(i)
                                  .arg(QString(i % 37 * 5, QChar(u'a' + i % 26)));
        const QString line = RecordLine(QStringLiteral("%1-%2").arg(id).arg(i), value);
        try {
            if (i % 4 < 2 || live.isEmpty()) {
                AddRecord(folder, line);
                live << line;
            } else if (i % 4 == 2) {
                const qsizetype pick = i % live.size();
                ChangeRecord(folder, live[pick], line);
                live[pick] = line;
            } else {
                const qsizetype pick = i % live.size();
                DeleteRecord(folder, live[pick]);
                live.removeAt(pick);
            }
        } catch (const tbn::Error& e) {
            std::printf("error %s\n", e.what());
        }
    }
    for (const QString& line : live) std::printf("live %s\n", line.toUtf8().constData());
    return 0;
}
const test::ChildEntryRegistration kHammer("store-hammer", &Hammer);

TEST(CnnStoreConcurrencyTest, TwoProcessesEditingOneStoreLoseAndTearNothing) {
    // In memory where the system offers it: every operation flushes to the disk, and the disk's
    // speed is not what is tested here.
    const bool inMemory = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    QTemporaryDir dir(inMemory ? QStringLiteral("/dev/shm/tbn-store-XXXXXX") : QString());
    ASSERT_TRUE(dir.isValid());
    AddRecord(dir.path(), "shared\tData Source=s.db");  // a record neither process touches

    QProcess first;
    QProcess second;
    const QString count = QString::number(kOperationsPerProcess);
    test::StartChild(first, QStringLiteral("store-hammer"),
                     {dir.path(), QStringLiteral("first"), count});
    test::StartChild(second, QStringLiteral("store-hammer"),
                     {dir.path(), QStringLiteral("second"), count});
    // Both are loaded and waiting before either starts, so that their operations overlap. And
    // both are told before either is waited for: QProcess sends the bytes from its wait calls.
    for (QProcess* process : {&first, &second}) {
        ASSERT_TRUE(process->waitForStarted()) << process->errorString().toStdString();
        ASSERT_TRUE(process->waitForReadyRead()) << process->readAllStandardError().toStdString();
    }
    for (QProcess* process : {&first, &second}) {
        process->write("go\n");
        ASSERT_TRUE(process->waitForBytesWritten());
    }
    ASSERT_TRUE(first.waitForFinished(300000));
    ASSERT_TRUE(second.waitForFinished(300000));

    // What the processes were told: the store must hold exactly these lines, each once.
    QMap<QString, int> expected{{QStringLiteral("shared\tData Source=s.db"), 1}};
    QStringList errors;
    for (QProcess* process : {&first, &second}) {
        EXPECT_EQ(process->exitCode(), 0) << process->readAllStandardError().toStdString();
        for (const QByteArray& out : process->readAllStandardOutput().split('\n')) {
            if (out.startsWith("live ")) ++expected[QString::fromUtf8(out.mid(5))];
            if (out.startsWith("error ")) errors << QString::fromUtf8(out.mid(6));
        }
    }
    EXPECT_TRUE(errors.isEmpty()) << errors.size() << " operations failed, first ones:\n"
                                  << errors.mid(0, 3).join(u'\n').toStdString();
    QMap<QString, int> stored;
    for (const CnnEntry& entry : ReadStore(dir.path())) ++stored[entry.line];
    QStringList wrong;  // lost, duplicated, resurrected or torn lines
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        if (it.value() != expected.value(it.key()))
            wrong << QStringLiteral("%1x %2").arg(it.value()).arg(it.key());
    for (auto it = expected.cbegin(); it != expected.cend(); ++it)
        if (!stored.contains(it.key())) wrong << QStringLiteral("lost %1").arg(it.key());
    EXPECT_TRUE(wrong.isEmpty()) << wrong.size() << " wrong lines of " << expected.size()
                                 << ", first ones:\n"
                                 << wrong.mid(0, 5).join(u'\n').toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("temp.dat"))));
}

}  // namespace
}  // namespace tbn::connections
