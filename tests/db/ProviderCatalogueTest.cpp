// The one catalogue of providers and keys that the factory, the providers and the data-link form
// read.
#include "db/ConnectionString.h"
#include "db/ProviderCatalogue.h"

#include <gtest/gtest.h>
#include <stdexcept>

using namespace tbn::db;

namespace {

std::string Chosen(std::string_view text) {
    std::string named;
    const ProviderInfo* provider = ChooseProvider(ConnectionString::Parse(text), &named);
    return provider ? std::string(provider->name) : "unknown " + named;
}

}  // namespace

TEST(ProviderCatalogue, AStringChoosesByProviderThenByDriverOrDsnThenSqlite) {
    EXPECT_EQ(Chosen("Data Source=a.db"), "SQLite");
    EXPECT_EQ(Chosen("dsn=dw"), "ODBC");
    EXPECT_EQ(Chosen("Driver={SQLite3};Database=a.db"), "ODBC");
    EXPECT_EQ(Chosen("provider=msdasql;DSN=dw"), "ODBC");
    EXPECT_EQ(Chosen("Provider=postgresql;Host=h"), "PostgreSQL");
    // A named provider wins over Driver and DSN, even one this build does not know.
    EXPECT_EQ(Chosen("Provider=SQLite;DSN=dw;Data Source=a.db"), "SQLite");
    EXPECT_EQ(Chosen("Provider=Oracle;DSN=dw"), "unknown Oracle");
}

TEST(ProviderCatalogue, AKeyIsReadUnderEverySpellingAndItsLastValueWins) {
    const ProviderInfo& postgres = ProviderOf(Engine::PostgreSql);
    EXPECT_EQ(postgres.Find("uid"), &postgres.Key("User ID"));
    EXPECT_EQ(postgres.Find("Initial Catalog")->engineKey, "dbname");
    EXPECT_EQ(postgres.Find("sslrootcert"), nullptr);
    EXPECT_EQ(postgres.Key("Password").ValueIn(ConnectionString::Parse("PWD=a;password=b;Pwd=c")),
              "c");
    EXPECT_EQ(postgres.Key("Port").ValueIn(ConnectionString::Parse("Host=h")), std::nullopt);
    EXPECT_THROW(postgres.Key("Sever"),
                 std::logic_error);  // a misspelt name in the program's own code
}
