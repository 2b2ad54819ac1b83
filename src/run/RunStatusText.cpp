#include "run/RunStatusText.h"

#include "run/QueryRun.h"

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

QString ProgressText(double seconds, std::int64_t rows, bool cancelling, bool droppingConnection,
                     bool toFile) {
    if (droppingConnection)
        return QStringLiteral("Cancelling: the server does not answer, so the connection is "
                              "dropped and opened again (") +
               SecondsText(seconds) + QLatin1Char(')');
    return (cancelling ? QStringLiteral("Cancelling: ") : QStringLiteral("Running: ")) +
           SecondsText(seconds) + QStringLiteral(", ") + RowsText(rows) +
           (toFile ? QStringLiteral(" written") : QStringLiteral(" so far"));
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

}  // namespace tbn::run
