#pragma once
// The ways the engine-facing suite reaches a database. Each route makes a fresh, empty database
// and returns a connection string for it; a route whose engine is absent returns nullopt together
// with the reason, and its tests skip with that reason. Where engines legitimately differ, the
// route carries what its engine does.
#include "db/Connection.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace tbn::test {

struct ProviderRoute {
    std::string Name;
    std::function<std::optional<std::string>(const TempDir& dir, std::string& skipReason)>
        FreshDatabase;
    std::function<void(const std::string& connectionString)> DropDatabase;  // may be empty
    // A string for the same database through a login that sees no other database; empty where
    // the route's catalog never lists other databases anyway.
    std::function<std::string(const std::string& connectionString)> OwnLogin;
    std::function<std::string(std::string_view upperHex)> BlobLiteral;  // SQL for a binary value
    // The driver runs a text of several statements (the SQLite3 ODBC driver refuses them).
    bool SeveralStatements = true;
    // The engine runs a text's statements as one transaction, so a failure undoes earlier ones.
    bool FailureUndoesEarlierStatements = false;
    // The driver runs every statement of a text before it hands out the first result, so a failure
    // or a cancel anywhere in the text comes before any result.
    bool WholeTextBeforeFirstResult = false;
    // The catalog names engine tables as "SYSTEM TABLE" (some ODBC drivers never do).
    bool ReportsSystemTables = true;
    std::string OneAsReal = "1.0";       // SELECT 1.0
    bool CatalogInCreationOrder = true;  // else in the driver's own order
    // How a name is quoted so that it keeps its case and may hold any character.
    char NameQuote = '"';
    // A text column type that holds a million characters.
    std::string LongTextType = "TEXT";
    // A command that keeps the engine busy until it is stopped.
    std::string EndlessCommand = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c) "
                                 "SELECT count(*) FROM c WHERE x < 2000000000";
};

const std::vector<ProviderRoute>& AllProviderRoutes();

// A test body run over every route: a fresh database of the route, open in cnn_ and dropped
// afterwards; the test skips when the route's engine is absent.
class RouteTest : public ::testing::TestWithParam<ProviderRoute> {
protected:
    void SetUp() override;
    void TearDown() override;

    TempDir dir_;
    std::string connectionString_;
    db::Connection cnn_;
};

// Names the route in test output instead of dumping its bytes.
inline void PrintTo(const ProviderRoute& route, std::ostream* os) { *os << route.Name; }

}  // namespace tbn::test
