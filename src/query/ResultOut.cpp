#include "query/ResultOut.h"

#include "core/Error.h"
#include "db/ConnectionString.h"
#include "db/ProviderCatalogue.h"
#include "results/ResultWriter.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <array>

namespace tbn::query {

using results::ResultFormat;
using results::SqlDialect;

namespace {

class StringSink : public results::ByteSink {
public:
    void Write(std::string_view bytes) override { text.append(bytes); }
    std::string text;
};

struct FileKind {
    ResultFormat format;
    const char* description;
    const char* extension;
};
constexpr std::array<FileKind, 5> kFileKinds{{
    {ResultFormat::Csv, "CSV", "csv"},
    {ResultFormat::Tsv, "TSV", "tsv"},
    {ResultFormat::Json, "JSON", "json"},
    {ResultFormat::SqlInsert, "SQL INSERT statements", "sql"},
    {ResultFormat::Markdown, "Markdown", "md"},
}};

}  // namespace

std::string FormatBlock(const results::ResultView& view, const results::ViewBlock& block,
                        ResultFormat format, const results::FormatOptions& options) {
    StringSink sink;
    const std::unique_ptr<results::ResultWriter> writer =
        results::MakeResultWriter(format, options, sink);
    results::WriteView(view, block, *writer);
    return std::move(sink.text);
}

QString DefaultTableName(const QString& commandText) {
    static const QString name =
        QStringLiteral(R"((?:"(?:[^"]|"")+"|`[^`]+`|\[[^\]]+\]|[A-Za-z_][A-Za-z0-9_$]*))");
    static const QRegularExpression select(QStringLiteral(R"(^\s*SELECT\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression nested(QStringLiteral(R"(\b(?:SELECT|FROM|JOIN)\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    // The one FROM names one table, perhaps with its schema and an alias; what follows may only
    // narrow or order the rows.
    static const QRegularExpression from(
        QStringLiteral(R"(\bFROM\s+(?:%1\s*\.\s*)*(%1)(?:\s+(?:AS\s+)?%1)?\s*)"
                       R"((?:;\s*$|$|(?:WHERE|ORDER|GROUP|LIMIT|OFFSET|FETCH|HAVING)\b))")
            .arg(name),
        QRegularExpression::CaseInsensitiveOption);
    const QString fallback = QStringLiteral("result");
    if (!select.match(commandText).hasMatch()) return fallback;
    // SELECT and FROM once each, nothing joined: a subquery, a union or a join reads more than
    // one table.
    if (commandText.count(nested) != 2) return fallback;
    const QRegularExpressionMatch match = from.match(commandText);
    if (!match.hasMatch()) return fallback;
    QString table = match.captured(1);
    if (table.startsWith(QLatin1Char('"')))
        table =
            table.mid(1, table.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    else if (table.startsWith(QLatin1Char('`')) || table.startsWith(QLatin1Char('[')))
        table = table.mid(1, table.size() - 2);
    return table;
}

SqlDialect DialectOf(const std::string& connectionString) {
    try {
        const db::ConnectionString properties = db::ConnectionString::Parse(connectionString);
        std::string named;
        const db::ProviderInfo* provider = db::ChooseProvider(properties, &named);
        if (!provider) return SqlDialect::Sqlite;
        switch (provider->engine) {
        case db::Engine::Sqlite: return SqlDialect::Sqlite;
        case db::Engine::PostgreSql: return SqlDialect::Postgres;
        case db::Engine::Odbc: break;
        }
        const QString driver =
            QString::fromStdString(properties.Get({"Driver", "DSN"}).value_or(std::string()))
                .toLower();
        if (driver.contains(QLatin1String("maria")) || driver.contains(QLatin1String("mysql")))
            return SqlDialect::MySql;
        if (driver.contains(QLatin1String("postgres")) || driver.contains(QLatin1String("psql")))
            return SqlDialect::Postgres;
    } catch (const tbn::Error&) {
        // A string the window connected with parses; anything else gets standard SQL.
    }
    return SqlDialect::Sqlite;
}

QString FileFormatFilter() {
    QStringList entries;
    for (const FileKind& kind : kFileKinds)
        entries << QStringLiteral("%1 (*.%2)|*.%2")
                       .arg(QLatin1String(kind.description), QLatin1String(kind.extension));
    return entries.join(QLatin1Char('|'));
}

ResultFormat FileFormat(const QString& path, int filterIndex) {
    const QString extension = QFileInfo(path).suffix().toLower();
    for (const FileKind& kind : kFileKinds)
        if (extension == QLatin1String(kind.extension)) return kind.format;
    if (filterIndex >= 1 && filterIndex <= static_cast<int>(kFileKinds.size()))
        return kFileKinds[static_cast<std::size_t>(filterIndex - 1)].format;
    return ResultFormat::Csv;
}

}  // namespace tbn::query
