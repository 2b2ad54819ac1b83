#pragma once
// Draws a grid cell that holds a null value as a grey, italic "NULL" in the grid's own font, so a
// null and an empty text look different on screen while both stay empty text to every reader
// (TextMatrix, copying, sizing).
#include <QStyledItemDelegate>

namespace tbn::platform {

class NullCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QString NullText() { return QStringLiteral("NULL"); }

    // Public so the grid's drawing of a cell can be checked without reading pixels.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

} // namespace tbn::platform
