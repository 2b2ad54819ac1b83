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
// Lines coloured at once after a change (a screenful and more), and per slice after that: colouring
// a line on its own costs about 25 us here, so a slice stays within a frame.
constexpr int kLinesAtOnce = 300;
constexpr int kLinesPerSlice = 400;

// Code is -1, the state of a block never coloured: colouring a line that ends in code then leaves
// the next line's state as it was, so the highlighter stops there instead of running on through
// a freshly loaded text.
int EncodeState(const SqlLineState& state) {
    if (state.mode == SqlLineState::Code) return -1;
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
    // Changes come to ContentsChanged instead of the base class, which would colour all of a large
    // change before the pane could paint it.
    disconnect(document, &QTextDocument::contentsChange, this, nullptr);
    connect(document, &QTextDocument::contentsChange, this, &SqlHighlighter::ContentsChanged);
    slices_.setInterval(0);
    connect(&slices_, &QTimer::timeout, this, &SqlHighlighter::ColourSlice);
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
    if (document()) ColourLater(document()->firstBlock());
}

void SqlHighlighter::ContentsChanged(int from, int removed, int added) {
    QTextDocument* doc = document();
    QTextBlock block = doc->findBlock(from);
    // A removal that joined lines leaves the joined line one position further on.
    const QTextBlock last = doc->findBlock(from + added + (removed > 0 ? 1 : 0));
    for (int lines = 0; block.isValid(); ++lines, block = block.next()) {
        if (lines == kLinesAtOnce) {
            ColourLater(block);
            return;
        }
        rehighlightBlock(block);
        if (block == last) return;
    }
}

void SqlHighlighter::ColourLater(const QTextBlock& from) {
    if (pending_.isNull() || from.position() < pending_.position()) {
        pending_ = QTextCursor(from);
        ColourSlice();  // the first lines at once, for the screen about to be painted
    }
    if (!pending_.isNull()) slices_.start();
}

void SqlHighlighter::ColourSlice() {
    QTextBlock block = pending_.block();
    for (int lines = 0; block.isValid() && lines < kLinesPerSlice; ++lines, block = block.next())
        rehighlightBlock(block);
    if (block.isValid()) {
        pending_.setPosition(block.position());
    } else {
        pending_ = QTextCursor();
        slices_.stop();
    }
}

SqlLineState SqlHighlighter::StateBefore(const QTextBlock& block) {
    const QTextBlock previous = block.previous();
    if (!previous.isValid()) return {};
    const int state = previous.userState();
    if (state < 0) return {};
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
