// A table in a minimal UTF-8 document: the clipboard's rich form, which a spreadsheet pastes as
// cells. A line break within a value is kept as <br>, which spreadsheets read as a break inside
// the cell rather than a new row.
#include "results/FormatWriters.h"
#include "results/OutputBuffer.h"

#include <string>

namespace tbn::results {

namespace {

void AppendEscaped(std::string& out, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (const char c = text[i]) {
        case '&': out.append("&amp;"); break;
        case '<': out.append("&lt;"); break;
        case '>': out.append("&gt;"); break;
        case '"': out.append("&quot;"); break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            [[fallthrough]];
        case '\n': out.append("<br>"); break;
        default: out.push_back(c);
        }
    }
}

class HtmlWriter final : public ResultWriter {
public:
    explicit HtmlWriter(ByteSink& sink) : out_(sink) {}

    void Begin(std::span<const std::string_view> names) override {
        scratch_ = "<html><head><meta charset=\"utf-8\"></head><body><table>\n<tr>";
        for (const std::string_view name : names) {
            scratch_.append("<th>");
            AppendEscaped(scratch_, name);
            scratch_.append("</th>");
        }
        scratch_.append("</tr>\n");
        out_.Append(scratch_);
    }

    void Row(std::span<const CellValue> values) override {
        scratch_ = "<tr>";
        for (const CellValue& value : values) {
            scratch_.append("<td>");
            AppendEscaped(scratch_, value.text);
            scratch_.append("</td>");
        }
        scratch_.append("</tr>\n");
        out_.Append(scratch_);
        out_.EndRecord();
    }

    void End() override {
        out_.Append("</table></body></html>\n");
        out_.Flush();
    }

private:
    OutputBuffer out_;
    std::string scratch_;
};

}  // namespace

std::unique_ptr<ResultWriter> MakeHtmlWriter(ByteSink& sink) {
    return std::make_unique<HtmlWriter>(sink);
}

}  // namespace tbn::results
