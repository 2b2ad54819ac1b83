#include "connections/CnnStore.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/FileOps.h"
#include "support/FaultSteps.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::connections {
namespace {

using core::FileOpKind;

class CnnStoreTest : public ::testing::Test {
protected:
    QString folder() const { return dir.path(); }
    void writeStore(const QByteArray& bytes) const { dir.write("cnns.dat", bytes); }
    QByteArray store() const { return dir.read("cnns.dat"); }
    QStringList names() const {
        QStringList result;
        for (const CnnEntry& e : ReadStore(folder())) result << e.name;
        return result;
    }

    test::TempDir dir;
};

TEST_F(CnnStoreTest, MissingEmptyAndBlankStoresHaveNoEntries) {
    EXPECT_TRUE(ReadStore(folder()).isEmpty());
    EXPECT_FALSE(dir.exists("cnns.dat")) << "reading must not create the store";

    writeStore("");
    EXPECT_TRUE(ReadStore(folder()).isEmpty());
    writeStore("\r\n\r\n\r\r\n");
    EXPECT_TRUE(ReadStore(folder()).isEmpty());
}

TEST_F(CnnStoreTest, LinesSplitIntoFirstAndLastFieldAndKeepTheirOwnLineAsKey) {
    writeStore("A\tB\tC\r\n\r\nX\r\n  sp \t Data Source=x.db \r\nlast\tno end");
    const QList<CnnEntry> entries = ReadStore(folder());
    ASSERT_EQ(entries.size(), 4);
    EXPECT_EQ(entries[0].name, "A");
    EXPECT_EQ(entries[0].cnn, "C");
    EXPECT_EQ(entries[0].line, "A\tB\tC");
    EXPECT_EQ(entries[1].name, "X");
    EXPECT_EQ(entries[1].cnn, "X");
    EXPECT_EQ(entries[2].name, "  sp ");
    EXPECT_EQ(entries[2].cnn, " Data Source=x.db ");
    EXPECT_EQ(entries[3].cnn, "no end");
}

TEST_F(CnnStoreTest, OldWindowsStoreReadsWithAccentsAndIsRewrittenAsUtf8) {
    writeStore("Caf\xE9\tData Source=caf\xE9.db\r\nnew\t\xE2\x82\xAC\r\n");
    const QList<CnnEntry> entries = ReadStore(folder());
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].name, QString::fromUtf8("Caf\xC3\xA9"));
    EXPECT_EQ(entries[1].cnn, QString::fromUtf8("\xE2\x82\xAC"));

    DeleteRecord(folder(), entries[1].line);
    EXPECT_EQ(store(), "Caf\xC3\xA9\tData Source=caf\xC3\xA9.db\r\n");
}

TEST_F(CnnStoreTest, AddCreatesAnOwnerOnlyStoreAndAppendsInOrder) {
    AddRecord(folder(), RecordLine("one", "Data Source=1.db"));
    EXPECT_EQ(store(), "one\tData Source=1.db\r\n");
    EXPECT_EQ(core::FilePermissions(dir.file("cnns.dat")), 0600u);

    AddRecord(folder(), RecordLine("two", "Data Source=2.db"));
    EXPECT_EQ(store(), "one\tData Source=1.db\r\ntwo\tData Source=2.db\r\n");

    AddRecord(folder(), QString());
    EXPECT_EQ(store(), "one\tData Source=1.db\r\ntwo\tData Source=2.db\r\n");
}

TEST_F(CnnStoreTest, AddEndsAnUnfinishedLastLineSoRecordsStayApart) {
    writeStore("a\tA");
    AddRecord(folder(), "b\tB");
    EXPECT_EQ(store(), "a\tA\r\nb\tB\r\n");

    writeStore("a\tA\n");  // a lone LF belongs to the line, it does not end it
    AddRecord(folder(), "b\tB");
    EXPECT_EQ(names(), QStringList({"a", "b"}));

    writeStore("a\tA\r");
    AddRecord(folder(), "b\tB");
    EXPECT_EQ(store(), "a\tA\rb\tB\r\n");
}

TEST_F(CnnStoreTest, ChangeReplacesEveryIdenticalLineByOneAtTheEnd) {
    writeStore("dup\tS\r\nother\tS\r\n\r\ndup\tS\r\ndup\tT\r\n");
    ChangeRecord(folder(), "dup\tS", "dup\tNEW");
    EXPECT_EQ(store(), "other\tS\r\n\r\ndup\tT\r\ndup\tNEW\r\n");
}

TEST_F(CnnStoreTest, DeleteRemovesOnlyLinesEqualToTheKey) {
    writeStore(" dup \tS \r\nsame\tone\r\n\r\n dup \tS \r\nsame\ttwo\r\n\r\n");
    DeleteRecord(folder(), " dup \tS ");
    EXPECT_EQ(store(), "same\tone\r\n\r\nsame\ttwo\r\n\r\n");
    DeleteRecord(folder(), RecordLine("same", "two"));
    EXPECT_EQ(store(), "same\tone\r\n\r\n\r\n");
}

TEST_F(CnnStoreTest, ExtraTabAndTablessLinesAreFoundByTheirOwnLine) {
    writeStore("A\tB\tC\r\nX\r\nkeep\tk\r\n");
    const QList<CnnEntry> entries = ReadStore(folder());
    ASSERT_EQ(entries.size(), 3);

    DeleteRecord(folder(), entries[1].line);
    EXPECT_EQ(store(), "A\tB\tC\r\nkeep\tk\r\n");
    ChangeRecord(folder(), entries[0].line, "A\tC2");
    EXPECT_EQ(store(), "keep\tk\r\nA\tC2\r\n");
}

TEST_F(CnnStoreTest, UnchangedOrEmptyNewLineTouchesNothing) {
    const QByteArray before = "a\tA\n\r\nb\tB";
    writeStore(before);
    dir.write("temp.dat", "stale");
    ChangeRecord(folder(), "a\tA\n", "a\tA\n");
    ChangeRecord(folder(), "a\tA\n", QString());
    EXPECT_EQ(store(), before);
    EXPECT_TRUE(dir.exists("temp.dat"));

    DeleteRecord(folder(), "not there");
    DeleteRecord(folder(), QString());
    EXPECT_EQ(store(), before);
}

TEST_F(CnnStoreTest, StaleTempIsRemovedByChangeAndDelete) {
    writeStore("a\tA\r\n");
    dir.write("temp.dat", "left over");
    ChangeRecord(folder(), "a\tA", "b\tB");
    EXPECT_FALSE(dir.exists("temp.dat"));
    EXPECT_EQ(store(), "b\tB\r\n");

    dir.write("temp.dat", "left over");
    DeleteRecord(folder(), "b\tB");
    EXPECT_FALSE(dir.exists("temp.dat"));
    EXPECT_EQ(store(), "");
}

TEST_F(CnnStoreTest, RewriteKeepsTheStoresMode) {
    writeStore("a\tA\r\nb\tB\r\n");
    core::SetFilePermissions(dir.file("cnns.dat"), 0640);
    ChangeRecord(folder(), "a\tA", "c\tC");
    EXPECT_EQ(core::FilePermissions(dir.file("cnns.dat")), 0640u);
    DeleteRecord(folder(), "b\tB");
    EXPECT_EQ(core::FilePermissions(dir.file("cnns.dat")), 0640u);
}

TEST_F(CnnStoreTest, VanishedStoreRaisesFileNotFoundAndKeepsALoneTemp) {
    dir.write("temp.dat", "only\tcopy\r\n");
    try {
        ChangeRecord(folder(), "a\tA", "b\tB");
        FAIL() << "no error";
    } catch (const tbn::Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::FileNotFound) << e.Description();
    }
    EXPECT_THROW(DeleteRecord(folder(), "a\tA"), tbn::Error);
    EXPECT_FALSE(dir.exists("cnns.dat"));
    EXPECT_EQ(dir.read("temp.dat"), "only\tcopy\r\n");
}

// temp.dat is only ever our scratch file: whatever else stands under that name is removed, never
// followed or opened. A planted link must not carry the store (passwords included) elsewhere, and
// a FIFO must neither block the rewrite nor receive the store.
TEST_F(CnnStoreTest, APlantedTempIsRemovedNeverFollowedOrOpened) {
    test::TempDir elsewhere;
    writeStore("a\tPassword=secret\r\nkeep\tPassword=other\r\n");
    ASSERT_TRUE(QFile::link(elsewhere.file("stolen"), dir.file("temp.dat")));
    ChangeRecord(folder(), "a\tPassword=secret", "b\tPassword=secret");
    EXPECT_FALSE(elsewhere.exists("stolen"));
    EXPECT_FALSE(QFileInfo(dir.file("cnns.dat")).isSymLink());
    EXPECT_EQ(store(), "keep\tPassword=other\r\nb\tPassword=secret\r\n");
    EXPECT_FALSE(QFileInfo(dir.file("temp.dat")).isSymLink());

    // A reader keeps the FIFO from blocking a writer, so a wrong open shows as data in the pipe.
    const QByteArray fifo = QFile::encodeName(dir.file("temp.dat"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int reader = ::open(fifo.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    DeleteRecord(folder(), "b\tPassword=secret");
    char leaked[64];
    EXPECT_LE(::read(reader, leaked, sizeof leaked), 0) << "the store was written into the FIFO";
    ::close(reader);
    EXPECT_TRUE(QFileInfo(dir.file("cnns.dat")).isFile());
    EXPECT_EQ(store(), "keep\tPassword=other\r\n");
    EXPECT_FALSE(QFileInfo(dir.file("temp.dat")).exists());
}

// A store kept elsewhere through a link stays that store: the link stays, its target is updated.
TEST_F(CnnStoreTest, ALinkedStoreIsUpdatedThroughTheLink) {
    test::TempDir elsewhere;
    elsewhere.write("real.dat", "a\tA\r\nb\tB\r\n");
    ASSERT_TRUE(QFile::link(elsewhere.file("real.dat"), dir.file("cnns.dat")));
    ChangeRecord(folder(), "a\tA", "c\tC");
    DeleteRecord(folder(), "b\tB");
    AddRecord(folder(), "d\tD");
    EXPECT_TRUE(QFileInfo(dir.file("cnns.dat")).isSymLink());
    EXPECT_EQ(elsewhere.read("real.dat"), "c\tC\r\nd\tD\r\n");
    EXPECT_EQ(names(), QStringList({"c", "d"}));
    const QStringList scratch = QStringList{"*.tmp", "temp.dat"};
    EXPECT_TRUE(QDir(elsewhere.path())
                    .entryList(scratch, QDir::Files | QDir::Hidden | QDir::System)
                    .isEmpty());
    EXPECT_TRUE(
        QDir(folder()).entryList(scratch, QDir::Files | QDir::Hidden | QDir::System).isEmpty());
}

// Running as root, a read-only folder cannot be made with permission bits, so the refusal the
// system would give is injected.
TEST_F(CnnStoreTest, ReadOnlyFolderReportsPermissionDeniedAndKeepsTheStore) {
    const QByteArray before = "a\tA\r\n";
    writeStore(before);
    // The store itself can still be read; creating temp.dat beside it is what gets refused.
    core::FaultInjector::Scope refuse(FileOpKind::Open, 2, EACCES);
    try {
        DeleteRecord(folder(), "a\tA");
        FAIL() << "no error";
    } catch (const tbn::Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::PermissionDenied);
        EXPECT_NE(e.Description().find("temp.dat"), std::string::npos) << e.Description();
        EXPECT_NE(e.Description().find("ermission denied"), std::string::npos) << e.Description();
    }
    EXPECT_EQ(store(), before);
}

const FileOpKind kAllKinds[] = {FileOpKind::Open,  FileOpKind::Read,  FileOpKind::Write,
                                FileOpKind::Flush, FileOpKind::Close, FileOpKind::Rename,
                                FileOpKind::Remove};

class CnnStoreFaultTest : public CnnStoreTest, public ::testing::WithParamInterface<FileOpKind> {
protected:
    static constexpr char kBefore[] = "keep\tK\r\n\r\nold\tO\r\nold\tO\r\n";

    // Fails each call of the parameter's kind in turn; after every failure the store must be
    // exactly as before and the next, unfaulted, run of the same operation must succeed.
    int failEachStep(const std::function<void()>& operation) {
        return test::FailEachCall(
            GetParam(), ENOSPC,
            [&] {
                writeStore(kBefore);
                dir.write("temp.dat", "stale");
            },
            operation,
            [&](const test::FaultRun& run) {
                EXPECT_EQ(run.number, ErrorCode::DiskFull) << run.description;
                EXPECT_EQ(store(), QByteArray(kBefore)) << "fault #" << run.nth;
                if (GetParam() != FileOpKind::Remove) {
                    EXPECT_FALSE(dir.exists("temp.dat")) << "fault #" << run.nth;
                }
            });
    }
    void expectEveryRewriteStepCovered(int failedCalls) {
        if (GetParam() != FileOpKind::Read) {
            EXPECT_GE(failedCalls, 1);
        }
    }
};

TEST_P(CnnStoreFaultTest, FailedChangeLeavesTheStoreUntouched) {
    expectEveryRewriteStepCovered(
        failEachStep([&] { ChangeRecord(folder(), "old\tO", "new\tN"); }));
    EXPECT_EQ(store(), "keep\tK\r\n\r\nnew\tN\r\n");
    EXPECT_FALSE(dir.exists("temp.dat"));
}

TEST_P(CnnStoreFaultTest, FailedDeleteLeavesTheStoreUntouched) {
    expectEveryRewriteStepCovered(failEachStep([&] { DeleteRecord(folder(), "old\tO"); }));
    EXPECT_EQ(store(), "keep\tK\r\n\r\n");
    EXPECT_FALSE(dir.exists("temp.dat"));
}

TEST_P(CnnStoreFaultTest, FailedAddLeavesTheOldOrTheNewStoreComplete) {
    const QByteArray before = "keep\tK";  // unfinished last line: the add writes a line end too
    const QByteArray after = "keep\tK\r\nadded\tA\r\n";
    const int failed = test::FailEachCall(
        GetParam(), ENOSPC, [&] { writeStore(before); }, [&] { AddRecord(folder(), "added\tA"); },
        [&](const test::FaultRun& run) {
            const QByteArray now = store();
            EXPECT_TRUE(now == before || now == after)
                << "fault #" << run.nth << ": " << now.toStdString();
        });
    if (GetParam() != FileOpKind::Rename && GetParam() != FileOpKind::Remove) {
        EXPECT_GE(failed, 1);
    }
    EXPECT_EQ(store(), after);
}

INSTANTIATE_TEST_SUITE_P(EachKind, CnnStoreFaultTest, ::testing::ValuesIn(kAllKinds),
                         test::KindTestName);

}  // namespace
}  // namespace tbn::connections
