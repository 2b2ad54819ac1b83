// The start-up offer of texts that ended TBNs left: No puts them aside for good (for 30 days), on
// Yes texts whose connection fails still open, with one report for all of them, and what is no
// recovery file of a text's size (a link, a FIFO, a device) is set aside without being read.
#include "app/RecoveryOffer.h"
#include "core/RecoveryRecord.h"
#include "recovery/RecoveryFolder.h"
#include "recovery/RecoveryWriter.h"
#include "support/QueryWindowFixture.h"
#include "support/ScopedEnv.h"
#include "support/SqliteFile.h"
#include "ui/TextBox.h"

#include <QDir>
#include <QFile>
#include <QDateTime>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QSet>
#include <chrono>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tbn::core;
using namespace tbn::ui;
using namespace tbn::recovery;
using tbn::test::QueryWindowFixture;

namespace {

// Lets a reader that still waits on the FIFO at path after 10 s go (it reads an end of file), so
// that a scan which blocks on it fails the test rather than hanging it.
class FifoRescue {
public:
    explicit FifoRescue(const QString& path)
        : thread_([this, native = QFile::encodeName(path)] {
              std::unique_lock<std::mutex> lock(mutex_);
              if (done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; }))
                  return;
              // Opens without waiting only when a reader is there.
              if (const int fd = ::open(native.constData(), O_WRONLY | O_NONBLOCK); fd >= 0) {
                  rescued_ = true;
                  ::close(fd);
              }
          }) {}
    ~FifoRescue() { Finish(); }
    // True when a reader had to be let go.
    bool Finish() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        if (thread_.joinable()) thread_.join();
        return rescued_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    bool rescued_ = false;
    std::thread thread_;
};

// Sets the time an entry (not what a link points at) was last changed to `days` ago.
void Age(const QString& path, int days) {
    const timespec times[2] = {{0, UTIME_OMIT},
                               {QDateTime::currentSecsSinceEpoch() - days * 24 * 3600, 0}};
    ASSERT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

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
    const QString path = Leave(
        1, {QStringLiteral("a"), QStringLiteral("Data Source=a.db"), QStringLiteral("select 1")});
    Leave(2, {QStringLiteral("b"), QStringLiteral("Data Source=b.db"), QStringLiteral("select 2")});
    boxes->Answer(vbNo);
    EXPECT_EQ(tbn::app::OfferRecovery(*frame), 0);
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral(" 2 query texts ")))
        << boxes->Last().prompt.toStdString();
    EXPECT_EQ(boxes->Last().style, vbYesNo + vbQuestion);
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_TRUE(QFileInfo::exists(RecoveryFolder() + QStringLiteral("/discarded/") +
                                  QFileInfo(path).fileName()));
    EXPECT_EQ(QDir(RecoveryFolder()).entryList({QStringLiteral("*.rec")}, QDir::Files),
              QStringList());

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
    EXPECT_TRUE(
        boxes->Last().prompt.contains(QStringLiteral("2 reopened texts have no connection")))
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
    EXPECT_TRUE(
        QDir(RecoveryFolder()).entryList({QStringLiteral("1-0badf00d*")}, QDir::Files).isEmpty());
}

TEST_F(RecoveryOfferTest,
       EntriesThatAreNoOrdinaryFileOfATextsSizeAreSetAsideUnreadAndTheScanGoesOn) {
    const RecoveredText record{QStringLiteral("a"), QStringLiteral("Data Source=a.db"),
                               QStringLiteral("select 1")};
    Leave(1, record);
    // A complete text, but reached through a link: whatever a link leads to is not ours to read.
    dir.write(QStringLiteral("elsewhere.rec"), EncodeRecoveredText(record));
    const QString folder = RecoveryFolder() + QLatin1Char('/');
    ASSERT_TRUE(QFile::link(dir.file(QStringLiteral("elsewhere.rec")),
                            folder + QStringLiteral("1-0badf00d-2.rec")));
    const QString fifo = folder + QStringLiteral("1-0badf00d-3.rec");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    QFile huge(folder + QStringLiteral("1-0badf00d-4.rec"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(LeftTexts::kLargestRecoveryFile + 1));  // sparse: no disk is used
    huge.close();

    std::unique_ptr<LeftTexts> left;
    {
        FifoRescue rescue(fifo);
        left = std::make_unique<LeftTexts>();
        EXPECT_FALSE(rescue.Finish()) << "the scan waited on the FIFO";
    }
    ASSERT_EQ(left->Texts().size(), 1u);
    EXPECT_EQ(left->Texts().front().record.text, record.text);
    ASSERT_EQ(left->Problems().size(), 3u);
    for (const tbn::Error& problem : left->Problems())
        EXPECT_NE(problem.Description().find("moved to the \"discarded\" folder"),
                  std::string::npos)
            << problem.Description();
    EXPECT_NE(left->Problems()[1].Description().find("not an ordinary file"), std::string::npos);
    EXPECT_NE(left->Problems()[2].Description().find("larger"), std::string::npos);
    for (int number : {2, 3, 4}) {
        const QString name = QStringLiteral("1-0badf00d-%1.rec").arg(number);
        EXPECT_FALSE(QFileInfo(folder + name).exists() || QFileInfo(folder + name).isSymLink())
            << name.toStdString();
        EXPECT_TRUE(QFileInfo(folder + QStringLiteral("discarded/") + name).isSymLink() ||
                    QFileInfo::exists(folder + QStringLiteral("discarded/") + name))
            << name.toStdString();
    }
    EXPECT_EQ(dir.read(QStringLiteral("elsewhere.rec")), EncodeRecoveredText(record));
}

TEST_F(RecoveryOfferTest, DiscardedTextsAreRemovedThirtyDaysAfterTheyWerePutAside) {
    const QString discarded = RecoveryFolder() + QStringLiteral("/discarded/");
    ASSERT_TRUE(QDir().mkpath(discarded));
    for (const auto& [name, days] :
         {std::pair{"1-0000000a-1.rec", 31}, std::pair{"1-0000000a-2.rec", 29}}) {
        QFile file(discarded + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.close();
        Age(file.fileName(), days);
    }
    // Left long ago and declined now: its days in the folder start now.
    const QString declined =
        Leave(1, {QStringLiteral("a"), QStringLiteral("Data Source=a.db"), QStringLiteral("x")});
    Age(declined, 40);

    boxes->Answer(vbNo);
    tbn::app::OfferRecovery(*frame);
    tbn::app::OfferRecovery(*frame);
    EXPECT_EQ(QDir(discarded).entryList(QDir::Files, QDir::Name),
              (QStringList{QStringLiteral("1-0000000a-2.rec"), QFileInfo(declined).fileName()}));
}

}  // namespace
