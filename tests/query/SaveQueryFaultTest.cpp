// Saving a query as the user meets its failures: every file operation of a save fails in turn,
// over an existing file and to a new one, then a real full disk and a read-only folder. Each
// failure is reported under "frmMain >> SaveQuery", the file holds its old or its new content in
// full (a new file is either complete or absent), no scratch file stays, and the next save works.
#include "core/FileOps.h"
#include "support/FaultSteps.h"
#include "support/QueryWindowFixture.h"
#include "support/ScratchMount.h"
#include "ui/FileDialogs.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QDir>
#include <QFile>
#include <cerrno>
#include <iostream>

using namespace tbn::core;
using namespace tbn::ui;
using tbn::test::QueryWindowFixture;

namespace {

const QByteArray kOld = "select 'old'\r\n";
const QString kText = QStringLiteral("select 'new'\r\nfrom t");
const QByteArray kNew = "select 'new'\r\nfrom t\r\n";

std::size_t FailureCount() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

class SaveQueryFaultTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow(QStringLiteral("db"),
                            MakeDatabase(QStringLiteral("db.sqlite"), "CREATE TABLE t(x);"));
        window->QueryText().SetText(kText);
        ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("queries")));
        UseFolder(dir.file(QStringLiteral("queries")));
        // "Replace existing file?" is answered Yes; reports OK.
        SetMsgBoxResponder([this](const MsgBoxCall& call) {
            calls.push_back(call);
            return (call.style & 0x7) == vbYesNo ? vbYes : vbOK;
        });
        SetFileDialogResponder([this](const FileDialogRequest&) {
            return FileDialogAnswer{false, {target}, 0};
        });
    }
    void TearDown() override {
        SetFileDialogResponder({});
        QueryWindowFixture::TearDown();
    }

    void UseFolder(const QString& path) {
        folder = path;
        target = folder + QStringLiteral("/q.sql");
    }
    QByteArray read() const {
        QFile f(target);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void write(const QByteArray& bytes) const {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QStringList FilesInFolder() const {
        return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    std::vector<MsgBoxCall> Reports() const {
        std::vector<MsgBoxCall> reports;
        for (const MsgBoxCall& call : calls)
            if ((call.style & 0x7) != vbYesNo) reports.push_back(call);
        return reports;
    }
    void ExpectOneReport(const char* number = nullptr) {
        const std::vector<MsgBoxCall> reports = Reports();
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports.front().title, QStringLiteral("frmMain >> SaveQuery"));
        EXPECT_EQ(reports.front().style, vbCritical);
        EXPECT_TRUE(reports.front().prompt.startsWith(QStringLiteral("Application error:\r\n#")));
        if (number) {
            EXPECT_TRUE(
                reports.front().prompt.contains(QStringLiteral("#%1 ").arg(QLatin1String(number))))
                << reports.front().prompt.toStdString();
        }
    }

    // `existing`: the file is there with kOld before each save; otherwise it does not exist.
    void FailEachStep(FileOpKind kind, bool existing) {
        int injected = 0;
        int survived = 0;
        const QStringList filesAfter = {QStringLiteral("q.sql")};
        for (int nth = 1; nth <= 64; ++nth) {
            QFile::remove(target);
            if (existing) write(kOld);
            calls.clear();
            bool fired = false;
            bool saved = false;
            {
                FaultInjector::Scope fault(kind, nth, kind == FileOpKind::Write ? ENOSPC : EIO);
                saved = window->SaveQuery();
                fired = fault.Fired();
            }
            if (!fired) {
                EXPECT_TRUE(saved);
                EXPECT_TRUE(Reports().empty());
                EXPECT_EQ(read(), kNew);
                break;
            }
            ++injected;
            const std::size_t failuresBefore = FailureCount();
            SCOPED_TRACE("fault #" + std::to_string(nth) + " of " + tbn::test::KindName(kind));
            EXPECT_FALSE(saved);
            ExpectOneReport();
            const QByteArray now = read();
            EXPECT_TRUE(now == (existing ? kOld : QByteArray("<missing>")) || now == kNew)
                << now.toStdString();
            EXPECT_EQ(FilesInFolder(), now == "<missing>" ? QStringList() : filesAfter);
            EXPECT_EQ(window->QueryText().Text(), kText);

            calls.clear();
            EXPECT_TRUE(window->SaveQuery());
            EXPECT_TRUE(Reports().empty());
            EXPECT_EQ(read(), kNew);
            EXPECT_EQ(FilesInFolder(), filesAfter);
            if (FailureCount() == failuresBefore) ++survived;
        }
        std::cout << "[ faults   ] SaveQuery " << (existing ? "replacing" : "new file") << " / "
                  << tbn::test::KindName(kind) << ": " << injected << " injected, " << survived
                  << " survived\n";
    }

    frmMain* window = nullptr;
    std::vector<MsgBoxCall> calls;
    QString folder;
    QString target;
};

class SaveQueryFaultStepTest : public SaveQueryFaultTest,
                               public ::testing::WithParamInterface<FileOpKind> {};

TEST_P(SaveQueryFaultStepTest, ReplacingAFile) { FailEachStep(GetParam(), true); }

TEST_P(SaveQueryFaultStepTest, WritingANewFile) { FailEachStep(GetParam(), false); }

INSTANTIATE_TEST_SUITE_P(EachKind, SaveQueryFaultStepTest,
                         ::testing::Values(FileOpKind::Open, FileOpKind::Read, FileOpKind::Write,
                                           FileOpKind::Flush, FileOpKind::Close, FileOpKind::Rename,
                                           FileOpKind::Remove),
                         tbn::test::KindTestName);

TEST_F(SaveQueryFaultTest, AFullDiskKeepsTheOldFileAndCreatesNoPartialOne) {
    tbn::test::ScratchMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseFolder(disk.path());
    write(kOld);
    ASSERT_GT(disk.FillUp(QStringLiteral("filler")), 0u);

    EXPECT_FALSE(window->SaveQuery());
    ExpectOneReport("61");
    EXPECT_EQ(read(), kOld);
    EXPECT_EQ(FilesInFolder(), (QStringList{"filler", "q.sql"}));

    calls.clear();
    target = folder + QStringLiteral("/fresh.sql");
    EXPECT_FALSE(window->SaveQuery());
    ExpectOneReport("61");
    EXPECT_FALSE(QFile::exists(target));
    EXPECT_EQ(FilesInFolder(), (QStringList{"filler", "q.sql"}));

    ASSERT_TRUE(QFile::remove(disk.file(QStringLiteral("filler"))));
    calls.clear();
    EXPECT_TRUE(window->SaveQuery());
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(read(), kNew);
}

TEST_F(SaveQueryFaultTest, AReadOnlyFolderKeepsTheOldFile) {
    tbn::test::ScratchMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseFolder(disk.path());
    write(kOld);
    if (!disk.SetReadOnly(true)) GTEST_SKIP() << disk.Why().toStdString();

    EXPECT_FALSE(window->SaveQuery());
    ExpectOneReport("70");
    EXPECT_EQ(read(), kOld);
    EXPECT_EQ(window->QueryText().Text(), kText);

    ASSERT_TRUE(disk.SetReadOnly(false));
    calls.clear();
    EXPECT_TRUE(window->SaveQuery());
    EXPECT_TRUE(Reports().empty());
    EXPECT_EQ(read(), kNew);
}

}  // namespace
