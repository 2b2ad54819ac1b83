#pragma once
// The query window: one open connection, its schema tree, the SQL pane and the result grid.
// Created by the frame (NewQueryWindow) when a connection is opened, then: SetIsLoading(true),
// Load(), Hide(), Connect(name, cnn) and, once it has connected, Show(), SetIsLoading(false). It
// owns its connection, catalog, result set and editor component from Load() to Unload(). It
// reaches the frame only through the QueryFrame it was given.
#include "core/Error.h"
#include "core/SchemaInfo.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "editor/SqlEdit.h"
#include "query/ConnectProgress.h"
#include "query/PaneLayout.h"
#include "query/QueryFrame.h"
#include "query/ResultTabs.h"
#include "results/ResultFormat.h"
#include "ui/MousePointer.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QAction;
class QMenu;
class QMdiSubWindow;
class QPlainTextEdit;
class QShortcut;
class QTabBar;
class tbnSqlEditor;

namespace tbn::editor {
class FindBar;
}
namespace tbn::grid {
class FlexGrid;
}
namespace tbn::ui {
class TextBox;
}
namespace tbn::query {
class ExportJob;
class MessagesPane;
class RunStatusBar;
class SchemaTree;
class SortRun;
class SplitterBar;
}  // namespace tbn::query
namespace tbn::recovery {
class RecoveryWriter;
}
namespace tbn::run {
class ConnectionOpening;
struct EndedStatement;
struct StatementOutcome;
struct ResultFile;
class QueryRun;
struct RunResult;
class SchemaReading;
}  // namespace tbn::run

class frmMain : public QWidget {
    Q_OBJECT
public:
    // frame may be null: the window then has no pop-up menu and tells nobody it closes.
    explicit frmMain(tbn::query::QueryFrame* frame = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Window life, in the order the creator uses it.
    void Load();  // runs Form_Load once
    void Show();  // shows the window's frame in the MDI area (not modal)
    void Hide();
    bool Unload();  // closes the window (false: the user kept it open); Form_Unload runs once
    QMdiSubWindow* subWindow() const;
    // The window's identity for the frame: the address of its widget, which the frame also holds.
    quintptr hWnd() const { return reinterpret_cast<quintptr>(static_cast<const QWidget*>(this)); }

    // Public members of the query window, in the order other windows know them.
    bool IsLoading() const { return blnIsLoading; }
    void SetIsLoading(bool bData) { blnIsLoading = bData; }
    void Disconnect();
    // How a Connect ended: nothing when connected, else the failure (a cancel is one).
    using ConnectEnded = std::function<void(const std::optional<tbn::Error>& failure)>;
    // Shows strName as the caption, closes what the window had open, and starts opening strCnn
    // and reading its table list on a worker; returns at once. While it goes on, Connecting() is
    // true and, after kConnectProgressMs, a box on the frame says "Connecting to NAME…" with a
    // Cancel button (Escape in the window cancels too). When it ends the window is connected, or
    // not and keeps why for its status line, and `ended` runs once, on this thread; it does not
    // run when the window is unloaded first, which gives the attempt up.
    void Connect(const QString& strName, const QString& strCnn, ConnectEnded ended = {});
    bool Connecting() const { return opening_ != nullptr; }
    // Gives up the connecting under way, if any, without waiting for the engine; the attempt
    // ends as a failed one.
    void CancelConnect();
    tbn::query::ConnectProgress* ConnectProgressBox() const { return connectProgress_; }
    void ExecuteQuerySelected();
    // Opens the window's connection string again (Query > Reconnect), the way Connect does; a
    // failure is reported and the window stays without a connection.
    void Reconnect();
    void QueryCut();
    void QueryCopy();
    void QueryPaste();
    // The grid's selected block as QueryCopy copies it, its column names first on a line of their
    // own, whichever pane has the focus.
    void QueryCopyWithHeaders();
    // The grid's selected block, names first, as text in the format (SQL INSERT statements into
    // the table the query reads, for the connection's engine).
    void CopyGridAs(tbn::results::ResultFormat format);
    // Writes the result the grid shows, in the order shown, to a file and format the user
    // chooses, on a worker; the query is not run again. Progress and the end go to the status
    // line, failures to the error reporter; a cancel (CancelQuery) or a failure leaves the file
    // as it was. Returns at once; Exporting() is true until it ends (ExportEnded is emitted).
    void ExportResults();
    bool Exporting() const { return export_ != nullptr; }
    // Runs the text, or the selection when there is one, writing the rows of its row set to a
    // file and format the user chooses instead of the grid. Ends as a run does (RunEnded).
    void RunToFile();
    QMenu* GridMenu() const { return gridMenu_; }  // the grid body's pop-up menu
    // Starts the run and returns; the grid, the status line and any error report follow when the
    // run ends (Running() turns false, RunEnded is emitted). Refused while a run goes on.
    void ExecuteQuery(bool blnSelected = false);
    // Selects the statement under the caret and runs it as a run of the selection.
    void ExecuteStatement();
    void CopyToClip();
    void QuerySelectAll();
    bool SaveQuery();
    void LoadQuery();
    void AutosizeGridColumns(tbn::grid::FlexGrid& msFG, int MaxRowsToParse, int MaxColWidth);
    void AutosizeGridColumnsFirst(tbn::grid::FlexGrid& msFG, int MaxRowsToParse, int MaxColWidth);
    void
    CancelQuery();  // stops the run or the connecting in progress, if any; Escape does the same
    // A run asked for while the catalogue is being read waits (running) for the read to stop.
    bool Running() const { return run_ != nullptr || pendingRun_.has_value(); }
    // Sorts the grid's records by column col on a worker and shows them in that order once sorted,
    // with the header's sort mark; a sort under way gives way. Nothing while a run goes on.
    void SortGrid(std::int64_t col, Qt::SortOrder direction);
    void RestoreGridOrder();  // the records as the run brought them, stopping any sort
    bool Sorting() const { return sort_ != nullptr; }
    QMenu* HeaderMenu() const { return mnuHeader; }  // a column header's pop-up menu
    // The find bar below the SQL pane: opened for finding or replacing, and the next or previous
    // match of what it holds selected in the pane (wrapping).
    void ShowFind();
    void ShowReplace();
    void FindNext();
    void FindPrevious();
    // Asks a line number and puts the caret at the start of that line of the SQL pane.
    void GoToLine();
    tbn::editor::FindBar* FindBarWidget() const { return findBar_; }
    // Reads the catalogue again on a worker (the tree's "Refresh"); while a run goes on, once it
    // has ended. The tree's top level, its groups and completion follow when the read ends.
    void RefreshSchema();
    bool ReadingSchema() const { return schemaRead_ != nullptr; }
    // The catalogue read last; none before the first read ends. Replaced only by a newer read.
    const std::shared_ptr<const tbn::core::SchemaInfo>& Schema() const { return schema_; }
    // Puts selectText on a line of its own at the end of the SQL pane, selects it and runs the
    // selection: the text above stays as it was, and one undo takes the line away again.
    void SelectTopRows(const QString& selectText);

    // Events delivered by the frame and the window system.
    void Form_Activate();
    void Form_Resize();

    // Read access for tests and for the frame.
    bool IsConnected() const { return blnConnected; }
    bool PanesShown() const { return blnPanesShown; }
    tbn::query::SchemaTree* lstTablasWidget() const { return lstTablas; }
    QPlainTextEdit* rtfQueryWidget() const { return rtfQuery; }
    tbn::grid::FlexGrid* FlexWidget() const { return Flex; }
    tbn::ui::TextBox& QueryText() const { return *rtfQueryText; }
    const tbn::db::Connection& connection() const { return cnn; }
    const tbn::db::Recordset& recordset() const { return rs; }
    tbn::query::SplitterBar* picHBar() const { return picH; }
    tbn::query::SplitterBar* picVBar() const { return picV; }
    tbn::query::RunStatusBar* StatusLine() const { return statusLine; }
    // Above the grid after a run of several statements: a tab for each statement, then
    // "Messages". Choosing a statement's tab shows its row set in the grid (an empty grid for one
    // without rows); Ctrl+Alt+PgUp and Ctrl+Alt+PgDn move to the tab before or after.
    QTabBar* ResultTabs() const { return resultTabs_; }
    tbn::query::MessagesPane* Messages() const { return messages_; }
    void ChooseResultTab(int index);
    const tbn::run::QueryRun* CurrentRun() const { return run_.get(); }
    const tbn::query::PaneGeometry& Panes() const { return panes_; }
    // Keeps the SQL pane's text in a recovery file of its own while the window is open.
    tbn::recovery::RecoveryWriter& Recovery() const { return *recovery_; }
    void lstTablas_DblClick();
    // True when the pane's text changed since the window opened or the text was last saved or
    // loaded.
    bool TextChanged() const { return blnTextChanged; }

    // Transactions. Auto-commit (on by default) is the window's: off, the next statement run opens
    // a transaction on its connection that stays open, shown on the status line, until
    // CommitTransaction or RollbackTransaction, each recorded in the history like a run. Turning
    // it on with one open asks first, as closing the window does ("Commit the open transaction of
    // NAME?": Yes commits, No rolls back, Cancel keeps it). Each is refused while a run goes on.
    void SetAutoCommit(bool on);
    bool AutoCommit() const { return autoCommit_; }
    void CommitTransaction();
    void RollbackTransaction();
    // As the engine says; None without a connection or while a run or the catalogue read holds it.
    tbn::db::TransactionState Transaction();

    static constexpr int kConnectProgressMs = 300;  // shorter connects end without showing any
    static constexpr qreal kPaneFontPoints = 9.75;  // the panes' Courier New, unzoomed

signals:
    void RunEnded();
    void ExportEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();
    void KeepClosedText();
    QString NotConnectedText() const;  // "Not connected: " and why
    void InitPanes();
    void ShowPanes();
    void FillTableList(const std::vector<tbn::db::TableInfo>& tables);
    void ReadSchema();  // starts a read unless one goes on or the connection is busy
    void FinishSchemaRead();
    void StopSchemaRead();  // waits for it; for a window that closes or drops its connection
    void SaySchemaNote(const QString& note);
    void FinishConnect();
    void ShowConnectProgress();
    void CloseConnectProgress();
    void CloseRecordset();
    void ResetGrid();
    // Gives a failure the engine placed in commandText, which starts at commandStart of the pane,
    // its line and column; returns where in the pane the failure lies.
    std::optional<int> PlaceFailure(tbn::Error& error, const QString& commandText,
                                    int commandStart) const;
    void SelectFailure(int position);
    void StartRun(std::string commandText, std::unique_ptr<tbn::run::ResultFile> toFile = nullptr);
    void StartPendingRun();                   // the run that waited for a read to stop
    void DropPendingRun(const QString& why);  // it will not run; why, if any, to the status line
    void FinishRun();
    void InitResultTabs();
    void TakeEndedStatements();  // the run's statements that ended while it goes on
    void AddResultTab(const tbn::run::StatementOutcome& outcome,
                      std::shared_ptr<tbn::results::CellStore> rows);
    void ClearResultTabs();
    // failureAt: where in the pane the run's failure lies, if it failed at a place.
    void ShowResultTabs(const tbn::run::RunResult& result, std::optional<int> failureAt);
    void ShowResultTab(int index);
    void KeepShownResult();   // the grid's widths and order, into the result it shows
    void PutBackGridOfRun();  // what the grid showed before a tab was chosen during the run
    void KeepGridOfRun();     // the grid as the run found it, before the run first changes it
    void ResultFailureChosen(const std::exception_ptr& failure);
    void PlaceResultTabs();
    void ShowRunResult(tbn::run::RunResult& result);
    void ShowRunProgress(bool now);
    // The running run's row set in the grid, as far as it is stored: its first rows when it
    // begins, the rows added since at every look after that.
    void ShowRowsSoFar();
    // Where the user is in the grid: current cell, selection and scroll position.
    struct GridPlace {
        std::int64_t row = 0, col = 0, rowSel = 0, colSel = 0;
        int top = 0, left = 0;
        bool operator==(const GridPlace&) const = default;
    };
    GridPlace GridPlaceNow() const;
    void ReturnToPlace(const GridPlace& place);
    // Lets go of the rows so far as a run ends; where the user moved in them, if they did and the
    // result is the same row set, so that the grid stays there.
    std::optional<GridPlace> TakeRowsSoFarPlace(const tbn::run::RunResult& result);
    bool ReadyToRun();  // false, once the status line says why, while a run goes on or unconnected
    void RefuseWhileRunning();
    bool AskToStopRun();
    void StopRunNow();
    void ArrangePanes();
    void ApplyPanes();
    void PlaceFindBar();
    void InitFindBar();
    void InitZoom();
    void ApplyZoom();
    void ZoomPane(QWidget* pane, int steps);  // steps 0: back to the font's own size
    void CopyGridSelection(tbn::grid::FlexGrid& grid, bool withHeaders = false);
    void BuildGridMenu();
    std::int64_t GridRecords() const;  // the records of the result the grid shows
    // The file and format for a result to leave by, asked of the user; nothing when cancelled.
    std::unique_ptr<tbn::run::ResultFile> ChooseResultFile(const QString& title,
                                                           const QString& commandText);
    void ShowExportProgress();
    void FinishExport();
    void ShowCellViewer(std::int64_t row, std::int64_t col);  // nothing for a fixed cell
    void rtfQuery_MouseUp(Qt::MouseButton button, const QPoint& position);
    void InitHeaderMenu();
    QMenu* BuildGridSortMenu(QMenu* parent);  // the body menu's Sort submenu
    void EnableSortItems(QAction* ascending, QAction* descending, QAction* original);
    void Flex_HeaderMenu(const QPoint& position);  // in the header's coordinates
    void FinishSort();
    void EndSortStatus();
    void StartBarDrag(tbn::query::SplitterBar* bar, bool& dragging, Qt::MouseButton button);
    void EndBarDrag(tbn::query::SplitterBar* bar, bool& dragging);
    // Transactions (frmMain_Transaction.cpp).
    // Stops a catalogue read first; false: the user keeps the transaction, or a commit failed.
    bool AskToEndTransaction();
    bool EndTransaction(bool commit);  // false once the failure was reported
    void ApplyAutoCommit();
    void NoteRunStarts();
    void NoteRunEnded(const tbn::run::RunResult& result);
    void ShowTransaction();
    void picH_MouseDown(Qt::MouseButton button);
    void picH_MouseMove(double y);
    void picH_MouseUp();
    void picV_MouseDown(Qt::MouseButton button);
    void picV_MouseMove(double x);
    void picV_MouseUp();
    QWidget* ActiveControl() const;

    // Before a run: asks about each statement of commandText that changes every row of a table,
    // schema or database, in order, unless the user's settings turn the question off. False once
    // one is answered No: nothing of the text is to run.
    bool AgreedToUnboundedWrites(const QString& commandText);
    // A read-only connection (Mode=ReadOnly): the status line's mark where the engine refuses
    // writes, and the notice where it was asked for and does not.
    void ShowReadOnlyState();

    tbn::query::QueryFrame* frame_ = nullptr;

    // Controls.
    tbn::query::SchemaTree* lstTablas = nullptr;
    tbn::editor::SqlEdit* rtfQuery = nullptr;
    std::unique_ptr<tbn::ui::TextBox> rtfQueryText;
    std::unique_ptr<tbn::recovery::RecoveryWriter> recovery_;  // reads rtfQueryText, so goes first
    tbn::grid::FlexGrid* Flex = nullptr;
    tbn::query::SplitterBar* picH = nullptr;
    tbn::query::SplitterBar* picV = nullptr;
    tbn::query::RunStatusBar* statusLine = nullptr;
    QShortcut* escapeKey = nullptr;
    tbn::editor::FindBar* findBar_ = nullptr;
    int wheelRemainder_ = 0;  // of a wheel turned by less than a notch
    int gridRowHeight_ = 0;   // the grid's own row height, unzoomed
    QTabBar* resultTabs_ = nullptr;
    tbn::query::MessagesPane* messages_ = nullptr;
    QMenu* gridMenu_ = nullptr;
    QAction* gridSortSpot_ = nullptr;
    QMenu* mnuHeader = nullptr;
    QAction* mnuSortAscending = nullptr;
    QAction* mnuSortDescending = nullptr;
    QAction* mnuOriginalOrder = nullptr;

    // State.
    std::unique_ptr<tbnSqlEditor> objEditor;
    bool blnIsLoading = false;
    bool blnDragH = false;
    bool blnDragV = false;
    bool blnConnected = false;
    bool blnPanesShown = false;
    bool blnLoaded = false;
    bool blnUnloaded = false;
    tbn::query::PaneGeometry panes_;  // twips; the widgets are placed from it
    tbn::db::Connection cnn;
    tbn::db::Catalog cat;
    tbn::db::Recordset rs;
    std::unique_ptr<tbn::run::QueryRun> run_;      // while a run goes on; it holds cnn's session
    std::optional<tbn::ui::BusyPointer> runBusy_;  // the hourglass, while run_ goes on
    std::unique_ptr<tbn::run::ConnectionOpening> opening_;  // while connecting
    ConnectEnded connectEnded_;
    QTimer connectProgressDelay_;
    QPointer<tbn::query::ConnectProgress> connectProgress_;
    QString runCommandText_;         // what the run was given, and where in the pane it starts,
    int runCommandStart_ = 0;        // so a failure the engine places can be pointed at
    std::int64_t runStartedMs_ = 0;  // wall clock, for the history
    QString strCnnName;              // the name the window was connected under, for the history
    QString strCnnString;     // the string it was given, whole, for Reconnect and a closed text
    QString strNotConnected;  // why the last Connect failed, for a run that cannot start
    // Said once on connecting where Mode=ReadOnly was asked for and the engine does not enforce it.
    QString readOnlyNotice_;
    bool blnTextChanged = false;
    bool blnGridHasRowSet = false;  // the grid shows a run's row set (perhaps without records)
    QString gridCommandText_;       // the text whose row set the grid shows
    QString runFileName_;           // the file a run to a file writes, while it goes on
    // The results behind the tabs, by statement, and the one the grid shows (-1: none of them).
    std::vector<tbn::query::KeptResult> kept_;
    int shownResult_ = -1;
    std::size_t runStatements_ = 0;  // in the run's text, as the splitter counts them
    bool tabsOfRun_ = false;         // the tabs are the running run's
    // The grid as the run found it, while a tab chosen during the run shows in its place.
    std::optional<tbn::query::KeptResult> gridOfRun_;
    bool gridOfRunHadRowSet_ = false;
    std::optional<int> tabsFailureAt_;  // where the failure of the tabs' run lies in the pane
    // The share of the running run's row set the grid shows while the run goes on (null: the grid
    // shows something else), and the row set's number in the run.
    std::shared_ptr<tbn::results::CellStore> rowsSoFar_;
    int rowsSoFarSet_ = 0;
    GridPlace rowsSoFarPlace_;  // where the grid was left once the first rows were sized
    std::unique_ptr<tbn::query::ExportJob> export_;  // while an export goes on
    std::unique_ptr<tbn::query::SortRun> sort_;      // while a sort goes on
    QString sortStatusBefore_;                       // the status line's text before it
    std::int64_t headerMenuCol_ = 0;                 // the column the header menu was opened on
    // While the catalogue is read; it holds cnn's session, so it goes before cnn does.
    std::unique_ptr<tbn::run::SchemaReading> schemaRead_;
    std::shared_ptr<const tbn::core::SchemaInfo> schema_;
    bool schemaStale_ = false;  // read again once nothing else holds the connection
    QString schemaNote_;        // what the status line last said of a read's gaps or failure
    // A run asked for during a read, waiting for the read to stop.
    std::optional<std::string> pendingRun_;
    std::unique_ptr<tbn::run::ResultFile> pendingFile_;
    // Transactions.
    bool autoCommit_ = true;
    std::int64_t transactionStatements_ = 0;  // run in the open transaction
};
