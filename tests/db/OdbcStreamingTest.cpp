// Reading through ODBC drivers as rows are fetched: bound buffers that a value outgrows, blocks of
// rows, nulls among them, and a second command on the connection while a row set is half read.
#include "DbTestSupport.h"
#include "ProviderRoutes.h"

#include "db/providers/OdbcDriverKind.h"

#include <gtest/gtest.h>

namespace tbn::test {
namespace {

// Row i holds i times "x" under a type whose declared size is far smaller (the SQLite3 driver
// says 10 for INTEGER, psqlODBC 255 for varchar without a length), null every seventh row.
std::string LongerThanDeclared(const std::string& route) {
    if (route == "SqliteThroughOdbc")
        return "CREATE TABLE loose (i INTEGER, v INTEGER);"
               "WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 1500) "
               "INSERT INTO loose SELECT i, CASE WHEN i % 7 = 0 THEN NULL ELSE "
               "replace(hex(zeroblob(i)), '00', 'x') END "
               "FROM s";
    return "CREATE TABLE loose AS SELECT i, CASE WHEN i % 7 = 0 THEN NULL ELSE CAST(repeat('x', i) "
           "AS varchar) END AS v "
           "FROM generate_series(1, 1500) AS s(i)";
}

TEST(OdbcDriverKind, TheMariaDbMultiStatementFlagJoinsTheOptionsGivenAndLeavesTheRest) {
    constexpr std::uint64_t flag = 67108864;
    EXPECT_EQ(db::odbc::OptionWithMultiStatements(std::nullopt), std::to_string(flag));
    EXPECT_EQ(db::odbc::OptionWithMultiStatements("3"), std::to_string(flag | 3));
    EXPECT_EQ(db::odbc::OptionWithMultiStatements(std::to_string(flag | 8)),
              std::to_string(flag | 8));
    EXPECT_EQ(db::odbc::OptionWithMultiStatements("3 or so"), std::nullopt);
}

TEST(OdbcStreamingTest,
     ValuesLongerThanTheirDeclaredSizeComeBackWholeAcrossBlocksAndASecondCommand) {
    for (const ProviderRoute& route : AllProviderRoutes()) {
        if (route.Name != "SqliteThroughOdbc" && route.Name != "PostgresThroughOdbc") continue;
        SCOPED_TRACE(route.Name);
        TempDir dir;
        std::string skipReason;
        const std::optional<std::string> cs = route.FreshDatabase(dir, skipReason);
        if (!cs) continue;
        db::Connection cnn;
        cnn.Open(*cs);
        const std::string build = LongerThanDeclared(route.Name);
        for (std::size_t start = 0;
             start < build.size();) {  // the SQLite3 driver runs one statement a text
            const std::size_t end = std::min(build.find(';', start), build.size());
            Exec(cnn, build.substr(start, end - start));
            start = end + 1;
        }

        db::Recordset rs;
        rs.Open("SELECT i, v FROM loose ORDER BY i", cnn);
        std::vector<std::optional<std::string>> values;
        for (; !rs.Eof(); rs.MoveNext()) {
            if (values.size() == 100) {
                EXPECT_EQ(Query(cnn, "SELECT 5 AS five")->Rows[0][0], "5");
            }
            values.push_back(rs.GetFields()[1].IsNull()
                                 ? std::nullopt
                                 : std::optional(std::string(rs.GetFields()[1].Value())));
        }
        ASSERT_EQ(values.size(), 1500u);
        for (std::size_t i = 1; i <= values.size(); ++i) {
            if (i % 7 == 0)
                EXPECT_FALSE(values[i - 1]) << "row " << i;
            else
                EXPECT_EQ(values[i - 1], std::string(i, 'x')) << "row " << i;
        }
        if (route.DropDatabase) {
            cnn.Close();
            route.DropDatabase(*cs);
        }
    }
}

}  // namespace
}  // namespace tbn::test
