#include "db/providers/PostgresProvider.h"

#include "core/ErrorCodes.h"
#include "db/ConnectionStringLexer.h"
#include "db/ProviderCatalogue.h"
#include "db/providers/PostgresConnect.h"
#include "db/providers/PostgresSession.h"

#include <string_view>

namespace tbn::db {

using detail::SameKey;

std::vector<std::pair<std::string, std::string>>
PostgresConnectParams(const ConnectionString& properties) {
    const ProviderInfo& postgres = ProviderOf(Engine::PostgreSql);
    std::vector<std::pair<std::string, std::string>> params;
    // libpq keeps the last value of a repeated keyword, as the connection string does.
    for (const ConnectionProperty& property : properties.Properties()) {
        if (SameKey(property.Key, "Provider")) continue;
        const ProviderKey* known = postgres.Find(property.Key);
        params.emplace_back(known ? std::string(known->engineKey) : property.Key, property.Value);
    }
    auto has = [&params](std::string_view key) {
        for (const auto& [k, v] : params)
            if (k == key) return true;
        return false;
    };
    // libpq's own default is to wait forever for a host that does not answer.
    if (!has("connect_timeout"))
        params.emplace_back("connect_timeout",
                            std::to_string(PostgresDefaultConnectTimeoutSeconds));
    params.emplace_back("fallback_application_name", "TBN");
    // Values cross this layer as UTF-8 whatever the server's or the database's encoding.
    params.emplace_back("client_encoding", "UTF8");
    return params;
}

std::unique_ptr<Session> OpenPostgresSession(const ConnectionString& properties,
                                             const std::function<bool()>& stopRequested) {
    const auto params = PostgresConnectParams(properties);
    std::vector<const char*> keys, values;
    std::string password;
    for (const auto& [key, value] : params) {
        keys.push_back(key.c_str());
        values.push_back(value.c_str());
        if (key == "password") password = value;
    }
    keys.push_back(nullptr);
    values.push_back(nullptr);
    // expand_dbname 0: a database name is only ever a name, never a second connection string.
    pg::Connected connected = pg::Connect(keys.data(), values.data(), stopRequested);
    auto link = std::make_shared<pg::Link>(connected.conn.release(), password);
    if (!link->get())
        throw Error(ErrorCode::OutOfMemory,
                    "Out of memory while connecting to the PostgreSQL server.");
    // The words libpq's own connect gives a server that let its timeout pass.
    if (connected.timedOut)
        throw link->ConnectionError(ErrorCode::ServerUnreachable, "timeout expired");
    if (PQstatus(link->get()) != CONNECTION_OK)
        throw link->ConnectionError(ErrorCode::ServerUnreachable);
    return std::make_unique<pg::PostgresSession>(std::move(link));
}

}  // namespace tbn::db
