// CSV as PostgreSQL's COPY ... (FORMAT csv, HEADER) writes it, and the tab-separated form
// spreadsheets read: the same quoting with another separator.
#include "results/FormatWriters.h"
#include "results/OutputBuffer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace tbn::results {

namespace {

// Whether any byte of word is c.
inline std::uint64_t HasByte(std::uint64_t word, char c) {
    constexpr std::uint64_t ones = 0x0101010101010101, highs = 0x8080808080808080;
    const std::uint64_t x = word ^ (ones * static_cast<unsigned char>(c));
    return (x - ones) & ~x & highs;
}

class DelimitedWriter final : public ResultWriter {
public:
    DelimitedWriter(ByteSink& sink, char separator, bool copyCompatible)
        : out_(sink), separator_(separator), copyCompatible_(copyCompatible) {
        for (const char c : {separator, '"', '\n', '\r'})
            mustQuote_[static_cast<unsigned char>(c)] = true;
    }

    void Begin(std::span<const std::string_view> names) override {
        single_ = names.size() == 1;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (i) out_.Append(separator_);
            const std::string_view name = names[i];
            if (!NeedsQuotes(name)) {
                out_.Append(name);
                continue;
            }
            char* at = out_.Reserve(2 * name.size() + 2);
            out_.Commit(Quoted(at, name));
        }
        out_.Append('\n');
    }

    void Row(std::span<const CellValue> values) override {
        // At most every byte doubled, its quotes and separator, and bytea's prefix.
        std::size_t bound = 1;
        for (const CellValue& value : values) bound += 2 * value.text.size() + 4;
        char* at = out_.Reserve(bound);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i) *at++ = separator_;
            const CellValue& value = values[i];
            if (value.null) continue;
            if (copyCompatible_ && value.kind == core::ValueKind::Binary) {
                at = Bytea(at, value.text);
            } else if (value.text.empty()) {
                // COPY writes a null as nothing, so an empty string must be told apart from it; a
                // tab-separated sheet has no nulls to tell it from.
                if (copyCompatible_) at = std::copy_n("\"\"", 2, at);
            } else if (!NeedsQuotes(value.text)) {
                std::memcpy(at, value.text.data(), value.text.size());
                at += value.text.size();
            } else {
                at = Quoted(at, value.text);
            }
        }
        *at++ = '\n';
        out_.Commit(at);
        out_.EndRecord();
    }

    void End() override { out_.Flush(); }

private:
    // Writes the text quoted, its quotes doubled; returns where it ended.
    static char* Quoted(char* at, std::string_view text) {
        *at++ = '"';
        for (const char c : text) {
            if (c == '"') *at++ = '"';
            *at++ = c;
        }
        *at++ = '"';
        return at;
    }

    bool NeedsQuotes(std::string_view text) const {
        // Eight bytes at a time, the last eight overlapping those before: an export spends much
        // of its time looking at every byte.
        if (text.size() >= 8) {
            for (std::size_t i = 0;; i += 8) {
                if (i + 8 > text.size()) i = text.size() - 8;
                if (Special(text.data() + i)) return true;
                if (i + 8 == text.size()) break;
            }
        } else {
            for (const char c : text)
                if (mustQuote_[static_cast<unsigned char>(c)]) return true;
        }
        // A line holding only \. ends COPY's data when it is read back, so COPY quotes it where
        // it would stand alone on a line: in a single-column result.
        return copyCompatible_ && single_ && text == "\\.";
    }

    // bytea the way COPY writes it, from the upper-case hexadecimal the store keeps.
    static char* Bytea(char* at, std::string_view hex) {
        *at++ = '\\';
        *at++ = 'x';
        for (const char c : hex) *at++ = c >= 'A' && c <= 'F' ? static_cast<char>(c + 32) : c;
        return at;
    }

    bool Special(const char* eight) const {
        std::uint64_t word;
        std::memcpy(&word, eight, sizeof word);
        return HasByte(word, separator_) | HasByte(word, '"') | HasByte(word, '\n') |
               HasByte(word, '\r');
    }

    OutputBuffer out_;
    char separator_;
    bool copyCompatible_;
    bool single_ = false;
    std::array<bool, 256> mustQuote_{};
};

}  // namespace

std::unique_ptr<ResultWriter> MakeCsvWriter(ByteSink& sink) {
    return std::make_unique<DelimitedWriter>(sink, ',', true);
}

std::unique_ptr<ResultWriter> MakeTsvWriter(ByteSink& sink) {
    return std::make_unique<DelimitedWriter>(sink, '\t', false);
}

}  // namespace tbn::results
