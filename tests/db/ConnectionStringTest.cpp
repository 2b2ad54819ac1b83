#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "db/ConnectionString.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tbn::db {
namespace {

std::vector<std::pair<std::string, std::string>> Pairs(const ConnectionString& cs) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& p : cs.Properties()) out.emplace_back(p.Key, p.Value);
    return out;
}

using PairList = std::vector<std::pair<std::string, std::string>>;

TEST(ConnectionString, KeysAreTrimmedAndMatchedWithoutRegardToCase) {
    const auto cs = ConnectionString::Parse(
        "  Data Source = C:\\db\\a b.db ;MODE=ReadOnly;;  ; ;Busy Timeout=5");
    EXPECT_EQ(
        Pairs(cs),
        (PairList{{"Data Source", "C:\\db\\a b.db"}, {"MODE", "ReadOnly"}, {"Busy Timeout", "5"}}));
    EXPECT_EQ(cs.Get({"data source"}), "C:\\db\\a b.db");
    EXPECT_EQ(cs.Get({"Mode"}), "ReadOnly");
    EXPECT_EQ(cs.Get({"Provider"}), std::nullopt);
    EXPECT_TRUE(ConnectionString::Parse("").Properties().empty());
    EXPECT_TRUE(ConnectionString::Parse(" ;; ; ").Properties().empty());
}

TEST(ConnectionString, QuotedAndBracedValuesKeepTheirContent) {
    const auto cs = ConnectionString::Parse(
        R"(A="x;y=z" ; B='it''s';C="say ""hi""";D={br}}ace;{x};E=" padded ";F=O'Brien;G="";H={})");
    EXPECT_EQ(Pairs(cs), (PairList{{"A", "x;y=z"},
                                   {"B", "it's"},
                                   {"C", "say \"hi\""},
                                   {"D", "br}ace;{x"},
                                   {"E", " padded "},
                                   {"F", "O'Brien"},
                                   {"G", ""},
                                   {"H", ""}}));
}

TEST(ConnectionString, GetTakesTheLastOccurrenceOfAnyAlias) {
    const auto cs = ConnectionString::Parse("Server=a;Host=b;server=c;User=u");
    EXPECT_EQ(cs.Get({"Host", "Server"}), "c");
    EXPECT_EQ(cs.Get({"Host"}), "b");
}

TEST(ConnectionString, SetReplacesInPlaceAndRemoveDropsEveryOccurrence) {
    auto cs = ConnectionString::Parse("A=1;B=2;a=3;C=4");
    cs.Set("a", "new");
    EXPECT_EQ(Pairs(cs), (PairList{{"A", "new"}, {"B", "2"}, {"C", "4"}}));
    cs.Set("D", "5");
    cs.Remove("b");
    EXPECT_EQ(Pairs(cs), (PairList{{"A", "new"}, {"C", "4"}, {"D", "5"}}));
    try {
        cs.Set("X=Y", "v");
        ADD_FAILURE() << "a key with = cannot be written back";
    } catch (const Error& e) {
        EXPECT_EQ(e.Number(), ErrorCode::InvalidArgument);
    }
}

TEST(ConnectionString, ToStringQuotesOnlyWhatNeedsItAndRoundTrips) {
    ConnectionString cs;
    cs.Set("Data Source", "/tmp/plain.db");
    cs.Set("Semi", "a;b");
    cs.Set("Both", "it's \"quoted\"");
    cs.Set("Double", "say \"hi\"");
    cs.Set("Brace", "{x}");
    cs.Set("Blank", "  lead and trail ");
    cs.Set("Empty", "");
    const std::string text = cs.ToString();
    EXPECT_EQ(text.substr(0, 26), "Data Source=/tmp/plain.db;");
    EXPECT_EQ(Pairs(ConnectionString::Parse(text)), Pairs(cs)) << text;
}

TEST(ConnectionString, UnreadableTextRaisesWithoutShowingValues) {
    const char* malformed[] = {
        "Data Source=a.db;Password=\"s3cret",    // quote never closed
        "Data Source=a.db;Password='s3cret''",   // doubled quote, then never closed
        "Data Source=a.db;Password={s3cret}}",   // doubled brace, then never closed
        "Data Source=a.db;Password=\"s3\"cret",  // text after the closing quote
        "Data Source=a.db;s3cret",               // no key=value
        "Data Source=a.db;=s3cret",              // no key
    };
    for (const char* text : malformed) {
        try {
            ConnectionString::Parse(text);
            ADD_FAILURE() << "parsed: " << text;
        } catch (const Error& e) {
            EXPECT_EQ(e.Number(), ErrorCode::MalformedConnectionString) << text;
            EXPECT_EQ(e.Description().find("s3"), std::string::npos) << e.Description();
            EXPECT_NE(e.Description().find("character"), std::string::npos) << e.Description();
        }
    }
}

TEST(ConnectionString, RedactedHidesEveryPasswordAndKeepsTheRest) {
    const std::pair<std::string_view, std::string_view> cases[] = {
        {"Host=h;Password=s3cret;User ID=u;PWD='x;y' ;Jet OLEDB:Database Password={p}",
         "Host=h;Password=***;User ID=u;PWD=*** ;Jet OLEDB:Database Password=***"},
        {"Data Source=a.db", "Data Source=a.db"},
        // Past a fault nothing can be told apart, so nothing is shown.
        {"Host=h;Password=\"s3;cret", "Host=h;Password=***"},
        {"Host=h;Password=ab;s3cret;Port=1", "Host=h;Password=***;***"},
        // Any key that names a password, in any letter case.
        {"Driver=x;TLSKEYPWD=k3y;sslpassword=p;pwd=q",
         "Driver=x;TLSKEYPWD=***;sslpassword=***;pwd=***"},
        // Settings inside a value, as psqlODBC and libpq take them, keep the value's own quoting.
        {"Driver={PostgreSQL Unicode};pqopt={sslmode=require password=s3cret};UID=u",
         "Driver={PostgreSQL Unicode};pqopt={sslmode=require password=***};UID=u"},
        {"Provider=PostgreSQL;options='-c x=1 password={a}}b}';Host=h",
         "Provider=PostgreSQL;options=\"-c x=1 password=***\";Host=h"},
        {"Host=h;Options=-c PASSWORD=s3cret", "Host=h;Options=-c PASSWORD=***"},
        // Without any "=" a text names no password: a connection's plain name, a file path.
        {"Sales 2024", "Sales 2024"},
        {"/home/ana/shop.db", "/home/ana/shop.db"},
    };
    for (const auto& [text, shown] : cases)
        EXPECT_EQ(ConnectionString::Redacted(text), shown) << text;
}

TEST(ConnectionString, AMegabyteParsesInLinearTime) {
    std::string value;
    for (int i = 0; i < 250'000; ++i) value += "a\"\"b";  // doubled quotes all the way
    std::string text = "Big=\"";
    text += value;
    text += "\";";
    for (int i = 0; text.size() < 2'000'000; ++i) {
        text += 'k';
        text += std::to_string(i);
        text += "=v;";
    }
    const auto start = std::chrono::steady_clock::now();
    const auto cs = ConnectionString::Parse(text);
    const auto redacted = ConnectionString::Redacted(text);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(cs.Get({"Big"})->size(), 750'000u);
    EXPECT_LT(elapsed, std::chrono::seconds(2));
}

}  // namespace
}  // namespace tbn::db
