// Pointing at the place of the SQL pane that a failed run was refused for.
#include "query/frmMain.h"

#include "ui/TextBox.h"
#include "query/ErrorPlace.h"

#include <QPlainTextEdit>

using namespace tbn::query;

std::optional<int> frmMain::PlaceFailure(tbn::Error& error, const QString& commandText, int commandStart) const {
    if (!error.CommandOffset()) return std::nullopt;
    const int position = commandStart + CommandPosition(commandText, *error.CommandOffset());
    const LineColumn place = LineAndColumnAt(rtfQueryText->Text(), position);
    tbn::Error placed(error.Number(), error.Description() + PlaceSuffix(place).toStdString());
    placed.SetCommandOffset(error.CommandOffset());
    error = std::move(placed);
    return position;
}

void frmMain::SelectFailure(int position) {
    rtfQueryText->SetSelStart(position);
    rtfQueryText->SetSelLength(TokenLengthAt(rtfQueryText->Text(), position));
    rtfQuery->setFocus();
    rtfQuery->ensureCursorVisible();
}
