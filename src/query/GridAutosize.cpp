#include "query/GridAutosize.h"

#include "ui/Twips.h"

#include <algorithm>
#include <cmath>

int ClampColumnWidth(double twips) {
    if (!(twips > 0)) return 0;
    if (twips >= kMaxColumnWidthTwips) return kMaxColumnWidthTwips;
    // nearbyint follows the default rounding mode, which rounds halves to even.
    return static_cast<int>(std::nearbyint(twips));
}

double TextMeasure::WidthTwips(const QString& text) const {
    if (text.isEmpty()) return 0.0;
    double widest = 0.0;
    qsizetype start = 0;
    const qsizetype length = text.size();
    for (qsizetype i = 0; i <= length; ++i) {
        if (i < length && text[i] != QLatin1Char('\n') && text[i] != QLatin1Char('\r')) continue;
        if (i > start) widest = std::max<double>(widest, metrics_.horizontalAdvance(text.mid(start, i - start)));
        start = i + 1;
    }
    return tbn::platform::PixelsToTwips(widest);
}
