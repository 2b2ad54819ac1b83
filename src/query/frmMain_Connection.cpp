// The query window's connection and its table list.
#include "query/frmMain.h"

#include "core/ErrorCodes.h"
#include "core/ShownText.h"
#include "query/ConnectProgress.h"
#include "query/RunStatusBar.h"
#include "recovery/RecoveryWriter.h"
#include "run/ConnectionOpening.h"
#include "run/RunHistory.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"
#include "ui/WindowPlacement.h"
#include "ui/mdlErrors.h"

#include <QListWidget>
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
    cnn.SetConnectionString(strCnn.toStdString());
    cnn.SetCursorLocation(tbn::db::adUseClient);
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
    } else {
        strNotConnected = QString::fromStdString(failure->Description());
    }
    if (const ConnectEnded ended = std::move(connectEnded_)) ended(failure);
}

void frmMain::Reconnect() {
    if (run_) {
        RefuseWhileRunning();
        return;
    }
    if (opening_) return;
    // No hourglass: the window and the frame stay usable while it connects.
    Connect(strCnnName, strCnnString, [this](const std::optional<tbn::Error>& failure) {
        if (failure)
            mdlErrors::ShowError(*failure, QStringLiteral("frmMain >> Reconnect"),
                                 tbn::ui::vbCritical);
        statusLine->ShowMessage(failure ? NotConnectedText() : QStringLiteral("Connected"));
    });
}

void frmMain::Disconnect() {
    if (!blnConnected) return;
    CloseRecordset();
    cnn.Close();
    blnConnected = false;
}

void frmMain::FillTableList(const std::vector<tbn::db::TableInfo>& tables) {
    lstTablas->clear();
    for (const tbn::db::TableInfo& table : tables)
        if (table.Type == "TABLE") lstTablas->addItem(QString::fromStdString(table.Name));
}

void frmMain::lstTablas_DblClick() {
    const QListWidgetItem* item = lstTablas->currentItem();
    const QString name = item ? item->text() : QString();
    rtfQueryText->SetText(rtfQueryText->Text() + QLatin1Char(' ') + name);
}
