#include "dialogs/cFileDialog.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "support/ScriptedFileDialog.h"
#include "support/TempDir.h"

#include <algorithm>
#include <gtest/gtest.h>

using tbn::test::ScriptedFileDialog;

namespace {

const QString kQueryFilter = QStringLiteral(
    "SQL files (*.sql)|*.sql|TBN files (*.tbn)|*.tbn|Text files (*.txt)|*.txt|All files (*.*)|*.*");
const QChar kNul(u'\0');

QString Nuls(qsizetype n) { return QString(n, kNul); }

// Runs a Show operation and returns the error it raised (number 0 when none).
template <typename Show> tbn::Error Raised(Show show) {
    try {
        show();
    } catch (const tbn::Error& e) {
        return e;
    }
    return tbn::Error(0, "");
}

}  // namespace

TEST(cFileDialog, NewInstanceSelectsTheFirstFilter) {
    ScriptedFileDialog human;
    cFileDialog dialog;
    EXPECT_EQ(dialog.FilterIndex(), 1);
    EXPECT_EQ(dialog.Record().lStructSize, 76);
    EXPECT_FALSE(dialog.CancelError());
    EXPECT_EQ(dialog.flags(), 0);
    dialog.SetFilter(kQueryFilter);
    dialog.ShowOpen();
    ASSERT_EQ(human.Requests().size(), 1u);
    EXPECT_EQ(human.Requests()[0].filterIndex, 1);
    EXPECT_EQ(human.Requests()[0].title, "Open");
}

TEST(cFileDialog, FilterBecomesNulSeparatedPairs) {
    ScriptedFileDialog human;
    cFileDialog dialog;
    dialog.SetFilter(kQueryFilter);
    EXPECT_EQ(dialog.Filter(), kQueryFilter);
    const char bytes[] =
        "SQL files (*.sql)\0*.sql\0TBN files (*.tbn)\0*.tbn\0Text files (*.txt)\0*.txt\0"
        "All files (*.*)\0*.*\0\0";
    const std::string expected(bytes, sizeof bytes - 1);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\0'), 9);
    EXPECT_EQ(dialog.Record().lpstrFilter, expected);

    dialog.ShowSave();
    const auto& filters = human.Requests().at(0).filters;
    ASSERT_EQ(filters.size(), 4);
    EXPECT_EQ(filters[1].description, "TBN files (*.tbn)");
    EXPECT_EQ(filters[1].patterns, QStringList{"*.tbn"});
    EXPECT_EQ(filters[3].QtNameFilter(),
              "All files (*.*) (*)");  // *.* must match dotless names too

    dialog.SetFilter("Logs: *.log");
    EXPECT_EQ(dialog.Record().lpstrFilter, std::string("Logs\0 *.log\0\0", 13));
}

TEST(cFileDialog, CancelledOpenClearsTheNameUnlessItRaises) {
    ScriptedFileDialog human;
    cFileDialog dialog;
    dialog.SetFilename("/tmp/preset.sql");
    dialog.ShowOpen();
    EXPECT_EQ(human.Requests().at(0).presetName, "/tmp/preset.sql");
    EXPECT_EQ(dialog.Filename(), "");

    dialog.SetCancelError(true);
    const tbn::Error e = Raised([&] { dialog.ShowOpen(); });
    EXPECT_EQ(e.Number(), tbn::ErrorCode::CancelSelected);
    EXPECT_EQ(e.Description(), "User selected cancel.");
}

TEST(cFileDialog, CancelledSaveKeepsThePresetUnlessItRaises) {
    ScriptedFileDialog human;
    cFileDialog dialog;
    dialog.SetFilename("draft.sql");
    dialog.ShowSave();
    EXPECT_EQ(dialog.Filename(), "draft.sql");
    EXPECT_EQ(human.Requests().at(0).title, "Save As");

    dialog.SetCancelError(true);
    const tbn::Error e = Raised([&] { dialog.ShowSave(); });
    EXPECT_EQ(e.Number(), 32755);
    EXPECT_EQ(e.Description(), "User selected cancel.");
    EXPECT_EQ(dialog.Filename(), "draft.sql");
}

TEST(cFileDialog, LoadSettingsReachTheDialog) {
    ScriptedFileDialog human;
    cFileDialog dialog;
    dialog.Setflags(4096 | 512);
    dialog.SetDialogTitle("TBN: Load query");
    dialog.SetInitDir("/srv/queries");
    dialog.ShowOpen();
    const auto& r = human.Requests().at(0);
    EXPECT_EQ(r.title, "TBN: Load query");
    EXPECT_EQ(dialog.DialogTitle(), "TBN: Load query");
    EXPECT_EQ(r.initialDir, "/srv/queries");
    EXPECT_TRUE(r.mustExist);
    EXPECT_TRUE(r.multiSelect);
    EXPECT_FALSE(r.save);
    EXPECT_EQ(dialog.Record().Flags, 4608 | 0x80000);
    EXPECT_EQ(dialog.Record().nMaxFile, 8192);
    EXPECT_EQ(dialog.flags(), 4608);

    cFileDialog save;
    save.ShowSave();
    EXPECT_FALSE(human.Requests().at(1).overwritePrompt);
    save.Setflags(2);
    save.ShowSave();
    EXPECT_TRUE(human.Requests().at(2).overwritePrompt);
}

TEST(cFileDialog, MultiSelectOpenReturnsTheRawBuffer) {
    ScriptedFileDialog human;
    human.Choose({"/q/a.sql"}).Choose({"/q/a.sql", "/q/b.sql"}).Choose({"C:\\q\\a.sql"});
    cFileDialog dialog;
    dialog.Setflags(512);

    dialog.ShowOpen();
    EXPECT_EQ(dialog.Filename(), "/q/a.sql" + Nuls(8192 - 8));
    QString dir;
    QStringList files;
    std::int32_t count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, "/q/");
    EXPECT_EQ(files, QStringList{"a.sql"});
    EXPECT_EQ(count, 1);

    dialog.ShowOpen();  // the previous raw result is a valid preset: only its text before a NUL
                        // counts
    EXPECT_EQ(human.Requests().at(1).presetName, "/q/a.sql");
    EXPECT_EQ(dialog.Filename().size(), 8192);
    EXPECT_TRUE(dialog.Filename().startsWith(QString("/q") + kNul + "a.sql" + kNul + "b.sql" +
                                             kNul + kNul));
    files.clear();
    count = 0;
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, "/q");
    EXPECT_EQ(files, (QStringList{"a.sql", "b.sql"}));
    EXPECT_EQ(count, 2);

    dialog.ShowOpen();  // a path written the Windows way splits at its backslashes
    dialog.ParseMultiFileName(dir, files, count);
    EXPECT_EQ(dir, "C:\\q\\");
    EXPECT_EQ(files, QStringList{"a.sql"});
}

TEST(cFileDialog, SingleSelectOpenGivesThePathAlone) {
    ScriptedFileDialog human;
    human.Choose({"/q/a.sql", "/q/b.sql"});
    cFileDialog dialog;
    dialog.ShowOpen();
    EXPECT_EQ(dialog.Filename(), "/q/a.sql");
    EXPECT_EQ(dialog.Record().Flags & 0x80000, 0);
    EXPECT_EQ(dialog.Record().lpstrFile.size(), 1024u);
}

TEST(cFileDialog, SaveAddsTheDefaultExtensionAndReportsTheFilter) {
    ScriptedFileDialog human;
    human.Choose({"/q/report"}, 3).Choose({"/q/notes.txt"}, 4).Choose({"/q/other"}, 9);
    cFileDialog dialog;
    dialog.SetFilter(kQueryFilter);
    dialog.SetDefaultExt("sql");
    dialog.SetFilterIndex(2);

    dialog.ShowSave();
    EXPECT_EQ(human.Requests().at(0).filterIndex, 2);
    EXPECT_EQ(human.Requests().at(0).defaultExt, "sql");
    EXPECT_EQ(dialog.Filename(), "/q/report.sql");
    EXPECT_EQ(dialog.FilterIndex(), 3);
    EXPECT_EQ(dialog.Record().lpstrFileTitle.substr(0, 11), std::string("report.sql\0", 11));

    dialog.ShowSave();
    EXPECT_EQ(dialog.Filename(), "/q/notes.txt");
    EXPECT_EQ(dialog.FilterIndex(), 4);

    dialog.ShowSave();  // an index the filter does not have is not written back
    EXPECT_EQ(dialog.Filename(), "/q/other.sql");
    EXPECT_EQ(dialog.FilterIndex(), 4);
}

TEST(cFileDialog, OpenAddsTheExtensionOnlyToANameThatIsNotThere) {
    tbn::test::TempDir dir;
    dir.write("README", "x");
    ScriptedFileDialog human;
    human.Choose({dir.file("README")}).Choose({dir.file("query")});
    cFileDialog dialog;
    dialog.SetDefaultExt("sql");
    dialog.ShowOpen();
    EXPECT_EQ(dialog.Filename(), dir.file("README"));
    dialog.ShowOpen();
    EXPECT_EQ(dialog.Filename(), dir.file("query.sql"));
}

TEST(cFileDialog, OverlongNamesAreRefusedBeforeAnyDialog) {
    ScriptedFileDialog human;
    cFileDialog dialog;
    EXPECT_EQ(Raised([&] { dialog.SetFilename(QString(1025, 'a')); }).Number(),
              tbn::ErrorCode::InvalidArgument);
    EXPECT_EQ(dialog.Filename(), "");

    dialog.SetFilename(QString(1024, 'a'));  // fits the setter, but leaves no room for the NUL
    EXPECT_EQ(Raised([&] { dialog.ShowSave(); }).Number(), tbn::ErrorCode::InvalidArgument);
    // Multi-byte characters count by their encoded size.
    EXPECT_EQ(Raised([&] { dialog.SetFilename(QString(600, QChar(u'é'))); }).Number(),
              tbn::ErrorCode::InvalidArgument);

    cFileDialog titled;
    titled.SetFileTitle(QString(2000, 't'));
    EXPECT_EQ(Raised([&] { titled.ShowOpen(); }).Number(), tbn::ErrorCode::InvalidArgument);
    titled.Setflags(512);  // the multi-select buffer is large enough
    EXPECT_EQ(Raised([&] { titled.ShowOpen(); }).Number(), 0);
    EXPECT_EQ(human.Requests().size(), 1u);
}
