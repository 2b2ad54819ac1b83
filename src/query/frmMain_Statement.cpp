// Running the one statement under the caret.
#include "query/frmMain.h"

#include "run/StatementAtCaret.h"
#include "ui/TextBox.h"

void frmMain::ExecuteStatement() {
    const tbn::run::TextSpan statement =
        tbn::run::StatementAt(rtfQueryText->Text(), rtfQueryText->SelStart());
    if (statement.length == 0) return;
    // Selected first, so the user sees exactly the text that goes to the engine.
    rtfQueryText->SetSelStart(statement.start);
    rtfQueryText->SetSelLength(statement.length);
    ExecuteQuery(true);
}
