// The query window's connection and the top level of its schema tree, its table list.
#include "query/frmMain.h"

#include "core/ErrorCodes.h"
#include "core/ShownText.h"
#include "db/ReadOnlyMode.h"
#include "editor/SqlEdit.h"
#include "query/ConnectProgress.h"
#include "query/RunStatusBar.h"
#include "query/SchemaTree.h"
#include "recovery/RecoveryWriter.h"
#include "run/ConnectionOpening.h"
#include "run/RunHistory.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"
#include "ui/WindowPlacement.h"
#include "ui/mdlErrors.h"

#include <QShortcut>

namespace {
// The frame elides a caption again at every paint and resize, shaping the whole text each time:
// a caption of a megabyte (a pasted one-time connection string) would freeze the window for
// seconds per repaint. Anything longer than a screen can show is cut, visibly.
constexpr qsizetype kMaxCaption = 1024;
}  // namespace

void frmMain::Connect(const QString& strName, const QString& strCnn, ConnectEnded ended) {
    // A one-time connection is named by its string; the caption, the frame's title and the
    // Windows menu show it as the history does, without its passwords.
    setWindowTitle(tbn::core::ShownText(
        QString::fromStdString(tbn::run::HistoryConnectionName(strName)), kMaxCaption));
    strCnnName = strName;
    strCnnString = strCnn;
    // Kept with the text even when the connection fails, so a recovered text can try it again.
    recovery_->SetConnection(strName, strCnn);
    // An attempt still under way is dropped for the new one, unheard of.
    opening_.reset();
    CloseConnectProgress();
    Disconnect();
    // What the old database held says nothing of the new one.
    schema_.reset();
    schemaNote_.clear();
    rtfQuery->SetCompletionSchema(nullptr);
    cnn.SetConnectionString(strCnn.toStdString());
    cnn.SetCursorLocation(tbn::db::adUseClient);
    statusLine->SetReadOnlyMark(false);
    readOnlyNotice_.clear();
    strNotConnected = QStringLiteral("still connecting");
    connectEnded_ = std::move(ended);
    // Posted, never called: the worker must not run anything of the window's thread.
    opening_ = std::make_unique<tbn::run::ConnectionOpening>(
        strCnn.toStdString(), tbn::db::adUseClient, true,
        [this] { QMetaObject::invokeMethod(this, &frmMain::FinishConnect, Qt::QueuedConnection); });
    escapeKey->setEnabled(true);
    connectProgressDelay_.start(kConnectProgressMs);
}

void frmMain::ShowConnectProgress() {
    if (!opening_ || connectProgress_) return;
    // On the frame's own window: this one stays hidden until it is connected.
    connectProgress_ = new tbn::query::ConnectProgress(windowTitle(), window());
    connect(connectProgress_, &tbn::query::ConnectProgress::CancelClicked, this,
            &frmMain::CancelConnect);
    connectProgress_->adjustSize();
    tbn::ui::PlaceCentredOn(*connectProgress_, *window());
    connectProgress_->show();
}

void frmMain::CloseConnectProgress() {
    connectProgressDelay_.stop();
    if (connectProgress_) connectProgress_->deleteLater();
    connectProgress_ = nullptr;
}

void frmMain::CancelConnect() {
    if (!opening_) return;
    opening_->GiveUp(
        tbn::Error(tbn::ErrorCode::CommandCancelled,
                   "Connecting to " + windowTitle().toStdString() + " was cancelled."));
    // From the event loop, as when the worker ends: whoever asked may be inside the box's signal.
    QMetaObject::invokeMethod(this, &frmMain::FinishConnect, Qt::QueuedConnection);
}

void frmMain::FinishConnect() {
    if (!opening_ || !opening_->Finished()) return;
    const std::unique_ptr<tbn::run::ConnectionOpening> opening = std::move(opening_);
    CloseConnectProgress();
    if (!run_ && !export_) escapeKey->setEnabled(false);
    std::optional<tbn::Error> failure;
    if (const std::exception_ptr failed = opening->Failure()) failure = tbn::Error::From(failed);
    // A table list that failed leaves the connection open, yet the window not connected: its
    // queries do nothing, and the connection goes when the window does.
    if (tbn::db::Connection opened = opening->TakeConnection();
        opened.State() == tbn::db::adStateOpen)
        cnn = std::move(opened);
    if (!failure) {
        cat.SetActiveConnection(cnn);
        FillTableList(opening->TakeTables());
        blnConnected = true;
        strNotConnected.clear();
        ShowReadOnlyState();
        ReadSchema();
    } else {
        strNotConnected = QString::fromStdString(failure->Description());
    }
    if (const ConnectEnded ended = std::move(connectEnded_)) ended(failure);
}

void frmMain::Reconnect() {
    if (Running()) {
        RefuseWhileRunning();
        return;
    }
    if (opening_) return;
    // A new session would drop the open transaction without a word.
    if (!AskToEndTransaction()) {
        ReadSchema();
        return;
    }
    // No hourglass: the window and the frame stay usable while it connects.
    Connect(strCnnName, strCnnString, [this](const std::optional<tbn::Error>& failure) {
        if (failure)
            mdlErrors::ShowError(*failure, QStringLiteral("frmMain >> Reconnect"),
                                 tbn::ui::vbCritical);
        if (failure)
            statusLine->ShowMessage(NotConnectedText());
        else if (readOnlyNotice_.isEmpty())
            statusLine->ShowMessage(QStringLiteral("Connected"));
        else
            statusLine->ShowMessage(QStringLiteral("Connected; ") + readOnlyNotice_);
    });
}

void frmMain::ShowReadOnlyState() {
    const bool enforced = cnn.session().ReadOnlyEnforced();
    statusLine->SetReadOnlyMark(enforced);
    // Once, on connecting: the runs that follow would bury it at once if it came with each.
    if (!enforced && tbn::db::AsksReadOnly(strCnnString.toStdString())) {
        readOnlyNotice_ = QStringLiteral("read-only not enforced by this driver");
        statusLine->ShowMessage(readOnlyNotice_);
    }
}

void frmMain::Disconnect() {
    if (!blnConnected) return;
    // The read holds the session: closed under it, the connection would come back when it ends.
    StopSchemaRead();
    if (pendingRun_) DropPendingRun(QStringLiteral("Not run: the connection was closed"));
    CloseRecordset();
    cnn.Close();
    blnConnected = false;
    statusLine->SetReadOnlyMark(false);
}

void frmMain::FillTableList(const std::vector<tbn::db::TableInfo>& tables) {
    lstTablas->Fill(tables);
}

void frmMain::lstTablas_DblClick() {
    QTreeWidgetItem* item = lstTablas->currentItem();
    if (tbn::query::SchemaTree::EntryOf(item) == tbn::query::SchemaEntry::Group) {
        item->setExpanded(!item->isExpanded());
        return;
    }
    rtfQueryText->SetText(rtfQueryText->Text() + QLatin1Char(' ') + lstTablas->InsertText(item));
}
