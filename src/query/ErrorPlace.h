#pragma once
// Finding, in the query pane, the place an engine blamed for a failed run. Positions are those of
// the pane's text box: UTF-16 units of the text with CR LF line breaks, a CR LF counting two.
#include "core/Error.h"

#include <QString>
#include <cstddef>
#include <optional>
#include <string>

namespace tbn::query {

// The position in commandText of the character that starts at byteOffset of its UTF-8 form (the
// form the engine was given); the text's end when the offset lies past it.
int CommandPosition(const QString& commandText, std::size_t byteOffset);

struct LineColumn {
    int line = 1;    // from 1
    int column = 1;  // from 1, in the same units as positions
};
// A line ends at CR LF, a lone CR or a lone LF, as the pane shows them.
LineColumn LineAndColumnAt(const QString& text, int position);

// " (line L, column C)", as it is added to the failure's description.
QString PlaceSuffix(const LineColumn& place);
// The description with the place added to its first line: the lines after it (PostgreSQL's DETAIL
// and HINT) explain that line.
std::string DescriptionWithPlace(const std::string& description, const LineColumn& place);

// The object a failure says is missing, without its schema: "no such table: main.t" (SQLite),
// `relation "s.t" does not exist` (PostgreSQL) and "Table 'db.t' doesn't exist" (MariaDB) all give
// "t". Empty when the description names none.
QString MissingObjectName(const QString& description);

// Where name first stands as a whole word (in any letter case) in text between from and to: at its
// opening quote when it is quoted. Nothing when it does not stand there.
std::optional<int> WholeWordAt(const QString& text, int from, int to, const QString& name);

// How much of text, from position, the engine's complaint most likely concerns: a word, a quoted
// name or string, or else the one character there; 0 at a line's or the text's end.
int TokenLengthAt(const QString& text, int position);

// Where in commandText the engine put error: at the offset it gave, or else at the missing
// object's name within the statement it named. Nothing when it said neither.
std::optional<int> FailurePosition(const tbn::Error& error, const QString& commandText);

}  // namespace tbn::query
