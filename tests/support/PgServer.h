#pragma once
// The PostgreSQL server the tests may use: the one scripts/test.sh starts, or any other named by
// TBN_PG_HOST, TBN_PG_PORT, TBN_PG_USER, TBN_PG_PASSWORD, TBN_PG_DATABASE. The login must be
// allowed to create databases. TBN_PG_ADMIN_HOST, when set, names where the superuser postgres
// logs in without a password.
#include <optional>
#include <string>

namespace tbn::test {

struct PgServer {
    std::string Host, Port, User, Password, Database, AdminHost;

    // nullopt when TBN_PG_HOST is not set.
    static std::optional<PgServer> FromEnvironment();
    static const char* AbsentReason();

    // Provider=PostgreSQL string for database (the server's test database when empty).
    std::string ConnectionString(const std::string& database = {}) const;
    // The superuser's string for database; nullopt when the server names no superuser login.
    std::optional<std::string> AdminConnectionString(const std::string& database) const;
    // The same database through psqlODBC's Unicode driver.
    std::string OdbcConnectionString(const std::string& database) const;

    // A new, empty database owned by the test login, and its removal (connections to it are
    // ended first). Both raise tbn::Error.
    std::string CreateDatabase() const;
    void DropDatabase(const std::string& name) const;
};

}  // namespace tbn::test
