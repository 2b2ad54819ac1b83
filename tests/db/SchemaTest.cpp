// The catalogue each route reads: relations, their columns and keys, indexes and foreign keys.
#include "DbTestSupport.h"
#include "ProviderRoutes.h"

#include "core/ErrorCodes.h"
#include "db/Catalog.h"
#include "db/providers/OdbcSpelling.h"
#include "support/PgServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace tbn::test {
namespace {

using core::RelationInfo;
using core::SchemaInfo;
using Names = std::vector<std::string>;

const RelationInfo* Find(const SchemaInfo& info, std::string_view name) {
    for (const RelationInfo& r : info.relations)
        if (r.name == name) return &r;
    return nullptr;
}

Names ColumnNames(const RelationInfo& r) {
    Names names;
    for (const auto& c : r.columns) names.push_back(c.name);
    return names;
}

Names KeyColumns(const RelationInfo& r) {
    Names names;
    for (const auto& c : r.columns)
        if (c.primaryKey) names.push_back(c.name);
    return names;
}

using SchemaTest = RouteTest;

TEST_P(SchemaTest, RelationsComeWithColumnsKeysIndexesAndForeignKeys) {
    // The comparison with the table list below must not see what tests beside this one make.
    if (GetParam().OwnLogin) {
        cnn_.Close();
        cnn_.SetConnectionString(GetParam().OwnLogin(connectionString_));
        cnn_.Open();
    }
    for (const char* statement : {
             "CREATE TABLE customers (region VARCHAR(10) NOT NULL, code INTEGER NOT NULL, "
             "name VARCHAR(40), PRIMARY KEY (region, code))",
             "CREATE UNIQUE INDEX customers_name ON customers (name)",
             "CREATE TABLE orders (id INTEGER NOT NULL PRIMARY KEY, region VARCHAR(10), "
             "code INTEGER, FOREIGN KEY (region, code) REFERENCES customers (region, code))",
             "CREATE VIEW big_orders AS SELECT id, region FROM orders WHERE id > 100",
         })
        Exec(cnn_, statement);
    const SchemaInfo info = cnn_.session().ReadSchema();
    EXPECT_TRUE(info.gaps.empty()) << info.gaps.front();

    const RelationInfo* customers = Find(info, "customers");
    const RelationInfo* orders = Find(info, "orders");
    const RelationInfo* view = Find(info, "big_orders");
    ASSERT_TRUE(customers && orders && view);
    EXPECT_EQ(customers->kind, core::RelationKind::Table);
    EXPECT_EQ(view->kind, core::RelationKind::View);
    EXPECT_EQ(ColumnNames(*customers), (Names{"region", "code", "name"}));
    EXPECT_EQ(KeyColumns(*customers), (Names{"region", "code"}));
    EXPECT_FALSE(customers->columns[0].nullable);
    EXPECT_TRUE(customers->columns[2].nullable);
    EXPECT_FALSE(customers->columns[1].type.empty());
    EXPECT_EQ(KeyColumns(*orders), Names{"id"});
    EXPECT_EQ(ColumnNames(*view), (Names{"id", "region"}));

    const auto index = std::find_if(customers->indexes.begin(), customers->indexes.end(),
                                    [](const auto& i) { return i.name == "customers_name"; });
    ASSERT_NE(index, customers->indexes.end());
    EXPECT_TRUE(index->unique);
    EXPECT_EQ(index->columns, Names{"name"});

    ASSERT_EQ(orders->foreignKeys.size(), 1u);
    const core::ForeignKeyInfo& key = orders->foreignKeys[0];
    EXPECT_EQ(key.columns, (Names{"region", "code"}));
    EXPECT_EQ(key.refTable, "customers");
    EXPECT_EQ(key.refSchema, orders->schema);
    EXPECT_EQ(key.refColumns, (Names{"region", "code"}));

    // The default schemas hold exactly the catalog's tables and views, in its order.
    ASSERT_GE(info.defaultSchemaCount, 1u);
    Names listed, read;
    for (const db::TableInfo& t : cnn_.session().Tables())
        if (t.Type == "TABLE" || t.Type == "VIEW") listed.push_back(t.Name);
    const std::vector<std::string> defaults(
        info.schemas.begin(),
        info.schemas.begin() + static_cast<std::ptrdiff_t>(info.defaultSchemaCount));
    for (const RelationInfo& r : info.relations)
        if (std::find(defaults.begin(), defaults.end(), r.schema) != defaults.end())
            read.push_back(r.name);
    EXPECT_EQ(read, listed);
}

INSTANTIATE_TEST_SUITE_P(Routes, SchemaTest, ::testing::ValuesIn(AllProviderRoutes()),
                         [](const ::testing::TestParamInfo<ProviderRoute>& info) {
                             return info.param.Name;
                         });

TEST(OdbcSpelling, TheRowLimitFollowsTheEngineTheDriverNames) {
    using core::RowLimitSpelling;
    for (const auto& [dbms, spelling] : std::vector<std::pair<const char*, RowLimitSpelling>>{
             {"Microsoft SQL Server", RowLimitSpelling::Top},
             {"Adaptive Server Enterprise", RowLimitSpelling::Top},
             {"Oracle", RowLimitSpelling::FetchFirst},
             {"DB2/LINUXX8664", RowLimitSpelling::FetchFirst},
             {"Informix Dynamic Server", RowLimitSpelling::FetchFirst},
             {"PostgreSQL", RowLimitSpelling::Limit},
             {"MariaDB", RowLimitSpelling::Limit},
             {"", RowLimitSpelling::Limit},
         })
        EXPECT_EQ(db::odbc::RowLimitOf(dbms), spelling) << dbms;
}

class SqliteSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        cnn_.Open("Data Source=" + dir_.file("main.db").toStdString() + ";Mode=ReadWriteCreate");
    }
    TempDir dir_;
    db::Connection cnn_;
};

TEST_F(SqliteSchemaTest, AttachedDatabasesFollowMainAndTempOnlyWhenUsed) {
    const std::string other = dir_.file("other.db").toStdString();
    Exec(cnn_, "CREATE TABLE here (a INTEGER); ATTACH DATABASE '" + other +
                   "' AS aux; CREATE TABLE aux.there (b TEXT, c INTEGER PRIMARY KEY)");
    SchemaInfo info = cnn_.session().ReadSchema();
    EXPECT_EQ(info.schemas, (Names{"main", "aux"}));
    EXPECT_EQ(info.defaultSchemaCount, 1u);
    ASSERT_EQ(info.relations.size(), 2u);
    EXPECT_EQ(info.relations[1].schema, "aux");
    EXPECT_EQ(ColumnNames(info.relations[1]), (Names{"b", "c"}));

    Exec(cnn_, "CREATE TEMP TABLE scratch (d INTEGER)");
    info = cnn_.session().ReadSchema();
    EXPECT_EQ(info.schemas, (Names{"main", "temp", "aux"}));
}

TEST_F(SqliteSchemaTest, AViewOverAMissingTableKeepsItsNameAndTheRestIsRead) {
    Exec(cnn_, "CREATE TABLE gone (a INTEGER); CREATE VIEW broken AS SELECT a FROM gone; "
               "CREATE TABLE kept (b INTEGER, c TEXT); DROP TABLE gone");
    const SchemaInfo info = cnn_.session().ReadSchema();
    ASSERT_EQ(info.relations.size(), 2u);
    EXPECT_EQ(info.relations[0].name, "broken");
    EXPECT_TRUE(info.relations[0].columns.empty());
    EXPECT_EQ(ColumnNames(info.relations[1]), (Names{"b", "c"}));
    ASSERT_EQ(info.gaps.size(), 1u);
    EXPECT_NE(info.gaps[0].find("broken"), std::string::npos) << info.gaps[0];
}

TEST_F(SqliteSchemaTest, ACancelledReadRaisesAndTheSessionGoesOn) {
    std::string script = "BEGIN;";
    for (int t = 0; t < 1000; ++t) {
        script += "CREATE TABLE t" + std::to_string(t) + " (c0 INTEGER";
        for (int c = 1; c < 20; ++c) script += ", c" + std::to_string(c) + " TEXT";
        script += ");";
    }
    Exec(cnn_, script + "COMMIT");
    // Through ODBC too: the SQLite3 driver's catalogue calls must not be cancelled under it.
    for (const std::string& route :
         {std::string(), "Driver=SQLite3;Database=" + dir_.file("main.db").toStdString()}) {
        db::Connection other;
        if (!route.empty()) other.Open(route);
        db::Session& session = route.empty() ? cnn_.session() : other.session();
        const std::unique_ptr<db::CancelHandle> cancel = session.PrepareCancel();
        // A request between two of the read's calls is lost, so requests come until one lands.
        std::optional<Error> error;
        for (int attempt = 0; attempt < 50 && !error; ++attempt) {
            std::atomic<bool> stopped{false};
            std::thread canceller([&] {
                while (!stopped) {
                    cancel->Cancel();
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                }
            });
            try {
                session.ReadSchema();
            } catch (const Error& e) {
                error = e;
            }
            stopped = true;
            canceller.join();
        }
        ASSERT_TRUE(error) << "no cancel landed during a read " << route;
        EXPECT_EQ(error->Number(), ErrorCode::CommandCancelled) << error->Description();
        const SchemaInfo info = session.ReadSchema();
        EXPECT_EQ(info.relations.size(), 1000u) << route;
        EXPECT_EQ(info.relations.back().columns.size(), 20u) << route;
    }
}

class PostgresSchemaTest : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = PgServer::FromEnvironment();
        if (!server_) GTEST_SKIP() << PgServer::AbsentReason();
        database_ = server_->CreateDatabase();
        cnn_.Open(server_->ConnectionString(database_));
    }
    void TearDown() override {
        cnn_.Close();
        if (!database_.empty()) server_->DropDatabase(database_);
    }
    std::optional<PgServer> server_;
    std::string database_;
    db::Connection cnn_;
};

TEST_F(PostgresSchemaTest, TheSearchPathComesFirstInItsOrderThenTheOtherSchemasByName) {
    Exec(cnn_, "CREATE SCHEMA other; CREATE SCHEMA aa_empty; CREATE TABLE other.t (a INTEGER); "
               "CREATE TABLE p (b INTEGER); CREATE TEMP TABLE scratch (c INTEGER)");
    SchemaInfo info = cnn_.session().ReadSchema();
    EXPECT_EQ(info.schemas, (Names{"public", "aa_empty", "other"}));
    EXPECT_EQ(info.defaultSchemaCount, 1u);
    ASSERT_EQ(info.relations.size(), 2u) << "the temporary table is the session's own";
    EXPECT_EQ(info.relations[1].schema, "other");
    EXPECT_EQ(ColumnNames(info.relations[1]), Names{"a"});

    // The catalog lists the search path's tables in the same order.
    Exec(cnn_, "SET search_path TO public, other");
    info = cnn_.session().ReadSchema();
    EXPECT_EQ(info.schemas, (Names{"public", "other", "aa_empty"}));
    EXPECT_EQ(info.defaultSchemaCount, 2u);
    Names listed;
    for (const db::TableInfo& t : cnn_.session().Tables())
        if (t.Type == "TABLE") listed.push_back(t.Name);
    EXPECT_EQ(listed, (Names{"p", "t"}));
}

TEST_F(PostgresSchemaTest, ACatalogueTableTheLoginMayNotReadLeavesAGapAndTheRestIsRead) {
    const std::optional<std::string> admin = server_->AdminConnectionString(database_);
    if (!admin) GTEST_SKIP() << "no superuser login: TBN_PG_ADMIN_HOST is not set";
    db::Connection superuser;
    superuser.Open(*admin);
    Exec(superuser, "REVOKE SELECT ON pg_catalog.pg_index FROM PUBLIC");
    // Read inside the login's open transaction, which the refusal must not abort.
    Exec(cnn_, "BEGIN; CREATE TABLE t (a INTEGER PRIMARY KEY, b INTEGER REFERENCES t)");
    const SchemaInfo info = cnn_.session().ReadSchema();
    Exec(cnn_, "INSERT INTO t VALUES (1, 1); COMMIT");
    Exec(superuser, "GRANT SELECT ON pg_catalog.pg_index TO PUBLIC");
    EXPECT_EQ(Query(cnn_, "SELECT a FROM t")->Rows.size(), 1u);

    ASSERT_EQ(info.gaps.size(), 1u);
    EXPECT_NE(info.gaps[0].find("42501"), std::string::npos) << info.gaps[0];
    ASSERT_EQ(info.relations.size(), 1u);
    EXPECT_EQ(KeyColumns(info.relations[0]), Names{"a"});
    EXPECT_TRUE(info.relations[0].indexes.empty());
    EXPECT_EQ(info.relations[0].foreignKeys.size(), 1u);
}

}  // namespace
}  // namespace tbn::test
