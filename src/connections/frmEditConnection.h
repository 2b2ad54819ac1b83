#pragma once
// The connection editor: a name and a connection string, handed back joined by a TAB in strResult
// when the user presses Done. Leaving by Cancel, Escape or the close box leaves strResult empty.
// Never touches the store itself.
#include <QDialog>

class QGroupBox;
class QLineEdit;
class QPushButton;

class frmEditConnection : public QDialog {
    Q_OBJECT
public:
    explicit frmEditConnection(QWidget* parent = nullptr);

    // Empty: add mode. A record (name TAB connection string): modify mode.
    void INIT(const QString& strCnn);
    QString strResult;

    void cmdDone_Click();
    void cmdGenerate_Click();

    QLineEdit* txtName = nullptr;
    QLineEdit* txtConnectionString = nullptr;
    QPushButton* cmdGenerate = nullptr;
    QPushButton* cmdDone = nullptr;
    QPushButton* cmdCancel = nullptr;
    QGroupBox* Frame1 = nullptr;
    QGroupBox* Frame2 = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
};
