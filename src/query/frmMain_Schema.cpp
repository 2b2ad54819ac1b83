// Reading the connection's catalogue between runs, and what the schema tree asks of the window.
#include "query/frmMain.h"

#include "editor/SqlEdit.h"
#include "query/RunStatusBar.h"
#include "query/SchemaTree.h"
#include "run/FileDestination.h"
#include "run/SchemaReading.h"
#include "run/StatementAtCaret.h"

#include <QTextBlock>
#include <QTextCursor>

void frmMain::RefreshSchema() {
    if (!blnConnected) {
        statusLine->ShowMessage(NotConnectedText());
        return;
    }
    ReadSchema();
}

void frmMain::ReadSchema() {
    if (!blnConnected || blnUnloaded) return;
    // Never beside a run on the same connection; a read asked for during one comes after it.
    if (Running() || schemaRead_) {
        schemaStale_ = true;
        return;
    }
    schemaStale_ = false;
    try {
        schemaRead_ = std::make_unique<tbn::run::SchemaReading>(cnn);
    } catch (const tbn::Error& error) {
        SaySchemaNote(QStringLiteral("The schema could not be read: ") +
                      QString::fromStdString(error.Description()));
        return;
    }
    // Queued, so that the reading is no longer inside its own signal when it is destroyed.
    connect(schemaRead_.get(), &tbn::run::SchemaReading::Ended, this, &frmMain::FinishSchemaRead,
            Qt::QueuedConnection);
}

void frmMain::FinishSchemaRead() {
    if (!schemaRead_ || !schemaRead_->HasEnded()) return;
    tbn::run::SchemaReadResult result = schemaRead_->Finish();
    schemaRead_.reset();
    if (result.reopenFailure) {
        // The engine would not stop and its connection could not be opened again.
        blnConnected = false;
        strNotConnected =
            QString::fromStdString(tbn::Error::From(result.reopenFailure).Description());
        statusLine->ShowMessage(NotConnectedText());
    } else if (result.schema) {
        lstTablas->Fill(result.tables, result.schema);
        schema_ = std::move(result.schema);
        rtfQuery->SetCompletionSchema(schema_);
        if (!schema_->gaps.empty()) {
            QStringList gaps;
            for (const std::string& gap : schema_->gaps) gaps << QString::fromStdString(gap);
            SaySchemaNote(QStringLiteral("Schema read in part: ") +
                          gaps.join(QStringLiteral("; ")));
        }
    } else if (result.failure) {
        // The tree keeps what it shows; completion keeps the catalogue it had.
        SaySchemaNote(QStringLiteral("The schema could not be read: ") +
                      QString::fromStdString(tbn::Error::From(result.failure).Description()));
    }
    if (result.stopped) schemaStale_ = true;
    if (pendingRun_)
        StartPendingRun();
    else if (schemaStale_)
        ReadSchema();
}

void frmMain::StopSchemaRead() {
    if (!schemaRead_) return;
    schemaRead_->StopAndWait();
    schemaRead_.reset();
    schemaStale_ = true;
}

void frmMain::SaySchemaNote(const QString& note) {
    // Said once: reads that keep meeting the same gap do not keep covering a run's end.
    if (note == schemaNote_) return;
    schemaNote_ = note;
    statusLine->ShowMessage(note);
}

void frmMain::SelectTopRows(const QString& selectText) {
    // The text is left alone when nothing would run it.
    if (!ReadyToRun()) return;
    QTextCursor cursor(rtfQuery->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    if (!cursor.block().text().isEmpty()) cursor.insertBlock();
    const int start = cursor.position();
    cursor.insertText(selectText);
    cursor.endEditBlock();
    cursor.setPosition(start, QTextCursor::KeepAnchor);
    rtfQuery->setTextCursor(cursor);
    ExecuteQuery(true);
}
