// A password shows only where the user asks for the string itself: the copy-to-clipboard
// command. A one-time connection's caption (and with it the frame's title and the Windows menu)
// hides it, and a failing query never echoes it.
#include "app/frmMDI.h"
#include "support/QueryWindowFixture.h"
#include "ui/Clipboard.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QMdiSubWindow>
#include <QMenu>

using namespace tbn::ui;
using tbn::test::QueryWindowFixture;

namespace {

class QuerySecretsTest : public QueryWindowFixture {};

TEST_F(QuerySecretsTest, AFailingQueryDoesNotEchoThePassword) {
    const QString cnn = MakeDatabase(QStringLiteral("s.db"), "CREATE TABLE t(x);") +
                        QStringLiteral(";Password=secret");
    frmMain* window = OpenWindow(QStringLiteral("saved"), cnn);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("saved"));

    const QString failing[] = {QStringLiteral("select * from missing"), QStringLiteral("select (")};
    for (const QString& sql : failing) {
        boxes->Answer(vbOK);
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
        EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> ExecuteQuery"));
        EXPECT_FALSE(boxes->Last().prompt.contains(QStringLiteral("secret")))
            << boxes->Last().prompt.toStdString();
    }
    EXPECT_EQ(boxes->Count(), 2u);

    // Copying the connection string is the user's own request: it comes whole.
    window->CopyToClip();
    EXPECT_EQ(Clipboard::GetText(), cnn);
}

TEST_F(QuerySecretsTest, AOneTimeConnectionsPasswordIsHiddenWhereverItsStringIsShown) {
    const QString cnn = MakeDatabase(QStringLiteral("t.db"), "CREATE TABLE t(x);") +
                        QStringLiteral(";Password=hunter2");
    frmMain* window = OpenWindow(QStringLiteral("(temp) ") + cnn, cnn);
    window->subWindow()->showMaximized();
    Settle();
    emit frame->mnuWndList->aboutToShow();
    QStringList shown{window->windowTitle(), window->subWindow()->windowTitle(),
                      frame->windowTitle()};
    for (const QAction* entry : frame->mnuWndList->actions()) shown << entry->text();
    EXPECT_TRUE(shown.filter(QStringLiteral("(temp) ")).size() >= 3)
        << shown.join(" | ").toStdString();
    for (const QString& text : shown)
        EXPECT_FALSE(text.contains(QStringLiteral("hunter2"))) << text.toStdString();

    window->CopyToClip();
    EXPECT_EQ(Clipboard::GetText(), cnn);
}

}  // namespace
