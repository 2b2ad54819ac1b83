#include "connections/ProgramFolder.h"
#include "connections/frmConnections.h"
#include "connections/frmEditConnection.h"
#include "grid/FlexGrid.h"
#include "support/ManagerFixture.h"
#include "ui/Modal.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QHeaderView>
#include <QLineEdit>
#include "query/SchemaTree.h"
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

using namespace tbn::ui;
using tbn::test::ManagerFixture;

namespace {
QStringList EntryNames(const QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i) names << list->topLevelItem(i)->text(0);
    return names;
}
}  // namespace

class ManagerTest : public ManagerFixture {
protected:
    std::unique_ptr<frmConnections> Manager() {
        auto fresh = std::make_unique<frmConnections>(*frame);
        fresh->FillCnns();
        return fresh;
    }
};

TEST_F(ManagerTest, EmptyStoreListsNothingAndOpenModifyDeleteSaySoAndDoNothing) {
    auto manager = Manager();
    EXPECT_EQ(manager->lvCnn->topLevelItemCount(), 0);
    EXPECT_TRUE(manager->optTemp[0]->isChecked());
    boxes->Answer(vbOK).Answer(vbOK).Answer(vbOK);
    manager->cmdOpen_Click();
    manager->cmdModify_Click();
    manager->cmdDelete_Click();
    ASSERT_EQ(boxes->Count(), 3u);
    for (const MsgBoxCall& box : boxes->Calls()) {
        EXPECT_EQ(box.prompt, QStringLiteral("Select a saved connection first."));
        EXPECT_EQ(box.style, vbOKOnly + vbInformation);
    }
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_FALSE(dir.exists("cnns.dat"));
}

TEST_F(ManagerTest, AClickAnywhereOnTheListPicksTheSavedOptionAndBelowTheEntriesKeepsTheSelection) {
    dir.write("cnns.dat", "one\tData Source=1.db\r\ntwo\tData Source=2.db\r\n");
    auto manager = Manager();
    manager->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(manager.get()));
    QWidget* rows = manager->lvCnn->viewport();
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(1));
    manager->txtCnn->setText("typed");
    ASSERT_TRUE(manager->optTemp[1]->isChecked());

    const QPoint belowTheEntries(rows->width() / 2, rows->height() - 5);
    ASSERT_EQ(manager->lvCnn->itemAt(belowTheEntries), nullptr);
    QTest::mouseClick(rows, Qt::LeftButton, {}, belowTheEntries);
    EXPECT_TRUE(manager->optTemp[0]->isChecked());
    ASSERT_EQ(manager->lvCnn->selectedItems().size(), 1);
    EXPECT_EQ(manager->lvCnn->selectedItems().front()->text(0), QStringLiteral("two"));
    QTest::mouseDClick(rows, Qt::LeftButton, {}, belowTheEntries);
    EXPECT_EQ(manager->lvCnn->selectedItems().size(), 1);

    manager->optTemp[1]->setChecked(true);
    const QRect first = manager->lvCnn->visualItemRect(manager->lvCnn->topLevelItem(0));
    QTest::mouseClick(rows, Qt::LeftButton, {}, first.center());
    EXPECT_TRUE(manager->optTemp[0]->isChecked());
    EXPECT_EQ(manager->lvCnn->selectedItems().front()->text(0), QStringLiteral("one"));

    manager->optTemp[1]->setChecked(true);
    const QRect header = manager->lvCnn->header()->rect();
    QTest::mouseClick(manager->lvCnn->header()->viewport(), Qt::LeftButton, {}, header.center());
    EXPECT_TRUE(manager->optTemp[0]->isChecked());
    manager->close();
}

TEST_F(ManagerTest, NewAddsASortedEntryAndModifyWithoutDoneChangesNothing) {
    dir.write("cnns.dat", "zeta\tData Source=z.db\r\n");
    auto manager = Manager();
    QString caption;
    AnswerEditor(QPair<QString, QString>{"Alpha", "Data Source=a.db"}, &caption);
    manager->cmdNew_Click();
    EXPECT_EQ(caption, QStringLiteral("Connection editor - Add connection"));
    EXPECT_EQ(EntryNames(manager->lvCnn), (QStringList{"Alpha", "zeta"}));
    EXPECT_EQ(dir.read("cnns.dat"),
              QByteArray("zeta\tData Source=z.db\r\nAlpha\tData Source=a.db\r\n"));
    AnswerEditor(QPair<QString, QString>{"omega", "Data Source=o.db"});
    manager->cmdNew_Click();
    ASSERT_EQ(manager->lvCnn->selectedItems().size(), 1);
    EXPECT_EQ(manager->lvCnn->selectedItems().front()->text(0), QStringLiteral("omega"))
        << "the new entry is chosen";
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(0));

    AnswerEditor(std::nullopt, &caption);  // closed by its close box
    manager->cmdModify_Click();
    EXPECT_EQ(caption, QStringLiteral("Connection editor - Modify connection"));
    EXPECT_EQ(
        dir.read("cnns.dat"),
        QByteArray(
            "zeta\tData Source=z.db\r\nAlpha\tData Source=a.db\r\nomega\tData Source=o.db\r\n"));
    EXPECT_FALSE(dir.exists("temp.dat"));
}

TEST_F(ManagerTest, ModifyAndDeleteWorkOnEntriesWithExtraTabsToo) {
    dir.write("cnns.dat", "A\tB\tC\r\nkeep\tData Source=k.db\r\n");
    auto manager = Manager();
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(0));
    AnswerEditor(QPair<QString, QString>{"A2", "C2"});
    manager->cmdModify_Click();
    EXPECT_EQ(dir.read("cnns.dat"), QByteArray("keep\tData Source=k.db\r\nA2\tC2\r\n"));

    boxes->Answer(vbNo);
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(0));
    manager->cmdDelete_Click();
    EXPECT_EQ(boxes->Last().prompt, QStringLiteral("Are you sure you want to delete \"A2\"?"));
    EXPECT_EQ(boxes->Last().style, vbYesNo + vbQuestion + vbDefaultButton2);
    EXPECT_EQ(EntryNames(manager->lvCnn).size(), 2);

    boxes->Answer(vbYes);
    manager->cmdDelete_Click();
    EXPECT_EQ(dir.read("cnns.dat"), QByteArray("keep\tData Source=k.db\r\n"));
    EXPECT_EQ(EntryNames(manager->lvCnn), QStringList{"keep"});
    EXPECT_EQ(manager->lvCnn->currentItem(), manager->lvCnn->topLevelItem(0));
}

TEST_F(ManagerTest, OptionsFollowTheTextAndTheList) {
    dir.write("cnns.dat", "one\tData Source=1.db\r\n");
    auto manager = Manager();
    manager->txtCnn->setText("Data Source=x.db");
    EXPECT_TRUE(manager->optTemp[1]->isChecked());
    manager->txtCnn->clear();
    EXPECT_TRUE(manager->optTemp[0]->isChecked());
    manager->txtCnn->setText("typed");
    manager->lvCnn_Click();
    EXPECT_TRUE(manager->optTemp[0]->isChecked());
    EXPECT_EQ(manager->txtCnn->text(), QStringLiteral("typed"));

    manager->txtCnn->clear();
    manager->optTemp[1]->setChecked(true);
    manager->cmdOpen_Click();  // one-time option with an empty text: nothing
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
}

TEST_F(ManagerTest, OpenASavedConnectionAndRunAQuery) {
    const QString cnn =
        MakeDatabase("shop.db", "CREATE TABLE items(name TEXT); INSERT INTO items VALUES('pen');");
    dir.write("cnns.dat", ("Shop\t" + cnn + "\r\n").toUtf8());
    auto manager = Manager();
    manager->cmdOpen_Click();
    Settle();
    ASSERT_EQ(frame->QueryWindows().size(), 1);
    frmMain* window = frame->QueryWindows().front();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Shop"));
    EXPECT_TRUE(window->PanesShown());
    EXPECT_EQ(window->lstTablasWidget()->TableNames().value(0), QStringLiteral("items"));
    EXPECT_TRUE(frame->mnuQueryExecute->isEnabled());
    EXPECT_FALSE(manager->isVisible());
    EXPECT_EQ(MousePointer(), vbDefault);

    window->QueryText().SetText("SELECT name FROM items");
    frame->mnuQueryExecute_Click();
    ASSERT_TRUE(tbn::test::WaitForRun(*window));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("pen"));
}

TEST_F(ManagerTest, AOneTimeConnectionIsNamedTempAndNeverSaved) {
    const QString cnn = MakeDatabase("t.db", "CREATE TABLE t(x);");
    auto manager = Manager();
    manager->txtCnn->setText(cnn);
    manager->cmdOpen_Click();
    Settle();
    ASSERT_EQ(frame->QueryWindows().size(), 1);
    EXPECT_EQ(frame->QueryWindows().front()->windowTitle(), QStringLiteral("(temp) ") + cnn);
    EXPECT_FALSE(dir.exists("cnns.dat"));

    // A database file's bare path opens it, as the command line does.
    auto again = Manager();
    again->txtCnn->setText(dir.file("t.db"));
    again->cmdOpen_Click();
    Settle();
    ASSERT_EQ(frame->QueryWindows().size(), 2);
    EXPECT_EQ(frame->QueryWindows().back()->windowTitle(), dir.file("t.db"));
    EXPECT_EQ(frame->QueryWindows().back()->lstTablasWidget()->TableNames().size(), 1);
    EXPECT_FALSE(dir.exists("cnns.dat"));
}

TEST_F(ManagerTest, ABadConnectionIsReportedAndTheManagerStaysOpen) {
    auto manager = Manager();
    manager->show();
    manager->txtCnn->setText("Provider=Nonsense;Data Source=x");
    boxes->Answer(vbOK);
    manager->cmdOpen_Click();
    Settle();
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmConnections >> OpenCnn"));
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("Nonsense")));
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_TRUE(manager->isVisible());
    EXPECT_EQ(MousePointer(), vbDefault);
}

TEST_F(ManagerTest, EnterOpensAndEscapeClosesWhereverTheFocusIs) {
    const QString cnn = MakeDatabase("k.db", "CREATE TABLE k(x);");
    dir.write("cnns.dat", ("K\t" + cnn + "\r\n").toUtf8());
    {
        auto manager = Manager();
        manager->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(manager.get()));
        QTest::keyClick(manager->txtCnn, Qt::Key_Escape);
        EXPECT_FALSE(manager->isVisible());
        EXPECT_TRUE(frame->QueryWindows().isEmpty());
    }
    {
        auto manager = Manager();  // its Close button does what Escape does
        manager->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(manager.get()));
        QTest::mouseClick(manager->cmdClose, Qt::LeftButton);
        EXPECT_FALSE(manager->isVisible());
        EXPECT_EQ(manager->result(), QDialog::Rejected);
        EXPECT_TRUE(frame->QueryWindows().isEmpty());
    }
    auto manager = Manager();
    manager->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(manager.get()));
    QTest::keyClick(manager->lvCnn, Qt::Key_Return);
    Settle();
    EXPECT_EQ(frame->QueryWindows().size(), 1);
    EXPECT_EQ(dir.read("cnns.dat"), ("K\t" + cnn + "\r\n").toUtf8());
}
