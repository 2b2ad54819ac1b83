// The store's failures as the user meets them in the connection manager: every file operation of
// an add, change or delete fails in turn, then a real full disk and a read-only folder. Each
// failure must be reported through ShowError, leave cnns.dat with its old or its new content in
// full, and leave the manager able to do the next operation.
#include "connections/ProgramFolder.h"
#include "connections/frmConnections.h"
#include "connections/frmEditConnection.h"
#include "core/FileOps.h"
#include "support/FaultSteps.h"
#include "support/ManagerFixture.h"
#include "support/ScratchMount.h"
#include "ui/Modal.h"
#include "ui/MsgBox.h"

#include <QFile>
#include <QLineEdit>
#include <QTreeWidget>
#include <cerrno>
#include <iostream>

using namespace tbn::connections;
using namespace tbn::core;
using namespace tbn::ui;
using tbn::test::ManagerFixture;

namespace {

const QByteArray kBefore = "keep\tData Source=k.db\r\n\r\nold\tData Source=o.db\r\n";
const QString kNewName = QStringLiteral("new");
const QString kNewCnn = QStringLiteral("Data Source=n.db");
const QByteArray kNewLine = "new\tData Source=n.db\r\n";

// The error the system would give for each kind of call.
int ErrnoFor(FileOpKind kind) {
    switch (kind) {
    case FileOpKind::Open: return EACCES;
    case FileOpKind::Write: return ENOSPC;
    case FileOpKind::Rename: return EXDEV;
    default: return EIO;
    }
}

int EntriesIn(const QByteArray& store) {
    int entries = 0;
    for (const QByteArray& line : store.split('\n'))
        if (!line.isEmpty() && line != "\r") ++entries;
    return entries;
}

std::size_t FailureCount() {
    return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

class ManagerFaultTest : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        UseFolder(dir.path());
        // Questions are answered Yes, reports OK; every box is kept for the checks.
        SetMsgBoxResponder([this](const MsgBoxCall& call) {
            calls.push_back(call);
            return (call.style & 0x7) == vbYesNo ? vbYes : vbOK;
        });
        AnswerEditor(QPair<QString, QString>{kNewName, kNewCnn});
        manager = std::make_unique<frmConnections>(*frame);
    }

    void UseFolder(const QString& path) {
        folder = path;
        SetProgramFolderForTesting(path);
    }
    QString file(const QString& name) const { return folder + QLatin1Char('/') + name; }
    QByteArray read(const QString& name) const {
        QFile f(file(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    // Every box but the delete's question.
    std::vector<MsgBoxCall> Reports() const {
        std::vector<MsgBoxCall> reports;
        for (const MsgBoxCall& call : calls)
            if ((call.style & 0x7) != vbYesNo) reports.push_back(call);
        return reports;
    }
    // The one report of a failed operation: critical, titled with the handler (or with FillCnns,
    // when only the re-reading after a completed change failed).
    void ExpectOneReport(const QString& handler, const char* number = nullptr) {
        const std::vector<MsgBoxCall> reports = Reports();
        ASSERT_EQ(reports.size(), 1u);
        const MsgBoxCall& box = reports.front();
        EXPECT_EQ(box.style, vbCritical);
        EXPECT_TRUE(box.title == QStringLiteral("frmConnections >> ") + handler ||
                    box.title == QStringLiteral("frmConnections >> FillCnns"))
            << box.title.toStdString();
        EXPECT_TRUE(box.prompt.startsWith(QStringLiteral("Application error:\r\n#")))
            << box.prompt.toStdString();
        if (number) {
            EXPECT_TRUE(box.prompt.contains(QStringLiteral("#%1 ").arg(QLatin1String(number))))
                << box.prompt.toStdString();
        }
    }

    // Fails each call of `kind` made by `operation` in turn, on a fresh copy of kBefore. After each
    // failure: one report, cnns.dat old or new in full, no temp.dat, and the next operation
    // (re-reading the list, then the same operation again where it still has work) works.
    void FailEachStep(FileOpKind kind, const QString& handler,
                      const std::function<void()>& operation, const QByteArray& after) {
        int injected = 0;
        int survived = 0;
        for (int nth = 1; nth <= 64; ++nth) {
            write(QStringLiteral("cnns.dat"), kBefore);
            write(QStringLiteral("temp.dat"), "stale");  // so that KillTemp has a file to remove
            manager->FillCnns();
            calls.clear();
            bool fired = false;
            {
                FaultInjector::Scope fault(kind, nth, ErrnoFor(kind));
                operation();
                fired = fault.Fired();
            }
            if (!fired) {
                EXPECT_TRUE(Reports().empty()) << "a run without a fault reported something";
                EXPECT_EQ(read(QStringLiteral("cnns.dat")), after);
                break;
            }
            ++injected;
            const std::size_t failuresBefore = FailureCount();
            SCOPED_TRACE("fault #" + std::to_string(nth) + " of " + tbn::test::KindName(kind));
            ExpectOneReport(handler);
            const QByteArray now = read(QStringLiteral("cnns.dat"));
            EXPECT_TRUE(now == kBefore || now == after) << now.toStdString();
            if (!Reports().empty() &&
                Reports().front().title.endsWith(QStringLiteral("FillCnns"))) {
                EXPECT_EQ(now, after);
            }
            // No half-written scratch file stays behind (an add never touches the stale one).
            if (QFile::exists(file(QStringLiteral("temp.dat")))) {
                EXPECT_EQ(read(QStringLiteral("temp.dat")), "stale");
            }

            calls.clear();
            manager->FillCnns();
            EXPECT_TRUE(calls.empty());
            EXPECT_EQ(Names().size(), EntriesIn(now));
            if (now == kBefore || handler == QStringLiteral("cmdNew_Click")) {
                const QByteArray expected =
                    handler == QStringLiteral("cmdNew_Click") ? now + kNewLine : after;
                operation();
                EXPECT_TRUE(Reports().empty());
                EXPECT_EQ(read(QStringLiteral("cnns.dat")), expected);
            }
            if (FailureCount() == failuresBefore) ++survived;
        }
        std::cout << "[ faults   ] " << handler.toStdString() << " / " << tbn::test::KindName(kind)
                  << ": " << injected << " injected, " << survived << " survived\n";
    }

    std::vector<MsgBoxCall> calls;
    QString folder;
};

class ManagerFaultStepTest : public ManagerFaultTest,
                             public ::testing::WithParamInterface<FileOpKind> {};

TEST_P(ManagerFaultStepTest, Add) {
    FailEachStep(
        GetParam(), QStringLiteral("cmdNew_Click"), [&] { manager->cmdNew_Click(); },
        kBefore + kNewLine);
}

TEST_P(ManagerFaultStepTest, Change) {
    FailEachStep(
        GetParam(), QStringLiteral("cmdModify_Click"),
        [&] {
            if (Select(QStringLiteral("old"))) manager->cmdModify_Click();
        },
        "keep\tData Source=k.db\r\n\r\n" + kNewLine);
}

TEST_P(ManagerFaultStepTest, Delete) {
    FailEachStep(
        GetParam(), QStringLiteral("cmdDelete_Click"),
        [&] {
            if (Select(QStringLiteral("old"))) manager->cmdDelete_Click();
        },
        "keep\tData Source=k.db\r\n\r\n");
}

INSTANTIATE_TEST_SUITE_P(EachKind, ManagerFaultStepTest,
                         ::testing::Values(FileOpKind::Open, FileOpKind::Read, FileOpKind::Write,
                                           FileOpKind::Flush, FileOpKind::Close, FileOpKind::Rename,
                                           FileOpKind::Remove),
                         tbn::test::KindTestName);

TEST_F(ManagerFaultTest, AFullDiskRefusesTheRewriteAndKeepsTheStore) {
    tbn::test::ScratchMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseFolder(disk.path());
    write(QStringLiteral("cnns.dat"), kBefore);
    manager->FillCnns();
    ASSERT_GT(disk.FillUp(QStringLiteral("filler")), 0u);

    ASSERT_TRUE(Select(QStringLiteral("old")));
    manager->cmdModify_Click();
    ExpectOneReport(QStringLiteral("cmdModify_Click"), "61");
    EXPECT_EQ(read(QStringLiteral("cnns.dat")), kBefore);
    EXPECT_FALSE(QFile::exists(file(QStringLiteral("temp.dat"))));

    calls.clear();
    ASSERT_TRUE(Select(QStringLiteral("keep")));
    manager->cmdDelete_Click();
    ExpectOneReport(QStringLiteral("cmdDelete_Click"), "61");
    EXPECT_EQ(read(QStringLiteral("cnns.dat")), kBefore);
    EXPECT_EQ(Names(), (QStringList{"keep", "old"}));

    // Room again: the same change goes through.
    calls.clear();
    ASSERT_TRUE(QFile::remove(file(QStringLiteral("filler"))));
    ASSERT_TRUE(Select(QStringLiteral("old")));
    manager->cmdModify_Click();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(read(QStringLiteral("cnns.dat")), "keep\tData Source=k.db\r\n\r\n" + kNewLine);
}

TEST_F(ManagerFaultTest, AFullDiskLeavesAnAddWholeOrNotAtAll) {
    tbn::test::ScratchMount disk(64 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseFolder(disk.path());
    // A store that ends exactly at a page boundary: the appended record needs a fresh page.
    QByteArray big = "big\tData Source=";
    big += QByteArray(4096 - big.size() - 2, 'b') + "\r\n";
    write(QStringLiteral("cnns.dat"), big);
    manager->FillCnns();
    ASSERT_GT(disk.FillUp(QStringLiteral("filler")), 0u);

    manager->cmdNew_Click();
    const QByteArray now = read(QStringLiteral("cnns.dat"));
    if (Reports().empty()) {
        EXPECT_EQ(now, big + kNewLine);
    } else {
        ExpectOneReport(QStringLiteral("cmdNew_Click"), "61");
        EXPECT_EQ(now, big);
    }
}

TEST_F(ManagerFaultTest, AReadOnlyFolderRefusesEveryChangeButStillLists) {
    tbn::test::ScratchMount disk(256 * 1024);
    if (!disk.Mounted()) GTEST_SKIP() << disk.Why().toStdString();
    UseFolder(disk.path());
    write(QStringLiteral("cnns.dat"), kBefore);
    if (!disk.SetReadOnly(true)) GTEST_SKIP() << disk.Why().toStdString();

    manager->FillCnns();
    EXPECT_EQ(Names(), (QStringList{"keep", "old"}));
    manager->cmdNew_Click();
    ExpectOneReport(QStringLiteral("cmdNew_Click"), "70");
    calls.clear();
    ASSERT_TRUE(Select(QStringLiteral("old")));
    manager->cmdModify_Click();
    ExpectOneReport(QStringLiteral("cmdModify_Click"), "70");
    calls.clear();
    ASSERT_TRUE(Select(QStringLiteral("old")));
    manager->cmdDelete_Click();
    ExpectOneReport(QStringLiteral("cmdDelete_Click"), "70");
    EXPECT_EQ(read(QStringLiteral("cnns.dat")), kBefore);
    EXPECT_EQ(Names(), (QStringList{"keep", "old"}));

    ASSERT_TRUE(disk.SetReadOnly(false));
    calls.clear();
    ASSERT_TRUE(Select(QStringLiteral("old")));
    manager->cmdDelete_Click();
    EXPECT_EQ(calls.size(), 1u);  // only the question
    EXPECT_EQ(read(QStringLiteral("cnns.dat")), "keep\tData Source=k.db\r\n\r\n");
}

}  // namespace
