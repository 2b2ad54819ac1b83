#include "db/providers/ProviderFactory.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/ConnectionString.h"
#include "db/ProviderCatalogue.h"
#include "db/providers/OdbcProvider.h"
#include "db/providers/PostgresProvider.h"
#include "db/providers/SqliteProvider.h"

#include <algorithm>
#include <string>

namespace tbn::db {

namespace {

Engine ChooseEngine(const ConnectionString& properties) {
    std::string named;
    if (const ProviderInfo* provider = ChooseProvider(properties, &named)) return provider->engine;
    std::string known;
    for (const ProviderInfo& provider : Providers()) {
        if (!known.empty()) known += ", ";
        known += provider.name;
    }
    throw Error(ErrorCode::UnknownProvider,
                "The provider \"" + named + "\" is not known. Known providers: " + known + ".");
}

}  // namespace

std::unique_ptr<Session> OpenSession(std::string_view connectionString, std::string_view user,
                                     std::string_view password,
                                     const std::function<bool()>& stopRequested) {
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
    case Engine::Sqlite: return OpenSqliteSession(properties);
    case Engine::PostgreSql: return OpenPostgresSession(properties, stopRequested);
    case Engine::Odbc: return OpenOdbcSession(properties);
    }
    throw Error(ErrorCode::UnknownProvider,
                "The requested provider is not available in this build of TBN.");
}

int LoginTimeoutSeconds(std::string_view connectionString) noexcept {
    try {
        const ConnectionString properties = ConnectionString::Parse(connectionString);
        if (ChooseEngine(properties) != Engine::PostgreSql) return OdbcLoginTimeoutSeconds;
        for (const auto& [key, value] : PostgresConnectParams(properties))
            if (key == "connect_timeout") return std::max(std::stoi(value), 0);
    } catch (...) {
        // Any string that cannot be read fails at once when opened.
    }
    return OdbcLoginTimeoutSeconds;
}

}  // namespace tbn::db
