// A query window keeps its text for recovery after a crash: steady typing is saved while it goes
// on (not only once it stops), the file is private and goes when the window closes, and a full
// disk or a read-only state folder is told once while typing and runs go on, and a folder that is a
// link is refused.
#include "core/ErrorCodes.h"
#include "core/FileOps.h"
#include "core/RecoveryRecord.h"
#include "grid/FlexGrid.h"
#include "recovery/RecoveryFailure.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTest>
#include <cerrno>
#include <sys/stat.h>

using namespace tbn::core;
using namespace tbn::ui;
using namespace tbn::recovery;
using tbn::test::QueryWindowFixture;

namespace {

unsigned ModeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

QByteArray ReadAllOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class RecoveryTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        ResetRecoveryFailureReportForTesting();
        cnn = MakeDatabase(QStringLiteral("shop.db"), "CREATE TABLE books(id INTEGER);");
        window = OpenWindow(QStringLiteral("shop"), cnn);
    }
    void TearDown() override {
        FaultInjector::Disarm();
        QueryWindowFixture::TearDown();
    }

    // Types one key every 50 ms until the window's file appears or `ms` have passed.
    bool TypeUntilSaved(int ms) {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired()) {
            QTest::keyClick(window->rtfQueryWidget(), Qt::Key_X);
            if (!window->Recovery().FilePath().isEmpty() &&
                QFileInfo::exists(window->Recovery().FilePath()))
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    tbn::test::ScopedEnv state{"XDG_STATE_HOME", qPrintable(dir.file(QStringLiteral("state")))};
    QString cnn;
    frmMain* window = nullptr;
};

TEST_F(RecoveryTest, SteadyTypingIsSavedWhileItGoesOnPrivatelyAndAClosedWindowLeavesNoFile) {
    // A save that waited for a pause would never come while the user keeps typing.
    ASSERT_TRUE(TypeUntilSaved(3000)) << "nothing saved during 3 s of steady typing";
    const QString path = window->Recovery().FilePath();
    EXPECT_EQ(QFileInfo(path).absolutePath(), QDir(RecoveryFolder()).absolutePath());
    EXPECT_EQ(ModeOf(path), 0600u) << "the connection string may hold a password";
    EXPECT_EQ(ModeOf(RecoveryFolder()), 0700u);
    const std::optional<RecoveredText> saved = DecodeRecoveredText(ReadAllOf(path));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, QStringLiteral("shop"));
    EXPECT_EQ(saved->cnn, cnn);
    EXPECT_TRUE(saved->text.startsWith(QStringLiteral("x")));

    window->Unload();
    Settle();
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(
        QDir(RecoveryFolder())
            .entryList({QStringLiteral("*.rec"), QStringLiteral(".*")}, QDir::Files | QDir::Hidden),
        QStringList());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(RecoveryTest, OnlyTheSaveItselfHoldsBackTheNextOneNeverTheTimeItsFailureIsOnScreen) {
    // Every look at the clock finds half a second more, so each save seems slow; the box that
    // tells of a failure stays open for 20 s.
    qint64 now = 0;
    RecoveryWriter::SetClockForTesting([&now] { return now += 500; });
    const auto realClock = qScopeGuard([] { RecoveryWriter::SetClockForTesting({}); });
    SetMsgBoxResponder([&now](const MsgBoxCall&) {
        now += 20000;
        return vbOK;
    });
    window->QueryText().SetText(QStringLiteral("SELECT 1"));
    ASSERT_TRUE(window->Recovery().SaveNow());
    const int afterSlowSave = window->Recovery().SaveDelayMs();
    EXPECT_GT(afterSlowSave, RecoveryWriter::kDelayMs);

    FaultInjector::Scope fault(FileOpKind::Write, 1, ENOSPC);
    window->QueryText().SetText(QStringLiteral("SELECT 2"));
    EXPECT_FALSE(window->Recovery().SaveNow());
    ASSERT_TRUE(fault.Fired());
    EXPECT_EQ(window->Recovery().SaveDelayMs(), afterSlowSave)
        << "the time the box stayed open was counted";
}

TEST_F(RecoveryTest, ARecoveryFolderThatIsALinkIsRefusedAndWhatItPointsAtIsLeftAsItWas) {
    const QString shared = dir.file(QStringLiteral("shared"));
    ASSERT_TRUE(QDir().mkpath(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(RecoveryFolder()).absolutePath()));
    ASSERT_TRUE(QFile::link(shared, RecoveryFolder()));

    boxes->Answer(vbOK);
    window->QueryText().SetText(QStringLiteral("SELECT 1"));
    EXPECT_FALSE(window->Recovery().SaveNow());
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("symbolic link")))
        << boxes->Last().prompt.toStdString();
    EXPECT_THROW(LeftTexts(), tbn::Error) << "the start-up scan went through the link";
    EXPECT_EQ(ModeOf(shared), 01777u);
    EXPECT_TRUE(QDir(shared).isEmpty());
}

struct Fault {
    FileOpKind kind;
    int error;
    std::int32_t number;
};

class RecoveryFaultTest : public RecoveryTest, public ::testing::WithParamInterface<Fault> {};

TEST_P(RecoveryFaultTest, IsToldOnceWhileTypingAndRunsGoOn) {
    boxes->Answer(vbOK);
    window->QueryText().SetText(QStringLiteral("SELECT 1 AS one"));
    window->rtfQueryWidget()->moveCursor(QTextCursor::End);
    for (int attempt = 0; attempt < 3; ++attempt) {
        FaultInjector::Scope fault(GetParam().kind, 1, GetParam().error);
        QTest::keyClick(window->rtfQueryWidget(), Qt::Key_Space);
        EXPECT_FALSE(window->Recovery().SaveNow());
        EXPECT_TRUE(fault.Fired());
    }
    ASSERT_EQ(boxes->Count(), 1u) << "one report per run, not one per save";
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMDI >> Recovery"));
    EXPECT_EQ(boxes->Last().style, vbCritical);
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("#%1 ").arg(GetParam().number)))
        << boxes->Last().prompt.toStdString();

    // Typing and running went on, and the next save once the disk is well again keeps the text.
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT 1 AS one   "));
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("1"));
    EXPECT_TRUE(window->Recovery().SaveNow());
    const std::optional<RecoveredText> saved =
        DecodeRecoveredText(ReadAllOf(window->Recovery().FilePath()));
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->text, QStringLiteral("SELECT 1 AS one   "));
    EXPECT_EQ(boxes->Count(), 1u);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RecoveryFaultTest,
    ::testing::Values(Fault{FileOpKind::Write, ENOSPC, tbn::ErrorCode::DiskFull},
                      Fault{FileOpKind::Open, EROFS, tbn::ErrorCode::PermissionDenied}),
    [](const auto& info) { return info.param.error == ENOSPC ? "DiskFull" : "ReadOnly"; });

}  // namespace
