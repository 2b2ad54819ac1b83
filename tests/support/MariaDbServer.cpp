#include "support/MariaDbServer.h"

#include "db/Connection.h"
#include "db/Recordset.h"

#include <atomic>
#include <cstdlib>
#include <unistd.h>

namespace tbn::test {

namespace {

std::string Env(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

void Run(const MariaDbServer& server, const std::string& sql) {
    db::Connection admin;
    admin.Open(server.OdbcConnectionString());
    db::Recordset rs;
    rs.Open(sql, admin);
}

}  // namespace

std::optional<MariaDbServer> MariaDbServer::FromEnvironment() {
    if (Env("TBN_MARIADB_HOST", "").empty()) return std::nullopt;
    return MariaDbServer{Env("TBN_MARIADB_HOST", ""), Env("TBN_MARIADB_PORT", "3306"),
                         Env("TBN_MARIADB_USER", "root"), Env("TBN_MARIADB_PASSWORD", ""),
                         Env("TBN_MARIADB_DRIVER", "MariaDB Unicode")};
}

const char* MariaDbServer::AbsentReason() {
    return "no MariaDB server: TBN_MARIADB_HOST is not set (scripts/test.sh starts one and sets "
           "it)";
}

std::string MariaDbServer::OdbcConnectionString(const std::string& database) const {
    return "Driver={" + Driver + "};Server=" + Host + ";Port=" + Port +
           (database.empty() ? "" : ";Database=" + database) + ";UID=" + User + ";PWD={" +
           Password + "}";
}

std::string MariaDbServer::CreateDatabase() const {
    static std::atomic<int> counter{0};
    const std::string name = "tbn_t_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    Run(*this, "CREATE DATABASE " + name + " CHARACTER SET utf8mb4");
    return name;
}

void MariaDbServer::DropDatabase(const std::string& name) const {
    Run(*this, "DROP DATABASE IF EXISTS " + name);
    Run(*this, "DROP USER IF EXISTS '" + name + "'@'%'");
}

std::string MariaDbServer::OwnLoginConnectionString(const std::string& database) const {
    Run(*this, "CREATE USER '" + database + "'@'%' IDENTIFIED BY 'tbn'");
    Run(*this, "GRANT ALL ON " + database + ".* TO '" + database + "'@'%'");
    MariaDbServer own = *this;
    own.User = database;
    own.Password = "tbn";
    return own.OdbcConnectionString(database);
}

}  // namespace tbn::test
