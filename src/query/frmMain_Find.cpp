// The find bar of the SQL pane, and going to a line of it.
#include "editor/FindBar.h"
#include "editor/GoToLine.h"
#include "query/frmMain.h"
#include "ui/InputBox.h"

#include <QLineEdit>
#include <QPlainTextEdit>

void frmMain::InitFindBar() {
    findBar_ = new tbn::editor::FindBar(rtfQuery, this);
    connect(findBar_, &tbn::editor::FindBar::VisibilityChanged, this, [this] { ApplyPanes(); });
}

void frmMain::ShowFind() { findBar_->OpenFind(); }
void frmMain::ShowReplace() { findBar_->OpenReplace(); }

// Without a pattern there is nothing to look for yet: the bar opens to ask for one.
void frmMain::FindNext() {
    if (findBar_->FindField()->text().isEmpty()) return ShowFind();
    findBar_->FindNext();
}

void frmMain::FindPrevious() {
    if (findBar_->FindField()->text().isEmpty()) return ShowFind();
    findBar_->FindPrevious();
}

void frmMain::GoToLine() {
    const int current = rtfQuery->textCursor().blockNumber() + 1;
    const std::optional<QString> answer = tbn::ui::InputBox(
        QStringLiteral("Line number (1 to %1):").arg(rtfQuery->document()->blockCount()),
        QStringLiteral("TBN: Go to line"), QString::number(current), this);
    if (answer) tbn::editor::GoToLine(*rtfQuery, *answer);
    rtfQuery->setFocus();
}
