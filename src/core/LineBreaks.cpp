#include "core/LineBreaks.h"

#include <algorithm>

namespace tbn::core {

// One pass each: QString::replace takes seconds on a text of many megabytes and lines, and these
// run on every F5 and every recovery save of the whole pane.
QString ToCrLf(const QString& lfText) {
    const qsizetype breaks = lfText.count(QLatin1Char('\n'));
    if (breaks == 0) return lfText;
    QString result(lfText.size() + breaks, Qt::Uninitialized);
    QChar* out = result.data();
    for (const QChar ch : lfText) {
        if (ch == QLatin1Char('\n')) *out++ = QLatin1Char('\r');
        *out++ = ch;
    }
    return result;
}

QString ToLf(const QString& anyBreaks) {
    if (!anyBreaks.contains(QLatin1Char('\r'))) return anyBreaks;
    QString result(anyBreaks.size(), Qt::Uninitialized);
    QChar* out = result.data();
    const QChar* in = anyBreaks.constData();
    const QChar* end = in + anyBreaks.size();
    for (; in != end; ++in) {
        if (*in != QLatin1Char('\r')) {
            *out++ = *in;
            continue;
        }
        *out++ = QLatin1Char('\n');
        if (in + 1 != end && in[1] == QLatin1Char('\n')) ++in;
    }
    result.truncate(out - result.constData());
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

}  // namespace tbn::core
