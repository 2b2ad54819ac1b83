#include "core/FileOps.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "support/TempDir.h"

#include <QDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace tbn::core {
namespace {

int OpenDescriptors() {
    return static_cast<int>(QDir("/proc/self/fd").entryList(QDir::Files | QDir::System).size());
}

template <class Operation> tbn::Error ErrorOf(Operation operation) {
    try {
        operation();
    } catch (const tbn::Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error raised";
    return tbn::Error(0, "");
}

TEST(FileOpsTest, ErrorsCarryAClassicNumberAndNameOperationPathAndReason) {
    test::TempDir dir;
    const tbn::Error missing = ErrorOf([&] { OpenForReading(dir.file("nope.sql")); });
    EXPECT_EQ(missing.Number(), ErrorCode::FileNotFound);
    EXPECT_EQ(missing.Description(), "Cannot open \"" + dir.file("nope.sql").toStdString() +
                                         "\" for reading: No such file or directory");

    EXPECT_EQ(ErrorOf([&] { OpenForWriting(dir.file("no/folder.sql")); }).Number(),
              ErrorCode::PathNotFound);
    EXPECT_EQ(ErrorOf([&] { RemoveFile(dir.file("nope")); }).Number(), ErrorCode::FileNotFound);
    EXPECT_EQ(ErrorOf([&] { RenameFile(dir.file("nope"), dir.file("x")); }).Number(),
              ErrorCode::FileNotFound);
    EXPECT_EQ(ErrorOf([&] { OpenForReading(dir.path()).ReadAll(); }).Number(),
              ErrorCode::PathFileAccess);

    EXPECT_EQ(FileErrorNumber(EACCES, dir.path()), ErrorCode::PermissionDenied);
    EXPECT_EQ(FileErrorNumber(EROFS, dir.path()), ErrorCode::PermissionDenied);
    EXPECT_EQ(FileErrorNumber(ENOSPC, dir.path()), ErrorCode::DiskFull);
    EXPECT_EQ(FileErrorNumber(EIO, dir.path()), ErrorCode::PathFileAccess);
}

TEST(FileOpsTest, InjectorFailsOnlyTheArmedCallOnceAndOnlyWhileInScope) {
    test::TempDir dir;
    dir.write("a", "x");
    {
        FaultInjector::Scope fault(FileOpKind::Open, 2, EACCES);
        EXPECT_NO_THROW(OpenForReading(dir.file("a")));
        EXPECT_FALSE(fault.Fired());
        const tbn::Error e = ErrorOf([&] { OpenForReading(dir.file("a")); });
        EXPECT_EQ(e.Number(), ErrorCode::PermissionDenied);
        EXPECT_NE(e.Description().find("Permission denied"), std::string::npos);
        EXPECT_TRUE(fault.Fired());
        EXPECT_NO_THROW(OpenForReading(dir.file("a")));
    }
    { FaultInjector::Scope fault(FileOpKind::Open, 1, EACCES); }
    EXPECT_NO_THROW(OpenForReading(dir.file("a")));

    FaultInjector::Scope removeFault(FileOpKind::Remove, 1, EBUSY);
    EXPECT_EQ(ErrorOf([&] { RemoveFile(dir.file("a")); }).Number(), ErrorCode::PathFileAccess);
    EXPECT_TRUE(FileExists(dir.file("a")));
}

TEST(FileOpsTest, InjectedWriteLeavesHalfTheDataAndInjectedCloseStillReleasesTheDescriptor) {
    test::TempDir dir;
    const int before = OpenDescriptors();
    {
        FileHandle file = OpenForWriting(dir.file("w"));
        FaultInjector::Scope fault(FileOpKind::Write, 1, ENOSPC);
        EXPECT_EQ(ErrorOf([&] { file.Write("12345678"); }).Number(), ErrorCode::DiskFull);
    }
    EXPECT_EQ(dir.read("w"), "1234");
    {
        FileHandle file = OpenForWriting(dir.file("w"));
        file.Write("abc");
        FaultInjector::Scope fault(FileOpKind::Close, 1, EIO);
        EXPECT_EQ(ErrorOf([&] { file.Close(); }).Number(), ErrorCode::PathFileAccess);
        EXPECT_FALSE(file.IsOpen());
    }
    EXPECT_EQ(dir.read("w"), "abc");
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(FileOpsTest, HandlesCloseWhenDroppedMovedOverOrMovedAway) {
    test::TempDir dir;
    dir.write("a", "a");
    const int before = OpenDescriptors();
    {
        FileHandle first = OpenForReading(dir.file("a"));
        FileHandle second = OpenForReading(dir.file("a"));
        first = std::move(second);
        EXPECT_FALSE(second.IsOpen());
        FileHandle third(std::move(first));
        EXPECT_FALSE(first.IsOpen());
        EXPECT_EQ(third.ReadAll(), "a");
        EXPECT_EQ(OpenDescriptors(), before + 1);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST(FileOpsTest, WritingModesCreateTruncateRefuseAndAppend) {
    test::TempDir dir;
    OpenForWriting(dir.file("new"), 0600).Write("old content");
    EXPECT_EQ(FilePermissions(dir.file("new")), 0600u);

    SetFilePermissions(dir.file("new"), 0640);
    OpenForWriting(dir.file("new"), 0600).Write("x");
    EXPECT_EQ(dir.read("new"), "x");
    EXPECT_EQ(FilePermissions(dir.file("new")), 0640u) << "truncating keeps the file's own mode";

    EXPECT_EQ(ErrorOf([&] { OpenForWriting(dir.file("new"), 0600, IfExists::Fail); }).Number(),
              ErrorCode::PathFileAccess);
    EXPECT_EQ(dir.read("new"), "x");

    FileHandle append = OpenForAppending(dir.file("new"));
    append.Write("yz");
    EXPECT_EQ(append.Size(), 3);
    EXPECT_EQ(append.ReadAt(1, 5), "yz");
    append.Truncate(1);
    append.Close();
    EXPECT_EQ(dir.read("new"), "x");
}

TEST(FileOpsTest, RenameReplacesTheTargetAndExistsSeesOnlyOrdinaryFiles) {
    test::TempDir dir;
    dir.write("from", "new");
    dir.write("to", "old");
    RenameFile(dir.file("from"), dir.file("to"));
    EXPECT_EQ(dir.read("to"), "new");
    EXPECT_FALSE(FileExists(dir.file("from")));
    EXPECT_TRUE(FileExists(dir.file("to")));
    EXPECT_FALSE(FileExists(dir.path()));
    RemoveFile(dir.file("to"));
    EXPECT_FALSE(FileExists(dir.file("to")));
}

}  // namespace
}  // namespace tbn::core
