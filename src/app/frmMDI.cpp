#include "app/frmMDI.h"

#include "app/FailureReports.h"
#include "app/ProgramIcon.h"
#include "app/QueryWindowOpening.h"
#include "app/RecoveryOffer.h"
#include "app/ReopenClosed.h"
#include "app/frmAbout.h"
#include "query/frmHistory.h"
#include "query/frmMain.h"
#include "run/RunHistory.h"
#include "ui/Modal.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"
#include "ui/WindowListMenu.h"
#include "ui/WindowPlacement.h"
#include "ui/mdlErrors.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>

namespace {
frmMDI::ConnectionManagerCommand& managerCommand() {
    static frmMDI::ConnectionManagerCommand command;
    return command;
}
}  // namespace

frmMDI::frmMDI() {
    tbn::app::InstallFailureReports();
    setObjectName(QStringLiteral("frmMDI"));
    setWindowTitle(QStringLiteral("TBN"));
    // The query windows inside take it over for their title bars and, maximized, for the menu
    // bar's left end, where the toolkit's logo would show otherwise.
    setWindowIcon(tbn::app::ProgramIcon());
    mdiArea_ = new QMdiArea(this);
    setCentralWidget(mdiArea_);
    BuildMenus();
    // Activation is delivered after the code that showed the window has finished, as a window
    // system does, so a window still loading is never revealed half-made.
    connect(
        mdiArea_, &QMdiArea::subWindowActivated, this,
        [this](QMdiSubWindow* sub) {
            if (!sub) return;
            if (auto* query = qobject_cast<frmMain*>(sub->widget())) {
                query->Form_Activate();
                // Auto-commit is each window's own; the check shows the active one's.
                mnuQueryAutoCommit->setChecked(query->AutoCommit());
            }
        },
        Qt::QueuedConnection);
    resize(tbn::ui::TwipsToPixels(6750),
           tbn::ui::TwipsToPixels(4950) + menuBar()->sizeHint().height());
}

frmMDI::~frmMDI() {
    // The query windows tell the frame they close; they must find it whole, not half destroyed
    // by the base classes' destructors, so they go first.
    tearingDown_ = true;
    delete mdiArea_;
}

void frmMDI::SetConnectionManagerCommand(ConnectionManagerCommand command) {
    managerCommand() = std::move(command);
}

void frmMDI::BuildMenus() {
    auto item = [this](QMenu* menu, const char* name, const QString& caption,
                       const QKeySequence& key, void (frmMDI::*handler)()) {
        QAction* action = menu->addAction(caption);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) action->setShortcut(key);
        connect(action, &QAction::triggered, this, handler);
        return action;
    };
    mnuConnection = menuBar()->addMenu(QStringLiteral("&Connection"));
    mnuConnection->setObjectName(QStringLiteral("mnuConnection"));
    mnuConnectionManager =
        item(mnuConnection, "mnuConnectionManager", QStringLiteral("Connection manager"),
             QKeySequence(Qt::Key_F8), &frmMDI::mnuConnectionManager_Click);
    mnuConnection->addSeparator()->setObjectName(QStringLiteral("mnuBAR1"));
    mnuCnnCopy = item(mnuConnection, "mnuCnnCopy", QStringLiteral("Copy to clipboard"), {},
                      &frmMDI::mnuCnnCopy_Click);
    mnuConnection->addSeparator()->setObjectName(QStringLiteral("mnuBAR6"));
    mnuExit = item(mnuConnection, "mnuExit", QStringLiteral("Exit"),
                   QKeySequence(Qt::CTRL | Qt::Key_Q), &frmMDI::mnuExit_Click);

    mnuQuery = menuBar()->addMenu(QStringLiteral("&Query"));
    mnuQuery->setObjectName(QStringLiteral("mnuQuery"));
    mnuQueryExecute = item(mnuQuery, "mnuQueryExecute", QStringLiteral("Execute"),
                           QKeySequence(Qt::Key_F5), &frmMDI::mnuQueryExecute_Click);
    mnuExecuteSelected =
        item(mnuQuery, "mnuExecuteSelected", QStringLiteral("Execute selected"),
             QKeySequence(Qt::CTRL | Qt::Key_F5), &frmMDI::mnuExecuteSelected_Click);
    mnuExecuteStatement =
        item(mnuQuery, "mnuExecuteStatement", QStringLiteral("Execute statement"),
             QKeySequence(Qt::CTRL | Qt::Key_Return), &frmMDI::mnuExecuteStatement_Click);
    // The keypad's Enter is the same key to the person typing.
    mnuExecuteStatement->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    // Escape is the running window's own key (two owners of one key would make it do nothing),
    // so the entry only names it.
    mnuQueryRunToFile =
        item(mnuQuery, "mnuQueryRunToFile", QStringLiteral("Run to file…"),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), &frmMDI::mnuQueryRunToFile_Click);
    mnuQueryCancel = item(mnuQuery, "mnuQueryCancel", QStringLiteral("Cancel\tEsc"), {},
                          &frmMDI::mnuQueryCancel_Click);
    mnuQueryReconnect = item(mnuQuery, "mnuQueryReconnect", QStringLiteral("Reconnect"), {},
                             &frmMDI::mnuQueryReconnect_Click);
    mnuHistory = item(mnuQuery, "mnuHistory", QStringLiteral("History"),
                      QKeySequence(Qt::CTRL | Qt::Key_H), &frmMDI::mnuHistory_Click);
    mnuQuery->addSeparator()->setObjectName(QStringLiteral("mnuBARTransaction"));
    mnuQueryAutoCommit = item(mnuQuery, "mnuQueryAutoCommit", QStringLiteral("Auto-commit"), {},
                              &frmMDI::mnuQueryAutoCommit_Click);
    mnuQueryAutoCommit->setCheckable(true);
    mnuQueryAutoCommit->setChecked(true);
    mnuQueryCommit =
        item(mnuQuery, "mnuQueryCommit", QStringLiteral("Commit"),
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_C), &frmMDI::mnuQueryCommit_Click);
    mnuQueryRollback =
        item(mnuQuery, "mnuQueryRollback", QStringLiteral("Roll back"),
             QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), &frmMDI::mnuQueryRollback_Click);
    mnuQuery->addSeparator()->setObjectName(QStringLiteral("mnuBAR2"));
    mnuQueryCut = item(mnuQuery, "mnuQueryCut", QStringLiteral("Cut"),
                       QKeySequence(Qt::CTRL | Qt::Key_X), &frmMDI::mnuQueryCut_Click);
    mnuQueryCopy = item(mnuQuery, "mnuQueryCopy", QStringLiteral("Copy"),
                        QKeySequence(Qt::CTRL | Qt::Key_C), &frmMDI::mnuQueryCopy_Click);
    mnuQueryCopyWithHeaders = item(
        mnuQuery, "mnuQueryCopyWithHeaders", QStringLiteral("Copy with headers"),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), &frmMDI::mnuQueryCopyWithHeaders_Click);
    mnuQueryPaste = item(mnuQuery, "mnuQueryPaste", QStringLiteral("Paste"),
                         QKeySequence(Qt::CTRL | Qt::Key_V), &frmMDI::mnuQueryPaste_Click);
    mnuQuery->addSeparator()->setObjectName(QStringLiteral("mnuBAR3"));
    mnuQueryLoad = item(mnuQuery, "mnuQueryLoad", QStringLiteral("Load"),
                        QKeySequence(Qt::CTRL | Qt::Key_L), &frmMDI::mnuQueryLoad_Click);
    mnuQuerySave = item(mnuQuery, "mnuQuerySave", QStringLiteral("Save"),
                        QKeySequence(Qt::CTRL | Qt::Key_S), &frmMDI::mnuQuerySave_Click);
    mnuQueryExport = item(mnuQuery, "mnuQueryExport", QStringLiteral("Export results…"),
                          QKeySequence(Qt::CTRL | Qt::Key_E), &frmMDI::mnuQueryExport_Click);
    mnuQuery->addSeparator()->setObjectName(QStringLiteral("mnuBAR4"));
    mnuQuerySelectAll = item(mnuQuery, "mnuQuerySelectAll", QStringLiteral("Select all"),
                             QKeySequence(Qt::CTRL | Qt::Key_A), &frmMDI::mnuQuerySelectAll_Click);
    mnuQuery->addSeparator()->setObjectName(QStringLiteral("mnuBAR5"));
    mnuQueryFind = item(mnuQuery, "mnuQueryFind", QStringLiteral("Find…"),
                        QKeySequence(Qt::CTRL | Qt::Key_F), &frmMDI::mnuQueryFind_Click);
    // Ctrl+H, the usual key for replacing, is History's already.
    mnuQueryReplace = item(mnuQuery, "mnuQueryReplace", QStringLiteral("Replace…"),
                           QKeySequence(Qt::CTRL | Qt::Key_R), &frmMDI::mnuQueryReplace_Click);
    mnuQueryFindNext = item(mnuQuery, "mnuQueryFindNext", QStringLiteral("Find next"),
                            QKeySequence(Qt::Key_F3), &frmMDI::mnuQueryFindNext_Click);
    mnuQueryFindPrevious =
        item(mnuQuery, "mnuQueryFindPrevious", QStringLiteral("Find previous"),
             QKeySequence(Qt::SHIFT | Qt::Key_F3), &frmMDI::mnuQueryFindPrevious_Click);
    mnuQueryGoToLine = item(mnuQuery, "mnuQueryGoToLine", QStringLiteral("Go to line…"),
                            QKeySequence(Qt::CTRL | Qt::Key_G), &frmMDI::mnuQueryGoToLine_Click);

    mnuWndList = menuBar()->addMenu(QStringLiteral("&Windows"));
    mnuWndList->setObjectName(QStringLiteral("mnuWndList"));
    mnuWindowsCloseCurrent =
        item(mnuWndList, "mnuWindowsCloseCurrent", QStringLiteral("Close current"),
             QKeySequence(Qt::CTRL | Qt::Key_F4), &frmMDI::mnuWindowsCloseCurrent_Click);
    mnuCloseAll = item(mnuWndList, "mnuCloseAll", QStringLiteral("Close all"), {},
                       &frmMDI::mnuCloseAll_Click);
    mnuReopenClosed =
        item(mnuWndList, "mnuReopenClosed", QStringLiteral("Reopen closed window"),
             QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), &frmMDI::mnuReopenClosed_Click);
    tbn::ui::AttachWindowList(mnuWndList, mdiArea_);

    mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuAbout = item(mnuHelp, "mnuAbout", QStringLiteral("About"),
                    QKeySequence(Qt::SHIFT | Qt::Key_F1), &frmMDI::mnuAbout_Click);
}

void frmMDI::MDIForm_Load() {
    SetMenu(false);
    show();
    WaitUntilPlaced();
    // Texts a crash left open come back, connected, before the usual start asks for a connection.
    tbn::app::OfferRecovery(*this, [this] { mnuConnectionManager_Click(); });
}

void frmMDI::WaitUntilPlaced() {
    // A window manager places the frame only once it is mapped; a dialog centred on it before
    // then is centred on where the frame is not yet, the screen's corner. The wait is bounded,
    // for a window system that never reports the frame shown, and takes no user input.
    QWindow* window = windowHandle();
    if (!window || window->isExposed()) return;
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (window->isExposed()) loop.quit();
    });
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    poll.start(10);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void frmMDI::AddTabNavigator(const QString&, quintptr) {}
void frmMDI::SelectTab(quintptr) {}

void frmMDI::SetMenu(bool bEnable) {
    for (QAction* entry : {mnuQueryCopy,
                           mnuQueryCut,
                           mnuQueryExecute,
                           mnuExecuteSelected,
                           mnuExecuteStatement,
                           mnuQueryReconnect,
                           mnuQueryPaste,
                           mnuQuerySelectAll,
                           mnuCnnCopy,
                           mnuQuerySave,
                           mnuQueryLoad,
                           mnuWindowsCloseCurrent,
                           mnuQueryCopyWithHeaders,
                           mnuQueryExport,
                           mnuQueryRunToFile,
                           mnuQueryFind,
                           mnuQueryReplace,
                           mnuQueryFindNext,
                           mnuQueryFindPrevious,
                           mnuQueryGoToLine,
                           mnuQueryAutoCommit,
                           mnuQueryCommit,
                           mnuQueryRollback})
        entry->setEnabled(bEnable);
}

void frmMDI::OpenChoice(const tbn::connections::ConnectionChoice& choice, OpeningEnded ended) {
    tbn::app::OpenConnectedQueryWindow(*this, choice.name, choice.cnn, std::move(ended));
}

frmMain* frmMDI::NewQueryWindow() {
    auto* window = new frmMain(this);
    QMdiSubWindow* sub = mdiArea_->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    // The child's own menu would close it on Ctrl+W, a key typed by habit in the SQL pane, and
    // would lose its text without a word; only the frame's commands close a query window. Its
    // "Stay on Top" has no use among query windows.
    for (QAction* entry : sub->systemMenu()->actions()) {
        entry->setShortcuts({});
        if (entry->isCheckable()) sub->systemMenu()->removeAction(entry);
    }
    sub->resize(window->size());
    // A new window takes the state of the one the user works in: maximized among maximized ones.
    const frmMain* active = ActiveQueryWindow();
    if (active ? active->subWindow()->isMaximized() : blnWindowsMaximized)
        sub->setWindowState(sub->windowState() | Qt::WindowMaximized);
    sub->hide();
    return window;
}

frmMain* frmMDI::ActiveQueryWindow() const {
    QMdiSubWindow* sub = mdiArea_->activeSubWindow();
    return sub ? qobject_cast<frmMain*>(sub->widget()) : nullptr;
}

QList<frmMain*> frmMDI::QueryWindows() const {
    QList<frmMain*> windows;
    for (QMdiSubWindow* sub : mdiArea_->subWindowList())
        if (auto* query = qobject_cast<frmMain*>(sub->widget())) windows.append(query);
    return windows;
}

void frmMDI::Route(const char* handler, const std::function<void(frmMain&)>& command) {
    if (!ActiveQueryWindow()) return;
    mdlErrors::Guarded(QStringLiteral("frmMDI >> ") + QString::fromLatin1(handler), [&] {
        if (frmMain* window = ActiveQueryWindow()) command(*window);
    });
}

void frmMDI::mnuConnectionManager_Click() {
    // A copy: the command may install another in its place (Startup.cpp's first one does).
    if (const ConnectionManagerCommand command = managerCommand()) command(*this);
}

void frmMDI::mnuCnnCopy_Click() {
    Route("mnuCnnCopy_Click", [](frmMain& w) { w.CopyToClip(); });
}
void frmMDI::mnuQueryExecute_Click() {
    Route("mnuQueryExecute_Click", [](frmMain& w) { w.ExecuteQuery(); });
}
void frmMDI::mnuExecuteSelected_Click() {
    Route("mnuExecuteSelected_Click", [](frmMain& w) { w.ExecuteQuerySelected(); });
}
void frmMDI::mnuExecuteStatement_Click() {
    Route("mnuExecuteStatement_Click", [](frmMain& w) { w.ExecuteStatement(); });
}
void frmMDI::mnuQueryCancel_Click() {
    Route("mnuQueryCancel_Click", [](frmMain& w) { w.CancelQuery(); });
}
void frmMDI::mnuQueryReconnect_Click() {
    Route("mnuQueryReconnect_Click", [](frmMain& w) { w.Reconnect(); });
}
void frmMDI::mnuQueryAutoCommit_Click() {
    const bool wanted = mnuQueryAutoCommit->isChecked();
    Route("mnuQueryAutoCommit_Click", [wanted](frmMain& w) { w.SetAutoCommit(wanted); });
    // A switch the window refused (a run going on, a question cancelled) leaves the check as it
    // was.
    if (const frmMain* window = ActiveQueryWindow())
        mnuQueryAutoCommit->setChecked(window->AutoCommit());
}
void frmMDI::mnuQueryCommit_Click() {
    Route("mnuQueryCommit_Click", [](frmMain& w) { w.CommitTransaction(); });
}
void frmMDI::mnuQueryRollback_Click() {
    Route("mnuQueryRollback_Click", [](frmMain& w) { w.RollbackTransaction(); });
}
tbn::query::frmHistory* frmMDI::HistoryWindow() const { return history_.data(); }

void frmMDI::mnuHistory_Click() {
    mdlErrors::Guarded(QStringLiteral("frmMDI >> mnuHistory_Click"), [&] {
        if (!history_) {
            // The text goes to the query window that was current when the user left the frame.
            history_ = new tbn::query::frmHistory(
                tbn::run::RunHistory::Program(),
                [this]() -> frmMain* {
                    QMdiSubWindow* sub = mdiArea_->currentSubWindow();
                    return sub ? qobject_cast<frmMain*>(sub->widget()) : nullptr;
                },
                this);
        } else {
            history_->Refresh();
        }
        if (!history_->isVisible()) tbn::ui::PlaceCentredOn(*history_, *this);
        history_->show();
        history_->raise();
        history_->activateWindow();
        history_->txtFilterWidget()->setFocus();
        history_->txtFilterWidget()->selectAll();
    });
}

void frmMDI::mnuQueryCut_Click() {
    Route("mnuQueryCut_Click", [](frmMain& w) { w.QueryCut(); });
}
void frmMDI::mnuQueryCopy_Click() {
    Route("mnuQueryCopy_Click", [](frmMain& w) { w.QueryCopy(); });
}
void frmMDI::mnuQueryCopyWithHeaders_Click() {
    Route("mnuQueryCopyWithHeaders_Click", [](frmMain& w) { w.QueryCopyWithHeaders(); });
}
void frmMDI::mnuQueryExport_Click() {
    Route("mnuQueryExport_Click", [](frmMain& w) { w.ExportResults(); });
}
void frmMDI::mnuQueryRunToFile_Click() {
    Route("mnuQueryRunToFile_Click", [](frmMain& w) { w.RunToFile(); });
}
void frmMDI::mnuQueryPaste_Click() {
    Route("mnuQueryPaste_Click", [](frmMain& w) { w.QueryPaste(); });
}
void frmMDI::mnuQueryLoad_Click() {
    Route("mnuQueryLoad_Click", [](frmMain& w) { w.LoadQuery(); });
}
void frmMDI::mnuQuerySave_Click() {
    Route("mnuQuerySave_Click", [](frmMain& w) { w.SaveQuery(); });
}
void frmMDI::mnuQuerySelectAll_Click() {
    Route("mnuQuerySelectAll_Click", [](frmMain& w) { w.QuerySelectAll(); });
}

void frmMDI::mnuQueryFind_Click() {
    Route("mnuQueryFind_Click", [](frmMain& w) { w.ShowFind(); });
}
void frmMDI::mnuQueryReplace_Click() {
    Route("mnuQueryReplace_Click", [](frmMain& w) { w.ShowReplace(); });
}
void frmMDI::mnuQueryFindNext_Click() {
    Route("mnuQueryFindNext_Click", [](frmMain& w) { w.FindNext(); });
}
void frmMDI::mnuQueryFindPrevious_Click() {
    Route("mnuQueryFindPrevious_Click", [](frmMain& w) { w.FindPrevious(); });
}
void frmMDI::mnuQueryGoToLine_Click() {
    Route("mnuQueryGoToLine_Click", [](frmMain& w) { w.GoToLine(); });
}

void frmMDI::mnuWindowsCloseCurrent_Click() {
    if (frmMain* window = ActiveQueryWindow()) window->Unload();
}

void frmMDI::mnuCloseAll_Click() {
    using namespace tbn::ui;
    if (MsgBox(QStringLiteral("Close all windows?"), vbYesNo + vbQuestion, QStringLiteral("TBN")) !=
        vbYes)
        return;
    // A window still connecting is not shown yet; its own box offers to cancel it.
    for (frmMain* window : QueryWindows())
        if (!window->IsLoading()) window->Unload();
}

void frmMDI::mnuReopenClosed_Click() {
    const QString context = QStringLiteral("frmMDI >> mnuReopenClosed_Click");
    mdlErrors::Guarded(context, [&] {
        tbn::app::ReopenClosedWindow(*this, [context](const std::optional<tbn::Error>& failure) {
            if (failure) mdlErrors::ShowError(*failure, context, tbn::ui::vbCritical);
        });
    });
}

// The way closing the frame goes: a running query is asked about, and every text is kept.
void frmMDI::mnuExit_Click() { close(); }

void frmMDI::mnuAbout_Click() {
    frmAbout about(this);
    tbn::ui::ExecModal(about);
}

void frmMDI::closeEvent(QCloseEvent* event) {
    // A window whose running query the user chose to keep keeps the frame open too, and so do the
    // windows still connecting, which go only with the frame.
    bool allClosed = true;
    for (frmMain* window : QueryWindows())
        if (!window->IsLoading()) allClosed = window->Unload() && allClosed;
    if (!allClosed) {
        event->ignore();
        return;
    }
    for (frmMain* window : QueryWindows()) window->Unload();
    event->accept();
}
