#include "db/providers/PostgresProvider.h"

#include "core/ErrorCodes.h"
#include "db/ConnectionStringLexer.h"
#include "db/providers/PostgresSession.h"

#include <array>
#include <string_view>

namespace tbn::db {

namespace {

using detail::SameKey;

struct KeyMapping {
    std::string_view libpqKey;
    std::array<std::string_view, 3> names;  // empty entries unused
};

constexpr std::array<KeyMapping, 8> Mappings{{
    {"host", {"Host", "Server", ""}},
    {"port", {"Port", "", ""}},
    {"dbname", {"Database", "Initial Catalog", ""}},
    {"user", {"User ID", "Username", "UID"}},
    {"password", {"Password", "PWD", ""}},
    {"sslmode", {"SSL Mode", "", ""}},
    {"connect_timeout", {"Connect Timeout", "", ""}},
    {"application_name", {"Application Name", "", ""}},
}};

std::string_view LibpqKeyFor(std::string_view key) {
    for (const KeyMapping& mapping : Mappings)
        for (std::string_view name : mapping.names)
            if (!name.empty() && SameKey(key, name)) return mapping.libpqKey;
    return {};
}

} // namespace

std::vector<std::pair<std::string, std::string>> PostgresConnectParams(const ConnectionString& properties) {
    std::vector<std::pair<std::string, std::string>> params;
    // libpq keeps the last value of a repeated keyword, as the connection string does.
    for (const ConnectionProperty& property : properties.Properties()) {
        if (SameKey(property.Key, "Provider")) continue;
        const std::string_view mapped = LibpqKeyFor(property.Key);
        params.emplace_back(mapped.empty() ? property.Key : std::string(mapped), property.Value);
    }
    auto has = [&params](std::string_view key) {
        for (const auto& [k, v] : params)
            if (k == key) return true;
        return false;
    };
    // libpq's own default is to wait forever for a host that does not answer.
    if (!has("connect_timeout")) params.emplace_back("connect_timeout", std::to_string(PostgresDefaultConnectTimeoutSeconds));
    params.emplace_back("fallback_application_name", "TBN");
    // Values cross this layer as UTF-8 whatever the server's or the database's encoding.
    params.emplace_back("client_encoding", "UTF8");
    return params;
}

std::unique_ptr<Session> OpenPostgresSession(const ConnectionString& properties) {
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
    auto link = std::make_shared<pg::Link>(PQconnectdbParams(keys.data(), values.data(), 0), password);
    if (!link->get()) throw Error(ErrorCode::OutOfMemory, "Out of memory while connecting to the PostgreSQL server.");
    if (PQstatus(link->get()) != CONNECTION_OK) throw link->ConnectionError(ErrorCode::ServerUnreachable);
    return std::make_unique<pg::PostgresSession>(std::move(link));
}

} // namespace tbn::db
