#include "connections/DataLinkDialog.h"
#include "connections/DataLinkForm.h"
#include "core/Error.h"
#include "support/ScriptedMsgBox.h"
#include "support/SqliteFile.h"
#include "support/TempDir.h"
#include "ui/MsgBox.h"

#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

using namespace tbn::platform;
using tbn::test::ScriptedMsgBox;
using tbn::test::TempDir;

TEST(DataLinkForm, KeepsEveryKeyItDoesNotShow) {
    const DataLinkForm form =
        DataLinkForm::FromConnectionString(R"(data source="/tmp/a b.db"; Cache=Shared ;mode=ReadOnly;Extra='x;y')");
    EXPECT_EQ(form.provider(), QStringLiteral("SQLite"));
    EXPECT_EQ(form.Value("Data Source"), QStringLiteral("/tmp/a b.db"));
    EXPECT_EQ(form.Value("Mode"), QStringLiteral("ReadOnly"));
    ASSERT_EQ(form.Extras().size(), 2);
    EXPECT_EQ(form.Extras()[0].first, QStringLiteral("Cache"));
    EXPECT_EQ(form.Extras()[1].second, QStringLiteral("x;y"));

    const DataLinkForm again = DataLinkForm::FromConnectionString(form.ToConnectionString());
    EXPECT_EQ(again.Value("Data Source"), QStringLiteral("/tmp/a b.db"));
    EXPECT_EQ(again.Extras(), form.Extras());
    EXPECT_TRUE(form.ToConnectionString().startsWith(QStringLiteral("Provider=SQLite;")));
}

// The form reads the same catalogue as the providers: every spelling a provider accepts is shown
// under the key the form writes, and none of them is left behind as an unknown extra.
TEST(DataLinkForm, ReadsEverySpellingTheProviderAccepts) {
    const DataLinkForm postgres =
        DataLinkForm::FromConnectionString(QStringLiteral("Provider=PostgreSQL;Server=db;UID=ana;PWD=pw"));
    EXPECT_EQ(postgres.Value("User ID"), QStringLiteral("ana"));
    EXPECT_EQ(postgres.Value("Password"), QStringLiteral("pw"));
    EXPECT_TRUE(postgres.Extras().isEmpty());
    EXPECT_EQ(postgres.ToConnectionString(), QStringLiteral("Provider=PostgreSQL;Host=db;User ID=ana;Password=pw"));

    const DataLinkForm odbc = DataLinkForm::FromConnectionString(QStringLiteral("Provider=MSDASQL;DSN=dw;User ID=ana"));
    EXPECT_EQ(odbc.provider(), QStringLiteral("ODBC"));
    EXPECT_EQ(odbc.Value("UID"), QStringLiteral("ana"));
    EXPECT_TRUE(odbc.Extras().isEmpty());
}

TEST(DataLinkForm, AnUnreadableStringIsRefused) {
    EXPECT_THROW(DataLinkForm::FromConnectionString("Data Source=\"unclosed"), tbn::Error);
}

TEST(DataLinkDialog, StartsFromTheGivenStringAndComposesTheEditedOne) {
    DataLinkDialog dialog(nullptr);
    dialog.SetConnectionString("Data Source=old.db;Journal=WAL");
    ASSERT_NE(dialog.field("Data Source"), nullptr);
    EXPECT_EQ(dialog.field("Data Source")->text(), QStringLiteral("old.db"));
    dialog.field("Data Source")->setText("new.db");
    const QString built = dialog.ConnectionString();
    EXPECT_TRUE(built.contains(QStringLiteral("Data Source=new.db"))) << built.toStdString();
    EXPECT_TRUE(built.contains(QStringLiteral("Journal=WAL"))) << built.toStdString();
}

TEST(DataLinkDialog, TestConnectionReallyOpensTheDatabase) {
    TempDir dir;
    tbn::test::RunSqlite(dir.file("ok.db"), "CREATE TABLE t(x);");
    ScriptedMsgBox boxes;
    boxes.Answer(vbOK).Answer(vbOK);
    DataLinkDialog dialog(nullptr);
    dialog.field("Data Source")->setText(dir.file("ok.db"));
    EXPECT_TRUE(dialog.TestConnection());
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Test connection succeeded."));
    EXPECT_EQ(boxes.Last().style, vbOKOnly + vbInformation);

    dialog.field("Data Source")->setText(dir.file("missing.db"));
    EXPECT_FALSE(dialog.TestConnection());
    EXPECT_TRUE(boxes.Last().prompt.startsWith(QStringLiteral("Test connection failed:\r\n")));
    EXPECT_EQ(boxes.Last().style, vbOKOnly + vbCritical);
    EXPECT_FALSE(dir.exists("missing.db"));
}

TEST(DataLinkPrompts, EditReportsConfirmationAndTheEditedString) {
    SetDataLinkResponder([](const QString& initial) -> std::optional<QString> {
        if (initial.isEmpty()) return std::nullopt;
        return initial + QStringLiteral(";Mode=ReadOnly");
    });
    EXPECT_FALSE(PromptNew(nullptr).has_value());
    QString cnn = QStringLiteral("Data Source=x.db");
    EXPECT_TRUE(PromptEdit(nullptr, cnn));
    EXPECT_EQ(cnn, QStringLiteral("Data Source=x.db;Mode=ReadOnly"));
    SetDataLinkResponder({});
}
