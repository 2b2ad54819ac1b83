#include "core/ReplaceFile.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/FileOps.h"
#include "support/FaultSteps.h"
#include "support/ScratchMount.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tbn::core {
namespace {

QByteArray Native(const QString& path) { return QFile::encodeName(path); }

QStringList FilesIn(const test::TempDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

std::int32_t NumberOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const tbn::Error& e) {
        return e.Number();
    }
    return 0;
}

const FileOpKind kAllKinds[] = {FileOpKind::Open,  FileOpKind::Read,  FileOpKind::Write,
                                FileOpKind::Flush, FileOpKind::Close, FileOpKind::Rename,
                                FileOpKind::Remove};

class ReplaceFileFaultTest : public ::testing::TestWithParam<FileOpKind> {
protected:
    test::TempDir dir;
};

// Whichever call fails, a replaced file is old or new in full, a new file is whole or absent,
// and no scratch file stays behind.
TEST_P(ReplaceFileFaultTest, EveryFailedStepLeavesTheOldFileOrNone) {
    const QString path = dir.file("f");
    test::FailEachCall(
        GetParam(), ENOSPC, [&] { dir.write("f", "old"); }, [&] { ReplaceFile(path, "new"); },
        [&](const test::FaultRun& run) {
            EXPECT_EQ(dir.read("f"), "old") << run.description;
            EXPECT_EQ(FilesIn(dir), QStringList({"f"}));
        });
    EXPECT_EQ(dir.read("f"), "new");

    test::FailEachCall(
        GetParam(), ENOSPC, [&] { QFile::remove(path); }, [&] { ReplaceFile(path, "new"); },
        [&](const test::FaultRun&) { EXPECT_TRUE(FilesIn(dir).isEmpty()); });
    EXPECT_EQ(dir.read("f"), "new");
}

// In place there is no old copy to fall back on: a failure is reported, and nothing else is left.
TEST_P(ReplaceFileFaultTest, EveryFailedStepInPlaceIsReported) {
    ReplaceOptions inPlace;
    inPlace.inPlaceWhenNeeded = true;
    test::FailEachCall(
        GetParam(), ENOSPC,
        [&] {
            QFile::remove(dir.file("f"));
            QFile::remove(dir.file("g"));
            dir.write("f", "old content");
            ASSERT_EQ(::link(Native(dir.file("f")).constData(), Native(dir.file("g")).constData()),
                      0);
        },
        [&] { ReplaceFile(dir.file("f"), "new", inPlace); },
        [&](const test::FaultRun& run) {
            EXPECT_EQ(run.number, ErrorCode::DiskFull) << run.description;
            EXPECT_EQ(FilesIn(dir), QStringList({"f", "g"}));
        });
    EXPECT_EQ(dir.read("g"), "new");
}

INSTANTIATE_TEST_SUITE_P(EachKind, ReplaceFileFaultTest, ::testing::ValuesIn(kAllKinds),
                         test::KindTestName);

// Something planted under the scratch name is neither followed nor opened: the replace fails and
// the planted entry, the file and the link's target stay as they were.
TEST(ReplaceFileTest, APlantedScratchNameIsRefusedNotFollowedOrOpened) {
    test::TempDir dir;
    test::TempDir elsewhere;
    dir.write("f", "old");
    ReplaceOptions fixed;
    fixed.scratchName = QStringLiteral("scratch");

    ASSERT_EQ(::symlink(Native(elsewhere.file("stolen")).constData(),
                        Native(dir.file("scratch")).constData()),
              0);
    EXPECT_EQ(NumberOf([&] { ReplaceFile(dir.file("f"), "secret", fixed); }),
              ErrorCode::PathFileAccess);
    EXPECT_FALSE(elsewhere.exists("stolen"));
    EXPECT_TRUE(QFileInfo(dir.file("scratch")).isSymLink());
    ASSERT_TRUE(QFile::remove(dir.file("scratch")));

    // A reader keeps the FIFO from blocking a writer, so a wrong open shows as data in the pipe.
    ASSERT_EQ(::mkfifo(Native(dir.file("scratch")).constData(), 0600), 0);
    const int reader =
        ::open(Native(dir.file("scratch")).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(NumberOf([&] { ReplaceFile(dir.file("f"), "secret", fixed); }),
              ErrorCode::PathFileAccess);
    char leaked[16];
    EXPECT_LE(::read(reader, leaked, sizeof leaked), 0);
    ::close(reader);
    EXPECT_EQ(dir.read("f"), "old");
}

TEST(ReplaceFileTest, LinksAreFollowedToTheFileWhichIsReplacedInItsOwnFolder) {
    test::TempDir dir;
    test::TempDir elsewhere;
    elsewhere.write("real", "old");
    ASSERT_TRUE(QFile::link(elsewhere.file("real"), dir.file("near")));
    ASSERT_TRUE(QFile::link(QStringLiteral("near"), dir.file("link")));  // relative, and a chain
    ReplaceFile(dir.file("link"), "new");
    EXPECT_EQ(elsewhere.read("real"), "new");
    EXPECT_TRUE(QFileInfo(dir.file("link")).isSymLink());
    EXPECT_TRUE(QFileInfo(dir.file("near")).isSymLink());
    EXPECT_EQ(FilesIn(elsewhere), QStringList({"real"}));

    ASSERT_TRUE(QFile::link(dir.file("loop2"), dir.file("loop1")));
    ASSERT_TRUE(QFile::link(dir.file("loop1"), dir.file("loop2")));
    EXPECT_EQ(NumberOf([&] { ReplaceFile(dir.file("loop1"), "x"); }), ErrorCode::PathFileAccess);
}

// What only an ordinary user meets (see QueryFileTest for the real thing): a folder that refuses
// the scratch file. Written in place when the caller allows it, refused otherwise.
TEST(ReplaceFileTest, AFolderThatRefusesTheScratchFileIsWrittenInPlaceOnlyWhenAllowed) {
    test::TempDir dir;
    dir.write("f", "old content");
    {
        FaultInjector::Scope refuse(FileOpKind::Open, 1, EACCES);
        EXPECT_EQ(NumberOf([&] { ReplaceFile(dir.file("f"), "new"); }),
                  ErrorCode::PermissionDenied);
    }
    EXPECT_EQ(dir.read("f"), "old content");

    ReplaceOptions inPlace;
    inPlace.inPlaceWhenNeeded = true;
    FaultInjector::Scope refuse(FileOpKind::Open, 1, EACCES);
    ReplaceFile(dir.file("f"), "new", inPlace);
    EXPECT_TRUE(refuse.Fired());
    EXPECT_EQ(dir.read("f"), "new");
    EXPECT_EQ(FilesIn(dir), QStringList({"f"}));
}

// In place there is no old copy, so room for the new content is made before the old is touched.
TEST(ReplaceFileTest, AFullDiskStopsAnInPlaceWriteBeforeItTouchesTheFile) {
    test::ScratchMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    const QByteArray old(1000, 'o');
    {
        QFile f(disk.file("f"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(old) == old.size());
    }
    ASSERT_EQ(::link(Native(disk.file("f")).constData(), Native(disk.file("g")).constData()), 0);
    ASSERT_GT(disk.FillUp(QStringLiteral("filler")), 0u);
    ReplaceOptions inPlace;
    inPlace.inPlaceWhenNeeded = true;
    EXPECT_EQ(NumberOf([&] { ReplaceFile(disk.file("f"), QByteArray(256 * 1024, 'n'), inPlace); }),
              ErrorCode::DiskFull);
    QFile f(disk.file("g"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), old);
}

TEST(ReplaceFileTest, AnythingButAnOrdinaryFileIsRefusedWithoutWaiting) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(Native(dir.file("fifo")).constData(), 0600), 0);
    EXPECT_EQ(NumberOf([&] { ReplaceFile(dir.file("fifo"), "x"); }), ErrorCode::PathFileAccess);
    EXPECT_EQ(NumberOf([&] { ReplaceFile(dir.path(), "x"); }), ErrorCode::PathFileAccess);
    EXPECT_EQ(FilesIn(dir), QStringList({"fifo"}));
}

}  // namespace
}  // namespace tbn::core
