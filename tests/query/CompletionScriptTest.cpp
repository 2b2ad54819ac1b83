// Completion at scripted positions over a catalogue read from a real database, the same script on
// every engine: what a user is offered first in each context, and what a choice inserts.
#include "core/Error.h"
#include "db/Connection.h"
#include "editor/Completion.h"
#include "editor/SqlTokens.h"
#include "support/PgServer.h"
#include "support/SqliteFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <memory>

namespace tbn::test {
namespace {

using editor::CompletionContext;

// Names that need quoting on every engine (a space, a reserved word) and names that need none.
constexpr const char* kDdl =
    "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT NOT NULL, email TEXT, city TEXT);"
    "CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER REFERENCES customers(id),"
    " ordered_on DATE, total NUMERIC);"
    "CREATE TABLE order_items (order_id INTEGER, product TEXT, quantity INTEGER);"
    "CREATE TABLE \"Order Notes\" (order_id INTEGER, \"Note Text\" TEXT, \"select\" TEXT);"
    "CREATE VIEW big_orders AS SELECT id, total FROM orders WHERE total > 100;";

struct Position {
    const char* text;                // '|' marks the caret
    std::vector<const char*> first;  // the labels offered first, in order; empty: nothing
    const char* inserted = nullptr;  // what choosing the first inserts, when it matters
};

const std::vector<Position>& Script() {
    static const std::vector<Position> script = {
        // The select list, WHERE, GROUP BY, ORDER BY, HAVING and JOIN ... ON: columns in scope.
        {"SELECT | FROM customers", {"city", "email", "id", "name"}},
        {"SELECT * FROM orders WHERE to|", {"total"}},
        {"SELECT * FROM customers WHERE mail|", {"email"}},  // containing, not starting
        {"SELECT name FROM customers GROUP BY ci|", {"city"}},
        {"SELECT name FROM customers ORDER BY |", {"city", "email", "id", "name"}},
        {"SELECT city FROM customers GROUP BY city HAVING count(na|", {"name"}},
        {"SELECT * FROM orders o JOIN customers c ON o.customer_id = c.| ",
         {"city", "email", "id", "name"}},
        {"SELECT * FROM orders JOIN order_items ON qu|", {"quantity"}},
        {"DELETE FROM customers WHERE |", {"city", "email", "id", "name"}},
        // Aliases, with and without AS, named before or after the caret, over several lines.
        {"SELECT c.| FROM customers c", {"city", "email", "id", "name"}},
        {"SELECT c.na| FROM customers AS c", {"name"}},
        {"SELECT o.|\nFROM orders o\nJOIN customers c ON c.id = o.customer_id",
         {"customer_id", "id", "ordered_on", "total"}},
        {"SELECT * FROM orders o; SELECT o.| FROM customers o", {"city", "email", "id", "name"}},
        {"SELECT customers.| FROM customers", {"city", "email", "id", "name"}},
        // Quoted names: as a table, as a qualifier, and inside a quote the user opened.
        {"SELECT n.| FROM \"Order Notes\" AS n",
         {"Note Text", "order_id", "select"},
         "\"Note Text\""},
        {"SELECT \"Order Notes\".or| FROM \"Order Notes\"", {"order_id"}, "order_id"},
        {"SELECT n.\"|\nFROM \"Order Notes\" n",
         {"Note Text", "order_id", "select"},
         "Note Text\""},
        {"SELECT n.sel| FROM \"Order Notes\" n", {"select"}, "\"select\""},
        // After FROM and JOIN: tables and views.
        {"SELECT * FROM ord|", {"Order Notes", "order_items", "orders"}, "\"Order Notes\""},
        {"SELECT * FROM orders JOIN cu|", {"customers"}, "customers"},
        {"SELECT * FROM big|", {"big_orders"}},
        {"SELECT b.| FROM big_orders b", {"id", "total"}},
        // UPDATE ... SET and INSERT INTO t (.
        {"UPDATE customers SET em|", {"email"}},
        {"UPDATE customers SET name = 'x' WHERE |", {"city", "email", "id", "name"}},
        {"INSERT INTO orders (|", {"customer_id", "id", "ordered_on", "total"}},
        {"INSERT INTO order_items (order_id, qu|) VALUES (1, 2)", {"quantity"}},
        // WITH queries and subqueries: their names and the columns they derive.
        {"WITH recent AS (SELECT id, total AS amount FROM orders) SELECT r.| FROM recent r",
         {"amount", "id"}},
        {"WITH t(a, b) AS (SELECT 1, 2) SELECT | FROM t", {"a", "b"}},
        {"WITH recent AS (SELECT * FROM orders) SELECT * FROM rec|", {"recent"}},
        {"WITH recent AS (SELECT * FROM orders) SELECT recent.| FROM recent",
         {"customer_id", "id", "ordered_on", "total"}},
        {"SELECT x.| FROM (SELECT name AS who, city FROM customers) x", {"city", "who"}},
        // Keywords keep the case typed; strings and comments offer nothing.
        {"sel|", {"select"}, "select"},
        {"SEL|", {"select"}, "SELECT"},
        {"SELECT 'c.|' FROM customers c", {}},
        {"SELECT * FROM customers c -- c.|", {}},
    };
    return script;
}

std::vector<std::string> FirstLabels(const editor::Completion& completion, size_t count) {
    std::vector<std::string> labels;
    for (const auto& candidate : completion.candidates) {
        if (labels.size() == count) break;
        labels.push_back(candidate.label.toStdString());
    }
    return labels;
}

void RunScript(const core::SchemaInfo& schema) {
    const editor::CompletionIndex index(std::make_shared<core::SchemaInfo>(schema));
    for (const Position& position : Script()) {
        QString text = QString::fromUtf8(position.text);
        const int caret = int(text.indexOf(QLatin1Char('|')));
        text.remove(caret, 1);
        const editor::StatementText statement = editor::StatementAt(text, caret);
        const editor::Completion completion =
            editor::CompleteAt(statement.text, caret - statement.start, &index);
        const std::vector<std::string> expected(position.first.begin(), position.first.end());
        SCOPED_TRACE(position.text);
        if (expected.empty()) {
            EXPECT_TRUE(completion.candidates.isEmpty());
            EXPECT_EQ(completion.context, CompletionContext::None);
            continue;
        }
        EXPECT_EQ(FirstLabels(completion, expected.size()), expected);
        if (position.inserted && !completion.candidates.isEmpty()) {
            EXPECT_EQ(completion.candidates.front().text.toStdString(), position.inserted);
        }
    }
}

TEST(CompletionScript, SqliteCatalogue) {
    TempDir dir;
    const QString path = dir.file(QStringLiteral("shop.db"));
    RunSqlite(path, kDdl);
    db::Connection cnn;
    cnn.Open(SqliteConnectionString(path).toStdString());
    RunScript(cnn.session().ReadSchema());
}

TEST(CompletionScript, PostgresCatalogue) {
    const std::optional<PgServer> server = PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << PgServer::AbsentReason();
    const std::string database = server->CreateDatabase();
    try {
        db::Connection cnn;
        cnn.Open(server->ConnectionString(database));
        cnn.session().Execute(kDdl);
        RunScript(cnn.session().ReadSchema());
    } catch (const Error& e) {
        ADD_FAILURE() << e.Description();
    }
    server->DropDatabase(database);
}

}  // namespace
}  // namespace tbn::test
