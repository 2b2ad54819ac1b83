#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "support/QueryWindowFixture.h"
#include "ui/TextBox.h"

#include <QCoreApplication>
#include "query/SchemaTree.h"
#include <QPointer>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QTest>

using tbn::test::QueryWindowFixture;

namespace {
const std::string kShop =
    "CREATE TABLE Orders(id INTEGER PRIMARY KEY AUTOINCREMENT, total REAL);"
    "CREATE TABLE Customers(id INTEGER, name TEXT);"
    "CREATE VIEW BigOrders AS SELECT * FROM Orders WHERE total > 100;"
    "INSERT INTO Orders(total) VALUES (5);";  // AUTOINCREMENT makes sqlite_sequence exist

QStringList Items(const tbn::query::SchemaTree* list) { return list->TableNames(); }
}  // namespace

class QueryWindowTest : public QueryWindowFixture {};

TEST_F(QueryWindowTest, ConnectListsOnlyPlainTablesAndRevealsThePanesOnActivation) {
    frmMain* window = OpenWindow("shop", MakeDatabase("shop.db", kShop));
    EXPECT_TRUE(window->IsConnected());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("shop"));
    EXPECT_EQ(Items(window->lstTablasWidget()), (QStringList{"Orders", "Customers"}));
    EXPECT_TRUE(window->PanesShown());
    EXPECT_TRUE(window->rtfQueryWidget()->isVisible());
}

TEST_F(QueryWindowTest, PanesStayHiddenWhileLoading) {
    frmMain* window = frame->NewQueryWindow();
    window->SetIsLoading(true);
    window->Load();
    window->Connect("x", MakeDatabase("x.db", kShop));
    window->Show();
    Settle();
    window->Form_Activate();
    EXPECT_FALSE(window->PanesShown());
    EXPECT_TRUE(window->rtfQueryWidget()->isHidden());
    window->SetIsLoading(false);
    window->Form_Activate();
    EXPECT_TRUE(window->PanesShown());
}

TEST_F(QueryWindowTest, DoubleClickAppendsTheTableNameAfterOneSpace) {
    frmMain* window = OpenWindow("shop", MakeDatabase("shop.db", kShop));
    tbn::query::SchemaTree* list = window->lstTablasWidget();
    list->setCurrentItem(nullptr);
    window->lstTablas_DblClick();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral(" "));  // no current item: a single space

    window->QueryText().SetText("SELECT * FROM");
    window->QueryText().SetSelStart(2);  // caret and selection play no part
    list->setCurrentItem(list->topLevelItem(0));
    window->lstTablas_DblClick();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT * FROM Orders"));

    window->QueryText().SetText("");
    window->lstTablas_DblClick();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral(" Orders"));

    // Enter on a name does what a double click does.
    list->setCurrentItem(list->topLevelItem(1));
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral(" Orders Customers"));
}

TEST_F(QueryWindowTest, ConnectingAgainSwitchesDatabaseAndRefillsTheList) {
    frmMain* window = OpenWindow("shop", MakeDatabase("shop.db", kShop));
    const QString other = MakeDatabase("other.db", "CREATE TABLE Planets(name TEXT);");
    tbn::test::ConnectAndWait(*window, "other", other);
    EXPECT_EQ(Items(window->lstTablasWidget()), QStringList{"Planets"});
    EXPECT_EQ(window->windowTitle(), QStringLiteral("other"));
    EXPECT_EQ(window->connection().ConnectionString(), other.toStdString());
}

TEST_F(QueryWindowTest, DisconnectOnlyActsOnAConnectedWindow) {
    frmMain* window = OpenWindow("shop", MakeDatabase("shop.db", kShop));
    window->Disconnect();
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(window->connection().State(), tbn::db::adStateClosed);
    window->Disconnect();  // nothing to do, nothing raised
    EXPECT_FALSE(window->IsConnected());
}

TEST_F(QueryWindowTest, AFailingConnectRaisesAndLeavesTheWindowUnconnected) {
    frmMain* window = frame->NewQueryWindow();
    window->SetIsLoading(true);
    window->Load();
    window->lstTablasWidget()->Fill({{"TABLE", "stale"}});
    try {
        tbn::test::ConnectAndWait(*window, "missing", "Data Source=" + dir.file("nope.db"));
        FAIL() << "Connect should raise for a missing database file";
    } catch (const tbn::Error& e) {
        EXPECT_FALSE(e.Description().empty());
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("missing"));
    EXPECT_FALSE(window->IsConnected());
    EXPECT_EQ(Items(window->lstTablasWidget()), QStringList{"stale"});
    EXPECT_FALSE(dir.exists("nope.db"));
    window->Unload();
}

TEST_F(QueryWindowTest, ClosingAsksNothingAndClosesTheConnection) {
    frmMain* window = OpenWindow("shop", MakeDatabase("shop.db", kShop));
    window->QueryText().SetText("unsaved work");
    QPointer<QMdiSubWindow> sub = window->subWindow();
    window->Unload();
    Settle();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(sub.isNull());
    EXPECT_TRUE(frame->QueryWindows().isEmpty());
    EXPECT_EQ(boxes->Count(), 0u);
}
