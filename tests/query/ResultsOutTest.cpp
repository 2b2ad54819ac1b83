// Results leaving a query window: copy with headers and the clipboard's richer forms, the grid's
// pop-up menu and copying in a format, and export of the rows the grid holds, which never leaves
// a half-written or scratch file behind, whether it is cancelled, fails or its window closes.
#include "core/FileOps.h"
#include "OutFolder.h"
#include "grid/FlexGrid.h"
#include "CopyLimitsScope.h"
#include "query/ResultOut.h"
#include "query/RunStatusBar.h"
#include "support/QueryWindowFixture.h"
#include "support/ScriptedFileDialog.h"
#include "ui/Clipboard.h"
#include "ui/InputBox.h"
#include "ui/TextBox.h"

#include <QMenu>
#include <QRegularExpression>
#include <QTest>
#include <cerrno>

namespace Clipboard = tbn::ui::Clipboard;
using tbn::results::ResultFormat;
using tbn::results::SqlDialect;
using tbn::test::QueryWindowFixture;

namespace {

// A result of many rows and some bytes: an export of it cannot end before a cancel arrives, and
// it fills the file's buffer several times.
const QString kManyRows = QStringLiteral(
    "WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM n WHERE x < 300000) "
    "SELECT x, printf('%030d', x) AS padded FROM n");

class ResultsOutTest : public QueryWindowFixture {
protected:
    void SetUp() override {
        QueryWindowFixture::SetUp();
        window =
            OpenWindow(QStringLiteral("out"),
                       MakeDatabase(QStringLiteral("o.db"),
                                    "CREATE TABLE t(a TEXT, b INTEGER);"
                                    "INSERT INTO t VALUES('a1', 1), ('a2', NULL), ('a3', 3);"));
        out = std::make_unique<tbn::test::OutFolder>(dir.path(), QStringLiteral("r.csv"));
    }
    void TearDown() override {
        tbn::ui::SetInputBoxResponder({});
        QueryWindowFixture::TearDown();
    }
    void Run(const QString& sql) {
        window->QueryText().SetText(sql);
        ASSERT_TRUE(tbn::test::ExecuteAndWait(*window));
    }
    void Select(std::int64_t row, std::int64_t col, std::int64_t rowSel, std::int64_t colSel) {
        tbn::grid::FlexGrid& grid = *window->FlexWidget();
        grid.SetRow(row);
        grid.SetCol(col);
        grid.SetRowSel(rowSel);
        grid.SetColSel(colSel);
    }
    std::string Whole(ResultFormat format, const tbn::results::FormatOptions& options = {}) const {
        const tbn::results::ResultView view =
            window->FlexWidget()->View(window->FlexWidget()->Rows() - 2);
        return tbn::query::FormatBlock(view, tbn::results::ViewBlock::Whole(view), format, options);
    }
    bool WaitForExport() {
        return QTest::qWaitFor([this] { return !window->Exporting(); }, 60000);
    }
    QString Status() const { return window->StatusLine()->Text(); }

    frmMain* window = nullptr;
    std::unique_ptr<tbn::test::OutFolder> out;
};

TEST_F(ResultsOutTest, CopyWithHeadersPutsTheNamesFirstAndEveryCopyCarriesHtmlAndCsv) {
    Run(QStringLiteral("SELECT a, b FROM t"));
    window->FlexWidget()->setFocus();
    Select(1, 1, 2, 2);
    window->QueryCopy();
    const QString block = QStringLiteral("a1\t1\t\r\na2\t\t\r\n");
    EXPECT_EQ(Clipboard::GetText(), block);  // Ctrl+C's text is unchanged
    for (const char* form : {"text/html", "text/csv"}) {
        SCOPED_TRACE(form);
        const QByteArray rich = Clipboard::GetForm(QString::fromLatin1(form));
        for (const char* inside : {"a", "b", "a1", "a2"}) EXPECT_TRUE(rich.contains(inside));
        EXPECT_FALSE(rich.contains("a3"));  // outside the block
    }

    // The grid's block whichever pane has the focus; the pane leaves the key to the menu.
    window->rtfQueryWidget()->setFocus();
    QTest::keyClick(window->rtfQueryWidget(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("a\tb\t\r\n") + block);
    EXPECT_FALSE(Clipboard::GetForm(QStringLiteral("text/csv")).isEmpty());
}

TEST_F(ResultsOutTest, ACopyAboveTheSizeAsksFirstAndCarriesThePlainTextOnly) {
    const tbn::test::CopyLimitsScope limits(1, 1);
    Run(QStringLiteral("SELECT a, b FROM t"));
    window->FlexWidget()->setFocus();
    Select(1, 1, 3, 2);
    Clipboard::SetText(QStringLiteral("before"));
    boxes->Answer(tbn::ui::vbNo).Answer(tbn::ui::vbYes);
    window->QueryCopy();
    ASSERT_EQ(boxes->Count(), 1u);
    EXPECT_TRUE(boxes->Last().style & tbn::ui::vbDefaultButton2);  // No unless chosen
    EXPECT_TRUE(
        boxes->Last().prompt.contains(QRegularExpression(QStringLiteral("\\d ?(bytes|[kMGT]B)"))))
        << boxes->Last().prompt.toStdString();  // says how large
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("before"));

    window->QueryCopy();
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("a1\t1\t\r\na2\t\t\r\na3\t3\t\r\n"));
    EXPECT_TRUE(Clipboard::GetForm(QStringLiteral("text/csv")).isEmpty());

    boxes->Answer(tbn::ui::vbNo);  // a copy in a format asks the same
    window->GridMenu()->findChild<QAction*>(QStringLiteral("mnuGridCopyAsCsv"))->trigger();
    EXPECT_EQ(boxes->Count(), 3u);
    EXPECT_EQ(Clipboard::GetText(), QStringLiteral("a1\t1\t\r\na2\t\t\r\na3\t3\t\r\n"));
}

TEST_F(ResultsOutTest, TheGridMenuCopiesInAFormatWithTheTableTheQueryRead) {
    Run(QStringLiteral("SELECT a, b FROM t WHERE b IS NOT NULL OR b IS NULL"));
    QMenu* menu = window->GridMenu();
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(captions, (QStringList{"Copy\tCtrl+C", "Copy with headers\tCtrl+Shift+C", "Copy as",
                                     "-", "Select all cells", "Sort", "-", "Export…\tCtrl+E"}));
    QStringList formats;
    for (QAction* a : menu->findChild<QMenu*>(QStringLiteral("mnuGridCopyAs"))->actions())
        formats << a->text();
    EXPECT_EQ(formats, (QStringList{"CSV", "JSON", "SQL INSERT statements", "Markdown table"}));
    EXPECT_EQ(window->FlexWidget()->contextMenuPolicy(), Qt::CustomContextMenu);

    Select(1, 1, 1, 1);
    menu->findChild<QAction*>(QStringLiteral("mnuGridSelectAll"))->trigger();
    menu->findChild<QAction*>(QStringLiteral("mnuGridCopyAsSql"))->trigger();
    EXPECT_EQ(Clipboard::GetText().toStdString(),
              Whole(ResultFormat::SqlInsert, {"t", SqlDialect::Sqlite}));
}

TEST(ResultOutTest, TheTableNameComesFromAPlainSelectOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"SELECT * FROM people", "people"},
        {"select a, count(*) from main.people group by a;", "people"},
        {"SELECT a FROM \"odd \"\"name\" p WHERE a > 1 ORDER BY a", "odd \"name"},
        {"  SELECT a FROM `back` LIMIT 5", "back"},
        {"SELECT * FROM a JOIN b ON a.x = b.x", "result"},
        {"SELECT * FROM a, b", "result"},
        {"SELECT * FROM (SELECT 1) s", "result"},
        {"SELECT x FROM a UNION SELECT x FROM b", "result"},
        {"SELECT 1", "result"},
        {"UPDATE t SET a = 1; SELECT * FROM t", "result"},
    };
    for (const auto& [text, table] : cases)
        EXPECT_EQ(tbn::query::DefaultTableName(QString::fromUtf8(text)), QString::fromUtf8(table))
            << text;
}

TEST(ResultOutTest, TheDialectFollowsTheProviderAndAFileItsExtensionOrFilter) {
    const std::pair<const char*, SqlDialect> dialects[] = {
        {"Data Source=/tmp/x.db", SqlDialect::Sqlite},
        {"Provider=PostgreSQL;Host=h;Database=d", SqlDialect::Postgres},
        {"Driver={MariaDB Unicode};Server=h", SqlDialect::MySql},
        {"Driver={PostgreSQL Unicode};Server=h", SqlDialect::Postgres},
        {"DSN=warehouse", SqlDialect::Sqlite},
    };
    for (const auto& [cnn, dialect] : dialects)
        EXPECT_EQ(tbn::query::DialectOf(cnn), dialect) << cnn;

    const std::tuple<const char*, int, ResultFormat> files[] = {
        {"/x/r.JSON", 1, ResultFormat::Json},  // the extension wins over the filter
        {"/x/r.md", 1, ResultFormat::Markdown}, {"/x/r.sql", 2, ResultFormat::SqlInsert},
        {"/x/r", 2, ResultFormat::Tsv},         {"/x/r.txt", 5, ResultFormat::Markdown},
    };
    for (const auto& [path, filter, format] : files)
        EXPECT_EQ(tbn::query::FileFormat(QString::fromUtf8(path), filter), format) << path;
}

TEST_F(ResultsOutTest, ExportWritesTheGridsRowsInTheChosenFormatWithoutRunningAgain) {
    Run(QStringLiteral("SELECT a, b FROM t"));
    tbn::test::ScriptedFileDialog dialog;
    dialog.Choose({out->target}, 1).Choose({out->folder + QStringLiteral("/r")}, 3);
    // Rows the table gets afterwards must not reach the file: the grid's rows are written.
    window->QueryText().SetText(QStringLiteral("INSERT INTO t VALUES('a4', 4)"));
    window->ExportResults();
    ASSERT_TRUE(WaitForExport());
    EXPECT_EQ(out->Read().toStdString(), Whole(ResultFormat::Csv));
    EXPECT_TRUE(Status().contains(QStringLiteral("3 rows exported"))) << Status().toStdString();

    window->ExportResults();  // no extension typed: the filter's is added
    ASSERT_TRUE(WaitForExport());
    EXPECT_EQ(out->Read(out->folder + QStringLiteral("/r.json")).toStdString(),
              Whole(ResultFormat::Json));
    EXPECT_EQ(out->Entries(), (QStringList{"r.csv", "r.json"}));
    EXPECT_EQ(boxes->Count(), 0u);
}

TEST_F(ResultsOutTest, SqlExportAsksTheTableNameAndACancelledQuestionWritesNothing) {
    Run(QStringLiteral("SELECT a, b FROM t"));
    std::vector<tbn::ui::InputBoxCall> asked;
    std::optional<QString> answer = QStringLiteral("people");
    tbn::ui::SetInputBoxResponder([&](const tbn::ui::InputBoxCall& call) {
        asked.push_back(call);
        return answer;
    });
    const QString sql = out->folder + QStringLiteral("/r.sql");
    tbn::test::ScriptedFileDialog dialog;
    dialog.Choose({sql}, 1).Choose({sql}, 1);
    window->ExportResults();
    ASSERT_TRUE(WaitForExport());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].defaultText, QStringLiteral("t"));
    EXPECT_EQ(out->Read(sql).toStdString(),
              Whole(ResultFormat::SqlInsert, {"people", SqlDialect::Sqlite}));

    QFile::remove(sql);
    answer.reset();
    window->ExportResults();
    EXPECT_FALSE(window->Exporting());
    EXPECT_TRUE(out->Entries().isEmpty());
}

TEST_F(ResultsOutTest, ACancelOrAFailureLeavesTheFileAsItWasAndNoScratchFile) {
    Run(kManyRows);
    ASSERT_TRUE(out->WriteOld());
    tbn::test::ScriptedFileDialog dialog;
    for (int i = 0; i < 4; ++i) dialog.Choose({out->target}, 1);
    // Each time "replace r.csv?" is answered Yes, and each failure's report OK.
    using tbn::ui::vbOK;
    using tbn::ui::vbYes;
    boxes->Answer(vbYes).Answer(vbYes).Answer(vbOK).Answer(vbYes).Answer(vbOK).Answer(vbYes);

    window->ExportResults();
    ASSERT_TRUE(window->Exporting());
    QTest::keyClick(window->FlexWidget(), Qt::Key_Escape);
    ASSERT_TRUE(WaitForExport());
    EXPECT_TRUE(Status().startsWith(QStringLiteral("Export cancelled"))) << Status().toStdString();
    EXPECT_EQ(out->Read(), out->kOld);
    EXPECT_EQ(out->Entries(), QStringList{"r.csv"});

    {
        // The disk fills up on the second block written, then the folder refuses a new file.
        tbn::core::FaultInjector::Scope full(tbn::core::FileOpKind::Write, 2, ENOSPC);
        window->ExportResults();
        ASSERT_TRUE(WaitForExport());
        EXPECT_TRUE(full.Fired());
    }
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("#61")))
        << boxes->Last().prompt.toStdString();
    {
        tbn::core::FaultInjector::Scope refused(tbn::core::FileOpKind::Open, 1, EACCES);
        window->ExportResults();
        ASSERT_TRUE(WaitForExport());
        EXPECT_TRUE(refused.Fired());
    }
    EXPECT_TRUE(boxes->Last().prompt.contains(QStringLiteral("#70")))
        << boxes->Last().prompt.toStdString();
    EXPECT_EQ(out->Read(), out->kOld);
    EXPECT_EQ(out->Entries(), QStringList{"r.csv"});

    window->ExportResults();  // and the next one works
    ASSERT_TRUE(WaitForExport());
    EXPECT_EQ(out->Read().size(), static_cast<qsizetype>(Whole(ResultFormat::Csv).size()));
}

TEST_F(ResultsOutTest, ARunThatEndsDuringAnExportLeavesItTheRowsItBeganWith) {
    Run(kManyRows);
    const std::string exported = Whole(ResultFormat::Csv);
    tbn::test::ScriptedFileDialog dialog;
    dialog.Choose({out->target}, 1);
    window->ExportResults();
    ASSERT_TRUE(window->Exporting());
    Run(QStringLiteral("SELECT a FROM t"));
    EXPECT_EQ(window->FlexWidget()->Rows(), 5);  // the new result shows at once
    ASSERT_TRUE(WaitForExport());
    EXPECT_TRUE(out->Read().toStdString() == exported);
}

TEST_F(ResultsOutTest, ClosingTheWindowGivesTheExportUpWithoutAScratchFile) {
    Run(kManyRows);
    tbn::test::ScriptedFileDialog dialog;
    dialog.Choose({out->target}, 1);
    window->ExportResults();
    ASSERT_TRUE(window->Exporting());
    ASSERT_TRUE(window->Unload());
    EXPECT_TRUE(out->Entries().isEmpty());
}

TEST_F(ResultsOutTest, WithoutARowSetNothingIsAskedAndTheUserIsTold) {
    tbn::test::ScriptedFileDialog dialog;
    window->ExportResults();  // a new window, then a statement without rows
    EXPECT_TRUE(Status().contains(QStringLiteral("No result to export"))) << Status().toStdString();
    Run(QStringLiteral("UPDATE t SET b = 2 WHERE a = 'a3'"));
    window->ExportResults();
    EXPECT_TRUE(Status().contains(QStringLiteral("No result to export"))) << Status().toStdString();
    EXPECT_TRUE(dialog.Requests().empty());
    EXPECT_FALSE(window->Exporting());
}

}  // namespace
