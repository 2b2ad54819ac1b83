#pragma once
// Searching a text the way the find bar offers it, as plain functions over a QString. The
// patterns a user types become one regular expression, so plain words, whole words and regular
// expressions are found, counted and replaced alike.
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <optional>

namespace tbn::editor {

struct SearchOptions {
    bool matchCase = false;
    bool wholeWord = false;
    bool regularExpression = false;
};

struct Match {
    int start = 0;
    int length = 0;
    friend bool operator==(const Match&, const Match&) = default;
};

// The expression the pattern stands for; not valid (errorString() says why) when a regular
// expression does not compile. An empty pattern gives an empty, valid expression that finds
// nothing.
QRegularExpression SearchExpression(const QString& pattern, const SearchOptions& options);

// The non-empty matches of expression in text from `from` on, at most `limit` of them (a
// negative limit: all). Empty matches are passed over: they cannot be shown nor replaced.
QList<Match> FindAll(const QRegularExpression& expression, const QString& text, int from = 0,
                     int limit = -1);

// The first match starting at or after `from`, else the first of the text (the search wraps).
std::optional<Match> FindForward(const QRegularExpression& expression, const QString& text,
                                 int from);
// The last match ending at or before `to`, else the last of the text.
std::optional<Match> FindBackward(const QRegularExpression& expression, const QString& text,
                                  int to);

// What a match is replaced with: `replacement` as it stands, or, for a regular expression, with
// \0..\99 standing for the groups of match and \\ for a backslash.
QString ReplacementText(const QString& replacement, const QRegularExpressionMatch& match,
                        bool regularExpression);

}  // namespace tbn::editor
