#include "query/RunStatusBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tbn::query {

RunStatusBar::RunStatusBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("RunStatusBar"));
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("RunStatusText"));
    // A long message (a server's reason) must not make the window wider than the user made it.
    text_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    text_->setTextFormat(Qt::PlainText);  // a server's message is never markup
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("RunCancel"));
    cancel_->setFocusPolicy(Qt::NoFocus);  // the focus stays in the pane the user is working in
    cancel_->setVisible(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 1, 2, 1);
    layout->addWidget(text_, 1);
    layout->addWidget(cancel_);
    transaction_ = new QLabel(this);
    transaction_->setObjectName(QStringLiteral("TransactionMark"));
    transaction_->setTextFormat(Qt::PlainText);
    transaction_->hide();
    layout->addWidget(transaction_);
    rollBack_ = new QPushButton(QStringLiteral("Roll back"), this);
    rollBack_->setObjectName(QStringLiteral("TransactionRollBack"));
    rollBack_->setFocusPolicy(Qt::NoFocus);
    rollBack_->hide();
    layout->addWidget(rollBack_);
    connect(rollBack_, &QPushButton::clicked, this, &RunStatusBar::RollBackClicked);
    connect(cancel_, &QPushButton::clicked, this, &RunStatusBar::CancelClicked);
    // The height never changes with the text, so the panes above keep their place.
    setFixedHeight(cancel_->sizeHint().height() + 2);

    readOnly_ = new QLabel(QStringLiteral("Read only"), this);
    readOnly_->setObjectName(QStringLiteral("ReadOnlyMark"));
    readOnly_->setToolTip(QStringLiteral("The database refuses writes on this connection"));
    readOnly_->setFrameShape(QFrame::StyledPanel);
    readOnly_->setVisible(false);
    layout->insertWidget(1, readOnly_);
}

QString RunStatusBar::Text() const { return text_->text(); }

void RunStatusBar::ShowProgress(const QString& progress, bool canCancel) {
    const bool noticeFresh =
        !notice_.isEmpty() && noticeAge_.isValid() && noticeAge_.elapsed() < kNoticeMs;
    text_->setText(noticeFresh ? progress + QStringLiteral(". ") + notice_ : progress);
    cancel_->setVisible(true);
    cancel_->setEnabled(canCancel);
}

void RunStatusBar::ShowNotice(const QString& notice) {
    notice_ = notice;
    noticeAge_.start();
}

void RunStatusBar::ShowMessage(const QString& message) {
    notice_.clear();
    text_->setText(message);
    cancel_->setVisible(false);
}

void RunStatusBar::SetReadOnlyMark(bool shown) { readOnly_->setVisible(shown); }

bool RunStatusBar::ReadOnlyMarkShown() const { return !readOnly_->isHidden(); }

void RunStatusBar::ShowTransaction(const QString& mark, bool offerRollBack) {
    transaction_->setText(mark);
    transaction_->setVisible(!mark.isEmpty());
    rollBack_->setVisible(offerRollBack);
}

QString RunStatusBar::TransactionMark() const { return transaction_->text(); }

}  // namespace tbn::query
