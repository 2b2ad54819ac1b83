// Pointing at the place of the SQL pane that a failed run was refused for.
#include "query/frmMain.h"

#include "ui/TextBox.h"
#include "query/ErrorPlace.h"

#include <QPlainTextEdit>

using namespace tbn::query;

std::optional<int> frmMain::PlaceFailure(tbn::Error& error, const QString& commandText,
                                         int commandStart) const {
    std::optional<int> inCommand;
    if (error.CommandOffset()) {
        inCommand = CommandPosition(commandText, *error.CommandOffset());
    } else if (const auto& statement = error.FailedStatement()) {
        // The engine said what is missing but not where: the statement that failed names it.
        inCommand = WholeWordAt(commandText, CommandPosition(commandText, statement->begin),
                                CommandPosition(commandText, statement->end),
                                MissingObjectName(QString::fromStdString(error.Description())));
    }
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
