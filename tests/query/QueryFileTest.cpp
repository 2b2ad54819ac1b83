#include "query/QueryFile.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/FileOps.h"
#include "support/FaultSteps.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <gtest/gtest.h>
#include <unistd.h>

namespace tbn::query {
namespace {

using core::FileOpKind;

QStringList FilesIn(const test::TempDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

TEST(QueryFileTest, EmptyTextIsExactlyOneLineEnd) {
    test::TempDir dir;
    WriteQueryFile(dir.file("q.sql"), QString());
    EXPECT_EQ(dir.read("q.sql"), "\r\n");
    EXPECT_EQ(ReadQueryFile(dir.file("q.sql")), QString());
}

TEST(QueryFileTest, TextRoundTripsAsUtf8WithoutByteOrderMark) {
    test::TempDir dir;
    const QString text =
        QString::fromUtf8("select 'caf\xC3\xA9 \xE2\x82\xAC'\r\n\r\n  from t  \r\n");
    WriteQueryFile(dir.file("q.sql"), text);
    EXPECT_EQ(dir.read("q.sql"), text.toUtf8() + "\r\n");
    EXPECT_EQ(ReadQueryFile(dir.file("q.sql")), text);
}

TEST(QueryFileTest, ReadingDropsOnlyLeadingEmptyLinesAndTakesAnUnendedLastLine) {
    test::TempDir dir;
    dir.write("a.sql", "\r\n\r\nx\r\n");
    EXPECT_EQ(ReadQueryFile(dir.file("a.sql")), "x");
    dir.write("b.sql", "\r \r\n\r\nx\ry");
    EXPECT_EQ(ReadQueryFile(dir.file("b.sql")), " \r\n\r\nx\r\ny");
    dir.write("c.sql", "select caf\xE9");
    EXPECT_EQ(ReadQueryFile(dir.file("c.sql")), QString::fromUtf8("select caf\xC3\xA9"));
}

TEST(QueryFileTest, MissingFileRaisesFileNotFound) {
    test::TempDir dir;
    try {
        ReadQueryFile(dir.file("gone.sql"));
        FAIL() << "no error";
    } catch (const tbn::Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::FileNotFound) << e.Description();
    }
}

TEST(QueryFileTest, ReplacingKeepsTheModeFollowsLinksAndLeavesNoScratchFile) {
    test::TempDir dir;
    dir.write("q.sql", "old\r\n");
    core::SetFilePermissions(dir.file("q.sql"), 0640);
    WriteQueryFile(dir.file("q.sql"), "new");
    EXPECT_EQ(dir.read("q.sql"), "new\r\n");
    EXPECT_EQ(core::FilePermissions(dir.file("q.sql")), 0640u);

    ASSERT_TRUE(QFile::link(dir.file("q.sql"), dir.file("link.sql")));
    WriteQueryFile(dir.file("link.sql"), "through link");
    EXPECT_EQ(dir.read("q.sql"), "through link\r\n");
    EXPECT_TRUE(QFileInfo(dir.file("link.sql")).isSymLink());
    EXPECT_EQ(FilesIn(dir), QStringList({"link.sql", "q.sql"}));
}

TEST(QueryFileTest, AHardLinkedFileIsWrittenInPlaceSoEveryNameSeesTheText) {
    test::TempDir dir;
    dir.write("q.sql", "old\r\n");
    const QByteArray first = QFile::encodeName(dir.file("q.sql"));
    ASSERT_EQ(::link(first.constData(), QFile::encodeName(dir.file("same.sql")).constData()), 0);
    WriteQueryFile(dir.file("q.sql"), "new");
    EXPECT_EQ(dir.read("same.sql"), "new\r\n");
    EXPECT_EQ(core::StatusOf(dir.file("q.sql")).links, 2u) << "the two names became two files";
    EXPECT_EQ(FilesIn(dir), QStringList({"q.sql", "same.sql"}));
}

// As an ordinary user: a file the user may not write is refused with the system's reason and left
// alone, even in a folder that would let a scratch file replace it; a writable file in a folder
// that refuses a scratch file is written in place.
TEST(QueryFileTest, TheUsersOwnPermissionsDecideWhatIsSaved) {
    test::TempDir dir;
    test::GiveToUnprivileged(dir.path(), 0755);
    ASSERT_TRUE(QDir(dir.path()).mkdir("open") && QDir(dir.path()).mkdir("locked"));
    dir.write("open/ro.sql", "old\r\n");
    dir.write("locked/w.sql", "old\r\n");
    test::GiveToUnprivileged(dir.file("open/ro.sql"), 0444);
    test::GiveToUnprivileged(dir.file("open"), 0755);
    test::GiveToUnprivileged(dir.file("locked/w.sql"), 0644);
    test::GiveToUnprivileged(dir.file("locked"), 0555);

    const auto refused =
        test::RunUnprivileged([&] { WriteQueryFile(dir.file("open/ro.sql"), "new"); });
    if (!refused.ran) GTEST_SKIP() << refused.why;
    EXPECT_TRUE(refused.raised);
    EXPECT_EQ(refused.number, ErrorCode::PermissionDenied) << refused.description;
    EXPECT_NE(refused.description.find("Permission denied"), std::string::npos)
        << refused.description;
    EXPECT_EQ(dir.read("open/ro.sql"), "old\r\n");
    EXPECT_EQ(core::FilePermissions(dir.file("open/ro.sql")), 0444u);

    const auto inPlace =
        test::RunUnprivileged([&] { WriteQueryFile(dir.file("locked/w.sql"), "new"); });
    EXPECT_FALSE(inPlace.raised) << inPlace.description;
    EXPECT_EQ(dir.read("locked/w.sql"), "new\r\n");
    EXPECT_EQ(QDir(dir.file("locked")).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"w.sql"}));
    EXPECT_EQ(QDir(dir.file("open")).entryList(QDir::Files | QDir::Hidden | QDir::System),
              QStringList({"ro.sql"}));
    test::GiveToUnprivileged(dir.file("locked"), 0755);  // so that the folder can be cleaned up
}

class QueryFileFaultTest : public ::testing::TestWithParam<FileOpKind> {};

TEST_P(QueryFileFaultTest, FailedReplaceKeepsTheOldFile) {
    test::TempDir dir;
    const int failed = test::FailEachCall(
        GetParam(), ENOSPC, [&] { dir.write("q.sql", "old\r\n"); },
        [&] { WriteQueryFile(dir.file("q.sql"), "new text"); },
        [&](const test::FaultRun& run) {
            EXPECT_EQ(run.number, ErrorCode::DiskFull) << run.description;
            EXPECT_EQ(dir.read("q.sql"), "old\r\n");
            EXPECT_EQ(FilesIn(dir), QStringList({"q.sql"}));
        });
    if (GetParam() != FileOpKind::Read && GetParam() != FileOpKind::Remove) {
        EXPECT_GE(failed, 1);
    }
    EXPECT_EQ(dir.read("q.sql"), "new text\r\n");
}

TEST_P(QueryFileFaultTest, FailedNewFileLeavesNoFile) {
    test::TempDir dir;
    test::FailEachCall(
        GetParam(), ENOSPC, [&] { QFile::remove(dir.file("q.sql")); },
        [&] { WriteQueryFile(dir.file("q.sql"), "new text"); },
        [&](const test::FaultRun&) {
            EXPECT_TRUE(FilesIn(dir).isEmpty()) << FilesIn(dir).join(' ').toStdString();
        });
    EXPECT_EQ(dir.read("q.sql"), "new text\r\n");
}

INSTANTIATE_TEST_SUITE_P(EachKind, QueryFileFaultTest,
                         ::testing::Values(FileOpKind::Open, FileOpKind::Read, FileOpKind::Write,
                                           FileOpKind::Flush, FileOpKind::Close, FileOpKind::Rename,
                                           FileOpKind::Remove),
                         test::KindTestName);

}  // namespace
}  // namespace tbn::query
