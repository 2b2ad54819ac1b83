#include "ProviderRoutes.h"

#include "support/MariaDbServer.h"
#include "support/PgServer.h"

namespace tbn::test {

namespace {

std::string SqliteFile(const TempDir& dir) { return dir.file("engine.db").toStdString(); }

// The database name of a string made by PgServer, for dropping it again.
std::string DatabaseOf(const std::string& connectionString) {
    const std::size_t at = connectionString.find("Database=");
    const std::size_t end = connectionString.find(';', at);
    return connectionString.substr(at + 9, end - at - 9);
}

std::optional<std::string> FreshPgDatabase(std::string& skipReason, bool throughOdbc) {
    const std::optional<PgServer> server = PgServer::FromEnvironment();
    if (!server) {
        skipReason = PgServer::AbsentReason();
        return std::nullopt;
    }
    const std::string name = server->CreateDatabase();
    return throughOdbc ? server->OdbcConnectionString(name) : server->ConnectionString(name);
}

void DropPgDatabase(const std::string& connectionString) {
    if (const std::optional<PgServer> server = PgServer::FromEnvironment())
        server->DropDatabase(DatabaseOf(connectionString));
}

std::optional<std::string> FreshMariaDbDatabase(std::string& skipReason) {
    const std::optional<MariaDbServer> server = MariaDbServer::FromEnvironment();
    if (!server) {
        skipReason = MariaDbServer::AbsentReason();
        return std::nullopt;
    }
    // Without the driver's multi-statement flag in the string: the provider sets it.
    return server->OdbcConnectionString(server->CreateDatabase());
}

void DropMariaDbDatabase(const std::string& connectionString) {
    if (const std::optional<MariaDbServer> server = MariaDbServer::FromEnvironment())
        server->DropDatabase(DatabaseOf(connectionString));
}

std::string PgBlobLiteral(std::string_view hex) {
    return "decode('" + std::string(hex) + "', 'hex')";
}

}  // namespace

const std::vector<ProviderRoute>& AllProviderRoutes() {
    static const std::vector<ProviderRoute> routes = [] {
        std::vector<ProviderRoute> list;

        ProviderRoute sqlite;
        sqlite.Name = "SqliteDirect";
        sqlite.FreshDatabase = [](const TempDir& dir, std::string&) -> std::optional<std::string> {
            return "Data Source=" + SqliteFile(dir) + ";Mode=ReadWriteCreate";
        };
        sqlite.BlobLiteral = [](std::string_view hex) { return "X'" + std::string(hex) + "'"; };
        list.push_back(sqlite);

        ProviderRoute sqliteOdbc = sqlite;
        sqliteOdbc.Name = "SqliteThroughOdbc";
        sqliteOdbc.FreshDatabase = [](const TempDir& dir,
                                      std::string&) -> std::optional<std::string> {
            return "Driver=SQLite3;Database=" + SqliteFile(dir);
        };
        sqliteOdbc.ReportsSystemTables = false;
        sqliteOdbc.SeveralStatements = false;
        list.push_back(sqliteOdbc);

        ProviderRoute pg;
        pg.Name = "PostgresDirect";
        pg.FreshDatabase = [](const TempDir&, std::string& skipReason) {
            return FreshPgDatabase(skipReason, false);
        };
        pg.DropDatabase = DropPgDatabase;
        pg.BlobLiteral = PgBlobLiteral;
        pg.FailureUndoesEarlierStatements = true;
        pg.EndlessCommand = "SELECT pg_sleep(60)";
        list.push_back(pg);

        ProviderRoute pgOdbc = pg;
        pgOdbc.Name = "PostgresThroughOdbc";
        pgOdbc.FreshDatabase = [](const TempDir&, std::string& skipReason) {
            return FreshPgDatabase(skipReason, true);
        };
        pgOdbc.ReportsSystemTables = false;
        pgOdbc.WholeTextBeforeFirstResult = true;
        pgOdbc.CatalogInCreationOrder = false;
        list.push_back(pgOdbc);

        ProviderRoute maria;
        maria.Name = "MariaDbThroughOdbc";
        maria.FreshDatabase = [](const TempDir&, std::string& skipReason) {
            return FreshMariaDbDatabase(skipReason);
        };
        maria.DropDatabase = DropMariaDbDatabase;
        maria.OwnLogin = [](const std::string& connectionString) {
            return MariaDbServer::FromEnvironment()->OwnLoginConnectionString(
                DatabaseOf(connectionString));
        };
        maria.BlobLiteral = sqlite.BlobLiteral;
        maria.NameQuote = '`';
        maria.LongTextType = "LONGTEXT";  // TEXT holds 65,535 bytes
        maria.ReportsSystemTables = false;
        maria.WholeTextBeforeFirstResult = true;
        maria.CatalogInCreationOrder = false;
        maria.EndlessCommand = "SELECT SLEEP(60)";
        list.push_back(maria);
        return list;
    }();
    return routes;
}

void RouteTest::SetUp() {
    std::string skipReason;
    const std::optional<std::string> cs = GetParam().FreshDatabase(dir_, skipReason);
    if (!cs) GTEST_SKIP() << skipReason;
    connectionString_ = *cs;
    cnn_.SetConnectionString(*cs);
    cnn_.Open();
}

void RouteTest::TearDown() {
    cnn_.Close();
    if (!connectionString_.empty() && GetParam().DropDatabase)
        GetParam().DropDatabase(connectionString_);
}

}  // namespace tbn::test
