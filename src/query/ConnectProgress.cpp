#include "query/ConnectProgress.h"

#include "core/ShownText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tbn::query {

namespace {
// A one-time connection is named by its whole string; the box says which one, not all of it.
constexpr qsizetype kMaxShownText = 90;
}  // namespace

ConnectProgress::ConnectProgress(const QString& name, QWidget* frame) : QDialog(frame) {
    setObjectName(QStringLiteral("ConnectProgress"));
    setWindowTitle(QString());
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setModal(false);
    // Cut as a whole, so that a name cut short ends in the sentence's own ellipsis.
    auto* text = new QLabel(
        tbn::core::ShownText(QStringLiteral("Connecting to ") + name + QStringLiteral("\u2026"),
                             kMaxShownText),
        this);
    text->setTextFormat(Qt::PlainText);
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("ConnectCancel"));
    // The box may come up under the user's typing: neither a space nor Enter may give the
    // connection up, only a click, Escape or the close box.
    cancel_->setFocusPolicy(Qt::NoFocus);
    cancel_->setAutoDefault(false);
    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(text, 1);
    layout->addWidget(cancel_);
    connect(cancel_, &QPushButton::clicked, this, &ConnectProgress::CancelClicked);
}

void ConnectProgress::reject() { emit CancelClicked(); }

}  // namespace tbn::query
