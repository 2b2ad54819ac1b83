#include "grid/NullCellDelegate.h"

#include "grid/FlexGridModel.h"

namespace tbn::grid {

namespace {

// Moves each colour group's `role` the fraction `toward` of the way to its `background`; each group
// apart, since an inactive window's selection is drawn in colours of its own. A translucent colour
// (the placeholder grey is one) is first taken as it shows on that background.
void Fade(QPalette& palette, QPalette::ColorRole role, QPalette::ColorRole background,
          double toward) {
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const QColor from = palette.color(group, role);
        const QColor to = palette.color(group, background);
        const double opacity = from.alphaF();
        auto mix = [&](int a, int b) {
            const double shown = a * opacity + b * (1 - opacity);
            return static_cast<int>(shown + (b - shown) * toward + 0.5);
        };
        palette.setColor(group, role,
                         QColor(mix(from.red(), to.red()), mix(from.green(), to.green()),
                                mix(from.blue(), to.blue())));
    }
}

// Far enough to tell apart at a glance, near enough to read on either background.
constexpr double kNullFade = 0.35;
constexpr double kDimFade = 0.55;

}  // namespace

void NullCellDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    QPalette& palette = option->palette;
    if (index.data(FlexGridModel::NullRole).toBool()) {
        option->text = NullText();
        option->font.setItalic(true);
        // The placeholder colour is the style's own grey for "no value here", light or dark theme
        // alike; on the selection's background that grey would vanish, so there the selection's
        // own text colour is faded instead.
        for (const QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            palette.setColor(group, QPalette::Text,
                             palette.color(group, QPalette::PlaceholderText));
        Fade(palette, QPalette::HighlightedText, QPalette::Highlight, kNullFade);
    }
    if (!dimmed_) return;
    Fade(palette, QPalette::Text, QPalette::Base, kDimFade);
    Fade(palette, QPalette::HighlightedText, QPalette::Highlight, kDimFade);
}

}  // namespace tbn::grid
