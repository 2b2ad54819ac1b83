#include "query/frmMain.h"

#include "editor/FindBar.h"
#include "editor/SqlEdit.h"
#include "editor/tbnSqlEditor.h"
#include "grid/FlexGrid.h"
#include "grid/FlexGridModel.h"
#include "query/ExportJob.h"
#include "query/RunStatusBar.h"
#include "query/SchemaTree.h"
#include "query/SortRun.h"
#include "query/SplitterBar.h"
#include "recovery/RecoveryWriter.h"
#include "run/ClosedWindows.h"
#include "run/ConnectionOpening.h"
#include "run/QueryRun.h"
#include "run/SchemaReading.h"
#include "ui/TextBox.h"
#include "ui/Twips.h"
#include "ui/WindowPlacement.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QTextDocument>
#include <QWheelEvent>

using tbn::query::SplitterBar;
using tbn::ui::TwipsToPixels;

namespace {
QFont CourierNew() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(frmMain::kPaneFontPoints);
    return font;
}
}  // namespace

frmMain::frmMain(tbn::query::QueryFrame* frame, QWidget* parent) : QWidget(parent), frame_(frame) {
    lstTablas = new tbn::query::SchemaTree(this);
    lstTablas->setObjectName(QStringLiteral("lstTablas"));
    lstTablas->setFont(CourierNew());
    rtfQuery = new tbn::editor::SqlEdit(this);
    rtfQuery->setObjectName(QStringLiteral("rtfQuery"));
    rtfQuery->setFont(CourierNew());
    rtfQuery->setLineWrapMode(QPlainTextEdit::NoWrap);
    rtfQueryText = std::make_unique<tbn::ui::TextBox>(rtfQuery);
    recovery_ =
        std::make_unique<tbn::recovery::RecoveryWriter>([this] { return rtfQueryText->Text(); });
    connect(rtfQuery->document(), &QTextDocument::contentsChange, recovery_.get(),
            &tbn::recovery::RecoveryWriter::ContentsChanged);
    // A change of formats only is no change of the text.
    connect(rtfQuery->document(), &QTextDocument::contentsChange, this,
            [this](int, int removed, int added) {
                if (removed || added) blnTextChanged = true;
            });
    InitFindBar();
    Flex = new tbn::grid::FlexGrid(this);
    Flex->setObjectName(QStringLiteral("Flex"));
    Flex->setFont(CourierNew());
    Flex->SetRows(2);
    Flex->SetCols(2);
    Flex->SetFixedRows(1);
    Flex->SetFixedCols(1);
    InitHeaderMenu();
    InitResultTabs();
    picV = new SplitterBar(Qt::Vertical, this);
    picV->setObjectName(QStringLiteral("picV"));
    picH = new SplitterBar(Qt::Horizontal, this);
    picH->setObjectName(QStringLiteral("picH"));
    statusLine = new tbn::query::RunStatusBar(this);
    // Escape belongs to the window only while a run or a connecting goes on; otherwise the panes
    // keep it.
    escapeKey = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr,
                              Qt::WidgetWithChildrenShortcut);
    escapeKey->setEnabled(false);
    connect(escapeKey, &QShortcut::activated, this, &frmMain::CancelQuery);
    connect(statusLine, &tbn::query::RunStatusBar::CancelClicked, this, &frmMain::CancelQuery);
    connect(statusLine, &tbn::query::RunStatusBar::RollBackClicked, this,
            &frmMain::RollbackTransaction);
    connectProgressDelay_.setSingleShot(true);
    connect(&connectProgressDelay_, &QTimer::timeout, this, &frmMain::ShowConnectProgress);
    BuildGridMenu();

    panes_ = tbn::query::InitialPaneGeometry();
    resize(TwipsToPixels(6750), TwipsToPixels(4950));

    rtfQuery->setContextMenuPolicy(Qt::NoContextMenu);
    rtfQuery->installEventFilter(this);
    rtfQuery->viewport()->installEventFilter(this);
    Flex->installEventFilter(this);
    InitZoom();
    lstTablas->installEventFilter(this);
    connect(lstTablas, &QTreeWidget::itemDoubleClicked, this, [this] { lstTablas_DblClick(); });
    connect(lstTablas, &tbn::query::SchemaTree::RefreshRequested, this, &frmMain::RefreshSchema);
    connect(lstTablas, &tbn::query::SchemaTree::SelectTopRequested, this, &frmMain::SelectTopRows);
    // The view reports double clicks on body cells only; the fixed cells are its headers.
    connect(Flex, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        ShowCellViewer(index.row() + Flex->flexModel()->HeaderRows(),
                       index.column() + Flex->flexModel()->HeaderCols());
    });
    connect(picH, &SplitterBar::MouseDown, this,
            [this](Qt::MouseButton b, double, double) { picH_MouseDown(b); });
    connect(picH, &SplitterBar::MouseMove, this,
            [this](Qt::MouseButtons, double, double y) { picH_MouseMove(y); });
    connect(picH, &SplitterBar::MouseUp, this,
            [this](Qt::MouseButton, double, double) { picH_MouseUp(); });
    connect(picV, &SplitterBar::MouseDown, this,
            [this](Qt::MouseButton b, double, double) { picV_MouseDown(b); });
    connect(picV, &SplitterBar::MouseMove, this,
            [this](Qt::MouseButtons, double x, double) { picV_MouseMove(x); });
    connect(picV, &SplitterBar::MouseUp, this,
            [this](Qt::MouseButton, double, double) { picV_MouseUp(); });
}

frmMain::~frmMain() {
    if (blnLoaded && !blnUnloaded) Form_Unload();
    schemaRead_.reset();
    if (run_) StopRunNow();
    export_.reset();
}

void frmMain::Load() {
    if (blnLoaded) return;
    blnLoaded = true;
    Form_Load();
}

QMdiSubWindow* frmMain::subWindow() const { return qobject_cast<QMdiSubWindow*>(parentWidget()); }

void frmMain::Show() {
    QWidget* frame = subWindow() ? static_cast<QWidget*>(subWindow()) : this;
    frame->show();
    if (QMdiSubWindow* sub = subWindow()) {
        // Windows opened one after another (texts reopened at start) would hide one another.
        tbn::ui::CascadeNewSubWindow(*sub);
        if (sub->mdiArea()) sub->mdiArea()->setActiveSubWindow(sub);
        // The frame gives its focus back to the widget that last held it when it is activated
        // again (after the manager closes), and the MDI area activates whichever window holds
        // the focus: left in the window before, the focus would make that one active again.
        sub->setFocus();
    }
}

void frmMain::Hide() {
    QWidget* frame = subWindow() ? static_cast<QWidget*>(subWindow()) : this;
    frame->hide();
}

bool frmMain::Unload() {
    QWidget* frame = subWindow() ? static_cast<QWidget*>(subWindow()) : this;
    return frame->close();
}

void frmMain::Form_Load() {
    objEditor = std::make_unique<tbnSqlEditor>();
    objEditor->InitEditor(rtfQuery);
    blnDragH = false;
    blnDragV = false;
    // The connection, catalog and result set objects live as members; a fresh window holds closed
    // ones.
    Flex->SetWordWrap(true);
    Flex->SetAllowUserResizing(3);
    ResetGrid();
    InitPanes();
    blnPanesShown = false;
}

void frmMain::InitPanes() {
    lstTablas->setVisible(false);
    rtfQuery->setVisible(false);
    Flex->setVisible(false);
    statusLine->setVisible(false);
    // The fixed coordinates (bar tops and lefts, list and editor tops) come with the geometry.
    panes_.picVWidth = 70;
    ApplyPanes();
    const QColor background = palette().color(QPalette::Window);
    picH->SetBackColor(background);
    picV->SetBackColor(background);
}

void frmMain::Form_Activate() {
    if (!blnIsLoading) ShowPanes();
}

void frmMain::ShowPanes() {
    if (blnPanesShown) return;
    lstTablas->setVisible(true);
    rtfQuery->setVisible(true);
    Flex->setVisible(true);
    statusLine->setVisible(true);
    blnPanesShown = true;
    rtfQuery->setFocus();  // a new window is there to be typed in
}

void frmMain::Form_Unload() {
    blnUnloaded = true;
    KeepClosedText();
    // A connecting under way is given up; nobody waits for its end any more.
    connectEnded_ = nullptr;
    opening_.reset();
    CloseConnectProgress();
    // No worker may outlive the window or keep using its connection; an export is given up and
    // takes its scratch file with it.
    StopSchemaRead();
    pendingRun_.reset();
    pendingFile_.reset();
    if (run_) StopRunNow();
    export_.reset();
    // Closing must not be refused: a failing close still lets the window go.
    try {
        Disconnect();
    } catch (...) {}
    if (rs.State() != tbn::db::adStateClosed) rs.Close();
    cnn.Close();
    if (frame_) frame_->RemoveTab(hWnd());
    objEditor.reset();
}

void frmMain::KeepClosedText() {
    const QString text = rtfQueryText->Text();
    // Closed normally: the recovery copy goes, but only once the history holds what nobody saved;
    // a history that cannot take it leaves the copy to be offered at the next start.
    if (text.isEmpty() || !blnTextChanged ||
        tbn::run::ClosedWindows::Program().Keep(strCnnName, strCnnString, text))
        recovery_->Discard();
    else
        recovery_->KeepForNextStart();
}

void frmMain::closeEvent(QCloseEvent* event) {
    if (run_ && !AskToStopRun()) {
        event->ignore();
        return;
    }
    if (blnLoaded && !blnUnloaded && !AskToEndTransaction()) {
        ReadSchema();
        event->ignore();
        return;
    }
    if (blnLoaded && !blnUnloaded) Form_Unload();
    event->accept();
}

void frmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void frmMain::Form_Resize() { ArrangePanes(); }

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride) {
        // The panes would take the edit keys for themselves; the frame's menu owns them.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::Cut) ||
            key->matches(QKeySequence::Paste) || key->matches(QKeySequence::SelectAll))
            return true;
    }
    if (watched == Flex && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::ShiftModifier) {
            ShowCellViewer(Flex->Row(), Flex->Col());
            return true;
        }
    }
    if (watched == lstTablas && event->type() == QEvent::KeyPress && lstTablas->currentItem()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            lstTablas_DblClick();
            return true;
        }
    }
    if (watched == rtfQuery && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !findBar_->isHidden() &&
        !rtfQuery->OpenCompletionPopup()) {
        // A run's Escape never gets here: the window's own shortcut takes the key first. An open
        // completion list is nearer the caret than the find bar, so it closes first.
        findBar_->CloseBar();
        return true;
    }
    if (event->type() == QEvent::Wheel &&
        (watched == rtfQuery->viewport() || watched == Flex->viewport())) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            // A touchpad turns by fractions of a notch; a step is taken once they add up to one.
            wheelRemainder_ += wheel->angleDelta().y();
            const int steps = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
            wheelRemainder_ %= QWheelEvent::DefaultDeltasPerStep;
            if (steps)
                ZoomPane(watched == Flex->viewport() ? static_cast<QWidget*>(Flex) : rtfQuery,
                         steps);
            return true;
        }
    }
    if (watched == rtfQuery->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        rtfQuery_MouseUp(mouse->button(), mouse->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}
