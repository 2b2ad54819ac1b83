// The schema tree beside the query: its top level is the window's table list, inside it what the
// catalogue read between runs tells, and the read never stands in a run's way.
#include "db/Catalog.h"
#include "db/ProviderRoutes.h"
#include "editor/SqlEdit.h"
#include "grid/FlexGrid.h"
#include "query/RunStatusBar.h"
#include "query/SchemaTree.h"
#include "run/SchemaReading.h"
#include "support/LoopbackRelay.h"
#include "support/PgServer.h"
#include "support/QueryWindowFixture.h"
#include "support/SqliteFile.h"
#include "ui/Clipboard.h"
#include "ui/TextBox.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <sqlite3.h>

using tbn::query::SchemaEntry;
using tbn::query::SchemaTree;
using tbn::test::ProviderRoute;
using tbn::test::QueryWindowFixture;

namespace {

const std::string kShop = "CREATE TABLE Orders(id INTEGER PRIMARY KEY, \"order date\" TEXT, total "
                          "REAL);"
                          "CREATE INDEX ix_total ON Orders(total);"
                          "CREATE TABLE Customers(id INTEGER, name TEXT);"
                          "CREATE VIEW BigOrders AS SELECT * FROM Orders WHERE total > 100;";

QStringList Texts(const QTreeWidgetItem* parent) {
    QStringList texts;
    for (int i = 0; i < parent->childCount(); ++i) texts << parent->child(i)->text(0);
    return texts;
}

QTreeWidgetItem* Child(QTreeWidgetItem* parent, const QString& text) {
    parent->setExpanded(true);
    for (int i = 0; i < parent->childCount(); ++i)
        if (parent->child(i)->text(0).compare(text, Qt::CaseInsensitive) == 0)
            return parent->child(i);
    return nullptr;
}

QAction* MenuEntry(SchemaTree* tree, const QTreeWidgetItem* item, const QString& text) {
    for (QAction* action : tree->PopupMenu(item)->actions())
        if (action->text() == text) return action;
    return nullptr;
}

// Another connection's write lock: a catalogue read waits on it for the busy timeout.
class ExclusiveLock {
public:
    explicit ExclusiveLock(const QString& path) {
        sqlite3_open(path.toUtf8().constData(), &db_);
        EXPECT_EQ(sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    }
    ~ExclusiveLock() { sqlite3_close(db_); }

private:
    sqlite3* db_ = nullptr;
};

}  // namespace

class SchemaTreeTest : public QueryWindowFixture {
protected:
    frmMain* OpenShop() {
        frmMain* window = OpenWindow("shop", MakeDatabase("shop.db", kShop));
        tree = window->lstTablasWidget();
        return window;
    }
    SchemaTree* tree = nullptr;
};

class SchemaTreeRouteTest : public QueryWindowFixture,
                            public ::testing::WithParamInterface<ProviderRoute> {};

TEST_P(SchemaTreeRouteTest, TheTopLevelIsThePlainTableListAndTheViewsFollowInAGroup) {
    std::string skipReason;
    const std::optional<std::string> cnn = GetParam().FreshDatabase(dir, skipReason);
    if (!cnn) GTEST_SKIP() << skipReason;
    std::vector<tbn::db::TableInfo> tables;
    {
        tbn::db::Connection connection;
        connection.Open(*cnn);
        for (const char* sql : {"CREATE TABLE Orders(id INTEGER PRIMARY KEY, total REAL)",
                                "CREATE TABLE Customers(id INTEGER, name VARCHAR(20))",
                                "CREATE VIEW BigOrders AS SELECT * FROM Orders WHERE total > 100"})
            connection.session().Execute(sql);
        tbn::db::Catalog catalog;
        catalog.SetActiveConnection(connection);
        tables = catalog.Tables();
    }
    frmMain* window = OpenWindow("route", QString::fromStdString(*cnn));
    QStringList plainTables;
    for (const tbn::db::TableInfo& table : tables)
        if (table.Type == "TABLE") plainTables << QString::fromStdString(table.Name);
    EXPECT_EQ(window->lstTablasWidget()->TableNames(), plainTables);
    QTreeWidgetItem* views = window->lstTablasWidget()->Group("Views");
    ASSERT_NE(views, nullptr);
    EXPECT_FALSE(views->isExpanded());
    EXPECT_NE(Child(views, "BigOrders"), nullptr) << Texts(views).join(", ").toStdString();
    window->Unload();
    Settle();
    if (GetParam().DropDatabase) GetParam().DropDatabase(*cnn);
}

INSTANTIATE_TEST_SUITE_P(Routes, SchemaTreeRouteTest,
                         ::testing::ValuesIn(tbn::test::AllProviderRoutes()),
                         [](const ::testing::TestParamInfo<ProviderRoute>& info) {
                             return info.param.Name;
                         });

TEST_F(SchemaTreeTest, ATableOpensOntoItsColumnsThenIndexesAndEveryNameAppends) {
    frmMain* window = OpenShop();
    MakeDatabase("other.db", "CREATE TABLE planets(name TEXT); CREATE VIEW big AS SELECT 1;");
    window->QueryText().SetText("ATTACH '" + dir.file("other.db") + "' AS other");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));

    // The attach is read back: another schema is a group of its own, after the views.
    QStringList top;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) top << tree->topLevelItem(i)->text(0);
    EXPECT_EQ(top, (QStringList{"Orders", "Customers", "Views", "other"}));
    QTreeWidgetItem* orders = tree->topLevelItem(0);
    orders->setExpanded(true);
    EXPECT_EQ(Texts(orders),
              (QStringList{"id  INTEGER", "order date  TEXT", "total  REAL", "ix_total (total)"}));
    EXPECT_FALSE(orders->child(0)->toolTip(0).isEmpty()) << "the key column is marked";
    EXPECT_TRUE(orders->child(1)->toolTip(0).isEmpty());

    window->QueryText().SetText("SELECT");
    tree->setCurrentItem(orders->child(1));
    window->lstTablas_DblClick();
    tree->setCurrentItem(Child(tree->Group("Views"), "BigOrders"));
    QTest::keyClick(tree, Qt::Key_Return);
    tree->setCurrentItem(Child(tree->Group("other"), "planets"));
    window->lstTablas_DblClick();
    EXPECT_EQ(window->QueryText().Text(),
              QStringLiteral("SELECT \"order date\" BigOrders other.planets"));

    // A group only opens and closes.
    QTreeWidgetItem* other = tree->Group("other");
    tree->setCurrentItem(other);
    window->lstTablas_DblClick();
    EXPECT_FALSE(other->isExpanded());
    QTest::keyClick(tree, Qt::Key_Return);
    EXPECT_TRUE(other->isExpanded());
    EXPECT_EQ(window->QueryText().Text(),
              QStringLiteral("SELECT \"order date\" BigOrders other.planets"));
}

TEST_F(SchemaTreeTest, ARunThatCreatesATableReadsTheCatalogueAgainAndHandsItToTheEditor) {
    frmMain* window = OpenShop();
    tree->topLevelItem(0)->setExpanded(true);
    window->QueryText().SetText("CREATE TABLE Later(x INTEGER)");
    ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    EXPECT_EQ(tree->TableNames(), (QStringList{"Orders", "Customers", "Later"}));
    EXPECT_TRUE(tree->topLevelItem(0)->isExpanded()) << "what was open stays open";
    ASSERT_NE(window->Schema(), nullptr);
    EXPECT_EQ(static_cast<tbn::editor::SqlEdit*>(window->rtfQueryWidget())->CompletionSchema(),
              window->Schema());
    const auto& relations = window->Schema()->relations;
    EXPECT_TRUE(std::any_of(relations.begin(), relations.end(),
                            [](const auto& relation) { return relation.name == "Later"; }));
}

TEST_F(SchemaTreeTest, SelectTopRowsRunsALineOfItsOwnThatOneUndoTakesAway) {
    frmMain* window = OpenShop();
    window->QueryText().SetText("SELECT 1");
    QAction* selectTop = MenuEntry(tree, tree->topLevelItem(0), "Select top 100 rows");
    ASSERT_NE(selectTop, nullptr);
    selectTop->trigger();
    ASSERT_TRUE(tbn::test::WaitForRun(*window));
    EXPECT_EQ(window->QueryText().Text(),
              QStringLiteral("SELECT 1\r\nSELECT * FROM Orders LIMIT 100"));
    EXPECT_EQ(window->QueryText().SelText(), QStringLiteral("SELECT * FROM Orders LIMIT 100"));
    EXPECT_EQ(window->FlexWidget()->TextMatrix(0, 2), QStringLiteral("order date"));
    window->rtfQueryWidget()->undo();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("SELECT 1"));

    EXPECT_FALSE(MenuEntry(tree, tree->Group("Views"), "Select top 100 rows")->isEnabled());
    EXPECT_FALSE(MenuEntry(tree, tree->Group("Views"), "Copy name")->isEnabled());
    tree->topLevelItem(0)->setExpanded(true);
    MenuEntry(tree, tree->topLevelItem(0)->child(1), "Copy name")->trigger();
    EXPECT_EQ(tbn::ui::Clipboard::GetText(), QStringLiteral("\"order date\""));
}

TEST_F(SchemaTreeTest, TheRowLimitAndTheQuotingAreTheEngines) {
    struct Case {
        tbn::core::RowLimitSpelling rowLimit;
        tbn::core::IdentifierCase identifierCase;
        std::string quote[2];
        const char* table;
        const char* expected;
    };
    using enum tbn::core::RowLimitSpelling;
    using enum tbn::core::IdentifierCase;
    for (const Case& c : {
             Case{Limit, Insensitive, {"\"", "\""}, "Orders", "SELECT * FROM Orders LIMIT 100"},
             Case{Top, Insensitive, {"[", "]"}, "a]b", "SELECT TOP 100 * FROM [a]]b]"},
             Case{FetchFirst,
                  Upper,
                  {"\"", "\""},
                  "Orders",
                  "SELECT * FROM \"Orders\" FETCH FIRST 100 ROWS ONLY"},
             Case{Limit, Lower, {"\"", "\""}, "select", "SELECT * FROM \"select\" LIMIT 100"},
         }) {
        auto schema = std::make_shared<tbn::core::SchemaInfo>();
        schema->rowLimit = c.rowLimit;
        schema->identifierCase = c.identifierCase;
        schema->quoteOpen = c.quote[0];
        schema->quoteClose = c.quote[1];
        SchemaTree tree;
        tree.Fill({{"TABLE", c.table}}, schema);
        EXPECT_EQ(tree.SelectTopText(tree.topLevelItem(0)), QString::fromLatin1(c.expected));
        EXPECT_EQ(tree.InsertText(tree.topLevelItem(0)), QString::fromLatin1(c.table))
            << "the table list's own entries append as they are shown";
    }
}

TEST_F(SchemaTreeTest, ARunAskedForDuringAReadStopsItRunsAndTheReadComesAgain) {
    const QString path = dir.file("locked.db");
    tbn::test::RunSqlite(path, "CREATE TABLE t(x INTEGER);");
    frmMain* window =
        OpenWindow("locked", tbn::test::SqliteConnectionString(path) + ";Busy Timeout=60000");
    const std::shared_ptr<const tbn::core::SchemaInfo> before = window->Schema();
    ASSERT_NE(before, nullptr);
    {
        const ExclusiveLock lock(path);
        window->RefreshSchema();  // it waits on the lock, for a minute if nobody stops it
        ASSERT_TRUE(window->ReadingSchema());
        window->QueryText().SetText("SELECT 42");
        window->ExecuteQuery();
        EXPECT_TRUE(window->Running());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running(); }, 30000));
        EXPECT_EQ(window->FlexWidget()->TextMatrix(1, 1), QStringLiteral("42"));
        EXPECT_TRUE(window->ReadingSchema()) << "the stopped read comes again after the run";
        EXPECT_EQ(window->Schema(), before) << "a stopped read replaces nothing";
    }
    Settle();
    EXPECT_NE(window->Schema(), before);

    // Closing the window stops a read that waits.
    const ExclusiveLock lock(path);
    window->RefreshSchema();
    QElapsedTimer closing;
    closing.start();
    window->Unload();
    EXPECT_LT(closing.elapsed(), 30000);
    EXPECT_EQ(boxes->Count(), 0u);
}

// A server stopped in the middle of a read answers neither the stop nor a new connection: the run
// that asked for the connection is not left waiting for good, and the window says why.
TEST_F(SchemaTreeTest, AReadOnAServerThatStopsAnsweringGivesTheConnectionUp) {
    const std::optional<tbn::test::PgServer> server = tbn::test::PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << tbn::test::PgServer::AbsentReason();
    tbn::test::PgServer relayed = *server;
    tbn::test::LoopbackRelay relay(server->Host, server->Port);
    relayed.Host = "127.0.0.1";
    relayed.Port = relay.Port();
    frmMain* window =
        OpenWindow("pg", QString::fromStdString(relayed.ConnectionString() + ";Connect Timeout=2"));
    ASSERT_TRUE(window->IsConnected());
    relay.Freeze();
    window->RefreshSchema();
    window->QueryText().SetText("SELECT 1");
    window->ExecuteQuery();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->Running(); },
                                tbn::run::SchemaReading::kStopAnswerMs + 10000));
    EXPECT_FALSE(window->IsConnected());
    EXPECT_TRUE(window->StatusLine()->Text().startsWith(QStringLiteral("Not connected: ")))
        << window->StatusLine()->Text().toStdString();
    EXPECT_FALSE(window->ReadingSchema());
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(SchemaTreeTest, WhatCouldNotBeReadIsSaidInTheStatusLineWithoutABox) {
    frmMain* window = OpenWindow(
        "gaps", MakeDatabase("gaps.db", "CREATE TABLE gone(a INTEGER); CREATE VIEW broken AS "
                                        "SELECT a FROM gone; CREATE TABLE kept(b INTEGER); "
                                        "DROP TABLE gone;"));
    EXPECT_EQ(window->lstTablasWidget()->TableNames(), QStringList{"kept"});
    EXPECT_TRUE(window->StatusLine()->Text().contains(QStringLiteral("broken")))
        << window->StatusLine()->Text().toStdString();
    EXPECT_EQ(boxes->Count(), 0u);
}
