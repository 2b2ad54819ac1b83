#include "support/QueryWindowFixture.h"

#include "run/UnboundedWrites.h"
#include "support/SqliteFile.h"

#include <QApplication>
#include <QTest>

namespace tbn::test {

void QueryWindowFixture::SetUp() {
    // The question before a statement that changes every row is the program's default; a test
    // not about it runs such statements unasked, and one about it turns it on.
    tbn::run::SetAskBeforeUnboundedWrites(false);
    boxes = std::make_unique<ScriptedMsgBox>();
    frame = std::make_unique<frmMDI>();
    frame->SetMenu(false);
    frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(frame.get()));
}

void QueryWindowFixture::TearDown() {
    frame.reset();
    QApplication::processEvents();
    EXPECT_EQ(boxes->Unanswered(), 0u) << "scripted answers left unused";
    boxes.reset();
    tbn::run::SetAskBeforeUnboundedWrites(true);
}

QString QueryWindowFixture::MakeDatabase(const QString& fileName, const std::string& sql) {
    const QString path = dir.file(fileName);
    RunSqlite(path, sql);
    return SqliteConnectionString(path);
}

frmMain* QueryWindowFixture::OpenWindow(const QString& name, const QString& cnn) {
    frmMain* window = frame->NewQueryWindow();
    window->SetIsLoading(true);
    window->Load();
    window->Hide();
    ConnectAndWait(*window, name, cnn);
    frame->AddTabNavigator(name, window->hWnd());
    frame->SetMenu(true);
    window->Show();
    window->SetIsLoading(false);
    Settle();
    return window;
}

void QueryWindowFixture::Settle() {
    auto connecting = [this] {
        if (!frame) return false;
        for (const frmMain* window : frame->QueryWindows())
            if (window->Connecting() || window->ReadingSchema()) return true;
        return false;
    };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !connecting(); }, 60000))
        << "a query window is still connecting or reading its schema";
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace tbn::test
