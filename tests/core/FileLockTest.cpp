#include "core/FileLock.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>
#include <optional>

namespace tbn::core {
namespace {

using std::chrono::milliseconds;

// flock locks belong to an open file, so two locks taken in one process contend like two
// processes would.
TEST(FileLockTest, ASecondHolderIsRefusedWithAReasonUntilTheFirstLetsGo) {
    test::TempDir dir;
    const QString path = dir.file("store.lock");
    std::optional<FileLock> first(std::in_place, path);
    try {
        FileLock second(path, milliseconds{0});
        FAIL() << "locked twice";
    } catch (const tbn::Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::PermissionDenied);
        EXPECT_EQ(e.Description(), "Cannot lock \"" + path.toStdString() +
                                       "\": another process kept it locked for 0 seconds");
    }
    first.reset();
    EXPECT_NO_THROW(FileLock(path, milliseconds{0}));
    EXPECT_EQ(dir.read("store.lock"), "") << "the lock file is only a meeting point";
}

TEST(FileLockTest, ALinkedOrMissingFolderIsReported) {
    test::TempDir dir;
    ASSERT_TRUE(QFile::link(dir.file("elsewhere"), dir.file("store.lock")));
    EXPECT_THROW(FileLock(dir.file("store.lock")), tbn::Error);
    EXPECT_FALSE(dir.exists("elsewhere"));
    try {
        FileLock lock(dir.file("no/store.lock"));
        FAIL() << "locked in a missing folder";
    } catch (const tbn::Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::PathNotFound) << e.Description();
    }
}

}  // namespace
}  // namespace tbn::core
