#include "query/GridAutosize.h"

#include "ui/Twips.h"

#include <cmath>

namespace tbn::query {

int ClampColumnWidth(double twips) {
    if (!(twips > 0)) return 0;
    if (twips >= kMaxColumnWidthTwips) return kMaxColumnWidthTwips;
    // nearbyint follows the default rounding mode, which rounds halves to even.
    return static_cast<int>(std::nearbyint(twips));
}

double TextMeasure::WidthTwips(const QString& text) const {
    if (text.isEmpty()) return 0.0;
    return tbn::ui::PixelsToTwips(metrics_.horizontalAdvance(text));
}

}  // namespace tbn::query
