#include "db/providers/ProviderFactory.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/ConnectionString.h"
#include "db/ConnectionStringLexer.h"
#include "db/providers/OdbcProvider.h"
#include "db/providers/PostgresProvider.h"
#include "db/providers/SqliteProvider.h"

namespace tbn::db {

namespace {

using detail::SameKey;

enum class Engine { Sqlite, PostgreSql, Odbc };

Engine ChooseEngine(const ConnectionString& properties) {
    const std::optional<std::string> provider = properties.Get({"Provider"});
    if (!provider)
        return properties.Get({"Driver", "DSN"}) ? Engine::Odbc : Engine::Sqlite;
    if (SameKey(*provider, "SQLite")) return Engine::Sqlite;
    if (SameKey(*provider, "PostgreSQL")) return Engine::PostgreSql;
    if (SameKey(*provider, "ODBC") || SameKey(*provider, "MSDASQL")) return Engine::Odbc;
    throw Error(ErrorCode::UnknownProvider,
                "The provider \"" + *provider + "\" is not known. Known providers: SQLite, PostgreSQL, ODBC.");
}

} // namespace

std::unique_ptr<Session> OpenSession(std::string_view connectionString, std::string_view user,
                                     std::string_view password) {
    ConnectionString properties = ConnectionString::Parse(connectionString);
    // The aliases go first so that no older spelling of the key outlives the override.
    if (!user.empty()) {
        for (std::string_view alias : {"UID", "Username", "User"}) properties.Remove(alias);
        properties.Set("User ID", std::string(user));
    }
    if (!password.empty()) {
        properties.Remove("PWD");
        properties.Set("Password", std::string(password));
    }
    switch (ChooseEngine(properties)) {
    case Engine::Sqlite:
        return OpenSqliteSession(properties);
    case Engine::PostgreSql:
        return OpenPostgresSession(properties);
    case Engine::Odbc:
        return OpenOdbcSession(properties);
    }
    throw Error(ErrorCode::UnknownProvider, "The requested provider is not available in this build of TBN.");
}

} // namespace tbn::db
