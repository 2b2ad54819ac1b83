#include "app/CommandLine.h"

namespace tbn::app {

namespace {
bool IsHelp(const QString& argument) {
    return argument == QLatin1String("--help") || argument == QLatin1String("-h");
}
bool IsVersion(const QString& argument) { return argument == QLatin1String("--version"); }
} // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
    const qsizetype optionsEnd = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = optionsEnd < 0 ? arguments : arguments.mid(0, optionsEnd);
    for (const QString& argument : options) {
        if (IsHelp(argument)) return {CommandLine::Action::Help, {}, {}};
        if (IsVersion(argument)) return {CommandLine::Action::Version, {}, {}};
    }
    CommandLine line;
    QStringList targets;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (i == optionsEnd) continue;
        const bool isOption = (optionsEnd < 0 || i < optionsEnd) && argument.size() > 1 && argument.startsWith('-');
        if (isOption) {
            line.action = CommandLine::Action::Misuse;
            line.problem = QStringLiteral("unknown option %1").arg(argument);
            return line;
        }
        targets << argument;
    }
    if (targets.size() > 1) {
        line.action = CommandLine::Action::Misuse;
        line.problem = QStringLiteral("one database or connection string at a time, not %1").arg(targets.size());
        return line;
    }
    if (!targets.isEmpty()) line.target = targets.front();
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
        "cnns.dat beside TBN when that folder is writable, else in $XDG_CONFIG_HOME/tbn/.\n");
}

QString VersionText() { return QStringLiteral("TBN (Tabulon) %1\n").arg(QStringLiteral(TBN_VERSION)); }

} // namespace tbn::app
