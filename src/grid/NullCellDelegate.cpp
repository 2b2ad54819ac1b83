#include "grid/NullCellDelegate.h"

#include "grid/FlexGridModel.h"

namespace tbn::platform {

void NullCellDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(FlexGridModel::NullRole).toBool()) return;
    option->text = NullText();
    option->font.setItalic(true);
    // The placeholder colour is the style's own grey for "no value here", light or dark theme alike.
    const QColor grey = option->palette.color(QPalette::PlaceholderText);
    option->palette.setColor(QPalette::Text, grey);
    option->palette.setColor(QPalette::HighlightedText, grey);
}

} // namespace tbn::platform
