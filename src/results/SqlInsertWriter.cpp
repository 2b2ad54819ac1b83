// INSERT statements that recreate the rows when run on the engine they came from: names quoted
// for the dialect, text as string literals, numbers bare, binary values as the dialect's byte
// literal.
#include "results/FormatWriters.h"
#include "results/OutputBuffer.h"

#include <string>

namespace tbn::results {

namespace {

bool IsPlainNameChar(char c, bool first) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || u >= 0x80 ||
           (!first && ((c >= '0' && c <= '9') || c == '$'));
}

// Whether the name, as typed, is one or more dot-separated parts each plain or already quoted
// with the dialect's quote: then it is written as typed, so "sales"."Orders" or dbo.t stay what
// the user meant.
bool IsWrittenName(std::string_view name, char quote) {
    std::size_t i = 0;
    for (;;) {
        if (i < name.size() && name[i] == quote) {
            for (++i;; ++i) {
                if (i >= name.size()) return false;
                if (name[i] != quote) continue;
                if (i + 1 < name.size() && name[i + 1] == quote) {
                    ++i;
                    continue;
                }
                break;
            }
            ++i;
        } else {
            const std::size_t from = i;
            while (i < name.size() && IsPlainNameChar(name[i], i == from)) ++i;
            if (i == from) return false;
        }
        if (i == name.size()) return true;
        if (name[i++] != '.') return false;
    }
}

void AppendQuoted(std::string& out, std::string_view text, char quote) {
    out.push_back(quote);
    for (const char c : text) {
        if (c == quote) out.push_back(quote);
        out.push_back(c);
    }
    out.push_back(quote);
}

class SqlInsertWriter final : public ResultWriter {
public:
    SqlInsertWriter(const FormatOptions& options, ByteSink& sink)
        : out_(sink), dialect_(options.dialect),
          nameQuote_(options.dialect == SqlDialect::MySql ? '`' : '"') {
        const std::string_view table =
            options.tableName.empty() ? std::string_view("results") : options.tableName;
        prefix_ = "INSERT INTO ";
        if (IsWrittenName(table, nameQuote_))
            prefix_.append(table);
        else
            AppendQuoted(prefix_, table, nameQuote_);
    }

    void Begin(std::span<const std::string_view> names) override {
        prefix_.append(" (");
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i) prefix_.append(", ");
            AppendQuoted(prefix_, names[i], nameQuote_);
        }
        prefix_.append(") VALUES (");
        columns_ = names.size();
    }

    void Row(std::span<const CellValue> values) override {
        if (columns_ == 0) return;  // no statement can insert a row without columns
        out_.Append(prefix_);
        scratch_.clear();
        for (std::size_t i = 0; i < values.size() && i < columns_; ++i) {
            if (i) scratch_.append(", ");
            Literal(values[i]);
        }
        scratch_.append(");\n");
        out_.Append(scratch_);
        out_.EndRecord();
    }

    void End() override { out_.Flush(); }

private:
    void Literal(const CellValue& value) {
        if (value.null) {
            scratch_.append("NULL");
            return;
        }
        switch (value.kind) {
        case core::ValueKind::Number: Number(value.text); return;
        case core::ValueKind::Binary: Binary(value.text); return;
        case core::ValueKind::Text: Text(value.text); return;
        }
    }

    void Number(std::string_view text) {
        const bool numeric = !text.empty() &&
                             text.find_first_not_of("0123456789+-.eE") == std::string_view::npos &&
                             text.find_first_of("0123456789") != std::string_view::npos;
        if (numeric) {
            scratch_.append(text);
            return;
        }
        // SQLite reads a number too large for a double as infinity, its only way to write one.
        if (dialect_ == SqlDialect::Sqlite && (text == "Inf" || text == "-Inf")) {
            scratch_.append(text == "Inf" ? "9e999" : "-9e999");
            return;
        }
        // NaN, Infinity and the like: PostgreSQL takes them as quoted literals.
        Text(text);
    }

    void Binary(std::string_view hex) {
        if (dialect_ == SqlDialect::Postgres) {
            scratch_.append("'\\x").append(hex).append("'::bytea");
            return;
        }
        scratch_.append("X'").append(hex).push_back('\'');
    }

    void Text(std::string_view text) {
        scratch_.push_back('\'');
        for (const char c : text) {
            if (c == '\'') scratch_.push_back('\'');
            // MySQL and MariaDB read a backslash in a literal as an escape unless told otherwise.
            if (c == '\\' && dialect_ == SqlDialect::MySql) scratch_.push_back('\\');
            scratch_.push_back(c);
        }
        scratch_.push_back('\'');
    }

    OutputBuffer out_;
    SqlDialect dialect_;
    char nameQuote_;
    std::string prefix_;  // INSERT INTO <table> (<columns>) VALUES (
    std::size_t columns_ = 0;
    std::string scratch_;
};

}  // namespace

std::unique_ptr<ResultWriter> MakeSqlInsertWriter(const FormatOptions& options, ByteSink& sink) {
    return std::make_unique<SqlInsertWriter>(options, sink);
}

}  // namespace tbn::results
