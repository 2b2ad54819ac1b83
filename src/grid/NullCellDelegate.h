#pragma once
// Draws a grid cell that holds a null value as a grey, italic "NULL" in the grid's own font (in a
// selected cell, the selection's text colour, faded), so a null and an empty text look different
// on screen while both stay empty text to every reader (TextMatrix, copying, sizing). While
// dimmed, it draws every cell's text faded toward its background: the rows of a result that is
// about to be replaced.
#include <QStyledItemDelegate>

namespace tbn::grid {

class NullCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QString NullText() { return QStringLiteral("NULL"); }

    bool Dimmed() const { return dimmed_; }
    void SetDimmed(bool on) { dimmed_ = on; }

    // Public so the grid's drawing of a cell can be checked without reading pixels.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    bool dimmed_ = false;
};

}  // namespace tbn::grid
