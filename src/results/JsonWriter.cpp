// An array of objects, one per record, keyed by column name: what sqlite3 -json writes, so a
// result reads the same whichever of the two produced it.
#include "results/FormatWriters.h"
#include "results/OutputBuffer.h"

#include <string>
#include <vector>

namespace tbn::results {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// JSON's own number grammar: engines also write numbers it has no form for (NaN, Infinity, +1,
// .5), which then go as strings rather than make the document unreadable.
bool IsJsonNumber(std::string_view text) {
    std::size_t i = 0;
    const auto digits = [&] {
        const std::size_t from = i;
        while (i < text.size() && IsDigit(text[i])) ++i;
        return i > from;
    };
    if (i < text.size() && text[i] == '-') ++i;
    if (i < text.size() && text[i] == '0')
        ++i;
    else if (!digits())
        return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits()) return false;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        if (!digits()) return false;
    }
    return i == text.size();
}

void AppendString(std::string& out, std::string_view text) {
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t plain = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(text.substr(plain, i - plain));
        plain = i + 1;
        switch (c) {
        case '"': out.append("\\\""); break;
        case '\\': out.append("\\\\"); break;
        case '\n': out.append("\\n"); break;
        case '\r': out.append("\\r"); break;
        case '\t': out.append("\\t"); break;
        default:
            out.append("\\u00");
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    out.append(text.substr(plain));
    out.push_back('"');
}

class JsonWriter final : public ResultWriter {
public:
    explicit JsonWriter(ByteSink& sink) : out_(sink) {}

    void Begin(std::span<const std::string_view> names) override {
        // Each key is written once, with its quotes and colon, and reused for every record.
        keys_.clear();
        for (std::size_t i = 0; i < names.size(); ++i) {
            std::string key = i ? "," : "{";
            AppendString(key, names[i]);
            key.push_back(':');
            keys_.push_back(std::move(key));
        }
        out_.Append('[');
    }

    void Row(std::span<const CellValue> values) override {
        out_.Append(first_ ? "\n" : ",\n");
        first_ = false;
        scratch_.clear();
        for (std::size_t i = 0; i < values.size() && i < keys_.size(); ++i) {
            scratch_.append(keys_[i]);
            const CellValue& value = values[i];
            if (value.null)
                scratch_.append("null");
            else if (value.kind == core::ValueKind::Number && IsJsonNumber(value.text))
                scratch_.append(value.text);
            else
                AppendString(scratch_, value.text);  // Binary: its hexadecimal text
        }
        scratch_.append(keys_.empty() ? "{}" : "}");
        out_.Append(scratch_);
        out_.EndRecord();
    }

    void End() override {
        out_.Append(first_ ? "]\n" : "\n]\n");
        out_.Flush();
    }

private:
    OutputBuffer out_;
    std::vector<std::string> keys_;
    std::string scratch_;
    bool first_ = true;
};

}  // namespace

std::unique_ptr<ResultWriter> MakeJsonWriter(ByteSink& sink) {
    return std::make_unique<JsonWriter>(sink);
}

}  // namespace tbn::results
