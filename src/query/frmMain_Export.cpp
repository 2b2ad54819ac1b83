// Results leaving the window: copy with headers and in a format, the grid's pop-up menu, export
// of the rows the grid holds, and runs that write their rows straight to a file.
#include "query/frmMain.h"

#include "dialogs/cFileDialog.h"
#include "grid/FlexGrid.h"
#include "query/CopyLimits.h"
#include "query/ExportJob.h"
#include "query/ResultOut.h"
#include "query/RunStatusBar.h"
#include "results/TabbedText.h"
#include "run/FileDestination.h"
#include "run/QueryRun.h"
#include "run/RunStatusText.h"
#include "ui/Clipboard.h"
#include "ui/InputBox.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include <QFileInfo>
#include <QLocale>
#include <QMenu>
#include <QShortcut>

using tbn::results::ResultFormat;
namespace Clipboard = tbn::ui::Clipboard;

namespace {
const QString kContext = QStringLiteral("frmMain >> ");

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

// The records and value columns of the grid's selection, whichever corner it was started from.
tbn::results::ViewBlock SelectedBlock(const tbn::grid::FlexGrid& grid,
                                      const tbn::results::ResultView& view) {
    return {std::clamp<std::int64_t>(std::min(grid.Row(), grid.RowSel()) - 1, 0, view.records),
            std::clamp<std::int64_t>(std::max(grid.Row(), grid.RowSel()), 0, view.records),
            std::clamp<std::int64_t>(std::min(grid.Col(), grid.ColSel()) - 1, 0, view.Columns()),
            std::clamp<std::int64_t>(std::max(grid.Col(), grid.ColSel()), 0, view.Columns())};
}

// The clipboard's text, decoded chunk by chunk: the UTF-8 of a large copy is never held whole
// beside it.
class Utf16Sink : public tbn::results::ByteSink {
public:
    void Write(std::string_view bytes) override {
        text += QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    }
    QString text;
};

// The grid's selection as grid rows and columns, the same whichever corner it was started from.
tbn::results::GridRect SelectedRect(const tbn::grid::FlexGrid& grid, bool withHeaders) {
    return {std::min(grid.Row(), grid.RowSel()), std::max(grid.Row(), grid.RowSel()),
            std::min(grid.Col(), grid.ColSel()), std::max(grid.Col(), grid.ColSel()), withHeaders};
}

// The clipboard holds a copy in memory, whole: a very large one is made only when confirmed.
bool CopyOfSizeWanted(std::size_t estimate) {
    return estimate <= tbn::query::CopyLimits::AskAboveBytes() ||
           tbn::ui::MsgBox(QStringLiteral("The copy holds about %1 of text. Copy it?")
                               .arg(QLocale().formattedDataSize(static_cast<qint64>(estimate), 1,
                                                                QLocale::DataSizeSIFormat)),
                           tbn::ui::vbYesNo + tbn::ui::vbQuestion + tbn::ui::vbDefaultButton2,
                           QStringLiteral("TBN: Copy")) == tbn::ui::vbYes;
}

QString ExtensionOf(ResultFormat format) {
    switch (format) {
    case ResultFormat::Csv: return QStringLiteral("csv");
    case ResultFormat::Tsv: return QStringLiteral("tsv");
    case ResultFormat::Json: return QStringLiteral("json");
    case ResultFormat::SqlInsert: return QStringLiteral("sql");
    case ResultFormat::Markdown: return QStringLiteral("md");
    case ResultFormat::Html: return QStringLiteral("html");
    }
    return QString();
}
}  // namespace

std::int64_t frmMain::GridRecords() const {
    // The row after the last record is the grid's empty new row, no record of the result.
    return blnGridHasRowSet ? std::max<std::int64_t>(0, Flex->Rows() - 2) : 0;
}

void frmMain::CopyGridSelection(tbn::grid::FlexGrid& grid, bool withHeaders) {
    const tbn::results::GridRect rect = SelectedRect(grid, withHeaders);
    const tbn::results::ResultView cells = grid.View(0);
    const std::size_t estimate = tbn::results::EstimateTabbedBytes(*cells.store, rect);
    if (!CopyOfSizeWanted(estimate)) return;
    Utf16Sink plain;
    tbn::results::WriteTabbed(cells, rect, plain);

    // A spreadsheet pastes cells from the richer forms; they hold the records and value columns
    // of the block, with their names, and only where the grid shows a result.
    const tbn::results::ResultView view = grid.View(GridRecords());
    const tbn::results::ViewBlock block = SelectedBlock(grid, view);
    if (!blnGridHasRowSet || block.firstColumn >= block.endColumn ||
        estimate > tbn::query::CopyLimits::RichFormsUpToBytes()) {
        Clipboard::SetText(plain.text);
        return;
    }
    const tbn::results::FormatOptions options;
    Clipboard::SetTextAndForms(
        plain.text, {{QStringLiteral("text/html"),
                      Bytes(tbn::query::FormatBlock(view, block, ResultFormat::Html, options))},
                     {QStringLiteral("text/csv"),
                      Bytes(tbn::query::FormatBlock(view, block, ResultFormat::Csv, options))}});
}

void frmMain::QueryCopyWithHeaders() {
    mdlErrors::Guarded(kContext + QStringLiteral("QueryCopyWithHeaders"),
                       [&] { CopyGridSelection(*Flex, true); });
}

void frmMain::CopyGridAs(ResultFormat format) {
    mdlErrors::Guarded(kContext + QStringLiteral("CopyGridAs"), [&] {
        if (!blnGridHasRowSet) {
            statusLine->ShowMessage(QStringLiteral("No result to copy."));
            return;
        }
        const tbn::results::ResultView view = Flex->View(GridRecords());
        if (!CopyOfSizeWanted(
                tbn::results::EstimateTabbedBytes(*view.store, SelectedRect(*Flex, true))))
            return;
        const tbn::results::ViewBlock block = SelectedBlock(*Flex, view);
        tbn::results::FormatOptions options;
        options.tableName = tbn::query::DefaultTableName(gridCommandText_).toStdString();
        options.dialect = tbn::query::DialectOf(strCnnString.toStdString());
        const std::string text = tbn::query::FormatBlock(view, block, format, options);
        Clipboard::SetText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    });
}

void frmMain::BuildGridMenu() {
    gridMenu_ = new QMenu(this);
    gridMenu_->setObjectName(QStringLiteral("mnuGrid"));
    auto item = [](QMenu* menu, const char* name, const QString& caption, auto handler) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        QObject::connect(action, &QAction::triggered, menu, handler);
        return action;
    };
    item(gridMenu_, "mnuGridCopy", QStringLiteral("Copy\tCtrl+C"), [this] {
        mdlErrors::Guarded(kContext + QStringLiteral("QueryCopy"),
                           [&] { CopyGridSelection(*Flex); });
    });
    item(gridMenu_, "mnuGridCopyWithHeaders", QStringLiteral("Copy with headers\tCtrl+Shift+C"),
         [this] { QueryCopyWithHeaders(); });
    QMenu* copyAs = gridMenu_->addMenu(QStringLiteral("Copy as"));
    copyAs->setObjectName(QStringLiteral("mnuGridCopyAs"));
    item(copyAs, "mnuGridCopyAsCsv", QStringLiteral("CSV"),
         [this] { CopyGridAs(ResultFormat::Csv); });
    item(copyAs, "mnuGridCopyAsJson", QStringLiteral("JSON"),
         [this] { CopyGridAs(ResultFormat::Json); });
    item(copyAs, "mnuGridCopyAsSql", QStringLiteral("SQL INSERT statements"),
         [this] { CopyGridAs(ResultFormat::SqlInsert); });
    item(copyAs, "mnuGridCopyAsMarkdown", QStringLiteral("Markdown table"),
         [this] { CopyGridAs(ResultFormat::Markdown); });
    gridMenu_->addSeparator();
    item(gridMenu_, "mnuGridSelectAll", QStringLiteral("Select all cells"),
         [this] { Flex->selectAll(); });
    // The ordering commands of the grid go between here and Export.
    gridSortSpot_ = gridMenu_->addSeparator();
    gridSortSpot_->setObjectName(QStringLiteral("mnuGridSortSpot"));
    gridMenu_->insertMenu(gridSortSpot_, BuildGridSortMenu(gridMenu_));
    item(gridMenu_, "mnuGridExport", QStringLiteral("Export…\tCtrl+E"),
         [this] { ExportResults(); });

    Flex->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Flex, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        gridMenu_->popup(Flex->viewport()->mapToGlobal(position));
    });
}

std::unique_ptr<tbn::run::ResultFile> frmMain::ChooseResultFile(const QString& title,
                                                                const QString& commandText) {
    cFileDialog dialog;
    dialog.Setflags(tbn::ui::OFN_OVERWRITEPROMPT);
    dialog.Sethwnd(window()->winId());
    dialog.SetDialogTitle(title);
    dialog.SetFilter(tbn::query::FileFormatFilter());
    dialog.SetFilterIndex(1);
    dialog.SetCancelError(false);
    dialog.SetFilename(QString());
    dialog.ShowSave();
    QString path = dialog.Filename();
    if (path.isEmpty()) return nullptr;
    const ResultFormat format = tbn::query::FileFormat(path, dialog.FilterIndex());
    // The extension follows the format chosen, and a file it names is not replaced unasked.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1Char('.') + ExtensionOf(format);
        if (QFileInfo::exists(path) &&
            tbn::ui::MsgBox(QFileInfo(path).fileName() +
                                QStringLiteral(" already exists.\r\nDo you want to replace it?"),
                            tbn::ui::vbYesNo + tbn::ui::vbExclamation + tbn::ui::vbDefaultButton2,
                            title) != tbn::ui::vbYes)
            return nullptr;
    }
    tbn::results::FormatOptions options;
    options.dialect = tbn::query::DialectOf(strCnnString.toStdString());
    if (format == ResultFormat::SqlInsert) {
        const QString suggested = tbn::query::DefaultTableName(commandText);
        const std::optional<QString> table = tbn::ui::InputBox(
            QStringLiteral("Table name for the INSERT statements:"), title, suggested, this);
        if (!table) return nullptr;
        options.tableName = (table->trimmed().isEmpty() ? suggested : *table).toStdString();
    }
    return std::make_unique<tbn::run::ResultFile>(path, format, options);
}

void frmMain::ExportResults() {
    if (export_) {
        statusLine->ShowNotice(QStringLiteral("An export is under way; cancel it first."));
        ShowExportProgress();
        return;
    }
    if (Running()) {
        RefuseWhileRunning();
        return;
    }
    if (!blnGridHasRowSet) {
        statusLine->ShowMessage(
            QStringLiteral("No result to export: run a query that returns rows first."));
        return;
    }
    mdlErrors::Guarded(kContext + QStringLiteral("ExportResults"), [&] {
        std::unique_ptr<tbn::run::ResultFile> file =
            ChooseResultFile(QStringLiteral("TBN: Export results"), gridCommandText_);
        if (!file) return;
        export_ =
            std::make_unique<tbn::query::ExportJob>(Flex->View(GridRecords()), std::move(file));
        escapeKey->setEnabled(true);
        connect(export_.get(), &tbn::query::ExportJob::Ticked, this, &frmMain::ShowExportProgress);
        // Queued, so that the job is no longer inside its own signal when it is destroyed.
        connect(export_.get(), &tbn::query::ExportJob::Ended, this, &frmMain::FinishExport,
                Qt::QueuedConnection);
        ShowExportProgress();
    });
}

void frmMain::ShowExportProgress() {
    if (!export_) return;
    const QString counts = tbn::run::CountText(export_->Written()) + QStringLiteral(" of ") +
                           tbn::run::RowsText(export_->Total());
    statusLine->ShowProgress(export_->CancelRequested()
                                 ? QStringLiteral("Cancelling the export: ") + counts
                                 : QStringLiteral("Exporting: ") + counts +
                                       QStringLiteral(" written"),
                             !export_->CancelRequested());
}

void frmMain::FinishExport() {
    if (!export_) return;
    const std::unique_ptr<tbn::query::ExportJob> job = std::move(export_);
    escapeKey->setEnabled(Running() || Connecting());
    const QString name = QFileInfo(job->Target()).fileName();
    if (job->Completed())
        statusLine->ShowMessage(tbn::run::RowsText(job->Total()) + QStringLiteral(" exported to ") +
                                name);
    else
        statusLine->ShowMessage((job->Failure() ? QStringLiteral("Export failed; ")
                                                : QStringLiteral("Export cancelled; ")) +
                                name + QStringLiteral(" left as it was"));
    if (job->Failure())
        mdlErrors::Guarded(kContext + QStringLiteral("ExportResults"),
                           [&] { std::rethrow_exception(job->Failure()); });
    emit ExportEnded();
}

void frmMain::RunToFile() {
    if (!ReadyToRun()) return;
    const bool selected = rtfQueryText->SelLength() > 0;
    const QString text = selected ? rtfQueryText->SelText() : rtfQueryText->Text();
    // Asked before the file: a No leaves nothing to write.
    if (!AgreedToUnboundedWrites(text)) return;
    mdlErrors::Guarded(kContext + QStringLiteral("RunToFile"), [&] {
        std::unique_ptr<tbn::run::ResultFile> file =
            ChooseResultFile(QStringLiteral("TBN: Run to file"), text);
        if (!file) return;
        // The dialog let events through: a run may have started meanwhile.
        if (Running()) {
            RefuseWhileRunning();
            return;
        }
        CloseRecordset();
        runCommandStart_ = selected ? rtfQueryText->SelStart() : 0;
        runCommandText_ = text;
        runFileName_ = QFileInfo(file->file.Target()).fileName();
        StartRun(text.toStdString(), std::move(file));
    });
}
