// The query window's connection and its table list.
#include "query/frmMain.h"

#include "platform/TextBox.h"

#include <QListWidget>

void frmMain::Connect(const QString& strName, const QString& strCnn) {
    setWindowTitle(strName);
    Disconnect();
    cnn.SetConnectionString(strCnn.toStdString());
    cnn.SetCursorLocation(tbn::db::adUseClient);
    cnn.Open({}, {}, {}, -1);
    cat.SetActiveConnection(cnn);
    FillTableList();
    blnConnected = true;
}

void frmMain::Disconnect() {
    if (!blnConnected) return;
    CloseRecordset();
    cnn.Close();
    blnConnected = false;
}

void frmMain::CloseRecordset() {
    if (rs.State() != tbn::db::adStateClosed) rs.Close();
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
