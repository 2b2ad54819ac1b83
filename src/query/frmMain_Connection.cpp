// The query window's connection and its table list.
#include "query/frmMain.h"

#include "core/ShownText.h"
#include "query/RunStatusBar.h"
#include "recovery/RecoveryWriter.h"
#include "run/RunHistory.h"
#include "ui/MousePointer.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

#include <QListWidget>

namespace {
// The frame elides a caption again at every paint and resize, shaping the whole text each time:
// a caption of a megabyte (a pasted one-time connection string) would freeze the window for
// seconds per repaint. Anything longer than a screen can show is cut, visibly.
constexpr qsizetype kMaxCaption = 1024;
} // namespace

void frmMain::Connect(const QString& strName, const QString& strCnn) {
    // A one-time connection is named by its string; the caption, the frame's title and the
    // Windows menu show it as the history does, without its passwords.
    setWindowTitle(tbn::core::ShownText(QString::fromStdString(tbn::run::HistoryConnectionName(strName)),
                                        kMaxCaption));
    strCnnName = strName;
    strCnnString = strCnn;
    // Kept with the text even when the connection fails, so a recovered text can try it again.
    recovery_->SetConnection(strName, strCnn);
    Disconnect();
    try {
        cnn.SetConnectionString(strCnn.toStdString());
        cnn.SetCursorLocation(tbn::db::adUseClient);
        cnn.Open({}, {}, {}, -1);
        cat.SetActiveConnection(cnn);
        FillTableList();
    } catch (...) {
        strNotConnected = QString::fromStdString(tbn::Error::From(std::current_exception()).Description());
        throw;
    }
    blnConnected = true;
    strNotConnected.clear();
}

void frmMain::Reconnect() {
    if (run_) {
        RefuseWhileRunning();
        return;
    }
    const int previousPointer = tbn::ui::MousePointer();
    tbn::ui::SetMousePointer(tbn::ui::vbHourglass);
    const bool connected =
        mdlErrors::Guarded(QStringLiteral("frmMain >> Reconnect"), [&] { Connect(strCnnName, strCnnString); });
    statusLine->ShowMessage(connected ? QStringLiteral("Connected") : NotConnectedText());
    tbn::ui::SetMousePointer(previousPointer);
}

void frmMain::Disconnect() {
    if (!blnConnected) return;
    CloseRecordset();
    cnn.Close();
    blnConnected = false;
}

void frmMain::FillTableList() {
    lstTablas->clear();
    for (const tbn::db::TableInfo& table : cat.Tables())
        if (table.Type == "TABLE") lstTablas->addItem(QString::fromStdString(table.Name));
}

void frmMain::lstTablas_DblClick() {
    const QListWidgetItem* item = lstTablas->currentItem();
    const QString name = item ? item->text() : QString();
    rtfQueryText->SetText(rtfQueryText->Text() + QLatin1Char(' ') + name);
}
