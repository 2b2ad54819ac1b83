// The start-up offer of texts that ended TBNs left: No puts them aside for good, and on Yes texts
// whose connection fails still open, with one report for all of them.
#include "app/RecoveryOffer.h"
#include "query/RecoveryFolder.h"
#include "core/RecoveryRecord.h"
#include "query/RecoveryWriter.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "support/SqliteFile.h"
#include "ui/TextBox.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QSet>

using namespace tbn::platform;
using namespace tbn::query;
using tbn::test::QueryWindowFixture;

namespace {

class RecoveryOfferTest : public QueryWindowFixture {
protected:
    // A text as an ended TBN (pid 1, whose lock nobody holds) left it.
    QString Leave(int number, const RecoveredText& record) {
        QDir().mkpath(RecoveryFolder());
        const QString path = RecoveryFolder() + QStringLiteral("/1-0badf00d-%1.rec").arg(number);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(EncodeRecoveredText(record));
        return path;
    }

    tbn::test::ScopedEnv state{"XDG_STATE_HOME", qPrintable(dir.file(QStringLiteral("state")))};
};

TEST_F(RecoveryOfferTest, DeclinedTextsArePutAsideAndNeverOfferedAgain) {
    const QString path = Leave(1, {QStringLiteral("a"), QStringLiteral("Data Source=a.db"), QStringLiteral("select 1")});
    Leave(2, {QStringLiteral("b"), QStringLiteral("Data Source=b.db"), QStringLiteral("select 2")});
    boxes->Answer(vbNo);
    EXPECT_EQ(tbn::app::OfferRecovery(*frame), 0);
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral(" 2 query texts "))) << boxes->Last().prompt.toStdString();
    EXPECT_EQ(boxes->Last().style, vbYesNo + vbQuestion);
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(RecoveryFolder() + QStringLiteral("/discarded/") + QFileInfo(path).fileName()));
    EXPECT_EQ(QDir(RecoveryFolder()).entryList({QStringLiteral("*.rec")}, QDir::Files), QStringList());

    EXPECT_EQ(tbn::app::OfferRecovery(*frame), 0);
    EXPECT_EQ(boxes->Count(), 1u) << "offered again";
}

TEST_F(RecoveryOfferTest, TextsWhoseConnectionFailsOpenWithoutItAndAreReportedOnce) {
    const QString good = MakeDatabase(QStringLiteral("shop.db"), "CREATE TABLE books(id INTEGER);");
    const QString missing = tbn::test::SqliteConnectionString(dir.file(QStringLiteral("gone.db")));
    Leave(1, {QStringLiteral("gone 1"), missing, QStringLiteral("select 'one'")});
    Leave(2, {QStringLiteral("shop"), good, QStringLiteral("select\r\n'two'")});
    Leave(3, {QStringLiteral("gone 2"), missing, QStringLiteral("select 'three'")});
    boxes->Answer(vbYes).Answer(vbOK);
    EXPECT_EQ(tbn::app::OfferRecovery(*frame), 3);
    Settle();

    ASSERT_EQ(boxes->Count(), 2u) << "the question, then one report for both failed connections";
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMDI >> Recovery"));
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("2 reopened texts have no connection")))
        << boxes->Last().prompt.toStdString();
    const QList<frmMain*> windows = frame->QueryWindows();
    ASSERT_EQ(windows.size(), 3);
    QStringList texts;
    for (frmMain* window : windows) {
        texts << window->QueryText().Text();
        EXPECT_EQ(window->IsConnected(), window->windowTitle() == QStringLiteral("shop"));
        // Each keeps its text in a file of this process's own; the old files are gone.
        EXPECT_TRUE(QFileInfo::exists(window->Recovery().FilePath()));
        EXPECT_FALSE(window->Recovery().FilePath().contains(QStringLiteral("0badf00d")));
    }
    EXPECT_EQ(texts, (QStringList{QStringLiteral("select 'one'"), QStringLiteral("select\r\n'two'"),
                                  QStringLiteral("select 'three'")}));
    // Cascaded: none hides another exactly.
    QSet<QPoint> corners;
    for (frmMain* window : windows) corners.insert(window->subWindow()->pos());
    EXPECT_EQ(corners.size(), 3);
    EXPECT_TRUE(frame->mnuQueryExecute->isEnabled());
    EXPECT_TRUE(QDir(RecoveryFolder()).entryList({QStringLiteral("1-0badf00d*")}, QDir::Files).isEmpty());
}

} // namespace
