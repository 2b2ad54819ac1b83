#pragma once
// The arithmetic of column sizing, kept apart from the grid so it can be checked on its own.
#include <QFont>
#include <QFontMetrics>
#include <QString>

namespace tbn::query {

// Room left around a cell's text, in twips.
constexpr double kCellPaddingTwips = 150.0;
// The widest column the grid accepts; a wider text is capped here rather than failing the sizing.
constexpr int kMaxColumnWidthTwips = 32767;

// Rounds to the nearest whole twip, halves to the even neighbour, and caps at the widest column.
int ClampColumnWidth(double twips);

// Measures text as the given font draws it on one line.
class TextMeasure {
public:
    explicit TextMeasure(const QFont& font) : metrics_(font) {}
    double WidthTwips(const QString& text) const;

private:
    QFontMetrics metrics_;
};

}  // namespace tbn::query
