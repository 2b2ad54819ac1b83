#include "editor/SqlEdit.h"

#include "editor/BracketMatch.h"
#include "editor/CompletionIndex.h"
#include "editor/LineEdits.h"
#include "editor/LineNumberGutter.h"
#include "editor/SqlHighlighter.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>

namespace tbn::editor {

namespace {

constexpr int kTabStopChars = 4;
constexpr int kGutterPadding = 6;

bool IsToggleComment(const QKeyEvent* key) {
    // Layouts where "/" needs Shift report Ctrl+Shift+/, so Shift does not matter.
    const auto mods = key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier);
    return key->key() == Qt::Key_Slash && mods == Qt::ControlModifier;
}

}  // namespace

SqlEdit::SqlEdit(QWidget* parent) : QPlainTextEdit(parent) {
    highlighter_ = new SqlHighlighter(document());
    gutter_ = new LineNumberGutter(this);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this, &SqlEdit::UpdateGutter);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, [this] {
        MarkBrackets();
        gutter_->update();  // the caret's line number is drawn apart
    });
    // A change of text can make or break a pair without moving the caret (an undo, a quote typed
    // before the bracket).
    connect(document(), &QTextDocument::contentsChanged, this, &SqlEdit::MarkBrackets);
    UpdateGutterWidth();
    UpdateTabStop();
    InitCompletion();
}

SqlEdit::~SqlEdit() = default;

int SqlEdit::GutterWidth() const {
    int digits = 1;
    for (int lines = std::max(1, blockCount()); lines >= 10; lines /= 10) ++digits;
    digits = std::max(digits, 3);  // no shift of the text while a short query grows
    return 2 * kGutterPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void SqlEdit::UpdateGutterWidth() {
    setViewportMargins(GutterWidth(), 0, 0, 0);
    PlaceGutter();
}

void SqlEdit::UpdateGutter(const QRect& rect, int dy) {
    if (dy)
        gutter_->scroll(0, dy);
    else
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
}

void SqlEdit::PlaceGutter() {
    const QRect area = contentsRect();
    gutter_->setGeometry(area.left(), area.top(), GutterWidth(), area.height());
}

void SqlEdit::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    PlaceGutter();
}

void SqlEdit::PaintGutter(QPaintEvent* event) {
    QPainter painter(gutter_);
    const QPalette& colours = palette();
    painter.fillRect(event->rect(), colours.color(QPalette::Window));
    painter.setFont(font());
    const int caretBlock = textCursor().blockNumber();
    const int width = gutter_->width() - kGutterPadding;
    const int lineHeight = fontMetrics().height();

    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int bottom = top + qRound(blockBoundingRect(block).height());
        if (block.isVisible() && bottom >= event->rect().top()) {
            const bool caret = block.blockNumber() == caretBlock;
            QFont numberFont = font();
            numberFont.setBold(caret);
            painter.setFont(numberFont);
            painter.setPen(
                colours.color(caret ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
            // Numbered from 1 by block, as the error place and Go to line count lines.
            painter.drawText(0, top, width, lineHeight, Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
    }
}

void SqlEdit::MarkBrackets() {
    QList<QTextEdit::ExtraSelection> marks;
    const std::optional<BracketPair> match = MatchBracket(*document(), textCursor().position());
    if (match) {
        const bool dark = palette().color(QPalette::Base).lightnessF() < 0.5;
        QTextCharFormat format;
        if (match->partner) {
            format.setBackground(dark ? QColor(70, 90, 120) : QColor(200, 225, 255));
            format.setFontWeight(QFont::Bold);
        } else {
            format.setBackground(dark ? QColor(120, 50, 50) : QColor(255, 200, 200));
        }
        for (const std::optional<int> at : {std::optional<int>(match->bracket), match->partner}) {
            if (!at) continue;
            QTextEdit::ExtraSelection mark;
            mark.cursor = QTextCursor(document());
            mark.cursor.setPosition(*at);
            mark.cursor.setPosition(*at + 1, QTextCursor::KeepAnchor);
            mark.format = format;
            mark.format.setProperty(kBracketMarkProperty, true);
            marks.append(mark);
        }
    }
    if (marks.isEmpty() && bracketMarks_.isEmpty()) return;
    bracketMarks_ = marks;
    // Other marks on the pane (the find bar's matches) stay.
    QList<QTextEdit::ExtraSelection> selections = marks;
    for (const QTextEdit::ExtraSelection& other : extraSelections())
        if (!other.format.hasProperty(kBracketMarkProperty)) selections.append(other);
    setExtraSelections(selections);
}

void SqlEdit::UpdateTabStop() {
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * kTabStopChars);
}

void SqlEdit::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        UpdateTabStop();
        UpdateGutterWidth();
        PlaceGutter();
    } else if (event->type() == QEvent::PaletteChange) {
        highlighter_->UsePalette(palette());
        MarkBrackets();
    }
}

bool SqlEdit::event(QEvent* event) {
    // Ctrl+/ is the pane's own while it has the focus, whatever a menu may bind to it, and so are
    // Ctrl+Space and the keys of an open completion list.
    if (event->type() == QEvent::ShortcutOverride &&
        (IsToggleComment(static_cast<QKeyEvent*>(event)) ||
         CompletionWantsKey(static_cast<QKeyEvent*>(event)))) {
        event->accept();
        return true;
    }
    return QPlainTextEdit::event(event);
}

void SqlEdit::keyPressEvent(QKeyEvent* event) {
    if (isReadOnly()) return QPlainTextEdit::keyPressEvent(event);
    if (CompletionKey(event)) return;
    completionEditing_ = true;
    EditKey(event);
    completionEditing_ = false;
    AfterKey(event);
}

void SqlEdit::EditKey(QKeyEvent* event) {
    const auto mods = event->modifiers() & ~Qt::KeypadModifier;
    if (IsToggleComment(event)) {
        ToggleLineComments(textCursor());
    } else if (event->key() == Qt::Key_Tab && mods == Qt::NoModifier &&
               SelectsSeveralLines(textCursor())) {
        IndentLines(textCursor());
    } else if (event->key() == Qt::Key_Backtab ||
               (event->key() == Qt::Key_Tab && mods == Qt::ShiftModifier)) {
        UnindentLines(textCursor());
    } else if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
               mods == Qt::NoModifier) {
        NewLineKeepingIndent(textCursor());
        ensureCursorVisible();
    } else {
        return QPlainTextEdit::keyPressEvent(event);
    }
    event->accept();
}

}  // namespace tbn::editor
