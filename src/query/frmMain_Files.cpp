// Saving the SQL pane to a file and loading it back.
#include "query/frmMain.h"

#include "core/ErrorCodes.h"
#include "dialogs/cFileDialog.h"
#include "query/QueryFile.h"
#include "ui/MsgBox.h"
#include "ui/TextBox.h"
#include "ui/mdlErrors.h"

using namespace tbn::ui;

namespace {
const QString kQueryFilter = QStringLiteral(
    "SQL files (*.sql)|*.sql|TBN files (*.tbn)|*.tbn|Text files (*.txt)|*.txt|All files (*.*)|*.*");

// The chosen path of an open dialog that allowed several files; choosing more than one is refused.
QString SingleChosenFile(const cFileDialog& dialog) {
    const QString raw = dialog.Filename();
    const qsizetype firstNul = raw.indexOf(QChar(u'\0'));
    const QString path = firstNul < 0 ? raw : raw.left(firstNul);
    if (firstNul >= 0 && firstNul + 1 < raw.size() && raw[firstNul + 1] != QChar(u'\0'))
        throw tbn::Error(tbn::ErrorCode::InvalidArgument,
                         "Several files were chosen; a query is loaded from one file at a time.");
    return path;
}
}  // namespace

bool frmMain::SaveQuery() {
    bool saved = false;
    mdlErrors::Guarded(QStringLiteral("frmMain >> SaveQuery"), [&] {
        cFileDialog dialog;
        dialog.Setflags(OFN_OVERWRITEPROMPT);
        dialog.Sethwnd(window()->winId());
        dialog.SetDefaultExt(QStringLiteral("sql"));
        dialog.SetFilter(kQueryFilter);
        dialog.SetCancelError(false);
        dialog.SetFilename(QString());
        dialog.ShowSave();
        const QString path = dialog.Filename();
        // An existing file was chosen only once the dialog's own question was answered Yes.
        if (path.isEmpty()) return;
        // The old file is replaced in one step once the new one is complete, never deleted first.
        tbn::query::WriteQueryFile(path, rtfQueryText->Text());
        saved = true;
        blnTextChanged = false;
    });
    return saved;
}

void frmMain::LoadQuery() {
    // The run was started from the text now in the pane; replacing it under the run would leave
    // the status line and the grid describing a text that is no longer there.
    if (Running()) {
        RefuseWhileRunning();
        return;
    }
    mdlErrors::Guarded(QStringLiteral("frmMain >> LoadQuery"), [&] {
        cFileDialog dialog;
        dialog.Setflags(OFN_FILEMUSTEXIST);
        dialog.Setflags(dialog.flags() | OFN_ALLOWMULTISELECT);
        dialog.Sethwnd(window()->winId());
        dialog.SetCancelError(false);
        dialog.SetDialogTitle(QStringLiteral("TBN: Load query"));
        dialog.SetFilter(kQueryFilter);
        dialog.SetFilename(QString());
        dialog.ShowOpen();
        if (dialog.Filename().isEmpty()) return;
        const QString path = SingleChosenFile(dialog);
        if (!rtfQueryText->Text().isEmpty()) {
            const int answer = MsgBox(QStringLiteral("Save current query before load new?"),
                                      vbYesNo + vbQuestion, QString());
            if (answer == vbYes && !SaveQuery()) return;
        }
        // The pane changes only once the whole file has been read.
        rtfQueryText->SetText(tbn::query::ReadQueryFile(path));
        blnTextChanged = false;
    });
}
