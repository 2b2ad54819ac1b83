// The find bar of the SQL pane.
#include "editor/FindBar.h"
#include "query/frmMain.h"

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
