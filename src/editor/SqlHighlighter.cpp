#include "editor/SqlHighlighter.h"

#include <QPalette>
#include <QTextBlock>
#include <QTextBlockUserData>

namespace tbn::editor {

namespace {

// A $tag$ body's tag rides on the block; the integer state only says a body is open. The state also
// carries a hash of the tag, so that changing the tag makes the highlighter carry on to the next
// block (it stops where a block's state comes out unchanged).
class DollarTagData : public QTextBlockUserData {
public:
    explicit DollarTagData(QString tag) : tag(std::move(tag)) {}
    QString tag;
};

constexpr int kDollarBase = 16;

int EncodeState(const SqlLineState& state) {
    if (state.mode != SqlLineState::DollarBody) return int(state.mode);
    return kDollarBase + int(qHash(state.dollarTag) & 0xffffff);
}

struct Colour {
    int r, g, b;
    bool bold = false;
    bool italic = false;
};

// By SpanKind. The light set is the RTF colouring's own; the dark set keeps each hue, lightened.
constexpr Colour kLight[] = {
    {0, 0, 255, true}, {255, 0, 255}, {255, 0, 0, true}, {0, 100, 100, true},
    {0, 100, 0},       {163, 21, 21}, {128, 64, 0},      {110, 110, 110, false, true}};
constexpr Colour kDark[] = {
    {110, 160, 255, true}, {255, 130, 255}, {255, 100, 100, true}, {80, 200, 200, true},
    {150, 215, 130},       {230, 160, 120}, {220, 190, 120},       {150, 150, 150, false, true}};

}  // namespace

SqlHighlighter::SqlHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    UsePalette(QPalette());
}

SqlHighlighter::~SqlHighlighter() = default;

void SqlHighlighter::UsePalette(const QPalette& palette) {
    const bool dark = palette.color(QPalette::Base).lightnessF() < 0.5;
    const Colour* colours = dark ? kDark : kLight;
    for (size_t i = 0; i < formats_.size(); ++i) {
        QTextCharFormat format;
        format.setForeground(QColor(colours[i].r, colours[i].g, colours[i].b));
        if (colours[i].bold) format.setFontWeight(QFont::Bold);
        if (colours[i].italic) format.setFontItalic(true);
        formats_[i] = format;
    }
    if (document()) rehighlight();
}

SqlLineState SqlHighlighter::StateBefore(const QTextBlock& block) {
    const QTextBlock previous = block.previous();
    if (!previous.isValid()) return {};
    const int state = previous.userState();
    if (state <= 0) return {};
    if (state < kDollarBase) return {SqlLineState::Mode(state), {}};
    const auto* data = static_cast<const DollarTagData*>(previous.userData());
    return {SqlLineState::DollarBody, data ? data->tag : QString()};
}

void SqlHighlighter::highlightBlock(const QString& text) {
    const SqlScannedLine scanned = ScanSqlLine(text, StateBefore(currentBlock()));
    for (const SqlSpan& span : scanned.spans)
        setFormat(span.start, span.length, formats_[size_t(span.kind)]);
    if (scanned.end.mode == SqlLineState::DollarBody)
        setCurrentBlockUserData(new DollarTagData(scanned.end.dollarTag));
    else if (currentBlockUserData())
        setCurrentBlockUserData(nullptr);
    setCurrentBlockState(EncodeState(scanned.end));
}

}  // namespace tbn::editor
