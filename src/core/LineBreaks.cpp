#include "core/LineBreaks.h"

#include <algorithm>

namespace tbn::platform {

QString ToCrLf(const QString& lfText) {
    QString result = lfText;
    result.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return result;
}

QString ToLf(const QString& anyBreaks) {
    QString result = anyBreaks;
    result.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    result.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return result;
}

int ToOutsidePosition(const QString& lfText, int inside) {
    const auto end = static_cast<int>(std::clamp<qsizetype>(inside, 0, lfText.size()));
    return end + static_cast<int>(QStringView(lfText).left(end).count(QLatin1Char('\n')));
}

int ToInsidePosition(const QString& lfText, int outside, BreakSnap snap) {
    int remaining = std::max(outside, 0);
    int inside = 0;
    for (; inside < lfText.size() && remaining > 0; ++inside) {
        if (lfText[inside] != QLatin1Char('\n')) {
            --remaining;
        } else if (remaining >= 2) {
            remaining -= 2;
        } else {
            // Between the CR and the LF.
            return snap == BreakSnap::Before ? inside : inside + 1;
        }
    }
    return inside;
}

} // namespace tbn::platform
