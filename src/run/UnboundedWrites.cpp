#include "run/UnboundedWrites.h"

#include "run/StatementScanner.h"

#include <QStringList>
#include <algorithm>
#include <atomic>
#include <initializer_list>
#include <utility>

namespace tbn::run {

namespace {

std::atomic<bool> askFirst{true};

enum class Kind { Word, QuotedName, Open, Close, Dot, Comma, Other };

struct Token {
    Kind kind = Kind::Other;
    int start = 0;
    int end = 0;
    int match = -1;  // of a "(": the index of its ")", or the statement's end when it has none
};

Kind KindOf(QChar first) {
    switch (first.unicode()) {
    case '(': return Kind::Open;
    case ')': return Kind::Close;
    case '.': return Kind::Dot;
    case ',': return Kind::Comma;
    case '"':
    case '`':
    case '[': return Kind::QuotedName;
    default: return Kind::Other;
    }
}

// One statement's tokens, read for how it begins and what belongs to it at its own depth.
class StatementReader {
public:
    StatementReader(const QString& text, std::vector<Token> tokens,
                    std::vector<UnboundedWrite>& found)
        : text_(text), tokens_(std::move(tokens)), found_(found) {
        std::vector<int> open;
        for (int k = 0; k < Size(); ++k) {
            if (tokens_[k].kind == Kind::Open) {
                open.push_back(k);
            } else if (tokens_[k].kind == Kind::Close && !open.empty()) {
                tokens_[open.back()].match = k;
                open.pop_back();
            }
        }
        for (const int k : open) tokens_[k].match = Size();
    }

    void Read() { Statement(0, Size()); }

    // A CREATE whose body is a BEGIN ... END block that the splitter cut at the ";" inside it.
    bool OpensBlock() const {
        if (!IsWord(0, "create")) return false;
        bool begun = false;
        for (int k = 0; k < Size(); k = Next(k)) {
            if (IsWord(k, "begin")) begun = true;
            if (IsWord(k, "end")) begun = false;
        }
        return begun;
    }
    bool StartsWith(const char* word) const { return IsWord(0, word); }

private:
    int Size() const { return static_cast<int>(tokens_.size()); }

    bool IsWord(int k, const char* word) const {
        return Is(k, Kind::Word) && Text(k).compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool IsWordIn(int k, std::initializer_list<const char*> words) const {
        for (const char* word : words)
            if (IsWord(k, word)) return true;
        return false;
    }
    bool Is(int k, Kind kind) const { return k >= 0 && k < Size() && tokens_[k].kind == kind; }
    QStringView Text(int k) const {
        return QStringView(text_).mid(tokens_[k].start, tokens_[k].end - tokens_[k].start);
    }
    // The next token at the same depth: a parenthesised part is stepped over whole.
    int Next(int k) const { return tokens_[k].kind == Kind::Open ? tokens_[k].match + 1 : k + 1; }

    void Statement(int k, int end) {
        if (IsWord(k, "explain")) {
            // EXPLAIN ANALYZE runs the statement it explains.
            bool runs = false;
            for (++k; IsWordIn(k, {"analyze", "analyse", "verbose"}) || Is(k, Kind::Open);
                 k = Next(k))
                for (int word = k; word < std::min(Next(k), end); ++word)
                    runs = runs || IsWordIn(word, {"analyze", "analyse"});
            if (!runs) return;
        }
        if (IsWord(k, "with")) k = MainStatementOfWith(k + 1, end);
        if (k >= end) return;
        if (IsWord(k, "delete"))
            Modification(k, end, QStringLiteral("DELETE without WHERE"));
        else if (IsWord(k, "update"))
            Modification(k, end, QStringLiteral("UPDATE without WHERE"));
        else if (IsWord(k, "truncate"))
            Removal(k + 1, end, QStringLiteral("TRUNCATE"));
        else if (IsWord(k, "drop"))
            Drop(k + 1, end);
    }

    // Reads each body of the WITH that starts at k as a statement of its own, and returns where
    // the statement the bodies serve begins.
    int MainStatementOfWith(int k, int end) {
        for (int before = -1; k < end; before = k, k = Next(k)) {
            if (Is(k, Kind::Open)) {
                if (IsWordIn(before, {"as", "materialized"}))
                    Statement(k + 1, std::min(tokens_[k].match, end));
                continue;
            }
            // A body's name may be one of these words too; it is followed by its column list or
            // AS, which the main statement's verb never is.
            const bool named = IsWord(k + 1, "as") ||
                               (Is(k + 1, Kind::Open) && !IsWordIn(k, {"select", "values"}));
            if (!named &&
                IsWordIn(k, {"select", "values", "insert", "update", "delete", "merge", "table"}))
                return k;
        }
        return end;
    }

    void Modification(int verb, int end, const QString& reason) {
        for (int k = verb + 1; k < end; k = Next(k))
            if (IsWord(k, "where")) return;
        int k = verb + 1;
        // What may stand between the verb and the table: MySQL's modifiers, SQLite's OR REPLACE,
        // T-SQL's TOP (n), and FROM and PostgreSQL's ONLY.
        while (k < end) {
            if (IsWordIn(k, {"low_priority", "quick", "ignore", "only"}) ||
                (IsWord(k, "from") && IsWord(verb, "delete")))
                k += 1;
            else if (IsWord(k, "or"))
                k += 2;
            else if (IsWord(k, "top") && Is(k + 1, Kind::Open))
                k = Next(k + 1);
            else
                break;
        }
        QString name = NameAt(k, end);
        if (name.isEmpty() && k < end) name = Text(k).toString();
        found_.push_back({name, reason});
    }

    void Drop(int k, int end) {
        if (IsWordIn(k, {"temporary", "temp"})) ++k;
        QString reason;
        if (IsWord(k, "table"))
            reason = QStringLiteral("DROP TABLE");
        else if (IsWord(k, "schema"))
            reason = QStringLiteral("DROP SCHEMA");
        else if (IsWord(k, "database"))
            reason = QStringLiteral("DROP DATABASE");
        else
            return;
        ++k;
        if (IsWord(k, "if") && IsWord(k + 1, "exists")) k += 2;
        Removal(k, end, reason);
    }

    // The list of names at k (after TRUNCATE's own TABLE and ONLY).
    void Removal(int k, int end, const QString& reason) {
        while (IsWordIn(k, {"table", "only"})) ++k;
        QStringList names;
        while (k < end) {
            const QString name = NameAt(k, end);
            if (name.isEmpty()) break;
            names << name;
            if (k < end && Text(k) == QLatin1String("*")) ++k;  // PostgreSQL's "and descendants"
            if (!Is(k, Kind::Comma)) break;
            ++k;
        }
        found_.push_back({names.join(QStringLiteral(", ")), reason});
    }

    // A name as written (parts that are words or quoted, joined by dots), stepped over.
    QString NameAt(int& k, int end) const {
        const int first = k;
        while (k < end && (Is(k, Kind::Word) || Is(k, Kind::QuotedName))) {
            ++k;
            if (!Is(k, Kind::Dot)) break;
            ++k;
        }
        if (k == first) return {};
        const int last = Is(k - 1, Kind::Dot) ? k - 2 : k - 1;
        return text_.mid(tokens_[first].start, tokens_[last].end - tokens_[first].start);
    }

    const QString& text_;
    std::vector<Token> tokens_;
    std::vector<UnboundedWrite>& found_;
};

}  // namespace

std::vector<UnboundedWrite> FindUnboundedWrites(const QString& text) {
    std::vector<UnboundedWrite> found;
    StatementScanner scanner(text);
    bool inBlock = false;  // the statements of a BEGIN ... END body, up to its END
    while (!scanner.AtEnd()) {
        std::vector<Token> tokens;
        bool ended = false;
        while (!ended && scanner.SkipBlanksAndComments()) {
            Token token;
            token.start = scanner.position();
            if (!scanner.TakeWord().isEmpty()) {
                token.kind = Kind::Word;
            } else {
                token.kind = KindOf(text[token.start]);
                ended = scanner.StepPiece();
            }
            token.end = scanner.position();
            if (!ended) tokens.push_back(token);
        }
        if (tokens.empty()) continue;
        StatementReader statement(text, std::move(tokens), found);
        if (inBlock) {
            inBlock = !statement.StartsWith("end");
        } else if (statement.OpensBlock()) {
            inBlock = true;
        } else {
            statement.Read();
        }
    }
    return found;
}

QString UnboundedWriteQuestion(const UnboundedWrite& write) {
    return QStringLiteral("This statement changes every row of %1 (%2). Run it?")
        .arg(write.name, write.reason);
}

bool AskBeforeUnboundedWrites() { return askFirst.load(std::memory_order_relaxed); }
void SetAskBeforeUnboundedWrites(bool ask) { askFirst.store(ask, std::memory_order_relaxed); }

}  // namespace tbn::run
