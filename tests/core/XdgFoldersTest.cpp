// TBN's own folders (configuration, history, recovery) are real folders: a symbolic link there is
// refused and what it points at is never changed, whatever it points at.
#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "core/XdgFolders.h"
#include "support/TempDir.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace tbn::core {
namespace {

unsigned ModeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

TEST(XdgFoldersTest, AFolderOfOurOwnIsMadePrivateAndALinkOrAFileInItsPlaceIsRefusedUntouched) {
    test::TempDir dir;
    const QString shared = dir.file("shared");
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    ASSERT_TRUE(QFile::link(shared, dir.file("link")));
    ASSERT_TRUE(QFile::link(dir.file("nowhere"), dir.file("dangling")));
    dir.write("file", "x");

    for (const char* name : {"link", "dangling", "file"}) {
        SCOPED_TRACE(name);
        for (const ExistingFolder existing :
             {ExistingFolder::KeepMode, ExistingFolder::MakePrivate}) {
            try {
                MakeOwnFolder(dir.file(name), existing);
                ADD_FAILURE() << "accepted";
            } catch (const tbn::Error& e) {
                EXPECT_EQ(e.Number(), ErrorCode::PathFileAccess);
                EXPECT_NE(e.Description().find(dir.file(name).toStdString()), std::string::npos)
                    << e.Description();
            }
        }
        EXPECT_THROW(OwnFolderExists(dir.file(name)), tbn::Error);
    }
    EXPECT_EQ(ModeOf(shared), 01777u) << "the link's target changed";
    EXPECT_FALSE(QFile::exists(dir.file("nowhere")));
    EXPECT_EQ(dir.read("file"), "x");

    // A real folder: made 0700 when missing; an existing one keeps its mode unless made private.
    EXPECT_FALSE(OwnFolderExists(dir.file("own/tbn")));
    EXPECT_EQ(MakeOwnFolder(dir.file("own/tbn")), 0);
    EXPECT_TRUE(OwnFolderExists(dir.file("own/tbn")));
    EXPECT_EQ(ModeOf(dir.file("own")), 0700u);
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("own/tbn")).constData(), 0755), 0);
    MakeOwnFolder(dir.file("own/tbn"));
    EXPECT_EQ(ModeOf(dir.file("own/tbn")), 0755u);
    MakeOwnFolder(dir.file("own/tbn"), ExistingFolder::MakePrivate);
    EXPECT_EQ(ModeOf(dir.file("own/tbn")), 0700u);

    // The folders above are the user's to arrange: a link among them is followed.
    ASSERT_TRUE(QFile::link(dir.file("own"), dir.file("elsewhere")));
    EXPECT_EQ(MakeOwnFolder(dir.file("elsewhere/tbn/recovery")), 0);
    EXPECT_TRUE(QFileInfo(dir.file("own/tbn/recovery")).isDir());
}

}  // namespace
}  // namespace tbn::core
