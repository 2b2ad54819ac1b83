#pragma once
// What a query window asks of the frame that holds it. The frame hands itself to every query
// window it creates; a window made without a frame (a test's) goes without these services.
// User-interface thread only.
#include <QtGlobal>

class QPoint;

namespace tbn::query {

class QueryFrame {
public:
    // Pops up the frame's Query menu at globalPosition with Execute as its default entry and
    // returns when the menu has closed; the menu bar's own menu is left as it was.
    virtual void PopUpQueryMenu(const QPoint& globalPosition) = 0;
    // The window identified by frmHwnd is closing.
    virtual void RemoveTab(quintptr frmHwnd) = 0;

protected:
    ~QueryFrame() = default;
};

}  // namespace tbn::query
