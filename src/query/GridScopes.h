#pragma once
// Scopes that switch a grid's repainting or visibility off and put them back on every way out,
// so a failure in the middle of filling or sizing never leaves the grid frozen or hidden.
#include "grid/FlexGrid.h"

namespace tbn::query {

class GridRedrawOff {
public:
    explicit GridRedrawOff(tbn::grid::FlexGrid& grid) : grid_(grid) { grid_.SetRedraw(false); }
    ~GridRedrawOff() { grid_.SetRedraw(true); }
    GridRedrawOff(const GridRedrawOff&) = delete;
    GridRedrawOff& operator=(const GridRedrawOff&) = delete;

private:
    tbn::grid::FlexGrid& grid_;
};

class GridHidden {
public:
    explicit GridHidden(tbn::grid::FlexGrid& grid)
        : grid_(grid), wasVisible_(!grid.isHidden()), hadFocus_(grid.hasFocus()) {
        grid_.setVisible(false);
    }
    ~GridHidden() {
        grid_.setVisible(wasVisible_);
        if (hadFocus_ && wasVisible_) grid_.setFocus();
    }
    GridHidden(const GridHidden&) = delete;
    GridHidden& operator=(const GridHidden&) = delete;

private:
    tbn::grid::FlexGrid& grid_;
    bool wasVisible_;
    bool hadFocus_;
};

}  // namespace tbn::query
