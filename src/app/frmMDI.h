#pragma once
// The frame: a multiple-document window holding the query windows, with the menu bar through
// which every command is given. Query commands go to the active query window only. The query
// windows and the connection manager reach it only through the interfaces it implements.
#include "connections/ConnectionManagerFrame.h"
#include "query/QueryFrame.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>

class QAction;
class QMdiArea;
class QMenu;
class frmMain;

namespace tbn::query {
class frmHistory;
}

class frmMDI : public QMainWindow,
               public tbn::connections::ConnectionManagerFrame,
               public tbn::query::QueryFrame {
    Q_OBJECT
public:
    frmMDI();
    ~frmMDI() override;

    // Start-up: query commands off, frame visible, the offer of texts left by an unclean exit,
    // then, once the texts reopened have connected, the connection manager.
    void MDIForm_Load();

    // Frame interface used by the connection manager and the query windows.
    QWidget* FrameWidget() override { return this; }
    void OpenChoice(const tbn::connections::ConnectionChoice& choice, OpeningEnded ended) override;
    void AddTabNavigator(const QString& strTabName, quintptr frmHwnd);
    void SelectTab(quintptr frmHwnd);
    void RemoveTab(quintptr frmHwnd) override;
    void SetMenu(bool bEnable);
    void PopUpQueryMenu(const QPoint& globalPosition) override;

    // A new, hidden query window inside the frame (not yet loaded).
    frmMain* NewQueryWindow();
    frmMain* ActiveQueryWindow() const;
    QList<frmMain*> QueryWindows() const;
    tbn::query::frmHistory* HistoryWindow() const;  // null until Query > History was first chosen
    QMdiArea* WindowArea() const { return mdiArea_; }  // where the query windows live

    // Where the "Connection manager" command goes; start-up installs the manager there.
    using ConnectionManagerCommand = std::function<void(frmMDI&)>;
    static void SetConnectionManagerCommand(ConnectionManagerCommand command);

    // Runs a query command on the active query window; an error escaping it is reported under
    // "frmMDI >> " and the handler's name, and the program goes on.
    void Route(const char* handler, const std::function<void(frmMain&)>& command);

    // Menu commands.
    void mnuConnectionManager_Click();
    void mnuCnnCopy_Click();
    void mnuExit_Click();
    void mnuQueryExecute_Click();
    void mnuExecuteSelected_Click();
    void mnuExecuteStatement_Click();
    void mnuQueryCancel_Click();
    void mnuQueryReconnect_Click();
    void mnuHistory_Click();
    void mnuQueryAutoCommit_Click();
    void mnuQueryCommit_Click();
    void mnuQueryRollback_Click();
    void mnuQueryCut_Click();
    void mnuQueryCopy_Click();
    void mnuQueryCopyWithHeaders_Click();
    void mnuQueryExport_Click();
    void mnuQueryRunToFile_Click();
    void mnuQueryPaste_Click();
    void mnuQueryLoad_Click();
    void mnuQuerySave_Click();
    void mnuQuerySelectAll_Click();
    void mnuQueryFind_Click();
    void mnuQueryReplace_Click();
    void mnuQueryFindNext_Click();
    void mnuQueryFindPrevious_Click();
    void mnuQueryGoToLine_Click();
    void mnuWindowsCloseCurrent_Click();
    void mnuCloseAll_Click();
    void mnuReopenClosed_Click();
    void mnuAbout_Click();

    // Whether a query window opens maximized when none is active: as the last active one was when
    // it closed; kept across starts with the frame's place (FrameGeometry.h).
    bool QueryWindowsMaximized() const { return blnWindowsMaximized; }
    void SetQueryWindowsMaximized(bool bMaximized) { blnWindowsMaximized = bMaximized; }

    // Menu entries, by their names.
    QMenu* mnuConnection = nullptr;
    QAction* mnuConnectionManager = nullptr;
    QAction* mnuCnnCopy = nullptr;
    QAction* mnuExit = nullptr;
    QMenu* mnuQuery = nullptr;
    QAction* mnuQueryExecute = nullptr;
    QAction* mnuExecuteSelected = nullptr;
    QAction* mnuExecuteStatement = nullptr;
    QAction* mnuQueryCancel = nullptr;
    QAction* mnuQueryReconnect = nullptr;
    QAction* mnuHistory = nullptr;
    QAction* mnuQueryAutoCommit = nullptr;  // checked: the active window auto-commits
    QAction* mnuQueryCommit = nullptr;
    QAction* mnuQueryRollback = nullptr;
    QAction* mnuQueryCut = nullptr;
    QAction* mnuQueryCopy = nullptr;
    QAction* mnuQueryCopyWithHeaders = nullptr;
    QAction* mnuQueryExport = nullptr;
    QAction* mnuQueryRunToFile = nullptr;
    QAction* mnuQueryPaste = nullptr;
    QAction* mnuQueryLoad = nullptr;
    QAction* mnuQuerySave = nullptr;
    QAction* mnuQuerySelectAll = nullptr;
    QAction* mnuQueryFind = nullptr;
    QAction* mnuQueryReplace = nullptr;
    QAction* mnuQueryFindNext = nullptr;
    QAction* mnuQueryFindPrevious = nullptr;
    QAction* mnuQueryGoToLine = nullptr;
    QMenu* mnuWndList = nullptr;
    QAction* mnuWindowsCloseCurrent = nullptr;
    QAction* mnuCloseAll = nullptr;
    QAction* mnuReopenClosed = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void WaitUntilPlaced();  // until the window system has shown the frame where it stays

    QMdiArea* mdiArea_ = nullptr;
    QPointer<tbn::query::frmHistory> history_;
    bool blnWindowsMaximized = false;
    bool tearingDown_ = false;
};
