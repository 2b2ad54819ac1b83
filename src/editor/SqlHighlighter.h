#pragma once
// Colours the SQL pane as it is typed. Formats are layout-only: the document's text and its
// character formats stay as they were, so saving, loading and copying give the same bytes.
//
// An edit colours its own lines at once, and the lines after it as far as what they start in
// changes (a comment opened or closed). A change of more than a screenful of lines (a file loaded,
// a large paste) colours its first lines at once and the rest in short slices from the event loop,
// so a large text shows without waiting for all of it to be coloured.
#include "editor/SqlScanner.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>
#include <array>

class QTextBlock;

namespace tbn::editor {

class SqlHighlighter : public QSyntaxHighlighter {
    Q_OBJECT
public:
    explicit SqlHighlighter(QTextDocument* document);
    ~SqlHighlighter() override;

    // Picks the colours for a light or dark base and colours the document again.
    void UsePalette(const QPalette& palette);

    const QTextCharFormat& FormatOf(SpanKind kind) const { return formats_[size_t(kind)]; }

    // True while lines of a large change still wait for their colours.
    bool IsColouring() const { return !pending_.isNull(); }

    // The state a block starts in: what the block before it left open (Code for the first).
    static SqlLineState StateBefore(const QTextBlock& block);

protected:
    void highlightBlock(const QString& text) override;

private:
    std::array<QTextCharFormat, 8> formats_;  // by SpanKind
    QTextCursor pending_;  // the first block still to colour; moves with edits above it
    QTimer slices_;

    void ContentsChanged(int from, int removed, int added);
    void ColourLater(const QTextBlock& from);
    void ColourSlice();
};

}  // namespace tbn::editor
