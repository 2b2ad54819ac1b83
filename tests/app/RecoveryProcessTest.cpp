// Recovery as the user meets it, with real TBN processes (the test program started again as a child
// that runs TBN's own start-up on the offscreen platform, with its state and settings in a
// temporary folder): text typed into a query window is on disk about a second later; a second TBN
// started meanwhile leaves it alone; after kill -9 the next TBN offers it and, on Yes, the text
// comes back on its connection; quitting normally leaves no recovery file.
#include "app/Startup.h"
#include "app/frmMDI.h"
#include "query/frmMain.h"
#include "support/ChildEntry.h"
#include "support/SqliteFile.h"
#include "support/TempDir.h"
#include "ui/Modal.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include "query/SchemaTree.h"
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <gtest/gtest.h>

using namespace tbn::ui;

namespace {

const QString kTyped =
    QStringLiteral("SELECT id FROM books WHERE id > 0 -- typed before the crash");

void Say(const QString& line) {
    std::fprintf(stdout, "%s\n", qPrintable(line));
    std::fflush(stdout);
}

frmMDI* Frame() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* frame = qobject_cast<frmMDI*>(widget)) return frame;
    return nullptr;
}

QString RecoveryFolderOf(const QString& stateHome) {
    return stateHome + QStringLiteral("/tbn/recovery");
}

QStringList FilesIn(const QString& folder, const QString& pattern) {
    return QDir(folder).entryList({pattern}, QDir::Files | QDir::Hidden, QDir::Name);
}

// Child: TBN on the database in arguments[0]; once its query window is up, types kTyped into it,
// says "typed" and runs on until it is killed.
int TypeAndRun(const QStringList& arguments) {
    static int argc = 1;
    static char name[] = "TBN";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    SetMsgBoxResponder([](const MsgBoxCall& call) {
        Say(QStringLiteral("box: ") + call.title + QStringLiteral(" | ") + call.prompt);
        return vbOK;
    });
    SetModalResponder([](QDialog&) { return 0; });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&poll] {
        frmMDI* frame = Frame();
        if (!frame || frame->QueryWindows().isEmpty() ||
            !frame->QueryWindows().front()->PanesShown())
            return;
        poll.stop();
        QTest::keyClicks(frame->QueryWindows().front()->rtfQueryWidget(), kTyped);
        Say(QStringLiteral("typed"));
    });
    poll.start(20);
    return tbn::app::RunTabulon(app, arguments.value(0));
}
const tbn::test::ChildEntryRegistration kTypeAndRun("tbn-type-and-run", &TypeAndRun);

// Child: TBN started as a user starts it, answering the recovery question with arguments[0]
// ("yes" or "no"). When the connection manager shows, it reports the boxes seen, the query
// windows and the recovery files, and quits normally.
int StartAndQuit(const QStringList& arguments) {
    static int argc = 1;
    static char name[] = "TBN";
    static char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    const int answer = arguments.value(0) == QStringLiteral("yes") ? vbYes : vbNo;
    SetMsgBoxResponder([answer](const MsgBoxCall& call) {
        const QString prompt =
            QString(call.prompt).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
        Say(QStringLiteral("box: ") + call.title + QStringLiteral(" | ") + prompt);
        return (call.style & 7) == vbYesNo ? answer : vbOK;
    });
    SetModalResponder([](QDialog&) {
        frmMDI* frame = Frame();
        for (frmMain* window : frame->QueryWindows())
            Say(QStringLiteral("window: %1\t%2\t%3\t%4")
                    .arg(window->windowTitle())
                    .arg(window->IsConnected())
                    .arg(window->lstTablasWidget()->TableNames().size())
                    .arg(QString::fromLatin1(window->QueryText().Text().toUtf8().toHex())));
        Say(QStringLiteral("files: ") +
            FilesIn(RecoveryFolderOf(qEnvironmentVariable("XDG_STATE_HOME")),
                    QStringLiteral("*.rec"))
                .join(' '));
        QTimer::singleShot(0, frame, &QWidget::close);
        return 0;
    });
    return tbn::app::RunTabulon(app, QString());
}
const tbn::test::ChildEntryRegistration kStartAndQuit("tbn-start-and-quit", &StartAndQuit);

class RecoveryProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        database = dir.file(QStringLiteral("shop.db"));
        tbn::test::RunSqlite(database, "CREATE TABLE books(id INTEGER);");
        environment.insert(QStringLiteral("XDG_STATE_HOME"), dir.file(QStringLiteral("state")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.file(QStringLiteral("config")));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        recovery = RecoveryFolderOf(dir.file(QStringLiteral("state")));
    }

    void Start(QProcess& process, const QString& entry, const QStringList& arguments) {
        process.setProcessEnvironment(environment);
        tbn::test::StartChild(process, entry, arguments);
        ASSERT_TRUE(process.waitForStarted(10000));
    }

    // Runs a TBN that starts, answers the question with `answer` and quits; returns its output.
    QStringList StartAndQuitWith(const QString& answer) {
        QProcess tbn;
        Start(tbn, QStringLiteral("tbn-start-and-quit"), {answer});
        EXPECT_TRUE(tbn.waitForFinished(60000));
        EXPECT_EQ(tbn.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(tbn.exitCode(), 0) << tbn.readAllStandardError().toStdString();
        return QString::fromUtf8(tbn.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }

    tbn::test::TempDir dir;
    QString database;
    QString recovery;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
};

QStringList Starting(const QStringList& lines, const QString& prefix) {
    QStringList found;
    for (const QString& line : lines)
        if (line.startsWith(prefix)) found << line.mid(prefix.size());
    return found;
}

TEST_F(RecoveryProcessTest, AKilledTbnsTextComesBackOnItsConnectionAndANormalQuitLeavesNoFile) {
    QProcess crashing;
    Start(crashing, QStringLiteral("tbn-type-and-run"), {database});
    QByteArray said;
    for (QDeadlineTimer deadline(30000); !said.contains("typed\n") && !deadline.hasExpired();)
        if (crashing.waitForReadyRead(100)) said += crashing.readAllStandardOutput();
    ASSERT_TRUE(said.contains("typed\n"))
        << said.toStdString() << crashing.readAllStandardError().toStdString();
    // About a second after typing the text is on disk; waited for by looking, within a bound.
    QStringList left;
    for (QDeadlineTimer deadline(10000); left.isEmpty() && !deadline.hasExpired(); QTest::qWait(20))
        left = FilesIn(recovery, QStringLiteral("*.rec"));
    ASSERT_EQ(left.size(), 1) << "no recovery file within 10 s of typing";

    // A second TBN started while the first runs neither offers nor moves the first's text.
    const QStringList meanwhile = StartAndQuitWith(QStringLiteral("no"));
    EXPECT_EQ(Starting(meanwhile, QStringLiteral("box: ")), QStringList())
        << meanwhile.join('\n').toStdString();
    EXPECT_EQ(FilesIn(recovery, QStringLiteral("*.rec")), left);

    crashing.kill();  // SIGKILL: nothing of the program runs any more
    ASSERT_TRUE(crashing.waitForFinished(10000));
    ASSERT_EQ(FilesIn(recovery, QStringLiteral("*.rec")), left);

    const QStringList next = StartAndQuitWith(QStringLiteral("yes"));
    const QStringList boxes = Starting(next, QStringLiteral("box: "));
    ASSERT_EQ(boxes.size(), 1) << next.join('\n').toStdString();
    EXPECT_TRUE(boxes[0].startsWith(QStringLiteral("TBN | ")));
    EXPECT_TRUE(boxes[0].contains(QStringLiteral(" 1 query text "))) << boxes[0].toStdString();
    const QStringList windows = Starting(next, QStringLiteral("window: "));
    ASSERT_EQ(windows.size(), 1) << next.join('\n').toStdString();
    const QStringList fields = windows[0].split('\t');
    ASSERT_EQ(fields.size(), 4);
    EXPECT_EQ(fields[0], database) << "the window's connection name";
    EXPECT_EQ(fields[1], QStringLiteral("1")) << "connected";
    EXPECT_EQ(fields[2], QStringLiteral("1")) << "the database's one table listed";
    EXPECT_EQ(QString::fromUtf8(QByteArray::fromHex(fields[3].toLatin1())), kTyped);
    // While it ran, the reopened text was kept in a file of the new TBN's own; the old one was
    // gone.
    const QStringList running = Starting(next, QStringLiteral("files: "));
    ASSERT_EQ(running.size(), 1);
    EXPECT_EQ(running[0].split(' ', Qt::SkipEmptyParts).size(), 1);
    EXPECT_FALSE(running[0].contains(left[0]));

    // Quitting normally took every file with it.
    EXPECT_EQ(FilesIn(recovery, QStringLiteral("*")), QStringList());
    EXPECT_FALSE(QDir(recovery + QStringLiteral("/discarded")).exists());
}

}  // namespace
