// The builder's server providers: what they offer and that "Test connection" reaches the server.
#include "connections/DataLinkDialog.h"
#include "db/ProviderCatalogue.h"
#include "support/MariaDbServer.h"
#include "support/PgServer.h"
#include "support/ScriptedMsgBox.h"
#include "support/TempDir.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <algorithm>
#include <gtest/gtest.h>

using namespace tbn::connections;
using namespace tbn::ui;
using tbn::test::MariaDbServer;
using tbn::test::PgServer;
using tbn::test::ScriptedMsgBox;

namespace {

TEST(DataLinkServers, OdbcListsTheInstalledDriversAndPostgresReadsItsAliases) {
    const tbn::db::ProviderInfo* odbc = tbn::db::FindProvider("ODBC");
    ASSERT_TRUE(odbc);
    const tbn::db::ProviderKey& driver = odbc->keys.front();
    EXPECT_EQ(driver.name, "Driver");
    const std::vector<std::string> drivers = tbn::db::ChoicesOf(driver);
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "SQLite3"), drivers.end());
    EXPECT_NE(std::find(drivers.begin(), drivers.end(), "PostgreSQL Unicode"), drivers.end());

    const DataLinkForm form = DataLinkForm::FromConnectionString(
        QStringLiteral("Provider=PostgreSQL;Server=db;Initial "
                       "Catalog=sales;Username=ana;Password=pw;sslrootcert=ca.pem"));
    EXPECT_EQ(form.Value(QStringLiteral("Host")), QStringLiteral("db"));
    EXPECT_EQ(form.Value(QStringLiteral("Database")), QStringLiteral("sales"));
    EXPECT_EQ(form.Value(QStringLiteral("User ID")), QStringLiteral("ana"));
    EXPECT_EQ(form.ToConnectionString(),
              QStringLiteral("Provider=PostgreSQL;Host=db;Database=sales;User "
                             "ID=ana;Password=pw;sslrootcert=ca.pem"));
}

TEST(DataLinkServers, TestConnectionReachesPostgresAndReportsAFailureWithoutThePassword) {
    const std::optional<PgServer> server = PgServer::FromEnvironment();
    if (!server) GTEST_SKIP() << PgServer::AbsentReason();
    DataLinkDialog dialog(nullptr);
    dialog.SetConnectionString(QString::fromStdString(server->ConnectionString()));
    ASSERT_TRUE(dialog.field(QStringLiteral("Password")));
    EXPECT_EQ(dialog.field(QStringLiteral("Password"))->echoMode(), QLineEdit::Password);

    ScriptedMsgBox boxes;
    boxes.Answer(vbOK).Answer(vbOK);
    EXPECT_TRUE(dialog.TestConnection());
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Test connection succeeded."));

    dialog.field(QStringLiteral("Password"))->setText(QStringLiteral("not-the-Secret-42"));
    EXPECT_FALSE(dialog.TestConnection());
    EXPECT_EQ(boxes.Last().style, vbOKOnly + vbCritical);
    EXPECT_TRUE(boxes.Last().prompt.contains(QStringLiteral("password authentication failed")));
    EXPECT_FALSE(boxes.Last().prompt.contains(QStringLiteral("not-the-Secret-42")));
}

TEST(DataLinkServers, TestConnectionWorksThroughAnOdbcDriverChosenFromTheList) {
    tbn::test::TempDir dir;
    DataLinkDialog dialog(nullptr);
    dialog.SetConnectionString(QStringLiteral("Provider=ODBC"));
    ASSERT_TRUE(dialog.choice(QStringLiteral("Driver")));
    dialog.choice(QStringLiteral("Driver"))->setCurrentText(QStringLiteral("SQLite3"));
    dialog.field(QStringLiteral("Database"))->setText(dir.file(QStringLiteral("via-odbc.db")));
    EXPECT_EQ(dialog.ConnectionString(), QStringLiteral("Provider=ODBC;Driver=SQLite3;Database=") +
                                             dir.file(QStringLiteral("via-odbc.db")));

    ScriptedMsgBox boxes;
    boxes.Answer(vbOK).Answer(vbOK);
    EXPECT_TRUE(dialog.TestConnection());
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Test connection succeeded."));

    dialog.choice(QStringLiteral("Driver"))->setCurrentText(QStringLiteral("No Such Driver"));
    EXPECT_FALSE(dialog.TestConnection());
    EXPECT_TRUE(boxes.Last().prompt.contains(QStringLiteral("No Such Driver")))
        << boxes.Last().prompt.toStdString();
}

TEST(DataLinkServers, TestConnectionReachesMariaDbThroughItsOdbcDriverFromTheList) {
    const std::optional<MariaDbServer> server = MariaDbServer::FromEnvironment();
    if (!server) GTEST_SKIP() << MariaDbServer::AbsentReason();
    DataLinkDialog dialog(nullptr);
    dialog.SetConnectionString(QStringLiteral("Provider=ODBC"));
    QComboBox* driver = dialog.choice(QStringLiteral("Driver"));
    ASSERT_TRUE(driver);
    const int offered = driver->findText(QString::fromStdString(server->Driver));
    ASSERT_GE(offered, 0) << "the installed MariaDB driver is not offered";
    driver->setCurrentIndex(offered);
    dialog.field(QStringLiteral("Server"))->setText(QString::fromStdString(server->Host));
    dialog.field(QStringLiteral("Port"))->setText(QString::fromStdString(server->Port));
    dialog.field(QStringLiteral("UID"))->setText(QString::fromStdString(server->User));
    dialog.field(QStringLiteral("PWD"))->setText(QString::fromStdString(server->Password));

    ScriptedMsgBox boxes;
    boxes.Answer(vbOK).Answer(vbOK);
    EXPECT_TRUE(dialog.TestConnection());
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Test connection succeeded."));

    dialog.field(QStringLiteral("PWD"))->setText(QStringLiteral("not-the-Secret-42"));
    EXPECT_FALSE(dialog.TestConnection());
    EXPECT_EQ(boxes.Last().style, vbOKOnly + vbCritical);
    EXPECT_TRUE(boxes.Last().prompt.contains(QStringLiteral("Access denied")))
        << boxes.Last().prompt.toStdString();
    EXPECT_FALSE(boxes.Last().prompt.contains(QStringLiteral("not-the-Secret-42")));
}

}  // namespace
