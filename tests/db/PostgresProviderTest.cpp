// What only the PostgreSQL provider does: its connection keys, its errors, streaming and the
// statement reading that decides it.
#include "DbTestSupport.h"

#include "core/ErrorCodes.h"
#include "db/Catalog.h"
#include "db/providers/PostgresProvider.h"
#include "db/providers/PostgresStatements.h"
#include "support/PgServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tbn::test {
namespace {

using Row = std::vector<std::optional<std::string>>;
using db::pg::HasSeveralStatements;

std::string ParamOf(const std::vector<std::pair<std::string, std::string>>& params,
                    const std::string& key) {
    std::string value = "(absent)";
    for (const auto& [k, v] : params)
        if (k == key) value = v;
    return value;
}

TEST(PostgresKeys, DesignKeysAndAliasesMapToLibpqAndTheRestPassesUnchanged) {
    const auto params = db::PostgresConnectParams(db::ConnectionString::Parse(
        "Provider=PostgreSQL;Server=db.example;Port=6543;Initial Catalog=sales;Username=ana;PWD=s3;"
        "SSL Mode=require;Application Name=report;sslrootcert=/etc/ca.pem"));
    EXPECT_EQ(ParamOf(params, "host"), "db.example");
    EXPECT_EQ(ParamOf(params, "port"), "6543");
    EXPECT_EQ(ParamOf(params, "dbname"), "sales");
    EXPECT_EQ(ParamOf(params, "user"), "ana");
    EXPECT_EQ(ParamOf(params, "password"), "s3");
    EXPECT_EQ(ParamOf(params, "sslmode"), "require");
    EXPECT_EQ(ParamOf(params, "application_name"), "report");
    EXPECT_EQ(ParamOf(params, "sslrootcert"), "/etc/ca.pem");
    EXPECT_EQ(ParamOf(params, "Provider"), "(absent)");
    EXPECT_EQ(ParamOf(params, "client_encoding"), "UTF8");
    EXPECT_EQ(ParamOf(params, "connect_timeout"), "10")
        << "an unreachable host must not hang the window";

    const auto timed =
        db::PostgresConnectParams(db::ConnectionString::Parse("Host=h;Connect Timeout=3"));
    EXPECT_EQ(ParamOf(timed, "connect_timeout"), "3");
    // Mode is TBN's own and never reaches libpq, which would refuse it; a value it does not
    // know is refused by name rather than taken as read-write.
    EXPECT_EQ(ParamOf(timed, "Mode"), "(absent)");
    EXPECT_THROW(db::PostgresConnectParams(db::ConnectionString::Parse("Host=h;Mode=Read")), Error);
}

TEST(PostgresStatements, OnlyASemicolonOutsideQuotesAndCommentsSeparatesStatements) {
    EXPECT_FALSE(HasSeveralStatements("SELECT 1"));
    EXPECT_FALSE(HasSeveralStatements("SELECT 1; -- done\n/* a /* nested */ comment */ ;;"));
    EXPECT_FALSE(
        HasSeveralStatements("SELECT 'a;b', \"c;d\", E'it\\'s; fine', $$x; y$$, $fn$ ; $fn$"));
    EXPECT_FALSE(HasSeveralStatements("SELECT $1; "));
    EXPECT_FALSE(HasSeveralStatements("SELECT 'unterminated; SELECT 2"));
    EXPECT_TRUE(HasSeveralStatements("SELECT 1; SELECT 2"));
    EXPECT_TRUE(HasSeveralStatements("SELECT 'it''s'; SELECT 2"));
    EXPECT_TRUE(HasSeveralStatements("SELECT a$b$ FROM t; SELECT 2"))
        << "a $ inside a name opens no quote";
    EXPECT_TRUE(HasSeveralStatements("SELECT 'a\\'; SELECT 2; --'"))
        << "a plain string has no backslash escapes";
}

TEST(PostgresStatements, EachStatementSpansFromItsFirstTokenToItsSemicolon) {
    const std::string text = "SELECT ';';; -- note\n  /* c */ UPDATE t SET n = 1;\nSELECT 2 -- end";
    const auto spans = db::pg::StatementSpans(text);
    ASSERT_TRUE(spans);
    std::vector<std::string> statements;
    for (const auto& span : *spans)
        statements.push_back(text.substr(span.begin, span.end - span.begin));
    EXPECT_EQ(statements,
              (std::vector<std::string>{"SELECT ';';", "UPDATE t SET n = 1;", "SELECT 2 -- end"}));
    EXPECT_FALSE(db::pg::StatementSpans(
        "CREATE FUNCTION f() RETURNS int LANGUAGE sql BEGIN ATOMIC SELECT 1; END; SELECT 2"))
        << "a function body holds semicolons of its own";
}

// A loopback port whose connections the kernel completes but nobody ever answers.
class SilentListener {
public:
    SilentListener() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd_, 4) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~SilentListener() { close(fd_); }
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;
    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

// A loopback port that is bound but never listened on: the kernel refuses every connection at once.
class RefusingPort {
public:
    RefusingPort() : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        port_ = ntohs(address.sin_port);
    }
    ~RefusingPort() { close(fd_); }
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return port_; }

private:
    int fd_;
    int port_ = 0;
};

TEST(PostgresErrors, LibpqsHintStandsOnItsOwnLineWithoutATabGap) {
    const RefusingPort refusing;
    ASSERT_NE(refusing.port(), 0);
    const std::optional<Error> error = CaughtError([&] {
        db::Connection cnn;
        cnn.Open("Provider=PostgreSQL;Host=127.0.0.1;Port=" + std::to_string(refusing.port()) +
                 ";User ID=x");
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), ErrorCode::ServerUnreachable);
    EXPECT_NE(error->Description().find("failed: Connection refused\nIs the server running"),
              std::string::npos)
        << error->Description();
    EXPECT_EQ(error->Description().find('\t'), std::string::npos) << error->Description();
}

class PostgresServer : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = PgServer::FromEnvironment();
        if (!server_) GTEST_SKIP() << PgServer::AbsentReason();
    }
    std::optional<PgServer> server_;
};

TEST_F(PostgresServer, AWrongPasswordFailsWithoutShowingIt) {
    const std::string password = "Wr0ng-" + server_->Password.substr(0, 4) + "-pass";
    db::Connection cnn;
    std::string cs = server_->ConnectionString();
    cs.replace(cs.find("Password=\""), std::string::npos, "Password=\"" + password + "\"");
    const std::optional<Error> error = CaughtError([&] { cnn.Open(cs); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Number(), ErrorCode::ServerUnreachable);
    EXPECT_NE(error->Description().find("password authentication failed"), std::string::npos)
        << error->Description();
    EXPECT_EQ(error->Description().find(password), std::string::npos) << error->Description();
    EXPECT_EQ(cnn.State(), db::adStateClosed);

    // A password put where libpq quotes the value back must still not show.
    const std::string misplaced =
        "Provider=PostgreSQL;Host=127.0.0.1;Port=" + password + ";Password=" + password;
    const std::optional<Error> portError = CaughtError([&] { cnn.Open(misplaced); });
    ASSERT_TRUE(portError);
    EXPECT_EQ(portError->Description().find(password), std::string::npos)
        << portError->Description();
}

TEST_F(PostgresServer, AShortPasswordOrTheUserNameAsPasswordLeavesTheFailureReadable) {
    for (const std::string& password : {std::string("a"), server_->User}) {
        std::string cs = server_->ConnectionString();
        cs.replace(cs.find("Password=\""), std::string::npos, "Password=\"" + password + "\"");
        db::Connection cnn;
        const std::optional<Error> error = CaughtError([&] { cnn.Open(cs); });
        ASSERT_TRUE(error);
        const std::string& text = error->Description();
        EXPECT_NE(text.find("connection to server at \"" + server_->Host + "\""), std::string::npos)
            << text;
        EXPECT_NE(text.find("password authentication failed for user \"" + server_->User + "\""),
                  std::string::npos)
            << text;
    }
}

TEST_F(PostgresServer, AServerThatNeverAnswersFailsWithinTheConnectTimeout) {
    const SilentListener silent;
    ASSERT_NE(silent.port(), 0);
    // libpq's own connect, and the one driven a step at a time so another thread can stop it,
    // fail alike.
    std::vector<std::string> descriptions;
    for (const bool stoppable : {false, true}) {
        const auto start = std::chrono::steady_clock::now();
        const std::optional<Error> error = CaughtError([&] {
            db::Connection cnn;
            cnn.SetConnectionString(
                "Provider=PostgreSQL;Host=127.0.0.1;Port=" + std::to_string(silent.port()) +
                ";User ID=x;Password=y;Connect Timeout=2");
            if (stoppable)
                cnn.OpenCancellable([] { return false; });
            else
                cnn.Open();
        });
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_TRUE(error) << stoppable;
        EXPECT_EQ(error->Number(), ErrorCode::ServerUnreachable);
        EXPECT_LT(seconds, 8.0);
        descriptions.push_back(error->Description());
    }
    EXPECT_EQ(descriptions[0], descriptions[1]);
}

TEST_F(PostgresServer, ReadOnlyOutlastsResetAllAndKeepsTheUsersOwnOptions) {
    db::Connection plain;
    plain.Open(server_->ConnectionString());
    EXPECT_FALSE(plain.session().ReadOnlyEnforced());
    db::Connection cnn;
    cnn.Open(server_->ConnectionString() + ";options='-c search_path=elsewhere';Mode=ReadOnly");
    EXPECT_TRUE(cnn.session().ReadOnlyEnforced());
    Exec(cnn, "RESET ALL");
    EXPECT_EQ(Query(cnn, "SHOW default_transaction_read_only")->Rows, (std::vector<Row>{{"on"}}));
    EXPECT_EQ(Query(cnn, "SHOW search_path")->Rows, (std::vector<Row>{{"elsewhere"}}));
    const std::optional<Error> refused = CaughtError([&] { Exec(cnn, "CREATE TABLE t(n int)"); });
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->Description().find("25006"), std::string::npos) << refused->Description();
}

TEST_F(PostgresServer, ServerErrorsCarryTheSqlstateAndPrimaryMessage) {
    db::Connection cnn;
    cnn.Open(server_->ConnectionString());
    std::optional<Error> error = CaughtError([&] { Exec(cnn, "SELECT * FROM no_such_relation"); });
    EXPECT_EQ(error->Number(), ErrorCode::ServerError);
    EXPECT_EQ(error->Description(), "42P01: relation \"no_such_relation\" does not exist");
    // The server counts characters; the error carries the byte offset into the text it was given.
    const std::string several = "SELECT 'é';\nSELECT * FROM no_such_relation";
    error = CaughtError([&] { Exec(cnn, several); });
    ASSERT_TRUE(error && error->CommandOffset()) << (error ? error->Description() : "no error");
    EXPECT_EQ(*error->CommandOffset(), several.find("no_such_relation"));
    // The server's detail and hint follow the primary message, each on a line of its own.
    error = CaughtError([&] { Exec(cnn, "SELECT nme FROM (SELECT 1 AS name) AS s"); });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Description(), "42703: column \"nme\" does not exist\nHINT: Perhaps you meant "
                                    "to reference the column \"s.name\".");
    error = CaughtError([&] {
        Exec(cnn, "CREATE TEMP TABLE u(id int PRIMARY KEY); INSERT INTO u VALUES (1), (1)");
    });
    ASSERT_TRUE(error);
    EXPECT_EQ(error->Description(), "23505: duplicate key value violates unique constraint "
                                    "\"u_pkey\"\nDETAIL: Key (id)=(1) already exists.");

    // A failure after rows have streamed is raised by the walk, and the connection stays usable.
    db::Recordset rs;
    rs.Open("SELECT 10 / (5 - i) FROM generate_series(1, 10) AS s(i)", cnn);
    error = CaughtError([&] {
        while (!rs.Eof()) rs.MoveNext();
    });
    EXPECT_EQ(error->Description(), "22012: division by zero");
    rs.Close();
    EXPECT_EQ(Query(cnn, "SELECT 'still here'")->Rows, std::vector<Row>{{"still here"}});
}

TEST_F(PostgresServer, ByteaReadsAsUppercaseHexInEitherOutputFormat) {
    db::Connection cnn;
    cnn.Open(server_->ConnectionString());
    for (const char* format : {"hex", "escape"}) {
        Exec(cnn, std::string("SET bytea_output = '") + format + "'");
        EXPECT_EQ(Query(cnn, "SELECT decode('00ff5c41', 'hex')")->Rows,
                  std::vector<Row>{{"00FF5C41"}})
            << format;
    }
}

TEST_F(PostgresServer, AnOpenStreamYieldsTheConnectionWithoutLosingRows) {
    db::Connection cnn;
    cnn.Open(server_->ConnectionString());
    db::Recordset first;
    first.Open("SELECT i FROM generate_series(1, 5000) AS s(i)", cnn);
    first.MoveNext();
    // The catalog and a second command need the connection while the first set is half read.
    db::Catalog catalog;
    catalog.SetActiveConnection(cnn);
    EXPECT_FALSE(catalog.Tables().empty());
    EXPECT_EQ(Query(cnn, "SELECT 'second'")->Rows, std::vector<Row>{{"second"}});
    const ResultTable rest = ReadAll(first);
    ASSERT_EQ(rest.Rows.size(), 4999u);
    EXPECT_EQ(rest.Rows.front()[0], "2");
    EXPECT_EQ(rest.Rows.back()[0], "5000");

    // Closing a set before its end leaves the connection idle, and the statement's work stands.
    Exec(cnn, "CREATE TEMP TABLE t (n int)");
    db::Recordset returning;
    returning.Open("INSERT INTO t SELECT generate_series(1, 3000) RETURNING n", cnn);
    returning.Close();
    EXPECT_EQ(Query(cnn, "SELECT count(*) FROM t")->Rows, std::vector<Row>{{"3000"}});
}

TEST_F(PostgresServer, SeveringTheLinkEndsACallWaitingOnTheServer) {
    db::Connection cnn;
    cnn.Open(server_->ConnectionString());
    const std::unique_ptr<db::CancelHandle> cancel = cnn.session().PrepareCancel();
    db::Connection watcher;
    watcher.Open(server_->ConnectionString());
    // The server goes on sleeping for a client that went away, so each run marks its own sleep.
    const std::string marker = "tbn-sever-" + std::to_string(getpid());
    const std::string running = "FROM pg_stat_activity WHERE query LIKE '%" + marker +
                                "-' || 'marker%' AND pid <> pg_backend_pid()";
    std::atomic<bool> done{false};
    // Severs once the sleep is seen on the server, so the call is surely waiting on it.
    std::thread severer([&] {
        while (!done) {
            if (!Query(watcher, "SELECT 1 " + running + " AND state = 'active'")->Rows.empty()) {
                EXPECT_TRUE(cancel->Sever());
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const std::optional<Error> error =
        CaughtError([&] { Query(cnn, "SELECT pg_sleep(60), '" + marker + "-marker'"); });
    done = true;
    severer.join();
    Query(watcher, "SELECT pg_cancel_backend(pid) " + running);
    ASSERT_TRUE(error) << "the sleep ran to its end";
    EXPECT_EQ(error->Number(), ErrorCode::ServerError);
}

TEST_F(PostgresServer, CatalogTypesPartitionedTablesAndMaterialisedViews) {
    const std::string database = server_->CreateDatabase();
    {
        db::Connection cnn;
        cnn.Open(server_->ConnectionString(database));
        Exec(cnn, "CREATE TABLE parted (k int) PARTITION BY RANGE (k);"
                  "CREATE MATERIALIZED VIEW mat AS SELECT 1 AS one;"
                  "CREATE SCHEMA hidden; CREATE TABLE hidden.elsewhere (n int)");
        db::Catalog catalog;
        catalog.SetActiveConnection(cnn);
        std::map<std::string, std::string> types;
        for (const db::TableInfo& t : catalog.Tables()) types[t.Name] = t.Type;
        EXPECT_EQ(types["parted"], "TABLE");
        EXPECT_EQ(types["mat"], "VIEW");
        EXPECT_EQ(types["pg_class"], "SYSTEM TABLE");
        EXPECT_EQ(types["tables"], "SYSTEM TABLE") << "information_schema.tables";
        EXPECT_EQ(types.count("elsewhere"), 0u) << "only names usable without a schema prefix";
    }
    server_->DropDatabase(database);
}

}  // namespace
}  // namespace tbn::test
