// The formats' own rules, one table of cases each; the routes through real engines are in
// ResultRoutesTest.
#include "WriterTestSupport.h"

#include "core/Error.h"
#include "core/ErrorCodes.h"
#include "results/OutputBuffer.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tbn::test {
namespace {

using core::ValueKind;
using results::CellValue;
using results::FormatOptions;
using results::ResultFormat;
using results::SqlDialect;

struct Case {
    std::optional<std::string_view> value;  // nullopt: null
    ValueKind kind;
    std::string_view written;  // what the format writes for it
};

constexpr auto Text = ValueKind::Text;
constexpr auto Number = ValueKind::Number;
constexpr auto Binary = ValueKind::Binary;

// One record per case, a single column named "v".
std::string WriteCases(ResultFormat format, const std::vector<Case>& cases,
                       const FormatOptions& options = {}) {
    StringSink sink;
    const auto writer = results::MakeResultWriter(format, options, sink);
    const std::string_view names[] = {"v"};
    writer->Begin(names);
    for (const Case& c : cases) {
        const CellValue value{c.value.value_or(""), !c.value, c.kind};
        writer->Row({&value, 1});
    }
    writer->End();
    return sink.text;
}

// Lines of the output, the header's (and its rule's) left out.
std::vector<std::string> Records(const std::string& text, std::size_t headerLines) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(headerLines));
    return lines;
}

void ExpectEachWritten(ResultFormat format, const std::vector<Case>& cases, std::size_t headerLines,
                       const std::string& before = {}, const std::string& after = {}) {
    const std::vector<std::string> records = Records(WriteCases(format, cases), headerLines);
    ASSERT_GE(records.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(records[i], before + std::string(cases[i].written) + after)
            << "case " << i << ": " << cases[i].value.value_or("NULL");
}

TEST(ResultWriter, TsvQuotesOnlyWhatWouldBreakALineOrAField) {
    // Cases with a line break are written last: their records span two lines.
    ExpectEachWritten(ResultFormat::Tsv,
                      {{"plain, with comma", Text, "plain, with comma"},
                       {"a\tb", Text, "\"a\tb\""},
                       {"say \"hi\"", Text, "\"say \"\"hi\"\"\""},
                       {std::nullopt, Text, ""},
                       {"", Text, ""},
                       {"-1.5", Number, "-1.5"},
                       {"0AFF", Binary, "0AFF"},
                       {"cr\r", Text, "\"cr\r\""}},
                      1);
    EXPECT_EQ(WriteCases(ResultFormat::Tsv, {{"two\nlines", Text, ""}}), "v\n\"two\nlines\"\n");
}

TEST(ResultWriter, MarkdownKeepsEachCellOnItsLineAndBetweenItsPipes) {
    EXPECT_TRUE(WriteCases(ResultFormat::Markdown, {}).starts_with("| v |\n| --- |\n"));
    ExpectEachWritten(ResultFormat::Markdown,
                      {{"a|b", Text, "a\\|b"},
                       {"one\r\ntwo\nthree\rfour", Text, "one<br>two<br>three<br>four"},
                       {std::nullopt, Text, ""},
                       {"12", Number, "12"}},
                      2, "| ", " |");
}

TEST(ResultWriter, HtmlEscapesMarkupAndKeepsLineBreaks) {
    const std::string whole = WriteCases(ResultFormat::Html, {});
    EXPECT_NE(whole.find("<meta charset=\"utf-8\">"), std::string::npos);
    EXPECT_NE(whole.find("<tr><th>v</th></tr>"), std::string::npos);
    ExpectEachWritten(ResultFormat::Html,
                      {{"<a href=\"x\">&</a>", Text, "&lt;a href=&quot;x&quot;&gt;&amp;&lt;/a&gt;"},
                       {"one\ntwo\r\nthree", Text, "one<br>two<br>three"},
                       {std::nullopt, Text, ""},
                       {"Grüße 日本", Text, "Grüße 日本"}},
                      2, "<tr><td>", "</td></tr>");
}

TEST(ResultWriter, JsonWritesNumbersBareOnlyWhenJsonCanHoldThem) {
    const std::vector<Case> cases = {
        {"42", Number, "42"},
        {"-0.5e-3", Number, "-0.0005"},
        {"9007199254740993", Number, "9007199254740993"},
        {"NaN", Number, "\"NaN\""},
        {"-Infinity", Number, "\"-Infinity\""},
        {".5", Number, "\".5\""},
        {"42", Text, "\"42\""},
        {"00FF", Binary, "\"00FF\""},
        {"q\"\\\n\t\x01 end", Text, "\"q\\\"\\\\\\n\\t\\u0001 end\""},
        {std::nullopt, Number, "null"},
    };
    QJsonParseError error{};
    const QJsonDocument written = QJsonDocument::fromJson(
        QByteArray::fromStdString(WriteCases(ResultFormat::Json, cases)), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
    ASSERT_EQ(written.array().size(), static_cast<qsizetype>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const QByteArray expected =
            "{\"v\":" +
            QByteArray(cases[i].written.data(), static_cast<qsizetype>(cases[i].written.size())) +
            "}";
        EXPECT_EQ(written.array()[static_cast<qsizetype>(i)].toObject(),
                  QJsonDocument::fromJson(expected).object())
            << "case " << i;
    }
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(WriteCases(ResultFormat::Json, {})))
                  .array()
                  .size(),
              0);
}

TEST(ResultWriter, SqlInsertKeepsATypedTableNameAndQuotesAnyOther) {
    struct NameCase {
        std::string typed;
        SqlDialect dialect;
        std::string_view written;
    };
    const NameCase names[] = {
        {"orders", SqlDialect::Sqlite, "orders"},
        {"sales.Orders_2", SqlDialect::Postgres, "sales.Orders_2"},
        {"\"my \"\"t\"\"\".x", SqlDialect::Postgres, "\"my \"\"t\"\"\".x"},
        {"my table", SqlDialect::Postgres, "\"my table\""},
        {"a\"b", SqlDialect::Sqlite, "\"a\"\"b\""},
        {"`db`.t", SqlDialect::MySql, "`db`.t"},
        {"my`t", SqlDialect::MySql, "`my``t`"},
        {"s.", SqlDialect::Sqlite, "\"s.\""},
        {"2x", SqlDialect::Sqlite, "\"2x\""},
    };
    for (const NameCase& name : names) {
        const std::string text =
            WriteCases(ResultFormat::SqlInsert, {{"1", Number, ""}}, {name.typed, name.dialect});
        EXPECT_TRUE(text.starts_with("INSERT INTO " + std::string(name.written) + " ("))
            << name.typed << " gives " << text;
    }
}

TEST(ResultWriter, SqlInsertLiteralsFollowTheDialect) {
    struct LiteralCase {
        Case value;
        SqlDialect dialect;
    };
    const LiteralCase cases[] = {
        {{"it's", Text, "'it''s'"}, SqlDialect::Sqlite},
        {{"a\\b", Text, "'a\\b'"}, SqlDialect::Postgres},
        {{"a\\b", Text, "'a\\\\b'"}, SqlDialect::MySql},
        {{"-1.5e+20", Number, "-1.5e+20"}, SqlDialect::Postgres},
        {{"NaN", Number, "'NaN'"}, SqlDialect::Postgres},
        {{"-Inf", Number, "-9e999"}, SqlDialect::Sqlite},
        {{"00FF", Binary, "X'00FF'"}, SqlDialect::Sqlite},
        {{"00FF", Binary, "X'00FF'"}, SqlDialect::MySql},
        {{"00FF", Binary, "'\\x00FF'::bytea"}, SqlDialect::Postgres},
        {{std::nullopt, Text, "NULL"}, SqlDialect::MySql},
    };
    for (const LiteralCase& c : cases) {
        const std::string text = WriteCases(ResultFormat::SqlInsert, {c.value}, {"t", c.dialect});
        const std::string column = c.dialect == SqlDialect::MySql ? "`v`" : "\"v\"";
        EXPECT_EQ(text, "INSERT INTO t (" + column + ") VALUES (" + std::string(c.value.written) +
                            ");\n");
    }
}

TEST(ResultWriter, WriteViewWritesTheBlockInTheOrderShown) {
    // Laid out as a grid holds a result: names in row 0, record numbers in column 0.
    auto store = std::make_shared<results::CellStore>(1, 4);
    const std::vector<std::optional<std::string_view>> header{"", "a", "b", "c"};
    store->WriteRowAndAppend(0, {0, header});
    for (int r = 1; r <= 4; ++r) {
        const std::string n = std::to_string(r);
        const std::string a = "a" + n, b = "b" + n, c = "c" + n;
        const std::vector<std::optional<std::string_view>> row{n, a, b, c};
        store->WriteRowAndAppend(r, {0, row});
    }
    const results::ResultView view{
        store,
        std::make_shared<const std::vector<std::int64_t>>(std::vector<std::int64_t>{4, 2, 3, 1}),
        4};
    StringSink sink;
    const auto writer = results::MakeResultWriter(ResultFormat::Tsv, {}, sink);
    EXPECT_TRUE(results::WriteView(view, {1, 3, 1, 3}, *writer));
    EXPECT_EQ(sink.text, "b\tc\nb2\tc2\nb3\tc3\n");

    StringSink stopped;
    const auto stoppedWriter = results::MakeResultWriter(ResultFormat::Tsv, {}, stopped);
    EXPECT_FALSE(results::WriteView(view, results::ViewBlock::Whole(view), *stoppedWriter,
                                    [](std::int64_t) { return false; }));
}

// Fails on its second chunk, as a disk that fills up.
class FillingSink final : public results::ByteSink {
public:
    void Write(std::string_view bytes) override {
        if (++writes == 2) throw tbn::Error(ErrorCode::DiskFull, "Disk full");
        text.append(bytes);
    }
    int writes = 0;
    std::string text;
};

TEST(ResultWriter, WriteViewGivesWhatTheWriterMakesOfEachRecordAndStopsOnAFailingSink) {
    // Records as a store keeps them (its narrow and wide rows, nulls, empty strings, binary
    // values, text that must be quoted), written past a chunk so the sink's thread takes part:
    // the same bytes as each record handed to the writer with each value's text on its own.
    const int columns = 3;
    auto store = std::make_shared<results::CellStore>(1, columns + 1);
    std::vector<std::string> texts(static_cast<std::size_t>(columns));
    std::vector<std::optional<std::string_view>> values(static_cast<std::size_t>(columns) + 1);
    std::vector<ValueKind> kinds(values.size(), Text);
    const int records = 12000;
    for (int r = 0; r <= records; ++r) {
        for (int c = 0; c < columns; ++c) {
            const int pick = (r * 7 + c * 3) % 11;
            std::string& text = texts[static_cast<std::size_t>(c)];
            text = pick == 0   ? std::string()
                   : pick == 1 ? "a,b"
                   : pick == 2 ? "say \"hi\"\n"
                   : pick == 3 ? std::string(r % 997 == 0 ? 70000 : 300, 'x')
                               : std::to_string(r * 31 + c);
            values[static_cast<std::size_t>(c) + 1] =
                pick == 4 && r ? std::nullopt : std::optional<std::string_view>(text);
            kinds[static_cast<std::size_t>(c) + 1] =
                r && pick == 5 ? Binary : (r && pick > 5 ? Number : Text);
        }
        store->WriteRowAndAppend(r, {0, values, kinds});
    }
    const results::ResultView view{store, nullptr, records};
    for (const ResultFormat format : {ResultFormat::Csv, ResultFormat::Tsv}) {
        for (const results::ViewBlock block :
             {results::ViewBlock::Whole(view), results::ViewBlock{5, 9000, 1, 3}}) {
            StringSink cellByCell;
            const auto writer = results::MakeResultWriter(format, {}, cellByCell);
            std::vector<std::string_view> names;
            for (auto c = block.firstColumn; c < block.endColumn; ++c)
                names.push_back(store->Cell(0, c + 1));
            writer->Begin(names);
            std::vector<CellValue> record(names.size());
            std::vector<std::string> apart(names.size());  // each value's text on its own
            for (auto r = block.firstRecord; r < block.endRecord; ++r) {
                store->ReadRow(r + 1, block.firstColumn + 1, record);
                for (std::size_t c = 0; c < record.size(); ++c)
                    record[c].text = apart[c] = record[c].text;
                writer->Row(record);
            }
            writer->End();
            ASSERT_GT(cellByCell.text.size(), results::OutputBuffer::kChunkBytes);
            EXPECT_EQ(WriteWhole(view, format, {}, block), cellByCell.text)
                << "format " << static_cast<int>(format) << ", first column " << block.firstColumn;
        }
    }
    FillingSink full;
    const auto writer = results::MakeResultWriter(ResultFormat::Csv, {}, full);
    EXPECT_THROW(results::WriteView(view, results::ViewBlock::Whole(view), *writer), tbn::Error);
    EXPECT_LE(full.text.size(), results::OutputBuffer::kChunkBytes * 2);
}

}  // namespace
}  // namespace tbn::test
