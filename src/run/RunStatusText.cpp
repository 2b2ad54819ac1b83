#include "run/RunStatusText.h"

#include "run/QueryRun.h"
#include "run/StatementOutcome.h"

#include <iterator>

namespace tbn::run {

QString CountText(std::int64_t count) {
    // Grouped the same way whatever the user's locale, like the rest of the program's numbers.
    QString digits = QString::number(count < 0 ? -count : count);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QLatin1Char(','));
    return count < 0 ? QLatin1Char('-') + digits : digits;
}

QString SecondsText(double seconds) {
    return QString::number(seconds, 'f', seconds < 1.0 ? 2 : 1) + QStringLiteral(" s");
}

QString RowsText(std::int64_t rows) {
    return CountText(rows) + (rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
}

QString BytesText(std::uint64_t bytes) {
    if (bytes < 1024) return CountText(static_cast<std::int64_t>(bytes)) + QStringLiteral(" bytes");
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
    double size = static_cast<double>(bytes) / 1024.0;
    std::size_t unit = 0;
    // 1023.7 MB would show as "1024 MB": it moves up a unit before it is rounded.
    while (size >= 1023.5 && unit + 1 < std::size(kUnits)) {
        size /= 1024.0;
        ++unit;
    }
    // One decimal while it still says something, none from 100 up.
    return QString::number(size, 'f', size < 99.95 ? 1 : 0) + QLatin1Char(' ') +
           QLatin1String(kUnits[unit]);
}

QString ProgressText(double seconds, std::int64_t rows, bool cancelling, bool droppingConnection,
                     bool toFile, std::uint64_t onDiskBytes) {
    if (droppingConnection)
        return QStringLiteral("Cancelling: the server does not answer, so the connection is "
                              "dropped and opened again (") +
               SecondsText(seconds) + QLatin1Char(')');
    return (cancelling ? QStringLiteral("Cancelling: ") : QStringLiteral("Running: ")) +
           SecondsText(seconds) + QStringLiteral(", ") + RowsText(rows) +
           (toFile ? QStringLiteral(" written") : QStringLiteral(" so far")) +
           (onDiskBytes > 0
                ? QStringLiteral(", ") + BytesText(onDiskBytes) + QStringLiteral(" on disk")
                : QString());
}

QString EndText(const RunResult& result, const QString& reopenFailure, bool previousKept,
                const QString& fileName) {
    QString text;
    const QString rowsSoFar =
        result.hasRowSet ? RowsText(result.rows) + QStringLiteral(", ") : QString();
    switch (result.ending) {
    case RunEnding::Rows:
        text = RowsText(result.rows) +
               (fileName.isEmpty() ? QString() : QStringLiteral(" written to ") + fileName) +
               QStringLiteral(" in ") + SecondsText(result.seconds);
        break;
    case RunEnding::Statement:
        text = QStringLiteral("Statement done, ") + RowsText(result.rowsChanged) +
               QStringLiteral(" changed in ") + SecondsText(result.seconds);
        break;
    case RunEnding::Cancelled:
        text = QStringLiteral("Cancelled after ") + rowsSoFar + SecondsText(result.seconds);
        break;
    case RunEnding::Failed:
        text = QStringLiteral("Failed after ") + rowsSoFar + SecondsText(result.seconds);
        break;
    }
    if (result.hasRowSet && result.onDiskBytes > 0 && fileName.isEmpty())
        text +=
            QStringLiteral("; ") + BytesText(result.onDiskBytes) + QStringLiteral(" of it on disk");
    if (!fileName.isEmpty() && result.ending != RunEnding::Rows)
        text += QStringLiteral("; ") + fileName + QStringLiteral(" left as it was");
    if (previousKept) text += QStringLiteral("; showing the previous result");
    if (result.connectionDropped) {
        text +=
            QStringLiteral(". The server did not answer the cancel, so the connection was dropped");
        text += result.reopenFailure ? QStringLiteral("; opening it again failed: ") + reopenFailure
                                     : QStringLiteral(" and opened again.");
    }
    return text;
}

namespace {

QString Numbered(int number) { return QString::number(number) + QStringLiteral(" \u00B7 "); }

}  // namespace

QString StatementTabText(int number, const StatementOutcome& outcome) {
    switch (outcome.ending) {
    case StatementEnding::Rows: return Numbered(number) + RowsText(outcome.rows);
    case StatementEnding::Changed:
        return Numbered(number) + RowsText(outcome.rows) + QStringLiteral(" changed");
    case StatementEnding::Done: return Numbered(number) + QStringLiteral("done");
    case StatementEnding::Failed: return Numbered(number) + QStringLiteral("failed");
    case StatementEnding::Cancelled:
        return Numbered(number) + (outcome.rows > 0
                                       ? RowsText(outcome.rows) + QStringLiteral(", cancelled")
                                       : QStringLiteral("cancelled"));
    }
    return Numbered(number);
}

QString StatementLineText(int number, const StatementOutcome& outcome, const QString& failureText) {
    QString text = QString::fromStdString(outcome.firstLine);
    // One minified statement can be a whole file on one line; the line only has to recognise it.
    if (text.size() > kStatementLineChars) text = text.left(kStatementLineChars) + QChar(0x2026);
    text = Numbered(number) + text + QStringLiteral(" \u2014 ");
    const QString seconds = SecondsText(outcome.seconds);
    switch (outcome.ending) {
    case StatementEnding::Rows:
        return text + RowsText(outcome.rows) + QStringLiteral(" in ") + seconds;
    case StatementEnding::Changed:
        return text + RowsText(outcome.rows) + QStringLiteral(" changed in ") + seconds;
    case StatementEnding::Done: return text + QStringLiteral("done in ") + seconds;
    case StatementEnding::Failed:
        return text + QStringLiteral("failed after ") + seconds +
               (failureText.isEmpty() ? QString() : QStringLiteral(": ") + failureText);
    case StatementEnding::Cancelled:
        return text + QStringLiteral("cancelled after ") +
               (outcome.rows > 0 ? RowsText(outcome.rows) + QStringLiteral(", ") : QString()) +
               seconds;
    }
    return text;
}

QString TransactionOpenText(std::int64_t statements) {
    return QStringLiteral("Transaction open · ") + CountText(statements) +
           (statements == 1 ? QStringLiteral(" statement") : QStringLiteral(" statements"));
}

}  // namespace tbn::run
