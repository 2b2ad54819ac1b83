#include "editor/FindBar.h"

#include "editor/TextSearch.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>

namespace tbn::editor {

namespace {
QToolButton* Button(const QString& caption, const QString& name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(caption);
    button->setObjectName(name);
    button->setAutoRaise(true);
    return button;
}

QLineEdit* Field(const QString& name, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(name);
    field->setClearButtonEnabled(true);
    field->setMinimumWidth(80);
    return field;
}
}  // namespace

FindBar::FindBar(QPlainTextEdit* editor, QWidget* parent) : QWidget(parent), editor_(editor) {
    setObjectName(QStringLiteral("findBar"));
    setAutoFillBackground(true);
    findField_ = Field(QStringLiteral("txtFind"), this);
    replaceField_ = Field(QStringLiteral("txtReplace"), this);
    matchCase_ = new QCheckBox(QStringLiteral("Match case"), this);
    wholeWord_ = new QCheckBox(QStringLiteral("Whole word"), this);
    regex_ = new QCheckBox(QStringLiteral("Regular expression"), this);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("lblFindMessage"));
    QToolButton* previous = Button(QStringLiteral("Previous"), QStringLiteral("cmdPrevious"), this);
    QToolButton* next = Button(QStringLiteral("Next"), QStringLiteral("cmdNext"), this);
    QToolButton* close = Button(QStringLiteral("✕"), QStringLiteral("cmdCloseFind"), this);
    close->setToolTip(QStringLiteral("Close (Esc)"));
    QToolButton* replace = Button(QStringLiteral("Replace"), QStringLiteral("cmdReplace"), this);
    QToolButton* replaceAll =
        Button(QStringLiteral("Replace all"), QStringLiteral("cmdReplaceAll"), this);

    // Three short rows rather than one long one: the SQL pane may be narrow.
    auto* findRow = new QHBoxLayout;
    findRow->addWidget(new QLabel(QStringLiteral("Find:"), this));
    findRow->addWidget(findField_, 1);
    findRow->addWidget(previous);
    findRow->addWidget(next);
    findRow->addWidget(close);
    replaceRow_ = new QWidget(this);
    auto* replaceRow = new QHBoxLayout(replaceRow_);
    replaceRow->setContentsMargins(0, 0, 0, 0);
    replaceRow->addWidget(new QLabel(QStringLiteral("Replace:"), replaceRow_));
    replaceRow->addWidget(replaceField_, 1);
    replaceRow->addWidget(replace);
    replaceRow->addWidget(replaceAll);
    auto* optionsRow = new QHBoxLayout;
    optionsRow->addWidget(matchCase_);
    optionsRow->addWidget(wholeWord_);
    optionsRow->addWidget(regex_);
    optionsRow->addWidget(message_, 1);
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    rows->addLayout(findRow);
    rows->addWidget(replaceRow_);
    rows->addLayout(optionsRow);

    // Marks follow the text and the view, at most once per turn of the event loop: a replace
    // of thousands of matches changes the text thousands of times.
    auto* marksDue = new QTimer(this);
    marksDue->setSingleShot(true);
    marksDue->setInterval(0);
    connect(marksDue, &QTimer::timeout, this, &FindBar::UpdateMarks);
    auto later = [this, marksDue] {
        if (isVisible()) marksDue->start();
    };
    connect(editor_->document(), &QTextDocument::contentsChanged, this, later);
    connect(editor_->verticalScrollBar(), &QScrollBar::valueChanged, this, later);
    connect(findField_, &QLineEdit::textChanged, this, &FindBar::PatternChanged);
    for (QCheckBox* box : {matchCase_, wholeWord_, regex_})
        connect(box, &QCheckBox::toggled, this, &FindBar::PatternChanged);
    connect(findField_, &QLineEdit::returnPressed, this, &FindBar::FindNext);
    connect(replaceField_, &QLineEdit::returnPressed, this, &FindBar::ReplaceOne);
    connect(next, &QToolButton::clicked, this, &FindBar::FindNext);
    connect(previous, &QToolButton::clicked, this, &FindBar::FindPrevious);
    connect(replace, &QToolButton::clicked, this, &FindBar::ReplaceOne);
    connect(replaceAll, &QToolButton::clicked, this, &FindBar::ReplaceAll);
    connect(close, &QToolButton::clicked, this, &FindBar::CloseBar);
    hide();
}

void FindBar::OpenFind() { Open(false); }
void FindBar::OpenReplace() { Open(true); }

void FindBar::Open(bool replace) {
    const QString selected = editor_->textCursor().selectedText();
    // A selection of several lines is more likely the scope of a replace than its pattern.
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator)) {
        findField_->setText(regex_->isChecked() ? QRegularExpression::escape(selected) : selected);
    }
    replaceRow_->setVisible(replace);
    show();
    findField_->setFocus();
    findField_->selectAll();
    PatternChanged();
}

void FindBar::CloseBar() {
    hide();
    editor_->setFocus();
}

bool FindBar::ReplaceShown() const { return replaceRow_->isVisible(); }
QString FindBar::Message() const { return message_->text(); }

SearchOptions FindBar::Options() const {
    return {matchCase_->isChecked(), wholeWord_->isChecked(), regex_->isChecked()};
}

QString FindBar::PaneText() const {
    QString text = editor_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void FindBar::PatternChanged() {
    const QRegularExpression expression = SearchExpression(findField_->text(), Options());
    badExpression_ = !expression.isValid();
    if (badExpression_)
        message_->setText(QStringLiteral("Bad regular expression: ") + expression.errorString());
    else if (!findField_->text().isEmpty() && !FindForward(expression, PaneText(), 0))
        message_->setText(QStringLiteral("Not found"));
    else
        message_->clear();
    UpdateMarks();
}

void FindBar::UpdateMarks() {
    QList<QTextEdit::ExtraSelection> selections;
    for (const QTextEdit::ExtraSelection& other : editor_->extraSelections())
        if (!other.format.hasProperty(kMarkProperty)) selections.append(other);
    markCount_ = 0;
    const QRegularExpression expression = SearchExpression(findField_->text(), Options());
    if (isVisible() && expression.isValid() && !expression.pattern().isEmpty()) {
        // Only the lines on screen are searched: the text may be megabytes long.
        const QTextBlock first = editor_->cursorForPosition(QPoint(0, 0)).block();
        const QTextBlock last =
            editor_->cursorForPosition(QPoint(0, editor_->viewport()->height())).block();
        QString visible;
        for (QTextBlock block = first; block.isValid(); block = block.next()) {
            visible += block.text();
            if (block == last) break;
            visible += QLatin1Char('\n');
        }
        QTextCharFormat mark;
        mark.setBackground(QColor(255, 200, 0, 130));
        mark.setProperty(kMarkProperty, true);
        for (const Match& match : FindAll(expression, visible, 0, kMarkLimit)) {
            QTextEdit::ExtraSelection selection;
            selection.cursor = QTextCursor(editor_->document());
            selection.cursor.setPosition(first.position() + match.start);
            selection.cursor.setPosition(first.position() + match.start + match.length,
                                         QTextCursor::KeepAnchor);
            selection.format = mark;
            selections.append(selection);
            ++markCount_;
        }
    }
    editor_->setExtraSelections(selections);
}

void FindBar::SelectMatch(int start, int length) {
    QTextCursor cursor(editor_->document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    editor_->setTextCursor(cursor);
    editor_->ensureCursorVisible();
}

bool FindBar::FindNext() {
    const QRegularExpression expression = SearchExpression(findField_->text(), Options());
    const std::optional<Match> match =
        FindForward(expression, PaneText(), editor_->textCursor().selectionEnd());
    if (match) SelectMatch(match->start, match->length);
    return match.has_value();
}

bool FindBar::FindPrevious() {
    const QRegularExpression expression = SearchExpression(findField_->text(), Options());
    const std::optional<Match> match =
        FindBackward(expression, PaneText(), editor_->textCursor().selectionStart());
    if (match) SelectMatch(match->start, match->length);
    return match.has_value();
}

bool FindBar::ReplaceOne() {
    const QRegularExpression expression = SearchExpression(findField_->text(), Options());
    if (!expression.isValid() || expression.pattern().isEmpty()) return false;
    QTextCursor cursor = editor_->textCursor();
    if (cursor.hasSelection()) {
        const QRegularExpressionMatch match =
            expression.match(PaneText(), cursor.selectionStart(), QRegularExpression::NormalMatch,
                             QRegularExpression::AnchorAtOffsetMatchOption);
        if (match.hasMatch() && match.capturedEnd() == cursor.selectionEnd()) {
            cursor.insertText(ReplacementText(replaceField_->text(), match, regex_->isChecked()));
            editor_->setTextCursor(cursor);
        }
    }
    return FindNext();
}

int FindBar::ReplaceAll() {
    const QRegularExpression expression = SearchExpression(findField_->text(), Options());
    if (!expression.isValid() || expression.pattern().isEmpty()) return 0;
    struct Edit {
        int start;
        int end;
        QString text;
    };
    std::vector<Edit> edits;
    const QString text = PaneText();
    const QString replacement = replaceField_->text();
    const bool regex = regex_->isChecked();
    auto it = expression.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() == 0) continue;
        edits.push_back({static_cast<int>(match.capturedStart()),
                         static_cast<int>(match.capturedEnd()),
                         ReplacementText(replacement, match, regex)});
    }
    if (!edits.empty()) {
        // From the end backwards, so the positions still to come stay where they were found;
        // one edit block makes it one step to undo.
        QTextCursor cursor(editor_->document());
        cursor.beginEditBlock();
        for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
            cursor.setPosition(edit->start);
            cursor.setPosition(edit->end, QTextCursor::KeepAnchor);
            cursor.insertText(edit->text);
        }
        cursor.endEditBlock();
    }
    const int count = static_cast<int>(edits.size());
    message_->setText(count == 1 ? QStringLiteral("1 replaced")
                                 : QStringLiteral("%1 replaced").arg(count));
    return count;
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        CloseBar();
        return;
    }
    QWidget::keyPressEvent(event);
}

void FindBar::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    emit VisibilityChanged(true);
}

void FindBar::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    UpdateMarks();  // hidden: takes its marks away
    emit VisibilityChanged(false);
}

}  // namespace tbn::editor
