#include "connections/frmConnections.h"

#include "connections/CnnStore.h"
#include "connections/ConnectionIcon.h"
#include "connections/ConnectionManagerFrame.h"
#include "connections/OneTimeConnection.h"
#include "connections/ProgramFolder.h"
#include "connections/frmEditConnection.h"
#include "connections/mdlOLEDB.h"
#include "core/ShownText.h"
#include "db/ConnectionString.h"
#include "ui/Modal.h"
#include "ui/MousePointer.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"
#include "ui/mdlErrors.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <algorithm>
#include <limits>

using namespace tbn::connections;
using namespace tbn::core;
using namespace tbn::ui;

namespace {
const QString kContext = QStringLiteral("frmConnections >> ");
constexpr int kTagRole = Qt::UserRole;       // the connection string
constexpr int kLineRole = Qt::UserRole + 1;  // the store line the entry was read from: its key
constexpr int kNameRole = Qt::UserRole + 2;  // the whole name; the list shows its beginning
// Laying out a name costs the list time and memory by its whole length: a 50 MB line without a
// TAB held the manager back for most of a minute. No name needs more than this to be told apart.
constexpr qsizetype kMaxListedName = 1000;
}  // namespace

frmConnections::frmConnections(ConnectionManagerFrame& frame)
    : QDialog(frame.FrameWidget()), frame_(frame) {
    setObjectName(QStringLiteral("frmConnections"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(TwipsToPixels(5895), TwipsToPixels(4230));

    Picture1 = new QWidget(this);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    Picture1->setAutoFillBackground(true);
    QPalette banner = Picture1->palette();
    banner.setColor(QPalette::Window, Qt::white);
    Picture1->setPalette(banner);
    Place(Picture1, 0, 0, 5895, 615);
    Label1 = new QLabel(QStringLiteral("Connections manager"), Picture1);
    QFont title(QStringLiteral("MS Sans Serif"));
    title.setPointSizeF(13.5);
    title.setBold(true);
    Label1->setFont(title);
    Place(Label1, 120, 120, 3090, 360);
    // Where the classic face is missing a wider stand-in is used; the banner must not cut the
    // title.
    if (Label1->sizeHint().width() > Label1->width())
        Label1->resize(Label1->sizeHint().width(), Label1->height());

    optTemp[0] = new QRadioButton(QStringLiteral("Connect using a saved connection string:"), this);
    Place(optTemp[0], 60, 660, 5655, 255);
    lvCnn = new QTreeWidget(this);
    lvCnn->setObjectName(QStringLiteral("lvCnn"));
    lvCnn->setColumnCount(1);
    lvCnn->setHeaderLabels({QStringLiteral("Connection")});
    lvCnn->setRootIsDecorated(false);
    lvCnn->setIconSize(QSize(16, 16));
    Place(lvCnn, 60, 960, 4755, 1995);
    cmdModify = new QPushButton(QStringLiteral("Modify ..."), this);
    Place(cmdModify, 4920, 960, 915, 495);
    cmdNew = new QPushButton(QStringLiteral("New ..."), this);
    Place(cmdNew, 4920, 1500, 915, 495);
    cmdDelete = new QPushButton(QStringLiteral("Delete"), this);
    Place(cmdDelete, 4920, 2040, 915, 495);
    optTemp[1] =
        new QRadioButton(QStringLiteral("Or to this connection string (will not be saved):"), this);
    Place(optTemp[1], 60, 3000, 5655, 255);
    txtCnn = new QLineEdit(this);
    txtCnn->setObjectName(QStringLiteral("txtCnn"));
    // The default cap of 32767 characters would cut a long pasted string without a word.
    txtCnn->setMaxLength(std::numeric_limits<int>::max());
    Place(txtCnn, 60, 3300, 4755, 315);
    cmdCnn = new QPushButton(QStringLiteral("..."), this);
    Place(cmdCnn, 4860, 3300, 915, 315);
    cmdOpen = new QPushButton(QStringLiteral("Open"), this);
    Place(cmdOpen, 60, 3660, 915, 495);
    cmdClose = new QPushButton(QStringLiteral("Close"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    Place(cmdClose, 4920, 3660, 915, 495);
    optTemp[0]->setChecked(true);

    // Tab order: the list, Open, New, Modify, Delete, the options, the text and its button, Close.
    QWidget* order[] = {lvCnn,      cmdOpen,    cmdNew, cmdModify, cmdDelete,
                        optTemp[0], optTemp[1], txtCnn, cmdCnn,    cmdClose};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);
    for (QPushButton* b : {cmdOpen, cmdNew, cmdModify, cmdDelete, cmdCnn, cmdClose})
        b->setAutoDefault(false);

    connect(cmdOpen, &QPushButton::clicked, this, &frmConnections::cmdOpen_Click);
    connect(cmdNew, &QPushButton::clicked, this, &frmConnections::cmdNew_Click);
    connect(cmdModify, &QPushButton::clicked, this, &frmConnections::cmdModify_Click);
    connect(cmdDelete, &QPushButton::clicked, this, &frmConnections::cmdDelete_Click);
    connect(cmdCnn, &QPushButton::clicked, this, &frmConnections::cmdCnn_Click);
    // As Escape does: nothing opened, the store untouched.
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::reject);
    connect(lvCnn, &QTreeWidget::itemClicked, this, [this] { lvCnn_Click(); });
    connect(lvCnn, &QTreeWidget::itemDoubleClicked, this, [this] { lvCnn_DblClick(); });
    connect(txtCnn, &QLineEdit::textChanged, this, [this] { txtCnn_Change(); });
    Form_Load();
}

frmConnections::~frmConnections() = default;

void frmConnections::Form_Load() {
    // Every key passes the window first, so Enter and Escape work wherever the focus is.
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
    installEventFilter(this);
    lvCnn->setColumnWidth(0, TwipsToPixels(4755 - 350));
}

void frmConnections::ShowModal(ConnectionManagerFrame& frame) {
    auto* manager = new frmConnections(frame);
    manager->blnSelfOwned = true;
    manager->FillCnns();
    manager->RunModal();
}

void frmConnections::OpenOrShowModal(ConnectionManagerFrame& frame, const QString& strName,
                                     const QString& strCnn) {
    auto* manager = new frmConnections(frame);
    manager->blnSelfOwned = true;
    manager->txtCnn->setText(strCnn);
    manager->OpenCnn(strName, strCnn);
}

void frmConnections::RunModal() {
    ExecModal(*this);
    // A choice handed over keeps the manager, hidden, until its opening has ended.
    if (!opening_) deleteLater();
}

void frmConnections::ComeBack() {
    if (!blnSelfOwned) {
        show();
        return;
    }
    if (!blnListed) FillCnns();
    RunModal();
}

bool frmConnections::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && Form_KeyDown(static_cast<QKeyEvent*>(event)->key()))
        return true;
    if (watched == lvCnn->header()->viewport() && event->type() == QEvent::MouseButtonPress)
        lvCnn_Click();
    if (watched == lvCnn->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                         event->type() == QEvent::MouseButtonDblClick)) {
        // The view would drop its selection on a click below the last entry, leaving the saved
        // option chosen with nothing to open; such a click keeps the entry and only picks the
        // option.
        if (!lvCnn->itemAt(static_cast<QMouseEvent*>(event)->position().toPoint())) {
            lvCnn_Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool frmConnections::Form_KeyDown(int keyCode) {
    if (keyCode == Qt::Key_Escape) {
        reject();
        return true;
    }
    if (keyCode == Qt::Key_Return || keyCode == Qt::Key_Enter) {
        cmdOpen_Click();
        return true;
    }
    return false;
}

void frmConnections::FillCnns() {
    blnListed = true;
    lvCnn->clear();
    mdlErrors::Guarded(kContext + QStringLiteral("FillCnns"), [&] {
        const QString folder = ProgramFolder();
        // Beside the executable or in the user's own folder: the user can see which file is in use.
        lvCnn->setToolTip(tbn::connections::StorePath(folder));
        QList<tbn::connections::CnnEntry> entries = tbn::connections::ReadStore(folder);
        // Listed by name, ignoring case; entries with equal names keep the file's order.
        std::stable_sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
            return QString::compare(a.name, b.name, Qt::CaseInsensitive) < 0;
        });
        // Built apart and handed over at once: inserting into the live list one by one costs
        // the view a notification per item and per property, seconds for a large store.
        QList<QTreeWidgetItem*> items;
        items.reserve(entries.size());
        const QIcon icon = ConnectionIcon();
        for (const tbn::connections::CnnEntry& entry : entries) {
            // A line without a TAB is named by its string, password and all.
            const std::string shown = tbn::db::ConnectionString::Redacted(
                ShownText(entry.name, kMaxListedName).toStdString());
            auto* item = new QTreeWidgetItem(QStringList{QString::fromStdString(shown)});
            item->setData(0, kNameRole, entry.name);
            item->setIcon(0, icon);
            item->setData(0, kTagRole, entry.cnn);
            item->setData(0, kLineRole, entry.line);
            items.append(item);
        }
        lvCnn->addTopLevelItems(items);
        if (lvCnn->topLevelItemCount() > 0) lvCnn->setCurrentItem(lvCnn->topLevelItem(0));
    });
}

QTreeWidgetItem* frmConnections::SelectedEntry() const {
    const QList<QTreeWidgetItem*> selected = lvCnn->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

QString frmConnections::RecordOf(const QTreeWidgetItem* entry) const {
    return entry->data(0, kNameRole).toString() + QLatin1Char('\t') +
           entry->data(0, kTagRole).toString();
}

void frmConnections::lvCnn_Click() { optTemp[0]->setChecked(true); }

void frmConnections::lvCnn_DblClick() { cmdOpen_Click(); }

void frmConnections::txtCnn_Change() {
    optTemp[txtCnn->text().isEmpty() ? 0 : 1]->setChecked(true);
}

void frmConnections::cmdCnn_Click() {
    const QString built = mdlOLEDB::EditCnn(this, txtCnn->text());
    if (!built.isEmpty()) txtCnn->setText(built);
}

QString frmConnections::PromptCnn(const QString& strRecord) {
    frmEditConnection editor(this);
    editor.INIT(strRecord);
    ExecModal(editor);
    return editor.strResult;
}

void frmConnections::cmdNew_Click() {
    mdlErrors::Guarded(kContext + QStringLiteral("cmdNew_Click"), [&] {
        const QString record = PromptCnn(QString());
        if (record.isEmpty()) return;
        tbn::connections::AddRecord(ProgramFolder(), record);
        FillCnns();
        SelectRecord(record);
    });
}

void frmConnections::SelectRecord(const QString& record) {
    for (int i = 0; i < lvCnn->topLevelItemCount(); ++i) {
        if (RecordOf(lvCnn->topLevelItem(i)) == record) {
            lvCnn->setCurrentItem(lvCnn->topLevelItem(i));
            return;
        }
    }
}

void frmConnections::TellNothingSelected() {
    MsgBox(QStringLiteral("Select a saved connection first."), vbOKOnly + vbInformation, QString());
}

void frmConnections::cmdModify_Click() {
    mdlErrors::Guarded(kContext + QStringLiteral("cmdModify_Click"), [&] {
        QTreeWidgetItem* entry = SelectedEntry();
        if (!entry) return TellNothingSelected();
        const QString oldRecord = RecordOf(entry);
        const QString storedLine = entry->data(0, kLineRole).toString();
        const QString record = PromptCnn(oldRecord);
        if (record.isEmpty() || record == oldRecord) return;
        tbn::connections::ChangeRecord(ProgramFolder(), storedLine, record);
        FillCnns();
    });
}

void frmConnections::cmdDelete_Click() {
    mdlErrors::Guarded(kContext + QStringLiteral("cmdDelete_Click"), [&] {
        QTreeWidgetItem* entry = SelectedEntry();
        if (!entry) return TellNothingSelected();
        const QString question = QStringLiteral("Are you sure you want to delete \"") +
                                 entry->text(0) + QStringLiteral("\"?");
        if (MsgBox(question, vbYesNo + vbQuestion + vbDefaultButton2, QString()) != vbYes) return;
        tbn::connections::DeleteRecord(ProgramFolder(), entry->data(0, kLineRole).toString());
        FillCnns();
    });
}

void frmConnections::cmdOpen_Click() {
    if (optTemp[0]->isChecked()) {
        if (QTreeWidgetItem* entry = SelectedEntry())
            OpenCnn(entry->data(0, kNameRole).toString(), entry->data(0, kTagRole).toString());
        else
            TellNothingSelected();
    } else if (!txtCnn->text().isEmpty()) {
        // A database file's path opens as it does on the command line.
        const tbn::connections::ConnectionChoice target =
            tbn::connections::ConnectionFor(txtCnn->text());
        OpenCnn(target.name, target.cnn);
    }
}

void frmConnections::OpenCnn(const QString& strName, const QString& strCnn) {
    opening_.emplace();
    // Out of the way while the connection opens, and no longer modal: the frame works on.
    hide();
    const QPointer<frmConnections> self(this);
    const bool handed = mdlErrors::Guarded(kContext + QStringLiteral("OpenCnn"), [&] {
        frame_.OpenChoice(ConnectionChoice{strName, strCnn},
                          [self](const std::optional<tbn::Error>& failure) {
                              // Once the frame is through with the opening, not from inside it.
                              if (self)
                                  QMetaObject::invokeMethod(
                                      self.data(), [self, failure] { self->OpeningEnded(failure); },
                                      Qt::QueuedConnection);
                          });
    });
    if (handed) return;
    opening_.reset();
    ComeBack();
}

void frmConnections::OpeningEnded(const std::optional<tbn::Error>& failure) {
    opening_.reset();
    if (!failure) {
        accept();
        if (blnSelfOwned) deleteLater();
        return;
    }
    mdlErrors::ShowError(*failure, kContext + QStringLiteral("OpenCnn"), vbCritical);
    ComeBack();
}
