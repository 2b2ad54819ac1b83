#include "db/providers/PostgresProvider.h"

#include "core/ErrorCodes.h"
#include "db/ConnectionStringLexer.h"
#include "db/ProviderCatalogue.h"
#include "db/providers/PostgresConnect.h"
#include "db/ReadOnlyMode.h"
#include "db/providers/PostgresSession.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace tbn::db {

using detail::SameKey;

namespace {

bool ReadOnlySession(const ConnectionString& properties) {
    const std::optional<std::string> mode =
        ProviderOf(Engine::PostgreSql).Key("Mode").ValueIn(properties);
    if (!mode || mode->empty() || SameKey(*mode, "ReadWrite")) return false;
    if (IsReadOnlyMode(*mode)) return true;
    throw Error(ErrorCode::MalformedConnectionString,
                "The PostgreSQL Mode \"" + *mode + "\" is not one of ReadOnly, ReadWrite.");
}

// What the server says of the session now: PostgreSQL 14 and later report both settings without
// being asked; an older server is asked, and only when read-only was asked for, so a connection
// without Mode costs no round trip more than it did.
bool ServerRefusesWrites(pg::Link& link, bool asked) {
    PGconn* conn = link.get();
    const char* standby = PQparameterStatus(conn, "in_hot_standby");
    if (standby && std::string_view(standby) == "on") return true;
    if (const char* reported = PQparameterStatus(conn, "default_transaction_read_only"))
        return std::string_view(reported) == "on";
    if (!asked) return false;
    pg::ResultPtr shown(PQexec(conn, "SHOW default_transaction_read_only"));
    if (!shown || PQresultStatus(shown.get()) != PGRES_TUPLES_OK)
        throw shown ? link.ResultError(shown.get()) : link.ConnectionError(ErrorCode::ServerError);
    return PQntuples(shown.get()) == 1 && std::string_view(PQgetvalue(shown.get(), 0, 0)) == "on";
}

}  // namespace

std::vector<std::pair<std::string, std::string>>
PostgresConnectParams(const ConnectionString& properties) {
    const ProviderInfo& postgres = ProviderOf(Engine::PostgreSql);
    std::vector<std::pair<std::string, std::string>> params;
    // libpq keeps the last value of a repeated keyword, as the connection string does.
    for (const ConnectionProperty& property : properties.Properties()) {
        if (SameKey(property.Key, "Provider")) continue;
        const ProviderKey* known = postgres.Find(property.Key);
        if (known && known->engineKey.empty()) continue;  // ours, not libpq's
        params.emplace_back(known ? std::string(known->engineKey) : property.Key, property.Value);
    }
    auto has = [&params](std::string_view key) {
        for (const auto& [k, v] : params)
            if (k == key) return true;
        return false;
    };
    if (ReadOnlySession(properties)) {
        // Given at start-up rather than SET afterwards, it is the session's default: RESET ALL and
        // DISCARD ALL come back to it. libpq keeps the last options given, so they are added to.
        constexpr std::string_view readOnly = "-c default_transaction_read_only=on";
        auto given = std::find_if(params.rbegin(), params.rend(),
                                  [](const auto& param) { return param.first == "options"; });
        if (given == params.rend())
            params.emplace_back("options", std::string(readOnly));
        else
            given->second += (given->second.empty() ? "" : " ") + std::string(readOnly);
    }
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
    link->SetReadOnlyEnforced(ServerRefusesWrites(*link, ReadOnlySession(properties)));
    return std::make_unique<pg::PostgresSession>(std::move(link));
}

}  // namespace tbn::db
