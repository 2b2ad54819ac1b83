#include "connections/DataLinkDialog.h"
#include "connections/DataLinkForm.h"
#include "core/Error.h"
#include "db/ConnectionString.h"
#include "support/ScriptedMsgBox.h"
#include "support/SqliteFile.h"
#include "support/TempDir.h"
#include "ui/MsgBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tbn::connections;
using namespace tbn::ui;
using tbn::test::ScriptedMsgBox;
using tbn::test::TempDir;

TEST(DataLinkForm, KeepsEveryKeyItDoesNotShow) {
    const DataLinkForm form = DataLinkForm::FromConnectionString(
        R"(data source="/tmp/a b.db"; Cache=Shared ;mode=ReadOnly;Extra='x;y')");
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
    const DataLinkForm postgres = DataLinkForm::FromConnectionString(
        QStringLiteral("Provider=PostgreSQL;Server=db;UID=ana;PWD=pw"));
    EXPECT_EQ(postgres.Value("User ID"), QStringLiteral("ana"));
    EXPECT_EQ(postgres.Value("Password"), QStringLiteral("pw"));
    EXPECT_TRUE(postgres.Extras().isEmpty());
    EXPECT_EQ(postgres.ToConnectionString(),
              QStringLiteral("Provider=PostgreSQL;Host=db;User ID=ana;Password=pw"));

    const DataLinkForm odbc =
        DataLinkForm::FromConnectionString(QStringLiteral("Provider=MSDASQL;DSN=dw;User ID=ana"));
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

// The check box reads Mode=ReadOnly from any provider's string and writes it back; unchecked,
// SQLite's other modes come back as they were (elsewhere ReadWrite is what no Mode means).
TEST(DataLinkDialog, TheReadOnlyBoxRoundTripsModeOnEveryProvider) {
    struct Case {
        const char* initial;
        bool checked;
        const char* toggled;  // Mode once the box is toggled; "" for none
        const char* back;     // and once toggled back
    };
    for (const Case& c :
         {Case{"Data Source=a.db;Mode=ReadOnly", true, "", "ReadOnly"},
          Case{"Data Source=a.db;Mode=ReadWriteCreate", false, "ReadOnly", "ReadWriteCreate"},
          Case{"Provider=PostgreSQL;Host=h;mode=readonly", true, "", "ReadOnly"},
          Case{"Provider=PostgreSQL;Host=h;Mode=ReadWrite", false, "ReadOnly", ""},
          Case{"DSN=dw", false, "ReadOnly", ""}}) {
        DataLinkDialog dialog(nullptr);
        dialog.SetConnectionString(QString::fromUtf8(c.initial));
        ASSERT_NE(dialog.readOnlyBox(), nullptr) << c.initial;
        EXPECT_EQ(dialog.readOnlyBox()->isChecked(), c.checked) << c.initial;
        const auto mode = [&dialog] {
            return tbn::db::ConnectionString::Parse(dialog.ConnectionString().toStdString())
                .Get({"Mode"})
                .value_or("");
        };
        dialog.readOnlyBox()->toggle();
        EXPECT_EQ(mode(), c.toggled) << c.initial;
        dialog.readOnlyBox()->toggle();
        EXPECT_EQ(mode(), c.back) << c.initial;
    }
}

namespace {
// The control that a focused widget belongs to: an editable list's text line counts as the list.
QWidget* ControlOf(QWidget* focused, const QList<QWidget*>& controls) {
    for (QWidget* w = focused; w; w = w->parentWidget())
        if (controls.contains(w)) return w;
    return focused;
}
}  // namespace

TEST(DataLinkDialog, TabRunsFromTheProviderThroughThePropertiesToTheButtonsOnEveryPage) {
    DataLinkDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const auto* box = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    for (int page = 0; page < dialog.providerList()->count(); ++page) {
        dialog.providerList()->setCurrentIndex(page);
        QApplication::processEvents();
        // Expected: the provider, each property row from the top (a file row: its text, then
        // Browse), then the three buttons in the order they stand.
        QList<QWidget*> expected{dialog.providerList()};
        const QFormLayout* form = nullptr;  // the property page's, not the provider row's
        for (const QFormLayout* candidate : dialog.findChildren<QFormLayout*>())
            if (candidate->parentWidget() != &dialog) form = candidate;
        ASSERT_NE(form, nullptr);
        for (int row = 0; row < form->rowCount(); ++row) {
            QWidget* field = form->itemAt(row, QFormLayout::FieldRole)->widget();
            if (QLayout* parts = field->layout())
                for (int i = 0; i < parts->count(); ++i)
                    expected.append(parts->itemAt(i)->widget());
            else
                expected.append(field);
        }
        QList<QWidget*> buttons;
        for (int i = 0; i < box->layout()->count(); ++i)
            if (QWidget* w = box->layout()->itemAt(i)->widget()) buttons.append(w);
        ASSERT_EQ(buttons.size(), 3);
        expected.append(buttons);

        dialog.providerList()->setFocus();
        QList<QWidget*> visited{ControlOf(QApplication::focusWidget(), expected)};
        for (qsizetype i = 1; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited.append(ControlOf(QApplication::focusWidget(), expected));
        }
        EXPECT_EQ(visited, expected)
            << "provider " << dialog.providerList()->currentText().toStdString();
    }
}

TEST(DataLinkDialog, FitsTheChosenPageEachTime) {
    DataLinkDialog dialog(nullptr);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    const int sqliteHeight = dialog.height();
    dialog.providerList()->setCurrentIndex(
        dialog.providerList()->findData(QStringLiteral("PostgreSQL")));
    const int postgresHeight = dialog.height();
    EXPECT_GT(postgresHeight, sqliteHeight);  // eight rows against three
    dialog.providerList()->setCurrentIndex(
        dialog.providerList()->findData(QStringLiteral("SQLite")));
    QApplication::processEvents();
    EXPECT_EQ(dialog.height(), sqliteHeight);
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
