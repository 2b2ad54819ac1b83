#include "editor/tbnSqlEditor.h"

#include "editor/SqlColorizer.h"
#include "editor/SqlWords.h"

#include <QPlainTextEdit>

using tbn::editor::AddDottedWord;
using tbn::editor::DottedListContains;
using tbn::editor::WordStyle;

tbnSqlEditor::tbnSqlEditor() { FillKeywords(); }

tbnSqlEditor::~tbnSqlEditor() = default;

// Binding deliberately installs no handlers: the pane stays a plain text box whose typing,
// clicks and commands belong to the query window alone.
void tbnSqlEditor::InitEditor(QPlainTextEdit* objRTF) { MyRtf_ = objRTF; }

void tbnSqlEditor::RedrawLines() {}

QString tbnSqlEditor::Colorize(const QString& strRTF) const {
    // The first list that holds a word decides its style; numbers come last.
    return tbn::editor::ColorizeSql(strRTF, [this](const QString& word) {
        if (IsKeyword(word)) return WordStyle::Keyword;
        if (IsLiteral(word)) return WordStyle::Literal;
        if (IsDangerous(word)) return WordStyle::Dangerous;
        if (IsFunction(word)) return WordStyle::Function;
        if (tbn::editor::IsNumericWord(word)) return WordStyle::Number;
        return WordStyle::Plain;
    });
}

void tbnSqlEditor::FillKeywords() {
    strKeywords_.clear();
    strLiterals_.clear();
    strDangerous_.clear();
    strFunctions_.clear();

    for (const char* word : tbn::editor::SqlKeywords()) AddKeyword(QString::fromLatin1(word));
    for (const char* word : tbn::editor::SqlDangerous()) AddDangerous(QString::fromLatin1(word));
    for (const char* word : tbn::editor::SqlFunctions()) AddFunction(QString::fromLatin1(word));
    for (const char* word : tbn::editor::SqlLiterals()) AddLiteral(QString::fromLatin1(word));
}

void tbnSqlEditor::AddKeyword(const QString& word) { AddDottedWord(strKeywords_, word); }
void tbnSqlEditor::AddLiteral(const QString& word) { AddDottedWord(strLiterals_, word); }
void tbnSqlEditor::AddDangerous(const QString& word) { AddDottedWord(strDangerous_, word); }
void tbnSqlEditor::AddFunction(const QString& word) { AddDottedWord(strFunctions_, word); }

bool tbnSqlEditor::IsKeyword(const QString& word) const {
    return DottedListContains(strKeywords_, word);
}
bool tbnSqlEditor::IsLiteral(const QString& word) const {
    return DottedListContains(strLiterals_, word);
}
bool tbnSqlEditor::IsDangerous(const QString& word) const {
    return DottedListContains(strDangerous_, word);
}
bool tbnSqlEditor::IsFunction(const QString& word) const {
    return DottedListContains(strFunctions_, word);
}
