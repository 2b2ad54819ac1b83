#pragma once
// One line of SQL read into coloured spans, starting in the state the line before left, and the
// state it leaves for the next line: a pure function, so the live colouring and the bracket
// matching agree on what is code, and tests read it without a window.
#include "editor/SqlColorizer.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace tbn::editor {

enum class SpanKind { Keyword, Literal, Dangerous, Function, Number, String, QuotedName, Comment };

struct SqlSpan {
    int start = 0;
    int length = 0;
    SpanKind kind = SpanKind::Keyword;
    bool operator==(const SqlSpan&) const = default;
};

// What a line ends inside. Strings, "..", `..`, /* */ and $tag$ bodies go on past the line's end;
// a -- comment and a [..] name end with it (an unclosed [ is far likelier a typo or an array index
// than a name with a line break in it).
struct SqlLineState {
    enum Mode { Code, BlockComment, String, DoubleQuoted, Backticked, DollarBody };
    Mode mode = Code;
    QString dollarTag;  // the tag between the dollars of the body still open, without them
    bool operator==(const SqlLineState&) const = default;
};

struct SqlScannedLine {
    QList<SqlSpan> spans;  // in order, not overlapping; plain code has no span
    SqlLineState end;
};

SqlScannedLine ScanSqlLine(QStringView line, const SqlLineState& start);

// False inside a string, quoted name or comment (delimiters included).
bool IsCodeAt(const SqlScannedLine& scanned, int position);

}  // namespace tbn::editor
