#include "app/frmAbout.h"

#include "ui/Twips.h"

#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>

using tbn::ui::TwipsRect;
using tbn::ui::TwipsToPixels;

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent), txtGNU_(new QPlainTextEdit(this)),
      cmdOk_(new QPushButton(QStringLiteral("Ok"), this)) {
    setWindowTitle(QString());
    setFixedSize(TwipsToPixels(6315), TwipsToPixels(4185));

    txtGNU_->setGeometry(TwipsRect(120, 780, 6075, 2475));
    txtGNU_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The box only shows text: typing into it would trap Return and Tab, and Tab must reach Ok.
    txtGNU_->setReadOnly(true);
    txtGNU_->setTabChangesFocus(true);
    cmdOk_->setGeometry(TwipsRect(4860, 3360, 1395, 795));

    connect(cmdOk_, &QPushButton::clicked, this, &frmAbout::cmdOk_Click);
}

void frmAbout::cmdOk_Click() { accept(); }

// The text box and the button leave Escape unhandled, so it reaches the window from either.
void frmAbout::keyPressEvent(QKeyEvent* event) {
    Form_KeyDown(event->key(), event->modifiers());
    event->accept();
}

// Unlike QDialog's own handling, Enter does not press a default button here: only Escape acts.
void frmAbout::Form_KeyDown(int keyCode, Qt::KeyboardModifiers /*shift*/) {
    if (keyCode == Qt::Key_Escape) cmdOk_Click();
}
