#include "editor/BracketMatch.h"

#include "editor/SqlHighlighter.h"
#include "editor/SqlScanner.h"

#include <QTextBlock>
#include <QTextDocument>

namespace tbn::editor {

namespace {

QChar PartnerOf(QChar c) {
    switch (c.unicode()) {
    case '(': return QLatin1Char(')');
    case ')': return QLatin1Char('(');
    case '{': return QLatin1Char('}');
    case '}': return QLatin1Char('{');
    default: return {};
    }
}

bool Opens(QChar c) { return c == QLatin1Char('(') || c == QLatin1Char('{'); }

// Each block scanned from the state the highlighter left on the block before it: the
// highlighter has coloured every block it shows, and those it has not yet reached count as code.
SqlScannedLine Scan(const QTextBlock& block) {
    return ScanSqlLine(block.text(), SqlHighlighter::StateBefore(block));
}

bool IsCodeBracket(const QTextBlock& block, int offset) {
    const QString text = block.text();
    if (offset < 0 || offset >= text.size() || PartnerOf(text[offset]).isNull()) return false;
    return IsCodeAt(Scan(block), offset);
}

std::optional<int> FindPartner(QTextBlock block, int offset) {
    const QChar own = block.text()[offset];
    const QChar partner = PartnerOf(own);
    const bool forward = Opens(own);
    int depth = 0;
    for (int lines = 0; block.isValid() && lines <= kBracketSearchLines; ++lines) {
        const QString text = block.text();
        const SqlScannedLine scanned = Scan(block);
        const int step = forward ? 1 : -1;
        for (int i = offset; i >= 0 && i < text.size(); i += step) {
            if (text[i] != own && text[i] != partner) continue;
            if (!IsCodeAt(scanned, i)) continue;
            if (text[i] == own)
                ++depth;
            else if (--depth == 0)
                return block.position() + i;
        }
        block = forward ? block.next() : block.previous();
        if (block.isValid()) offset = forward ? 0 : int(block.text().size()) - 1;
    }
    return std::nullopt;
}

}  // namespace

std::optional<BracketPair> MatchBracket(const QTextDocument& document, int caret) {
    for (const int position : {caret, caret - 1}) {
        if (position < 0) continue;
        const QTextBlock block = document.findBlock(position);
        if (!block.isValid()) continue;
        const int offset = position - block.position();
        if (!IsCodeBracket(block, offset)) continue;
        return BracketPair{position, FindPartner(block, offset)};
    }
    return std::nullopt;
}

}  // namespace tbn::editor
