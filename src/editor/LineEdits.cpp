#include "editor/LineEdits.h"

#include <QTextBlock>
#include <QTextDocument>
#include <functional>

namespace tbn::editor {

namespace {

const QString kCommentMarker = QStringLiteral("-- ");
const QString kIndent = QStringLiteral("    ");

int LeadingBlanks(const QString& text) {
    int i = 0;
    while (i < text.size() && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t'))) ++i;
    return i;
}

bool IsBlank(const QString& text) { return LeadingBlanks(text) == text.size(); }

// The blocks the selection touches; a selection that ends at a line's very start leaves that line
// out, as selecting whole lines with Shift+Down does.
std::pair<QTextBlock, QTextBlock> TouchedBlocks(const QTextCursor& cursor) {
    QTextDocument* document = cursor.document();
    const QTextBlock first = document->findBlock(cursor.selectionStart());
    QTextBlock last = document->findBlock(cursor.selectionEnd());
    if (cursor.hasSelection() && last != first && cursor.selectionEnd() == last.position())
        last = last.previous();
    return {first, last};
}

// Runs edit on each touched block, as one undo step. Edits go last line first so that earlier
// positions stay valid.
void EachLine(QTextCursor cursor,
              const std::function<void(QTextCursor&, const QTextBlock&)>& edit) {
    const auto [first, last] = TouchedBlocks(cursor);
    cursor.beginEditBlock();
    for (QTextBlock block = last;; block = block.previous()) {
        QTextCursor at(block);
        edit(at, block);
        if (block == first) break;
    }
    cursor.endEditBlock();
}

}  // namespace

bool SelectsSeveralLines(const QTextCursor& cursor) {
    if (!cursor.hasSelection()) return false;
    const auto [first, last] = TouchedBlocks(cursor);
    return first != last;
}

void ToggleLineComments(QTextCursor cursor) {
    bool allCommented = true;
    bool anyText = false;
    const auto [first, last] = TouchedBlocks(cursor);
    for (QTextBlock block = first;; block = block.next()) {
        const QString text = block.text();
        if (!IsBlank(text)) {
            anyText = true;
            if (!QStringView(text).mid(LeadingBlanks(text)).startsWith(u"--")) allCommented = false;
        }
        if (block == last) break;
    }
    if (!anyText) return;
    EachLine(cursor, [allCommented](QTextCursor& at, const QTextBlock& block) {
        const QString text = block.text();
        if (IsBlank(text)) return;
        const int blanks = LeadingBlanks(text);
        at.setPosition(block.position() + blanks);
        if (!allCommented) {
            at.insertText(kCommentMarker);
            return;
        }
        // "--" alone (typed without its space) comes off as well as "-- ".
        const int length = QStringView(text).mid(blanks).startsWith(kCommentMarker) ? 3 : 2;
        at.setPosition(block.position() + blanks + length, QTextCursor::KeepAnchor);
        at.removeSelectedText();
    });
}

void IndentLines(QTextCursor cursor) {
    EachLine(cursor, [](QTextCursor& at, const QTextBlock&) { at.insertText(kIndent); });
}

void UnindentLines(QTextCursor cursor) {
    EachLine(cursor, [](QTextCursor& at, const QTextBlock& block) {
        const QString text = block.text();
        int remove = 0;
        if (text.startsWith(QLatin1Char('\t')))
            remove = 1;
        else
            while (remove < kIndent.size() && remove < text.size() &&
                   text[remove] == QLatin1Char(' '))
                ++remove;
        if (remove == 0) return;
        at.setPosition(block.position() + remove, QTextCursor::KeepAnchor);
        at.removeSelectedText();
    });
}

void NewLineKeepingIndent(QTextCursor cursor) {
    const QTextBlock block = cursor.document()->findBlock(cursor.selectionStart());
    const QString text = block.text();
    // Blanks that the caret itself stands inside are copied only up to the caret.
    const int upTo = std::min<int>(LeadingBlanks(text), cursor.selectionStart() - block.position());
    cursor.beginEditBlock();
    cursor.insertText(QStringLiteral("\n") + text.left(upTo));
    cursor.endEditBlock();
}

}  // namespace tbn::editor
