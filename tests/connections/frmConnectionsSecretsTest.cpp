// Saved passwords stay where the user put them: cnns.dat is readable by its owner only through
// every change the manager makes, and a connection that fails to open never shows its password.
#include "connections/ProgramFolder.h"
#include "connections/frmConnections.h"
#include "connections/frmEditConnection.h"
#include "core/FileOps.h"
#include "support/ManagerFixture.h"
#include "support/QueryWindowFixture.h"
#include "ui/Modal.h"
#include "ui/MsgBox.h"

#include <QLineEdit>
#include <QTreeWidget>

using namespace tbn::core;
using namespace tbn::ui;
using tbn::test::ManagerFixture;

namespace {

class ManagerSecretsTest : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        NewManager();
    }
    void AnswerEditor(const QString& name, const QString& cnn) {
        ManagerFixture::AnswerEditor(QPair<QString, QString>{name, cnn});
    }
    unsigned StoreMode() const { return FilePermissions(dir.file("cnns.dat")); }
};

TEST_F(ManagerSecretsTest, TheStoreStaysOwnerOnlyThroughAddChangeAndDelete) {
    AnswerEditor(QStringLiteral("one"), QStringLiteral("Data Source=1.db;Password=secret"));
    manager->cmdNew_Click();
    EXPECT_EQ(StoreMode(), 0600u);
    AnswerEditor(QStringLiteral("two"), QStringLiteral("Data Source=2.db;Password=secret"));
    manager->cmdNew_Click();
    EXPECT_EQ(StoreMode(), 0600u);

    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(0));
    AnswerEditor(QStringLiteral("uno"), QStringLiteral("Data Source=1.db;Password=other"));
    manager->cmdModify_Click();
    EXPECT_EQ(StoreMode(), 0600u);

    boxes->Answer(vbYes);
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(0));
    manager->cmdDelete_Click();
    EXPECT_EQ(StoreMode(), 0600u);
    EXPECT_EQ(manager->lvCnn->topLevelItemCount(), 1);
    EXPECT_EQ(boxes->Count(), 1u);
}

TEST_F(ManagerSecretsTest, ALineNamedByItsStringIsListedWithoutItsPassword) {
    dir.write("cnns.dat", "Data Source=x.db;PWD=secret\r\nplain\tData Source=y.db;PWD=secret\r\n");
    NewManager();
    EXPECT_EQ(Names(),
              (QStringList{QStringLiteral("Data Source=x.db;PWD=***"), QStringLiteral("plain")}));
}

TEST_F(ManagerSecretsTest, AConnectionThatFailsToOpenNeverShowsItsPassword) {
    const QString failing[] = {
        QStringLiteral("Data Source=") + dir.file("missing.db") +
            QStringLiteral(";Password=secret"),
        QStringLiteral("Provider=Nonsense;Password=secret;Data Source=x.db"),
        QStringLiteral("Data Source=x.db;Mode=Sideways;PWD=secret"),
        QStringLiteral("Data Source=x.db;Password='secret"),
        QStringLiteral("Data Source=x.db;Password={secret"),
        QStringLiteral("Password=\"se;cret\" trailing;Data Source=x.db"),
        QStringLiteral("Data Source=x.db;Jet OLEDB:Database Password=secret;Busy Timeout=soon"),
    };
    manager->show();
    std::size_t reports = 0;
    for (const QString& cnn : failing) {
        SCOPED_TRACE(cnn.toStdString());
        boxes->Answer(vbOK);
        manager->txtCnn->setText(cnn);
        manager->cmdOpen_Click();
        Settle();
        ASSERT_EQ(boxes->Count(), ++reports);
        EXPECT_EQ(boxes->Last().title, QStringLiteral("frmConnections >> OpenCnn"));
        EXPECT_FALSE(boxes->Last().prompt.contains(QStringLiteral("secret")))
            << boxes->Last().prompt.toStdString();
        EXPECT_FALSE(boxes->Last().prompt.contains(QStringLiteral("cret")))
            << boxes->Last().prompt.toStdString();
        EXPECT_TRUE(frame->QueryWindows().isEmpty());
    }
}

}  // namespace
