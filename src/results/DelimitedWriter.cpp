// CSV as PostgreSQL's COPY ... (FORMAT csv, HEADER) writes it, and the tab-separated form
// spreadsheets read: the same quoting with another separator.
#include "results/FormatWriters.h"
#include "results/OutputBuffer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
        // A row read from the store lies in one piece: one scan of it for what needs quoting
        // spares every value its own, and most rows hold nothing to quote.
        const char* rowEnd = values.empty() ? nullptr : values.front().text.data();
        const char* const rowBegin = rowEnd;
        bool inOnePiece = true;
        for (const CellValue& value : values) {
            inOnePiece &= value.text.data() == rowEnd;
            rowEnd = value.text.data() + value.text.size();
        }
        if (inOnePiece && rowBegin && !single_ && !AnySpecial(rowBegin, rowEnd)) {
            // Each value at most as bytea with its prefix, or as "", and its separator.
            char* at = out_.Reserve(2 * static_cast<std::size_t>(rowEnd - rowBegin) +
                                    4 * values.size() + 1);
            for (std::size_t i = 0; i < values.size(); ++i) {
                if (i) *at++ = separator_;
                at = Unquoted(at, values[i]);
            }
            *at++ = '\n';
            out_.Commit(at);
            out_.EndRecord();
            return;
        }
        // At most every byte doubled, its quotes and separator, and bytea's prefix.
        std::size_t bound = 1;
        for (const CellValue& value : values) bound += 2 * value.text.size() + 4;
        char* at = out_.Reserve(bound);
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i) *at++ = separator_;
            const CellValue& value = values[i];
            if (!value.null && !value.text.empty() && NeedsQuotes(value.text) &&
                !(copyCompatible_ && value.kind == core::ValueKind::Binary))
                at = Quoted(at, value.text);
            else
                at = Unquoted(at, value);
        }
        *at++ = '\n';
        out_.Commit(at);
        out_.EndRecord();
    }

    void End() override { out_.Flush(); }

private:
    // A value that needs no quotes: nothing for a null, bytea for COPY's binary values, "" for an
    // empty string where COPY must tell it from a null, else the text itself.
    char* Unquoted(char* at, const CellValue& value) const {
        if (value.null) return at;
        if (copyCompatible_ && value.kind == core::ValueKind::Binary) return Bytea(at, value.text);
        // COPY writes a null as nothing, so an empty string must be told apart from it; a
        // tab-separated sheet has no nulls to tell it from.
        if (value.text.empty()) return copyCompatible_ ? std::copy_n("\"\"", 2, at) : at;
        return CopyShort(at, value.text.data(), value.text.size());
    }

    // memcpy for the short values most cells hold, without a call: two overlapping moves of a
    // fixed size cover any length in their range.
    static char* CopyShort(char* at, const char* from, std::size_t n) {
        if (n >= 8) {
            if (n > 32) {
                std::memcpy(at, from, n);
            } else if (n > 16) {
                std::memcpy(at, from, 16);
                std::memcpy(at + n - 16, from + n - 16, 16);
            } else {
                std::memcpy(at, from, 8);
                std::memcpy(at + n - 8, from + n - 8, 8);
            }
        } else if (n >= 4) {
            std::memcpy(at, from, 4);
            std::memcpy(at + n - 4, from + n - 4, 4);
        } else {
            at[0] = from[0];
            at[n / 2] = from[n / 2];
            at[n - 1] = from[n - 1];
        }
        return at + n;
    }

    // Whether any byte of [begin, end) would need its value quoted.
    bool AnySpecial(const char* begin, const char* end) const {
        const auto size = static_cast<std::size_t>(end - begin);
#if defined(__SSE2__)
        if (size >= 16) {
            const __m128i separator = _mm_set1_epi8(separator_), quote = _mm_set1_epi8('"'),
                          lf = _mm_set1_epi8('\n'), cr = _mm_set1_epi8('\r');
            const auto special = [&](const char* at) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
                return _mm_movemask_epi8(_mm_or_si128(
                    _mm_or_si128(_mm_cmpeq_epi8(x, separator), _mm_cmpeq_epi8(x, quote)),
                    _mm_or_si128(_mm_cmpeq_epi8(x, lf), _mm_cmpeq_epi8(x, cr))));
            };
            // Sixteen bytes at a time, the last sixteen overlapping those before.
            for (const char* at = begin; end - at > 16; at += 16)
                if (special(at)) return true;
            return special(end - 16) != 0;
        }
#endif
        if (size >= 8) {
            for (std::size_t i = 0;; i += 8) {
                if (i + 8 > size) i = size - 8;
                if (Special(begin + i)) return true;
                if (i + 8 == size) return false;
            }
        }
        for (const char* at = begin; at != end; ++at)
            if (mustQuote_[static_cast<unsigned char>(*at)]) return true;
        return false;
    }

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
        if (AnySpecial(text.data(), text.data() + text.size())) return true;
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
