#pragma once
// The connection manager: pick a saved connection or type one for a single use, and manage the
// saved ones. What the user chose goes to the frame, which opens a query window on it. Loaded for
// one use by the frame, filled with FillCnns, shown modal. Open hands the choice over and hides,
// so the frame works on while the connection opens; a failure (or a cancel) is reported and
// brings the manager back with its choice, a success unloads it.
#include "core/Error.h"
#include "ui/MousePointer.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

namespace tbn::connections {
class ConnectionManagerFrame;
}

class frmConnections : public QDialog {
    Q_OBJECT
public:
    explicit frmConnections(tbn::connections::ConnectionManagerFrame& frame);
    ~frmConnections() override;

    // Empties the list and reads the store into it, sorted by name, first entry selected.
    void FillCnns();

    // Handlers, reachable for tests the way a click reaches them.
    void cmdOpen_Click();
    void cmdNew_Click();
    void cmdModify_Click();
    void cmdDelete_Click();
    void cmdCnn_Click();
    void lvCnn_Click();
    void lvCnn_DblClick();
    void txtCnn_Change();

    // The frame's "Connection manager" command: load, fill, show modal. A manager made here (or by
    // OpenOrShowModal) deletes itself once closed, or once the opening of its choice has ended.
    static void ShowModal(tbn::connections::ConnectionManagerFrame& frame);
    // Hands the frame a choice at once, as the one-time option does (a database named on the
    // command line). A failure is reported as any failed opening is; then the manager opens, the
    // string in its text box, so the user can correct it or choose another connection.
    static void OpenOrShowModal(tbn::connections::ConnectionManagerFrame& frame,
                                const QString& strName, const QString& strCnn);

    QTreeWidget* lvCnn = nullptr;
    QRadioButton* optTemp[2] = {nullptr, nullptr};
    QLineEdit* txtCnn = nullptr;
    QPushButton* cmdCnn = nullptr;
    QPushButton* cmdOpen = nullptr;
    QPushButton* cmdNew = nullptr;
    QPushButton* cmdModify = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdClose = nullptr;
    QWidget* Picture1 = nullptr;
    QLabel* Label1 = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    bool Form_KeyDown(int keyCode);
    QString PromptCnn(const QString& strRecord);
    void OpenCnn(const QString& strName, const QString& strCnn);
    void OpeningEnded(const std::optional<tbn::Error>& failure);
    void RunModal();
    void ComeBack();  // after a failed opening: as it was shown, with its choice
    QTreeWidgetItem* SelectedEntry() const;
    void TellNothingSelected();  // Open, Modify and Delete with no saved entry chosen
    QString RecordOf(const QTreeWidgetItem* entry) const;
    void SelectRecord(const QString& record);

    tbn::connections::ConnectionManagerFrame& frame_;
    bool blnSelfOwned = false;  // made by ShowModal or OpenOrShowModal
    bool blnListed = false;     // FillCnns has run
    std::optional<tbn::ui::BusyPointer>
        opening_;  // while its choice is with the frame, being opened
};
