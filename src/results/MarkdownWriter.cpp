// A pipe table: a header row, its rule, a row per record. A cell must stay on its line and
// between its pipes, so line breaks become <br> and pipes are escaped.
#include "results/FormatWriters.h"
#include "results/OutputBuffer.h"

#include <string>

namespace tbn::results {

namespace {

class MarkdownWriter final : public ResultWriter {
public:
    explicit MarkdownWriter(ByteSink& sink) : out_(sink) {}

    void Begin(std::span<const std::string_view> names) override {
        std::string rule = "|";
        for (const std::string_view name : names) {
            Cell(name);
            rule.append(" --- |");
        }
        Close();
        out_.Append(rule);
        out_.Append('\n');
    }

    void Row(std::span<const CellValue> values) override {
        for (const CellValue& value : values) Cell(value.text);  // a null's text is empty
        Close();
        out_.EndRecord();
    }

    void End() override { out_.Flush(); }

private:
    void Cell(std::string_view text) {
        scratch_.append(scratch_.empty() ? "| " : " | ");
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '|') {
                scratch_.append("\\|");
            } else if (c == '\r' || c == '\n') {
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
                scratch_.append("<br>");
            } else {
                scratch_.push_back(c);
            }
        }
    }

    void Close() {
        scratch_.append(scratch_.empty() ? "|\n" : " |\n");
        out_.Append(scratch_);
        scratch_.clear();
    }

    OutputBuffer out_;
    std::string scratch_;
};

}  // namespace

std::unique_ptr<ResultWriter> MakeMarkdownWriter(ByteSink& sink) {
    return std::make_unique<MarkdownWriter>(sink);
}

}  // namespace tbn::results
