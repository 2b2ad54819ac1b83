#pragma once
// The MariaDB server the tests may use, always through its ODBC driver: the one scripts/test.sh
// starts, or any other named by TBN_MARIADB_HOST, TBN_MARIADB_PORT, TBN_MARIADB_USER,
// TBN_MARIADB_PASSWORD (and TBN_MARIADB_DRIVER for a driver other than "MariaDB Unicode"). The
// login must be allowed to create and drop databases named tbn_*.
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
};

}  // namespace tbn::test
