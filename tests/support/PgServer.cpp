#include "support/PgServer.h"

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

void Run(const PgServer& server, const std::string& sql) {
    db::Connection admin;
    admin.Open(server.ConnectionString());
    db::Recordset rs;
    rs.Open(sql, admin);
}

}  // namespace

std::optional<PgServer> PgServer::FromEnvironment() {
    if (Env("TBN_PG_HOST", "").empty()) return std::nullopt;
    return PgServer{Env("TBN_PG_HOST", ""),
                    Env("TBN_PG_PORT", "5432"),
                    Env("TBN_PG_USER", "postgres"),
                    Env("TBN_PG_PASSWORD", ""),
                    Env("TBN_PG_DATABASE", "postgres"),
                    Env("TBN_PG_ADMIN_HOST", "")};
}

const char* PgServer::AbsentReason() {
    return "no PostgreSQL server: TBN_PG_HOST is not set (scripts/test.sh starts one and sets it)";
}

std::string PgServer::ConnectionString(const std::string& database) const {
    return "Provider=PostgreSQL;Host=" + Host + ";Port=" + Port +
           ";Database=" + (database.empty() ? Database : database) + ";User ID=" + User +
           ";Password=\"" + Password + "\"";
}

std::optional<std::string> PgServer::AdminConnectionString(const std::string& database) const {
    if (AdminHost.empty()) return std::nullopt;
    return "Provider=PostgreSQL;Host=" + AdminHost + ";Port=" + Port + ";Database=" + database +
           ";User ID=postgres";
}

std::string PgServer::OdbcConnectionString(const std::string& database) const {
    return "Driver={PostgreSQL Unicode};Server=" + Host + ";Port=" + Port +
           ";Database=" + database + ";UID=" + User + ";PWD={" + Password + "}";
}

std::string PgServer::CreateDatabase() const {
    static std::atomic<int> counter{0};
    const std::string name = "tbn_t_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
    Run(*this, "CREATE DATABASE " + name + " TEMPLATE template0 ENCODING 'UTF8'");
    return name;
}

void PgServer::DropDatabase(const std::string& name) const {
    Run(*this, "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
}

}  // namespace tbn::test
