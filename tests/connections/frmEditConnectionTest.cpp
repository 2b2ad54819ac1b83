#include "connections/DataLinkDialog.h"
#include "connections/frmEditConnection.h"
#include "support/ScriptedMsgBox.h"
#include "ui/MsgBox.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace tbn::connections;
using namespace tbn::ui;
using tbn::test::ScriptedMsgBox;

TEST(ConnectionEditor, InitChoosesAddOrModifyMode) {
    frmEditConnection editor;
    editor.INIT(QString());
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Connection editor - Add connection"));
    EXPECT_TRUE(editor.txtName->text().isEmpty());
    EXPECT_TRUE(editor.txtConnectionString->text().isEmpty());

    editor.INIT(QStringLiteral("Sales\tProvider=SQLite;Data Source=s.db"));
    EXPECT_EQ(editor.windowTitle(), QStringLiteral("Connection editor - Modify connection"));
    EXPECT_EQ(editor.txtName->text(), QStringLiteral("Sales"));
    EXPECT_EQ(editor.txtConnectionString->text(),
              QStringLiteral("Provider=SQLite;Data Source=s.db"));

    editor.INIT(QStringLiteral("A\tB\tC"));  // first field the name, last the string
    EXPECT_EQ(editor.txtName->text(), QStringLiteral("A"));
    EXPECT_EQ(editor.txtConnectionString->text(), QStringLiteral("C"));
}

TEST(ConnectionEditor, DoneChecksTheNameFirstThenTheString) {
    ScriptedMsgBox boxes;
    boxes.Answer(vbOK).Answer(vbOK).Answer(vbOK);
    frmEditConnection editor;
    editor.INIT(QString());
    editor.cmdDone_Click();  // both empty: only the name is reported
    ASSERT_EQ(boxes.Count(), 1u);
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Name is required."));
    EXPECT_EQ(boxes.Last().style, vbOKOnly + vbInformation);
    EXPECT_TRUE(boxes.Last().title.isEmpty());

    editor.txtName->setText("   ");
    editor.txtConnectionString->setText("Data Source=x.db");
    editor.cmdDone_Click();
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("Name is required."));

    editor.txtName->setText("  Spaced  ");
    editor.txtConnectionString->setText("  ");
    editor.cmdDone_Click();
    EXPECT_EQ(boxes.Last().prompt, QStringLiteral("The connection string is required."));
    EXPECT_TRUE(editor.strResult.isEmpty());

    editor.txtConnectionString->setText(" Data Source=x.db ");
    editor.cmdDone_Click();
    EXPECT_EQ(editor.strResult, QStringLiteral("  Spaced  \t Data Source=x.db "));  // not trimmed
    EXPECT_EQ(editor.result(), QDialog::Accepted);
}

TEST(ConnectionEditor, CancelEscapeAndTheCloseBoxHandBackNothingWhileEnterDoesNothing) {
    const std::function<void(frmEditConnection&)> leaving[] = {
        [](frmEditConnection& editor) { QTest::mouseClick(editor.cmdCancel, Qt::LeftButton); },
        [](frmEditConnection& editor) {
            QTest::keyClick(editor.txtConnectionString, Qt::Key_Escape);
        },
        [](frmEditConnection& editor) { editor.close(); },
    };
    for (const auto& leave : leaving) {
        frmEditConnection editor;
        editor.INIT(QString());
        editor.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&editor));
        editor.txtName->setText("typed");
        editor.txtConnectionString->setText("Data Source=x.db");
        QTest::keyClick(editor.txtName, Qt::Key_Return);
        EXPECT_TRUE(editor.isVisible());
        leave(editor);
        EXPECT_FALSE(editor.isVisible());
        EXPECT_EQ(editor.result(), QDialog::Rejected);
        EXPECT_TRUE(editor.strResult.isEmpty());
    }
}

TEST(ConnectionEditor, BuildButtonReplacesTheStringOnlyWhenTheDialogConfirms) {
    frmEditConnection editor;
    editor.INIT(QStringLiteral("n\tData Source=old.db"));
    QString seen;
    SetDataLinkResponder([&](const QString& initial) -> std::optional<QString> {
        seen = initial;
        return std::nullopt;
    });
    editor.cmdGenerate_Click();
    EXPECT_EQ(seen, QStringLiteral("Data Source=old.db"));
    EXPECT_EQ(editor.txtConnectionString->text(), QStringLiteral("Data Source=old.db"));

    SetDataLinkResponder([](const QString&) -> std::optional<QString> {
        return QStringLiteral("Provider=SQLite;Data Source=new.db");
    });
    editor.cmdGenerate_Click();
    EXPECT_EQ(editor.txtConnectionString->text(),
              QStringLiteral("Provider=SQLite;Data Source=new.db"));
    SetDataLinkResponder({});
}
