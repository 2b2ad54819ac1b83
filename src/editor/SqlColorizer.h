#pragma once
// SQL text to an RTF document with coloured words: a pure function of the text and a word
// classifier, so it runs without any window. Also the dotted word-list representation that the
// editor component keeps its vocabularies in.
#include <QString>
#include <functional>

namespace tbn::editor {

enum class WordStyle { Plain, Keyword, Literal, Dangerous, Function, Number };

// A word list is one string in which every word stands between two dots of its own
// (".select..from."). Words are stored as given; callers add lower-case words.
void AddDottedWord(QString& list, const QString& word);
// Case-insensitive membership. A word that itself contains a dot is never a member, so that
// "select." or "select..from" cannot match across the dots that separate the list's words.
bool DottedListContains(const QString& list, const QString& word);

// True when the whole word converts to a finite double, under the user's locale or, failing
// that, under the C locale without group separators (SQL writes 3.5 whatever the desktop's
// language). Leading and trailing whitespace inside the word (tabs) is tolerated as the
// conversion tolerates it; "inf", "nan" and out-of-range values such as 1e999 are not numbers.
bool IsNumericWord(const QString& word);

// The document: a three-line header (font table with Courier New, colour table of five entries,
// view and font-size controls), the body built line by line (lines split at CR LF only, words at
// single spaces), a CR LF, and "\par }" CR LF. Words keep their own spelling; backslash and
// braces are escaped; every other character, those beyond Latin-1 included, is copied unchanged.
using WordClassifier = std::function<WordStyle(const QString& word)>;
QString ColorizeSql(const QString& text, const WordClassifier& styleOf);

}  // namespace tbn::editor
