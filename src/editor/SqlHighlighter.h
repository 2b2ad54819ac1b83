#pragma once
// Colours the SQL pane as it is typed. Formats are layout-only: the document's text and its
// character formats stay as they were, so saving, loading and copying give the same bytes.
#include "editor/SqlScanner.h"

#include <QSyntaxHighlighter>
#include <QTextCharFormat>
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

    // The state a block starts in: what the block before it left open (Code for the first).
    static SqlLineState StateBefore(const QTextBlock& block);

protected:
    void highlightBlock(const QString& text) override;

private:
    std::array<QTextCharFormat, 8> formats_;  // by SpanKind
};

}  // namespace tbn::editor
