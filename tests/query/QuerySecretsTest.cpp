// A saved password shows only where the user's own string is shown on purpose: the one-time
// connection's caption and the copy-to-clipboard command. A failing query never echoes it.
#include "support/QueryWindowFixture.h"
#include "ui/Clipboard.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

using namespace tbn::platform;
using tbn::test::QueryWindowFixture;

namespace {

class QuerySecretsTest : public QueryWindowFixture {};

TEST_F(QuerySecretsTest, AFailingQueryDoesNotEchoThePassword) {
    const QString cnn = MakeDatabase(QStringLiteral("s.db"), "CREATE TABLE t(x);") + QStringLiteral(";Password=secret");
    frmMain* window = OpenWindow(QStringLiteral("saved"), cnn);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("saved"));

    const QString failing[] = {QStringLiteral("select * from missing"), QStringLiteral("select (")};
    for (const QString& sql : failing) {
        boxes->Answer(vbOK);
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
        EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> ExecuteQuery"));
        EXPECT_FALSE(boxes->Last().prompt.contains(QStringLiteral("secret"))) << boxes->Last().prompt.toStdString();
    }
    EXPECT_EQ(boxes->Count(), 2u);

    // Copying the connection string is the user's own request: it comes whole.
    window->CopyToClip();
    EXPECT_EQ(Clipboard::GetText(), cnn);
}

} // namespace
