#include "app/CommandLine.h"
#include "db/ConnectionString.h"
#include "support/TempDir.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace tbn::app;
using Action = CommandLine::Action;

TEST(CommandLineTest, HelpAndVersionWinOtherwiseOneTargetAndNoUnknownOption) {
    EXPECT_EQ(ParseCommandLine({}).action, Action::Run);
    EXPECT_TRUE(ParseCommandLine({}).target.isEmpty());
    EXPECT_EQ(ParseCommandLine({"shop.db"}).target, QStringLiteral("shop.db"));
    EXPECT_EQ(ParseCommandLine({"shop.db", "--help"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"-h"}).action, Action::Help);
    EXPECT_EQ(ParseCommandLine({"--bogus", "--version"}).action, Action::Version);

    const CommandLine unknown = ParseCommandLine({"--bogus"});
    EXPECT_EQ(unknown.action, Action::Misuse);
    EXPECT_TRUE(unknown.problem.contains(QStringLiteral("--bogus")));
    EXPECT_EQ(ParseCommandLine({"a.db", "b.db"}).action, Action::Misuse);

    // From main's argv the target keeps its bytes, though they are no valid text.
    const char* argv[] = {"TBN", "--", "caf\xe9.db"};
    EXPECT_EQ(ParseArguments(3, argv).targetBytes, QByteArray("caf\xe9.db"));

    // After "--" everything is a target, even a name that looks like an option.
    EXPECT_EQ(ParseCommandLine({"--", "--help"}).action, Action::Run);
    EXPECT_EQ(ParseCommandLine({"--", "--help"}).target, QStringLiteral("--help"));
    EXPECT_EQ(ParseCommandLine({"--", "-odd.db"}).target, QStringLiteral("-odd.db"));
}

TEST(CommandLineTest, FilesBecomeSqliteConnectionsAndOtherStringsOneTimeConnections) {
    tbn::test::TempDir dir;
    // An existing file is a file even when its name holds what a connection string would.
    const QString odd = dir.file(QStringLiteral("a=b; \"q\" 'r'.db"));
    dir.write(QStringLiteral("a=b; \"q\" 'r'.db"), "");
    const ConnectionChoice file = ConnectionFor(odd);
    EXPECT_EQ(file.name, odd);
    const auto parsed = tbn::db::ConnectionString::Parse(file.cnn.toStdString());
    EXPECT_EQ(parsed.Get({"Provider"}), std::optional<std::string>("SQLite"));
    EXPECT_EQ(parsed.Get({"Data Source"}), std::optional<std::string>(odd.toStdString()));
    EXPECT_FALSE(parsed.Get({"Mode"}).has_value()) << "opening must not create a missing file";

    EXPECT_EQ(ConnectionFor(QStringLiteral("missing.db")).name,
              QDir::current().absoluteFilePath("missing.db"));

    const QString pg = QStringLiteral("Provider=PostgreSQL;Host=db;Database=sales");
    const ConnectionChoice string = ConnectionFor(pg);
    EXPECT_EQ(string.name, QStringLiteral("(temp) ") + pg);
    EXPECT_EQ(string.cnn, pg);
}
