#include "app/CommandLine.h"

#include "db/ConnectionString.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <system_error>

namespace tbn::app {

namespace {
bool IsHelp(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}
bool IsVersion(const QString& argument) { return argument == QLatin1String("--version"); }
}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    const qsizetype optionsEnd = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = optionsEnd < 0 ? arguments : arguments.mid(0, optionsEnd);
    for (const QString& argument : options) {
        if (IsHelp(argument)) return {CommandLine::Action::Help, {}, {}, {}};
        if (IsVersion(argument)) return {CommandLine::Action::Version, {}, {}, {}};
    }
    CommandLine line;
    QStringList targets;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == optionsEnd) continue;
        const bool isOption =
            (optionsEnd < 0 || i < optionsEnd) && argument.size() > 1 && argument.startsWith('-');
        if (isOption) {
            line.action = CommandLine::Action::Misuse;
            line.problem = QStringLiteral("unknown option %1").arg(argument);
            return line;
        }
        targets << argument;
    }
    if (targets.size() > 1) {
        line.action = CommandLine::Action::Misuse;
        line.problem = QStringLiteral("one database or connection string at a time, not %1")
                           .arg(targets.size());
        return line;
    }
    if (!targets.isEmpty()) line.target = targets.front();
    return line;
}

CommandLine ParseArguments(int argc, const char* const* argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i) arguments << QFile::decodeName(argv[i]);
    CommandLine line = ParseCommandLine(arguments);
    // Only the target decodes to the target (there is at most one), so the first that does is it.
    if (!line.target.isEmpty())
        for (int i = 1; i < argc && line.targetBytes.isEmpty(); ++i)
            if (arguments[i - 1] == line.target) line.targetBytes = argv[i];
    return line;
}

QString HelpText() {
    return QStringLiteral(
        "Usage: TBN [FILE.db | 'CONNECTION STRING']\n"
        "Tabulon, a desktop SQL query browser for SQLite, PostgreSQL and ODBC.\n"
        "\n"
        "  FILE.db              open a query window on that SQLite database file\n"
        "  'CONNECTION STRING'  open a query window on that connection, without saving it,\n"
        "                       e.g. 'Provider=PostgreSQL;Host=db;Database=sales;User ID=ana'\n"
        "  --help, --version    print this text or the version, and exit\n"
        "\n"
        "Without an argument the connection manager opens. Saved connections are kept in\n"
        "cnns.dat beside TBN when that folder is writable and not under /usr or /opt, else\n"
        "in $XDG_CONFIG_HOME/tbn/.\n");
}

QString VersionText() {
    return QStringLiteral("TBN (Tabulon) %1\n").arg(QStringLiteral(TBN_VERSION));
}

ConnectionChoice ConnectionForArgument(const QByteArray& argument) {
    const QString text = QFile::decodeName(argument);
    if (QFile::encodeName(text) == argument) return ConnectionFor(text);
    // Bytes that the system's encoding cannot spell as text (a name written under another
    // encoding) can only name a file. A connection string is text, so the file goes to SQLite as a
    // file: URI, in which each such byte is written %XX and which SQLite opens by the same bytes.
    std::error_code failed;
    std::filesystem::path path(argument.toStdString());
    if (const std::filesystem::path absolute = std::filesystem::absolute(path, failed); !failed)
        path = absolute;
    const QByteArray bytes = QByteArray::fromStdString(path.lexically_normal().native());
    db::ConnectionString cnn;
    cnn.Set("Provider", "SQLite");
    cnn.Set("Data Source", "file://" + bytes.toPercentEncoding("/").toStdString());
    return {QFile::decodeName(bytes), QString::fromStdString(cnn.ToString())};
}

}  // namespace tbn::app
