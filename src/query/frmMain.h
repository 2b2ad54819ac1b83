#pragma once
// The query window: one open connection, its table list, the SQL pane and the result grid.
// Created by the connection manager through its frame's NewQueryWindow(), then: SetIsLoading(true),
// Load(), Hide(), Connect(name, cnn), Show(), SetIsLoading(false). It owns its connection, catalog,
// result set and editor component from Load() to Unload(). It reaches the frame only through the
// QueryFrame it was given.
#include "core/Error.h"
#include "db/Catalog.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "query/PaneLayout.h"
#include "query/QueryFrame.h"

#include <QWidget>
#include <memory>
#include <optional>

class QListWidget;
class QListWidgetItem;
class QMdiSubWindow;
class QPlainTextEdit;
class tbnSqlEditor;
class SplitterBar;

namespace tbn::platform {
class FlexGrid;
class TextBox;
}

class frmMain : public QWidget {
    Q_OBJECT
public:
    // frame may be null: the window then has no pop-up menu and tells nobody it closes.
    explicit frmMain(QueryFrame* frame = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Window life, in the order the creator uses it.
    void Load();                 // runs Form_Load once
    void Show();                 // shows the window's frame in the MDI area (not modal)
    void Hide();
    void Unload();               // closes the window; Form_Unload runs once
    QMdiSubWindow* subWindow() const;
    quintptr hWnd() const { return reinterpret_cast<quintptr>(this); }

    // Public members of the query window, in the order other windows know them.
    bool IsLoading() const { return blnIsLoading; }
    void SetIsLoading(bool bData) { blnIsLoading = bData; }
    void Disconnect();
    void Connect(const QString& strName, const QString& strCnn);
    void ExecuteQuerySelected();
    void QueryCut();
    void QueryCopy();
    void QueryPaste();
    void ExecuteQuery(bool blnSelected = false);
    // Selects the statement under the caret and runs it as a run of the selection.
    void ExecuteStatement();
    void CopyToClip();
    void QuerySelectAll();
    bool SaveQuery();
    void LoadQuery();
    void AutosizeGridColumns(tbn::platform::FlexGrid& msFG, int MaxRowsToParse, int MaxColWidth);
    void AutosizeGridColumnsFirst(tbn::platform::FlexGrid& msFG, int MaxRowsToParse, int MaxColWidth);

    // Events delivered by the frame and the window system.
    void Form_Activate();
    void Form_Resize();

    // Read access for tests and for the frame.
    bool IsConnected() const { return blnConnected; }
    bool PanesShown() const { return blnPanesShown; }
    QListWidget* lstTablasWidget() const { return lstTablas; }
    QPlainTextEdit* rtfQueryWidget() const { return rtfQuery; }
    tbn::platform::FlexGrid* FlexWidget() const { return Flex; }
    tbn::platform::TextBox& QueryText() const { return *rtfQueryText; }
    const tbn::db::Connection& connection() const { return cnn; }
    const tbn::db::Recordset& recordset() const { return rs; }
    SplitterBar* picHBar() const { return picH; }
    SplitterBar* picVBar() const { return picV; }
    const tbn::query::PaneGeometry& Panes() const { return panes_; }
    void lstTablas_DblClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void Form_Unload();
    void InitPanes();
    void ShowPanes();
    void FillTableList();
    void CloseRecordset();
    void ResetGrid();
    void FillGrid();
    // Gives a failure the engine placed in commandText, which starts at commandStart of the pane,
    // its line and column; returns where in the pane the failure lies.
    std::optional<int> PlaceFailure(tbn::Error& error, const QString& commandText, int commandStart) const;
    void SelectFailure(int position);
    void ArrangePanes();
    void ApplyPanes();
    void CopyGridSelection(tbn::platform::FlexGrid& grid);
    void ShowCellViewer(std::int64_t row, std::int64_t col);  // nothing for a fixed cell
    void rtfQuery_MouseUp(Qt::MouseButton button, const QPoint& position);
    void StartBarDrag(SplitterBar* bar, bool& dragging, Qt::MouseButton button);
    void EndBarDrag(SplitterBar* bar, bool& dragging);
    void picH_MouseDown(Qt::MouseButton button);
    void picH_MouseMove(double y);
    void picH_MouseUp();
    void picV_MouseDown(Qt::MouseButton button);
    void picV_MouseMove(double x);
    void picV_MouseUp();
    QWidget* ActiveControl() const;

    QueryFrame* frame_ = nullptr;

    // Controls.
    QListWidget* lstTablas = nullptr;
    QPlainTextEdit* rtfQuery = nullptr;
    std::unique_ptr<tbn::platform::TextBox> rtfQueryText;
    tbn::platform::FlexGrid* Flex = nullptr;
    SplitterBar* picH = nullptr;
    SplitterBar* picV = nullptr;

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
};
