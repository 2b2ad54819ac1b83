#pragma once
// The MariaDB server the tests may use, always through its ODBC driver: the one scripts/test.sh
// starts, or any other named by TBN_MARIADB_HOST, TBN_MARIADB_PORT, TBN_MARIADB_USER,
// TBN_MARIADB_PASSWORD (and TBN_MARIADB_DRIVER for a driver other than "MariaDB Unicode"). The
// login must be allowed to create and drop databases named tbn_*, to create logins, and to grant
// them what it holds on those databases.
#include <optional>
#include <string>

namespace tbn::test {

struct MariaDbServer {
    std::string Host, Port, User, Password, Driver;

    // nullopt when TBN_MARIADB_HOST is not set.
    static std::optional<MariaDbServer> FromEnvironment();
    static const char* AbsentReason();

    // Driver=...;Server=...;Port=...;UID=...;PWD=... and Database= when one is named.
    std::string OdbcConnectionString(const std::string& database = {}) const;

    // A new, empty utf8mb4 database and its removal. Both raise tbn::Error.
    std::string CreateDatabase() const;
    void DropDatabase(const std::string& name) const;
    // A connection string for a login that sees this database alone, for a test that must not see
    // the databases of tests running beside it: the driver lists every database a login sees.
    // DropDatabase removes the login too.
    std::string OwnLoginConnectionString(const std::string& database) const;
};

}  // namespace tbn::test
