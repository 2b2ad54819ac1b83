#include "connections/CnnStore.h"
#include "connections/ProgramFolder.h"
#include "core/Error.h"
#include "support/ManagerFixture.h"
#include "support/ScopedEnv.h"
#include "support/ScratchMount.h"
#include "support/TempDir.h"

#include <QDir>
#include <QTreeWidget>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tbn::connections;
using tbn::test::ScopedEnv;
using tbn::test::TempDir;

namespace {
unsigned Mode(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) return 0;
    return info.st_mode & 07777;
}
}  // namespace

TEST(StoreFolderTest, AWritableProgramFolderKeepsTheStoreBesideTheExecutable) {
    TempDir program, home;
    const ScopedEnv config("XDG_CONFIG_HOME", qPrintable(home.file("config")));
    EXPECT_EQ(StoreFolderFor(program.path()), program.path());
    EXPECT_FALSE(QFileInfo::exists(home.file("config"))) << "nothing is created per user";
}

TEST(StoreFolderTest, AProgramFolderTheUserCannotWriteMovesTheStoreToAPrivateFolderOfTheUser) {
    // Root writes through any permission bits; only a read-only file system refuses it.
    tbn::test::ScratchMount disk(64 * 1024);
    TempDir program;
    QString readOnly = program.path();
    if (::geteuid() == 0) {
        if (!disk.Mounted() || !disk.SetReadOnly(true)) GTEST_SKIP() << disk.Why().toStdString();
        readOnly = disk.path();
    } else {
        ASSERT_EQ(::chmod(QFile::encodeName(readOnly).constData(), 0555), 0);
    }
    TempDir home;
    const ScopedEnv config("XDG_CONFIG_HOME", qPrintable(home.file("config")));

    const QString folder = StoreFolderFor(readOnly);
    EXPECT_EQ(folder, home.file("config/tbn"));
    EXPECT_EQ(Mode(home.file("config")), 0700u);
    EXPECT_EQ(Mode(folder), 0700u);
    tbn::connections::AddRecord(folder, QStringLiteral("Shop\tData Source=/srv/shop.db"));
    EXPECT_EQ(Mode(tbn::connections::StorePath(folder)), 0600u);
    ASSERT_EQ(tbn::connections::ReadStore(folder).size(), 1);
    EXPECT_EQ(QDir(readOnly).entryList(QDir::Files | QDir::Hidden).size(), 0);
    ::chmod(QFile::encodeName(program.path()).constData(), 0700);
}

TEST(StoreFolderTest, AnUnsetOrRelativeXdgConfigHomeMeansDotConfigInTheHomeFolder) {
    TempDir home;
    const ScopedEnv homeVariable("HOME", qPrintable(home.path()));
    for (const char* value : {static_cast<const char*>(nullptr), "relative/config"}) {
        const ScopedEnv config("XDG_CONFIG_HOME", value);
        EXPECT_EQ(UserConfigFolder(), home.file(".config/tbn"));
        EXPECT_EQ(Mode(home.file(".config/tbn")), 0700u);
    }
}

TEST(StoreFolderTest, AnInstalledProgramKeepsItsStorePerUserEvenWhereItMayWrite) {
    for (const char* installed :
         {"/usr/bin", "/usr/local/bin", "/usr/", "/opt/tabulon/bin", "/usr/lib/../bin"})
        EXPECT_TRUE(IsSystemInstall(QString::fromLatin1(installed))) << installed;
    for (const char* own : {"/usr2/bin", "/optional/bin", "/home/ana/tabulon", "/tmp/usr/bin", "/"})
        EXPECT_FALSE(IsSystemInstall(QString::fromLatin1(own))) << own;

    // Root may write to /usr/bin; it is still no place for a store.
    TempDir home;
    const ScopedEnv config("XDG_CONFIG_HOME", qPrintable(home.file("config")));
    EXPECT_EQ(StoreFolderFor(QStringLiteral("/usr/bin")), home.file("config/tbn"));
}

TEST(StoreFolderTest, AConfigurationFolderThatIsALinkIsRefused) {
    TempDir home;
    ASSERT_TRUE(QDir().mkpath(home.file("shared")));
    ASSERT_TRUE(QDir().mkpath(home.file("config")));
    ASSERT_TRUE(QFile::link(home.file("shared"), home.file("config/tbn")));
    const ScopedEnv config("XDG_CONFIG_HOME", qPrintable(home.file("config")));
    EXPECT_THROW(UserConfigFolder(), tbn::Error);
    EXPECT_TRUE(QDir(home.file("shared")).isEmpty());
}

class StoreInUseTest : public tbn::test::ManagerFixture {};

TEST_F(StoreInUseTest, TheManagersListTellsWhichStoreFileIsInUse) {
    NewManager();
    EXPECT_EQ(manager->lvCnn->toolTip(), tbn::connections::StorePath(dir.path()));
}
