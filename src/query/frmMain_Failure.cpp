// Pointing at the place of the SQL pane that a failed run was refused for.
#include "query/frmMain.h"

#include "ui/TextBox.h"
#include "query/ErrorPlace.h"

#include <QPlainTextEdit>

using namespace tbn::query;

std::optional<int> frmMain::PlaceFailure(tbn::Error& error, const QString& commandText,
                                         int commandStart) const {
    const std::optional<int> inCommand = FailurePosition(error, commandText);
    if (!inCommand) return std::nullopt;
    const int position = commandStart + *inCommand;
    tbn::Error placed(
        error.Number(),
        DescriptionWithPlace(error.Description(), LineAndColumnAt(rtfQueryText->Text(), position)));
    placed.SetCommandOffset(error.CommandOffset());
    placed.SetFailedStatement(error.FailedStatement());
    error = std::move(placed);
    return position;
}

void frmMain::SelectFailure(int position) {
    rtfQueryText->SetSelStart(position);
    rtfQueryText->SetSelLength(TokenLengthAt(rtfQueryText->Text(), position));
    rtfQuery->setFocus();
    rtfQuery->ensureCursorVisible();
}
