#include "core/FileOps.h"
#include "support/QueryWindowFixture.h"
#include "ui/FileDialogs.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <deque>

using namespace tbn::core;
using namespace tbn::ui;
using tbn::test::QueryWindowFixture;

class QueryFilesTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window = OpenWindow("files", MakeDatabase("f.db", "CREATE TABLE t(x);"));
        SetFileDialogResponder([this](const FileDialogRequest& request) {
            requests.push_back(request);
            if (choices.empty()) {
                ADD_FAILURE() << "unexpected file dialog";
                return FileDialogAnswer{};
            }
            FileDialogAnswer answer = choices.front();
            choices.pop_front();
            return answer;
        });
    }
    void TearDown() override {
        SetFileDialogResponder({});
        EXPECT_TRUE(choices.empty()) << "file dialog answers left unused";
        QueryWindowFixture::TearDown();
    }
    void Choose(QStringList paths) {
        choices.push_back(FileDialogAnswer{false, std::move(paths), 1});
    }
    void Cancel() { choices.push_back(FileDialogAnswer{}); }

    frmMain* window = nullptr;
    std::deque<FileDialogAnswer> choices;
    std::vector<FileDialogRequest> requests;
};

TEST_F(QueryFilesTest, SaveWritesTheTextAndOneLineEndWithTheSqlExtension) {
    window->QueryText().SetText("SELECT 1\r\nFROM t");
    // The pane is coloured, and the colours never reach the bytes.
    const auto* pane = window->findChild<QPlainTextEdit*>(QStringLiteral("rtfQuery"));
    ASSERT_FALSE(pane->document()->firstBlock().layout()->formats().isEmpty());
    Choose({dir.file("first")});
    EXPECT_TRUE(window->SaveQuery());
    EXPECT_EQ(dir.read("first.sql"), QByteArray("SELECT 1\r\nFROM t\r\n"));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_TRUE(requests[0].overwritePrompt);
    EXPECT_EQ(requests[0].defaultExt, QStringLiteral("sql"));
    EXPECT_EQ(requests[0].filters.size(), 4);
    EXPECT_EQ(requests[0].filterIndex, 1);

    window->QueryText().SetText("");
    Choose({dir.file("empty.sql")});
    EXPECT_TRUE(window->SaveQuery());
    EXPECT_EQ(dir.read("empty.sql"), QByteArray("\r\n"));
}

TEST_F(QueryFilesTest, CancelledOrDeclinedSavesWriteNothing) {
    window->QueryText().SetText("new text");
    Cancel();
    EXPECT_FALSE(window->SaveQuery());

    // An existing file is asked about once; No goes back to the dialog, where the user gives up.
    dir.write("old.sql", "old text\r\n");
    Choose({dir.file("old")});
    Cancel();
    boxes->Answer(vbNo);
    EXPECT_FALSE(window->SaveQuery());
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().prompt.startsWith(QStringLiteral("old.sql already exists.")))
        << boxes->Last().prompt.toStdString();
    EXPECT_EQ(boxes->Last().style & (vbYesNo | vbDefaultButton2), vbYesNo | vbDefaultButton2);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].presetName, dir.file("old.sql"));
    EXPECT_EQ(dir.read("old.sql"), QByteArray("old text\r\n"));

    Choose({dir.file("old.sql")});
    boxes->Answer(vbYes);
    EXPECT_TRUE(window->SaveQuery());
    EXPECT_EQ(boxes->Count(), 2u);
    EXPECT_EQ(dir.read("old.sql"), QByteArray("new text\r\n"));
}

TEST_F(QueryFilesTest, AFailedSaveIsReportedAndLeavesTheOldFileWhole) {
    dir.write("keep.sql", "old text\r\n");
    window->QueryText().SetText("new text");
    Choose({dir.file("keep.sql")});
    boxes->Answer(vbYes).Answer(vbOK);
    {
        FaultInjector::Scope fault(FileOpKind::Flush, 1, ENOSPC);
        EXPECT_FALSE(window->SaveQuery());
    }
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> SaveQuery"));
    EXPECT_TRUE(boxes->Last().prompt.startsWith(QStringLiteral("Application error:\r\n#61 ")));
    EXPECT_EQ(dir.read("keep.sql"), QByteArray("old text\r\n"));
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("new text"));
}

TEST_F(QueryFilesTest, LoadDropsLeadingEmptyLinesAndKeepsALastLineWithoutEnd) {
    dir.write("q.sql", "\r\n\r\nselect *\r\n\r\nfrom t");
    Choose({dir.file("q.sql")});
    window->LoadQuery();  // empty pane: nothing to ask
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("select *\r\n\r\nfrom t"));
    EXPECT_EQ(requests.back().title, QStringLiteral("TBN: Load query"));
    EXPECT_TRUE(requests.back().mustExist);
    EXPECT_TRUE(requests.back().multiSelect);
    EXPECT_EQ(boxes->Count(), 0u);

    dir.write("w.sql", QByteArray("caf\xe9 \x80\r\n"));  // written by an older Windows tool
    Choose({dir.file("w.sql")});
    boxes->Answer(vbNo);
    window->LoadQuery();
    EXPECT_EQ(boxes->Last().prompt, QStringLiteral("Save current query before load new?"));
    EXPECT_EQ(boxes->Last().style, vbYesNo + vbQuestion);
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("café €"));
}

TEST_F(QueryFilesTest, SavingFirstAndThenCancellingLoadsNothing) {
    dir.write("q.sql", "other\r\n");
    window->QueryText().SetText("mine");
    Choose({dir.file("q.sql")});
    Cancel();  // the save dialog
    boxes->Answer(vbYes);
    window->LoadQuery();
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("mine"));

    Cancel();  // the load dialog itself: nothing asked
    window->LoadQuery();
    EXPECT_EQ(boxes->Count(), 1u);
}

TEST_F(QueryFilesTest, SeveralFilesOrAnUnreadableFileAreReportedAndTheTextStays) {
    dir.write("a.sql", "a\r\n");
    dir.write("b.sql", "b\r\n");
    window->QueryText().SetText("");
    Choose({dir.file("a.sql"), dir.file("b.sql")});
    boxes->Answer(vbOK);
    window->LoadQuery();
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> LoadQuery"));
    EXPECT_EQ(window->QueryText().Text(), QString());

    window->QueryText().SetText("kept");
    Choose({dir.file("a.sql")});
    boxes->Answer(vbNo).Answer(vbOK);
    {
        FaultInjector::Scope fault(FileOpKind::Read, 1, EIO);
        window->LoadQuery();
    }
    EXPECT_EQ(boxes->Last().title, QStringLiteral("frmMain >> LoadQuery"));
    EXPECT_EQ(window->QueryText().Text(), QStringLiteral("kept"));
}
