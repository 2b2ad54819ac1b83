// cnns.dat as other tools and accidents leave it: huge, one enormous line, binary bytes. The
// manager must list what it can, keep every record it did not touch intact, and never hang.
// Connection strings of a megabyte must open or fail with a clear report, the manager still usable.
#include "connections/ProgramFolder.h"
#include "connections/frmConnections.h"
#include "connections/frmEditConnection.h"
#include "support/Bytes.h"
#include "support/ManagerFixture.h"
#include "support/QueryWindowFixture.h"
#include "ui/Modal.h"
#include "ui/MsgBox.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>

using namespace tbn::ui;
using tbn::test::ManagerFixture;

namespace {

using tbn::test::Bytes;

class HostileStoreTest : public ManagerFixture {
protected:
    void SetUp() override {
        ManagerFixture::SetUp();
        manager = std::make_unique<frmConnections>(*frame);
    }
};

TEST_F(HostileStoreTest, AHundredThousandLinesAreListedSorted) {
    QByteArray store;
    store.reserve(100000 * 40);
    for (int i = 100000; i-- > 0;)
        store += "conn" + QByteArray::number(i).rightJustified(6, '0') + "\tData Source=x.db\r\n";
    dir.write("cnns.dat", store);

    QElapsedTimer timer;
    timer.start();
    manager->FillCnns();
    EXPECT_LT(timer.elapsed(), 20000)
        << "listing 100,000 connections took " << timer.elapsed() << " ms";
    ASSERT_EQ(Listed(), 100000);
    EXPECT_EQ(Name(0), QStringLiteral("conn000000"));
    EXPECT_EQ(Name(99999), QStringLiteral("conn099999"));
    EXPECT_EQ(manager->lvCnn->currentItem(), manager->lvCnn->topLevelItem(0));
    EXPECT_EQ(boxes->Count(), 0u);

    // Deleting one rewrites the other 99,999 unchanged.
    boxes->Answer(vbYes);
    ASSERT_TRUE(Select(QStringLiteral("conn050000")));
    manager->cmdDelete_Click();
    QByteArray expected = store;
    expected.replace("conn050000\tData Source=x.db\r\n", "");
    EXPECT_EQ(dir.read("cnns.dat"), expected);
    EXPECT_EQ(Listed(), 99999);
}

TEST_F(HostileStoreTest, ATenMegabyteLineIsOneEntry) {
    const QByteArray value(10 * 1024 * 1024, 'v');
    dir.write("cnns.dat", "huge\tData Source=" + value + "\r\nsmall\tData Source=s.db\r\n");
    manager->FillCnns();
    ASSERT_EQ(Listed(), 2);
    EXPECT_EQ(Name(0), QStringLiteral("huge"));
    EXPECT_EQ(manager->lvCnn->topLevelItem(0)->data(0, Qt::UserRole).toString().size(),
              12 + value.size());

    // The same in the name position: listed, and deleting the small one keeps it byte for byte.
    const QByteArray store = value + "\r\nsmall\tData Source=s.db\r\n";
    dir.write("cnns.dat", store);
    manager->FillCnns();
    ASSERT_EQ(Listed(), 2);
    boxes->Answer(vbYes);
    ASSERT_TRUE(Select(QStringLiteral("small")));
    manager->cmdDelete_Click();
    EXPECT_EQ(dir.read("cnns.dat"), value + "\r\n");
    EXPECT_EQ(boxes->Count(), 1u);
}

TEST_F(HostileStoreTest, AHugeNameIsListedCutButKeyedWhole) {
    // A line with no TAB is all name; laying out its whole text took the list a minute.
    const QByteArray name(100000, 'n');
    const QString shown = QString(999, u'n') + QChar(0x2026);
    dir.write("cnns.dat",
              "small\tData Source=s.db\r\n" + name + "\r\n" + name + "x\tData Source=x.db\r\n");
    manager->FillCnns();
    EXPECT_EQ(Names(),
              (QStringList{shown, shown, QStringLiteral("small")}));  // still in name order

    // Modify starts from the whole record and replaces exactly its line.
    QString edited;
    SetModalResponder([&edited](QDialog& dialog) {
        auto* editor = qobject_cast<frmEditConnection*>(&dialog);
        if (!editor) return 0;
        edited = editor->txtName->text();
        editor->txtConnectionString->setText(QStringLiteral("Data Source=y.db"));
        editor->cmdDone_Click();
        return editor->result();
    });
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(1));
    manager->cmdModify_Click();
    EXPECT_EQ(edited, QString::fromLatin1(name + "x"));
    EXPECT_EQ(dir.read("cnns.dat"),
              "small\tData Source=s.db\r\n" + name + "\r\n" + name + "x\tData Source=y.db\r\n");

    // Delete asks with the listed text and removes the whole line.
    boxes->Answer(vbYes);
    manager->lvCnn->setCurrentItem(manager->lvCnn->topLevelItem(0));
    manager->cmdDelete_Click();
    EXPECT_EQ(boxes->Last().prompt,
              QStringLiteral("Are you sure you want to delete \"") + shown + QStringLiteral("\"?"));
    EXPECT_EQ(dir.read("cnns.dat"),
              "small\tData Source=s.db\r\n" + name + "x\tData Source=y.db\r\n");
}

TEST_F(HostileStoreTest, NulBytesAndInvalidUtf8AreListedAndSurviveARewrite) {
    // NULs, bytes that are no UTF-8, and an older tool's Windows-1252 text.
    const QByteArray store = Bytes("caf\xe9\tData Source=caf\xe9.db\r\n") +
                             Bytes("bin\0ary\tData Source=\xff\xfe\0.db\r\n") +
                             "plain\tData Source=p.db\r\n";
    dir.write("cnns.dat", store);
    manager->FillCnns();
    EXPECT_EQ(boxes->Count(), 0u);
    ASSERT_EQ(Listed(), 3);
    EXPECT_EQ(Name(0), QString::fromUtf8("bin\0ary", 7));
    EXPECT_EQ(Name(1), QString::fromUtf8("caf\xc3\xa9"));

    // Deleting "plain" rewrites the other two as UTF-8 with their NULs and characters intact.
    boxes->Answer(vbYes);
    ASSERT_TRUE(Select(QStringLiteral("plain")));
    manager->cmdDelete_Click();
    manager->FillCnns();
    ASSERT_EQ(Listed(), 2);
    EXPECT_EQ(Name(0), QString::fromUtf8("bin\0ary", 7));
    EXPECT_EQ(manager->lvCnn->topLevelItem(0)->data(0, Qt::UserRole).toString(),
              QString::fromUtf8(Bytes("Data Source=\xc3\xbf\xc3\xbe\0.db")));
    EXPECT_EQ(Name(1), QString::fromUtf8("caf\xc3\xa9"));

    // And the odd entry can itself be changed like any other.
    SetModalResponder([](QDialog& dialog) {
        auto* editor = qobject_cast<frmEditConnection*>(&dialog);
        if (!editor) return 0;
        editor->txtName->setText(QStringLiteral("fixed"));
        editor->txtConnectionString->setText(QStringLiteral("Data Source=f.db"));
        editor->cmdDone_Click();
        return editor->result();
    });
    ASSERT_TRUE(Select(QString::fromUtf8("bin\0ary", 7)));
    manager->cmdModify_Click();
    EXPECT_EQ(dir.read("cnns.dat"),
              "caf\xc3\xa9\tData Source=caf\xc3\xa9.db\r\nfixed\tData Source=f.db\r\n");
}

TEST_F(HostileStoreTest, AMegabyteConnectionStringOpensOrFailsWithAReport) {
    QElapsedTimer timer;
    timer.start();
    const QString db = MakeDatabase(QStringLiteral("m.db"), "CREATE TABLE t(x);");
    // Works: a megabyte of an option the engine does not use.
    const QString works = db + QStringLiteral(";Application Name=") + QString(1024 * 1024, u'a');
    manager->show();
    manager->txtCnn->setText(works);
    EXPECT_EQ(manager->txtCnn->text().size(), works.size()) << "the text box cut the string";
    manager->cmdOpen_Click();
    Settle();
    EXPECT_EQ(boxes->Count(), 0u);
    ASSERT_EQ(frame->QueryWindows().size(), 1);
    // The caption shows as much of the string as a screen could, and says that it was cut.
    const QString caption = frame->QueryWindows().front()->windowTitle();
    EXPECT_EQ(caption.size(), 1024);
    EXPECT_EQ(caption, (QStringLiteral("(temp) ") + works).left(1023) + QChar(0x2026));

    // Fails: a megabyte-long file name; the report says why and the manager stays for another try.
    auto again = std::make_unique<frmConnections>(*frame);
    again->show();
    again->txtCnn->setText(QStringLiteral("Data Source=") + QString(1024 * 1024, u'f') +
                           QStringLiteral(".db"));
    boxes->Answer(vbOK);
    again->cmdOpen_Click();
    Settle();
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmConnections >> OpenCnn"));
    EXPECT_TRUE(boxes->Last().prompt.startsWith(QStringLiteral("Application error:\r\n#")));
    EXPECT_EQ(frame->QueryWindows().size(), 1);
    EXPECT_TRUE(again->isVisible());
    again->txtCnn->setText(db);
    again->cmdOpen_Click();
    Settle();
    EXPECT_EQ(frame->QueryWindows().size(), 2);
    EXPECT_LT(timer.elapsed(), 20000) << "a megabyte string took " << timer.elapsed() << " ms";
}

}  // namespace
