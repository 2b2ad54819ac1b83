#include "connections/frmEditConnection.h"

#include "connections/mdlOLEDB.h"
#include "ui/MsgBox.h"
#include "ui/Twips.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

using tbn::ui::Place;
using tbn::ui::TwipsToPixels;

frmEditConnection::frmEditConnection(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEditConnection"));
    setWindowTitle(QStringLiteral("Connection editor"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(TwipsToPixels(5835), TwipsToPixels(2505));

    Frame1 = new QGroupBox(QStringLiteral("Connection name"), this);
    Place(Frame1, 60, 60, 5715, 795);
    txtName = new QLineEdit(Frame1);
    txtName->setObjectName(QStringLiteral("txtName"));
    Place(txtName, 180, 300, 5355, 315);

    Frame2 = new QGroupBox(QStringLiteral("Connection string"), this);
    Place(Frame2, 60, 900, 5715, 795);
    txtConnectionString = new QLineEdit(Frame2);
    txtConnectionString->setObjectName(QStringLiteral("txtConnectionString"));
    // A line edit keeps only 32767 characters by default; a longer saved string would be cut
    // without a word when the record is edited.
    txtName->setMaxLength(std::numeric_limits<int>::max());
    txtConnectionString->setMaxLength(std::numeric_limits<int>::max());
    Place(txtConnectionString, 180, 300, 4935, 315);
    cmdGenerate = new QPushButton(QStringLiteral("..."), Frame2);
    cmdGenerate->setObjectName(QStringLiteral("cmdGenerate"));
    Place(cmdGenerate, 5160, 300, 375, 315);

    cmdDone = new QPushButton(QStringLiteral("Done"), this);
    cmdDone->setObjectName(QStringLiteral("cmdDone"));
    Place(cmdDone, 60, 1800, 1335, 615);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    Place(cmdCancel, 1455, 1800, 1335, 615);

    // Enter has no meaning of its own here: no button is a default button.
    for (QPushButton* b : {cmdGenerate, cmdDone, cmdCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }
    setTabOrder(txtName, txtConnectionString);
    setTabOrder(txtConnectionString, cmdGenerate);
    setTabOrder(cmdGenerate, cmdDone);
    setTabOrder(cmdDone, cmdCancel);

    connect(cmdDone, &QPushButton::clicked, this, &frmEditConnection::cmdDone_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(cmdGenerate, &QPushButton::clicked, this, &frmEditConnection::cmdGenerate_Click);
}

void frmEditConnection::INIT(const QString& strCnn) {
    const QStringList fields = strCnn.split(QLatin1Char('\t'));
    if (!strCnn.isEmpty()) {
        txtName->setText(fields.first());
        txtConnectionString->setText(fields.last());
        setWindowTitle(QStringLiteral("Connection editor - Modify connection"));
    } else {
        txtName->clear();
        txtConnectionString->clear();
        setWindowTitle(QStringLiteral("Connection editor - Add connection"));
    }
}

void frmEditConnection::cmdDone_Click() {
    using namespace tbn::ui;
    if (txtName->text().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("Name is required."), vbOKOnly + vbInformation, QString());
        return;
    }
    if (txtConnectionString->text().trimmed().isEmpty()) {
        MsgBox(QStringLiteral("The connection string is required."), vbOKOnly + vbInformation,
               QString());
        return;
    }
    strResult = txtName->text() + QLatin1Char('\t') + txtConnectionString->text();
    accept();
}

void frmEditConnection::cmdGenerate_Click() {
    const QString built = mdlOLEDB::EditCnn(this, txtConnectionString->text());
    if (!built.isEmpty()) txtConnectionString->setText(built);
}

void frmEditConnection::keyPressEvent(QKeyEvent* event) {
    // Escape cancels (the dialog's own handling); Enter has no meaning here.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
